#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pvx {

// The console log as the game's console window on Windows shows it, built from what a game
// without that window prints on its standard streams (Windows-1252 bytes, in pieces of any
// size): colour escapes ^0-^9, the chat escape character 0x19, terminal colour sequences and
// the open-source engine's time stamps removed, that engine's answer to a name query and its lines
// on loading a game library or a map in the retail game's words, every line ended by CR LF, and
// the whole text wiped
// once 32767 characters were added since the last wipe. A line shows once its line feed arrived, so
// a reader never sees half a chat line. Plain data: the caller guards it when two threads share it.
class RetailConsoleLog {
 public:
  static constexpr std::size_t kWipeAfter = 32767;

  // Bytes the game printed.
  void append(std::string_view bytes);
  // The game ended: an unfinished last line shows as it is.
  void finish();
  // Enter pressed in the console's input line holding these bytes: the window echoes "]" and the
  // line on a line of its own. Typing "clear" empties the game's own console, not this log.
  void enterLine(std::string_view bytes);
  // The window's Clear button: the log empties; the count towards the next wipe goes on.
  void clear();

  const std::string& text() const { return text_; }
  // Changes with every change of the text.
  std::uint64_t version() const { return version_; }

  // One line (without its line feed) as the window shows it, without a line end.
  static std::string shown(std::string_view line);

 private:
  void add(std::string shownText);
  void takeLine(std::string_view line, bool ended);

  std::string text_;
  std::string partial_;   // the unfinished line, as printed
  bool midLine_ = false;  // partial_ goes on a line whose start was shown already
  std::size_t addedSinceWipe_ = 0;
  std::uint64_t version_ = 0;
};

}  // namespace pvx

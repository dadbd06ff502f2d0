#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pvx {

// A small stand-in for the game's console, for practice where there is no real game: it keeps
// the console log as the game's window shows it (ANSI bytes, CR LF line ends, colour escapes
// ^0-^7 removed) and runs the lines entered in its input line. As in the game, `clear` empties
// the game's own console, never the window's log: the window's Clear button does. It knows
// nothing of windows: a host (the simulated window tree, or a real Win32 window) shows its log
// and feeds it lines.
class PracticeGame {
 public:
  static constexpr std::size_t kWipeAfter = 32767;
  // The game copies every entered line into a field of this many bytes that the player's key
  // bindings follow: a line of this length or more overwrites them.
  static constexpr std::size_t kFieldBytes = 256;
  static constexpr const char* kDefaultName = "Padawan";

  // name: the local player's name (UTF-8).
  explicit PracticeGame(std::string_view name = kDefaultName);

  // The game prints a line (UTF-8): it lands in the log followed by CR LF, colour escapes
  // removed unless they are kept.
  void print(std::string_view utf8Line);
  // Enter pressed in the input line while it holds these ANSI bytes: the game echoes "]" and the
  // line, then runs it with one leading "/" or "\" dropped. A line too long for the game's field
  // is counted as memory it corrupted.
  void enterLine(std::string_view ansiLine);
  // The window's Clear button: the log empties; the count of characters towards the next wipe
  // goes on.
  void clearLog();
  // The game starts afresh: an empty log, nothing counted towards the next wipe.
  void freshConsole();

  // The lines entered that were too long for the game's field (each overwrote the player's key
  // bindings in the real game), and the longest line entered, in bytes.
  std::size_t corruptingLines() const { return corruptingLines_; }
  std::size_t longestLine() const { return longestLine_; }

  // The log as the window shows it, in ANSI bytes.
  const std::string& log() const { return log_; }
  std::string playerName() const;  // UTF-8
  void setPlayerName(std::string_view utf8Name);
  // With colours kept the log shows the game's "^" escapes as they are printed.
  void setKeepColours(bool keep) { keepColours_ = keep; }
  bool keepColours() const { return keepColours_; }

  // Typical events, as the game prints them (with its colour escapes), for the practice window.
  enum class Event {
    OtherEnters,
    DuelWithYou,
    YouWon,
    YouLost,
    YouKilledYourself,
    TimeLimit,
    FinishedLoading
  };
  // The line for an event between the local player and another player named other (UTF-8).
  std::string eventLine(Event event, std::string_view other) const;
  // The local player's chat line, as the game prints it.
  std::string chatLine(std::string_view message) const;

  // Called after every change of the log.
  std::function<void()> onLogChanged;

 private:
  void printAnsi(std::string_view ansiLine);
  void run(std::string_view line);

  std::string log_;
  std::size_t addedSinceWipe_ = 0;
  std::size_t corruptingLines_ = 0;
  std::size_t longestLine_ = 0;
  std::string name_;  // ANSI bytes
  bool keepColours_ = false;
};

}  // namespace pvx

#pragma once

#include <optional>
#include <string>

#include "app/MainForm.h"
#include "watcher/WatchCycle.h"

namespace pvx {

class MessageSetFile;

// The music commands of the chain, carried out by the music player.
class MusicCommands {
 public:
  virtual ~MusicCommands() = default;
  virtual CycleFlow stop() = 0;
  virtual CycleFlow next() = 0;
  virtual CycleFlow prev() = 0;
  // vol and play get the command's own chat line, with its line break.
  virtual CycleFlow vol(const std::string& line) = 0;
  virtual CycleFlow pause() = 0;
  virtual CycleFlow listSongs() = 0;
  virtual CycleFlow play(const std::string& line) = 0;
};

// The local player's chat commands: a command is present when a line of the new text begins with
// the current player name immediately followed by its literal, in any letter case; what follows
// the literal is not looked at. Lines of other players never command the program, wherever the
// name and the literal stand in them. The literals are tried in a fixed order and only the first
// one present runs, so one cycle runs one command.
class CommandChain {
 public:
  static constexpr const char* kGameWindowClass = "Jedi Knight®: Jedi Academy (MP)";
  static constexpr const char* kTaskbarClass = "Shell_traywnd";
  // The two taskbar calls of "!mini": the first hides the taskbar while the main window is
  // maximised, the second shows it again; neither moves it, sizes it or changes its Z order.
  static constexpr unsigned kSwpNoSize = 0x0001, kSwpNoMove = 0x0002, kSwpNoZOrder = 0x0004,
                            kSwpNoActivate = 0x0010, kSwpShowWindow = 0x0040,
                            kSwpHideWindow = 0x0080;
  static constexpr unsigned kTaskbarHide =
      kSwpHideWindow | kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate;
  static constexpr unsigned kTaskbarShow =
      kSwpShowWindow | kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate;

  CommandChain(MainForm& form, MessageSetFile& sets) : form_(form), sets_(sets) {}

  // Step 14 of the watch cycle: runs the first command present, if any.
  CycleFlow run(const std::string& newText);

  // The music player's commands; until it is there they are recognised and do nothing.
  void setMusic(MusicCommands* music) { music_ = music; }

  // The first line of the new text that begins with the current player name and the literal.
  std::optional<std::string> commandLine(const std::string& newText, const char* literal) const;

  // A command's argument, cut from the command's line: from offset characters after the first
  // occurrence of the key at or after character from (past the player's name; any letter case)
  // to the end of the line, less the line break (two characters). Nothing when fewer than two
  // characters are left to drop; empty text when the key is absent.
  static std::optional<std::string> argument(const std::string& line, const std::string& key,
                                             std::size_t offset, std::size_t from = 0);

 private:
  void load(const std::string& line);
  void mini();
  void type(const std::string& command);

  MainForm& form_;
  MessageSetFile& sets_;
  MusicCommands* music_ = nullptr;
};

}  // namespace pvx

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
  virtual CycleFlow vol(const std::string& newText) = 0;
  virtual CycleFlow pause() = 0;
  virtual CycleFlow listSongs() = 0;
  virtual CycleFlow play(const std::string& newText) = 0;
};

// The local player's chat commands: a command is present when the new text holds the current
// player name immediately followed by its literal, anywhere, in any letter case. The literals are
// tried in a fixed order and only the first one present runs, so one cycle runs one command.
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

  // A command's argument: the new text from offset characters after the first occurrence of the
  // key (any letter case, on any player's line) to its end, less the line break (two characters).
  // Nothing when fewer than two characters are left to drop; empty text when the key is absent.
  static std::optional<std::string> argument(const std::string& newText, const std::string& key,
                                             std::size_t offset);

 private:
  void load(const std::string& newText);
  void mini();
  void type(const std::string& command);

  MainForm& form_;
  MessageSetFile& sets_;
  MusicCommands* music_ = nullptr;
};

}  // namespace pvx

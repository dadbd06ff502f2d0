#pragma once

#include <optional>
#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/watcher/WatchCycle.h"
#include "core/windows/GameWindow.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

class MessageSetFile;

// The music commands of the chain, carried out by the music player.
class MusicCommands {
 public:
  virtual ~MusicCommands() = default;
  virtual Task<CycleFlow> stop() = 0;
  virtual Task<CycleFlow> next() = 0;
  virtual Task<CycleFlow> prev() = 0;
  // vol and play get the command's text: its chat line from the literal on, with the line break.
  virtual Task<CycleFlow> vol(std::string line) = 0;
  virtual Task<CycleFlow> pause() = 0;
  virtual Task<CycleFlow> listSongs() = 0;
  virtual Task<CycleFlow> play(std::string line) = 0;
};

// The local player's chat commands: a command is present when a line of the new text begins with
// the current player name immediately followed by its literal, in any letter case; what follows
// the literal is not looked at. Lines of other players never command the program, wherever the
// name and the literal stand in them. The literals are tried in a fixed order and only the first
// one present runs, so each piece of new text runs one command at most (a cycle that waited takes
// what the game printed meanwhile in several pieces).
class CommandChain final : public WatchStep {
 public:
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

  // window: the main window, maximised and restored by "!mini".
  CommandChain(ConsoleBridge& bridge, MainWindowPort& window, GameWindow& gameWindow,
               MessageSetFile& sets, MusicCommands& music)
      : bridge_(bridge), window_(window), gameWindow_(gameWindow), sets_(sets), music_(music) {}

  // Runs the first command present, if any.
  Task<CycleFlow> run(std::string newText, std::string& playerName) override;

  // The text of a command: the first line of the new text that begins with the player's name and
  // the literal, from the literal on (the name cut off), with its line break.
  static std::optional<std::string> commandText(const std::string& newText,
                                                const std::string& playerName, const char* literal);

  // A command's argument, cut from the command's text: from offset characters after the first
  // occurrence of the key (any letter case) to the end of the line, less the line break (two
  // characters). Nothing when fewer than two characters are left to drop; empty text when the
  // key is absent.
  static std::optional<std::string> argument(const std::string& command, const std::string& key,
                                             std::size_t offset);

 private:
  Task<void> load(std::string command);
  Task<void> mini();

  ConsoleBridge& bridge_;
  MainWindowPort& window_;
  GameWindow& gameWindow_;
  MessageSetFile& sets_;
  MusicCommands& music_;
};

}  // namespace pvx

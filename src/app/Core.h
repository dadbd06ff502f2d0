#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "app/GameWindow.h"
#include "app/OsInfo.h"
#include "app/PlayerDock.h"
#include "app/StartUp.h"
#include "app/StatusLine.h"
#include "app/WindowPorts.h"
#include "console/Clock.h"
#include "console/ConsoleBridge.h"
#include "console/WindowSystem.h"
#include "messages/MessageEditor.h"
#include "messages/MessageSet.h"
#include "messages/MessageSetFile.h"
#include "player/FolderPicker.h"
#include "player/FolderPickerPort.h"
#include "player/MediaBackEnd.h"
#include "player/Player.h"
#include "player/PlayerPort.h"
#include "watcher/CommandChain.h"
#include "watcher/GameEventReplies.h"
#include "watcher/MusicChatCommands.h"
#include "watcher/WatchCycle.h"

namespace pvx {

// What the program's behaviour needs from outside: the platform (window system, clock, media),
// the program's own windows as ports, and where "Saves" lies. The program, the replay, the tests,
// the fuzz rig and the benchmarks each fill it with their own implementations.
struct CorePorts {
  WindowSystem& windows;
  Clock& clock;
  MediaBackEnd& media;
  MainWindowPort& mainWindow;
  EditorWindowPort& editorWindow;
  // The player window, as a window that is docked and as the player's view.
  FormPort& playerWindow;
  PlayerPort& playerView;
  DialogPort& dialogs;
  std::filesystem::path programFolder;
  // Where the OS description gets its version record; empty means the platform's own query.
  OsInfo::Query osQuery;
  // Gives the folder picker's window, making it on the first call ("Add Folder").
  std::function<FolderPickerPort&()> folderPickerWindow;
  // Stand-ins for test rigs: the music commands (tests that only see which command ran), and
  // steps that run in the watch cycle in place of the replies and the chat commands (a rig that
  // checks every call before handing it on to the real ones).
  MusicCommands* musicCommands = nullptr;
  WatchStep* eventsStandIn = nullptr;
  WatchStep* commandsStandIn = nullptr;
};

// The program's behaviour, wired once: every part gets what it uses through its constructor.
// Making it starts the greeting timer; start() runs the program's start-up.
class Core {
 public:
  explicit Core(CorePorts ports);
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  void start() { startUp_.run(); }

  ConsoleBridge& bridge() { return bridge_; }
  Messages& messages() { return messages_; }
  const OsInfo& os() const { return os_; }
  StatusLine& status() { return status_; }
  PlayerDock& dock() { return dock_; }
  GameWindow& gameWindow() { return gameWindow_; }
  Player& player() { return player_; }
  MessageSetFile& messageSets() { return messageSets_; }
  MessageEditor& messageEditor() { return messageEditor_; }
  GameEventReplies& replies() { return replies_; }
  CommandChain& commands() { return commands_; }
  MusicChatCommands& music() { return music_; }
  WatchCycle& watch() { return watch_; }
  FolderPicker& folderPicker() { return folderPicker_; }

 private:
  ConsoleBridge bridge_;
  Messages messages_;
  OsInfo os_;
  StatusLine status_;
  PlayerDock dock_;
  GameWindow gameWindow_;
  Player player_;
  MusicChatCommands music_;
  MessageSetFile messageSets_;
  MessageEditor messageEditor_;
  GameEventReplies replies_;
  CommandChain commands_;
  WatchCycle watch_;
  FolderPicker folderPicker_;
  StartUp startUp_;
};

}  // namespace pvx

#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "core/console/ConsoleBridge.h"
#include "core/console/WindowSystem.h"
#include "core/messages/MessageEditor.h"
#include "core/messages/MessageSet.h"
#include "core/messages/MessageSetFile.h"
#include "core/player/FolderPicker.h"
#include "core/player/FolderPickerPort.h"
#include "core/player/MediaBackEnd.h"
#include "core/player/MediaControls.h"
#include "core/player/Player.h"
#include "core/player/PlayerPort.h"
#include "core/program/StartUp.h"
#include "core/time/Clock.h"
#include "core/watcher/CommandChain.h"
#include "core/watcher/GameEventReplies.h"
#include "core/watcher/MusicChatCommands.h"
#include "core/watcher/WatchCycle.h"
#include "core/windows/GameWindow.h"
#include "core/windows/OsInfo.h"
#include "core/windows/PlayerDock.h"
#include "core/windows/StatusLine.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// What the program's behaviour needs from outside: the platform (window system, clock, media),
// the program's own windows as ports, and where "Saves" lies. The program fills it with the real
// ones; the test rig (tests/support/CoreRig.h), which the tests, the fuzz targets and the
// benchmarks share, with fakes and the practice game.
struct CorePorts {
  WindowSystem& windows;
  // Where typing into the game runs; null: at once, through windows.
  Typist* typist = nullptr;
  // The game's code page (the system's ANSI code page beside the real game on Windows); null:
  // Windows-1252.
  const CodePage* gameCodePage = nullptr;
  // How the message sets and the playlist store their lines.
  FileEncoding files = FileEncoding();
  Clock& clock;
  MediaBackEnd& media;
  MainWindowPort& mainWindow;
  EditorWindowPort& editorWindow;
  // The player window, as a window that is docked and as the player's view.
  FormPort& playerWindow;
  PlayerPort& playerView;
  DialogPort& dialogs;
  std::filesystem::path programFolder = {};
  // The system's own calls: where the OS description gets its version record, and which files
  // adding a folder passes over as hidden.
  OsInfo::Query osQuery = {};
  Playlist::HiddenFileTest isHiddenFile = Playlist::dotFile;
  // Gives the folder picker's window, making it on the first call ("Add Folder").
  std::function<FolderPickerPort&()> folderPickerWindow = {};
};

// Parts a test rig puts in place of the program's own, where a test looks at one part alone:
// the music commands the chat commands call (a test that sees only which command ran), and the
// watch cycle's two steps (a rig that checks every call before handing it on to the real replies
// and chat commands). The parts are wired into the others as they are made, so they are given
// here rather than swapped later. The program replaces none.
struct CoreStandIns {
  MusicCommands* music = nullptr;
  WatchStep* events = nullptr;
  WatchStep* commands = nullptr;
};

// The program's behaviour, wired once: every part gets what it uses through its constructor.
// Making it starts the greeting timer; start() runs the program's start-up.
class Core {
 public:
  explicit Core(CorePorts ports, CoreStandIns standIns = {});
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
  // The media keys and the desktop's media controls.
  MediaControls& mediaControls() { return mediaControls_; }
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
  MediaControls mediaControls_;
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

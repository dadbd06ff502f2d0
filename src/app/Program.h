#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DesktopMediaControls.h"
#include "core/console/GameStream.h"
#include "core/console/PracticeConsole.h"
#include "core/console/PracticeGame.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/console/StreamConsole.h"
#include "core/program/Core.h"
#include "core/time/Clock.h"
#include "gui/FolderPickerWindow.h"
#include "gui/MainWindow.h"
#include "gui/MessageEditorWindow.h"
#include "gui/PlayerWindow.h"
#include "gui/PracticeConsoleWindow.h"
#include "gui/QtClock.h"
#include "gui/QtDialogs.h"

namespace pvx {

// How one run of the program is put together.
struct ProgramOptions {
  // Against the practice game (in the simulated window system) instead of the real game.
  bool practice = true;
  // Where there is no console window (Linux): the game program and its arguments, started with
  // its standard streams connected to the program. Empty: the practice game.
  std::vector<std::string> gameCommand;
  // The folder where "Saves" lives.
  std::filesystem::path programFolder;
  // The clock to run on; null means real time.
  Clock* clock = nullptr;
  // The practice game: the local player's name and whether it runs at start.
  std::string playerName = PracticeGame::kDefaultName;
  bool gameRunning = true;
  // Whether the practice console window is shown beside the main window.
  bool showPracticeWindow = true;
  // Where the OS description gets its version record; empty means the platform's own query.
  std::function<bool(OsVersionRecord&)> osQuery;
  // The standard dialogs; null means the platform's own (Qt's).
  DialogPort* dialogs = nullptr;
  // The media back end; null means the platform's own (GStreamer on Linux).
  MediaBackEnd* media = nullptr;
  // Whether the keyboard's media keys (Windows) or the desktop's media controls (MPRIS on the
  // session bus) drive the player: the program itself, not a replay or a test of its windows.
  bool desktopMediaControls = false;
};

// The whole program: picks the implementations once and wires the windows to the behaviour.
class Program {
 public:
  // Throws std::runtime_error, with a message for the user, when the game cannot be started.
  explicit Program(ProgramOptions options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Creates the main window: its load step brings everything up.
  void start();

  Core& core() { return *core_; }
  WatchCycle& watch() { return core_->watch(); }
  MessageEditor& messageEditor() { return core_->messageEditor(); }
  MessageSetFile& messageSets() { return core_->messageSets(); }
  Player& player() { return core_->player(); }
  FolderPicker& folderPicker() { return core_->folderPicker(); }
  // The folder picker's window, once "Add Folder" made it.
  FolderPickerWindow* pickFolderWindow() { return pickFolderWindow_.get(); }
  MainWindow& mainWindow() { return *mainWindow_; }
  PlayerWindow& playerWindow() { return *playerWindow_; }
  MessageEditorWindow& editorWindow() { return *editorWindow_; }
  Clock& clock() { return *clock_; }
  WindowSystem& windowSystem() { return *ws_; }
  ConsoleBridge& bridge() { return core_->bridge(); }
  // The practice game; null when the program runs against the real game.
  PracticeConsole* practice() { return practice_.get(); }
  PracticeConsoleWindow* practiceWindow() { return practiceWindow_.get(); }
  // The game started with its standard streams connected; null otherwise.
  GameStream* gameStream() { return stream_.get(); }

 private:
  void placePracticeWindow();
  // Wakes the watch cycle on the user-interface thread; callable from any thread.
  void wakeWatch();
  // From now on the watch cycle waits for the console to tell of its changes.
  void waitForChanges();
  bool waitingForChanges_ = false;

  ProgramOptions options_;
  std::unique_ptr<QtClock> ownClock_;
  Clock* clock_ = nullptr;
  std::unique_ptr<SimulatedWindowSystem> simulated_;
  std::unique_ptr<PracticeGame> game_;
  std::unique_ptr<PracticeConsole> practice_;
  std::unique_ptr<GameStream> stream_;
  std::unique_ptr<DesktopGameWindow> desktopGameWindow_;
  std::unique_ptr<StreamConsole> streamConsole_;
  std::unique_ptr<Typist> typist_;  // outlives the core, which types through it
  std::unique_ptr<WindowSystem> platform_;
  WindowSystem* ws_ = nullptr;
  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<MessageEditorWindow> editorWindow_;
  std::unique_ptr<PlayerWindow> playerWindow_;
  std::unique_ptr<MediaBackEnd> ownMedia_;
  std::unique_ptr<FolderPickerWindow> pickFolderWindow_;
  std::unique_ptr<QtDialogs> qtDialogs_;
  std::unique_ptr<Core> core_;
  std::unique_ptr<PracticeConsoleWindow> practiceWindow_;
  std::unique_ptr<DesktopMediaControls> desktopControls_;
  std::atomic<bool> wakePosted_{false};
};

}  // namespace pvx

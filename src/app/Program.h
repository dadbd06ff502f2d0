#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/QtDialogs.h"
#include "app/frmMain.h"
#include "console/Clock.h"
#include "console/GameStream.h"
#include "console/PracticeConsole.h"
#include "console/PracticeConsoleWindow.h"
#include "console/PracticeGame.h"
#include "console/SimulatedWindowSystem.h"
#include "console/StreamConsole.h"
#include "console/modQ3.h"
#include "console/modTarn.h"
#include "messages/MessageEditor.h"
#include "messages/MessageSetFile.h"
#include "messages/mnuCustomize.h"
#include "player/FakeMediaBackEnd.h"
#include "player/FolderPicker.h"
#include "player/Player.h"
#include "player/frmPickFolder.h"
#include "player/frmPlay.h"
#include "watcher/CommandChain.h"
#include "watcher/GameEventReplies.h"
#include "watcher/MusicChatCommands.h"
#include "watcher/WatchCycle.h"

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
  // How a yield to pending events is carried out; empty means Qt's event processing.
  std::function<void()> yield;
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

  MainForm& form() { return *form_; }
  WatchCycle& watch() { return *watch_; }
  MessageEditor& messageEditor() { return *messageEditor_; }
  MessageSetFile& messageSets() { return *messageSets_; }
  Player& player() { return *player_; }
  FolderPicker& folderPicker() { return *folderPicker_; }
  // The folder picker's window, once "Add Folder" made it.
  frmPickFolder* pickFolderWindow() { return pickFolderWindow_.get(); }
  frmMain& mainWindow() { return *mainWindow_; }
  frmPlay& playerWindow() { return *playerWindow_; }
  mnuCustomize& editorWindow() { return *editorWindow_; }
  Clock& clock() { return *clock_; }
  WindowSystem& windowSystem() { return *ws_; }
  // The practice game; null when the program runs against the real game.
  PracticeConsole* practice() { return practice_.get(); }
  PracticeConsoleWindow* practiceWindow() { return practiceWindow_.get(); }
  // The game started with its standard streams connected; null otherwise.
  GameStream* gameStream() { return stream_.get(); }

 private:
  ProgramOptions options_;
  std::unique_ptr<Clock> ownClock_;
  Clock* clock_ = nullptr;
  std::unique_ptr<SimulatedWindowSystem> simulated_;
  std::unique_ptr<PracticeGame> game_;
  std::unique_ptr<PracticeConsole> practice_;
  std::unique_ptr<GameStream> stream_;
  std::unique_ptr<DesktopGameWindow> desktopGameWindow_;
  std::unique_ptr<StreamConsole> streamConsole_;
  std::unique_ptr<WindowSystem> platform_;
  WindowSystem* ws_ = nullptr;
  std::unique_ptr<modQ3> q3_;
  std::unique_ptr<modTarn> tarn_;
  std::unique_ptr<frmMain> mainWindow_;
  std::unique_ptr<mnuCustomize> editorWindow_;
  std::unique_ptr<frmPlay> playerWindow_;
  std::unique_ptr<MediaBackEnd> ownMedia_;
  std::unique_ptr<Player> player_;
  std::unique_ptr<MusicChatCommands> music_;
  std::unique_ptr<frmPickFolder> pickFolderWindow_;
  std::unique_ptr<FolderPicker> folderPicker_;
  std::unique_ptr<MainForm> form_;
  std::unique_ptr<WatchCycle> watch_;
  std::unique_ptr<GameEventReplies> replies_;
  std::unique_ptr<MessageEditor> messageEditor_;
  std::unique_ptr<MessageSetFile> messageSets_;
  std::unique_ptr<CommandChain> commands_;
  std::unique_ptr<QtDialogs> qtDialogs_;
  std::unique_ptr<PracticeConsoleWindow> practiceWindow_;
};

}  // namespace pvx

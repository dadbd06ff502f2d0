#include "app/Program.h"

#include <QApplication>
#include <stdexcept>

#include "app/QtClock.h"
#ifdef _WIN32
#include "player/DShowMediaBackEnd.h"
#else
#include "player/GstMediaBackEnd.h"
#endif

#ifdef _WIN32
#include "console/Win32WindowSystem.h"
#else
#include "platform/stdio/StdioGame.h"
#endif
#ifdef PARLEVOX_HAVE_X11
#include "platform/x11/X11GameWindow.h"
#endif

namespace pvx {

Program::Program(ProgramOptions options) : options_(std::move(options)) {
  if (options_.clock != nullptr) {
    clock_ = options_.clock;
  } else {
    ownClock_ = std::make_unique<QtClock>();
    clock_ = ownClock_.get();
  }

#ifdef _WIN32
  if (!options_.practice) {
    platform_ = std::make_unique<Win32WindowSystem>();
    ws_ = platform_.get();
  }
#else
  // The real game has no console window here: it is reached through its standard streams.
  options_.practice = options_.gameCommand.empty();
  if (!options_.practice) {
    std::string error;
    stream_ = StdioGame::start(options_.gameCommand, error);
    if (!stream_)
      throw std::runtime_error("cannot start the game " + options_.gameCommand.front() + ": " +
                               error);
#ifdef PARLEVOX_HAVE_X11
    desktopGameWindow_ = std::make_unique<X11GameWindow>();
#endif
    streamConsole_ = std::make_unique<StreamConsole>(*stream_, desktopGameWindow_.get());
    ws_ = streamConsole_.get();
  }
#endif
  if (options_.practice) {
    simulated_ = std::make_unique<SimulatedWindowSystem>();
    game_ = std::make_unique<PracticeGame>(options_.playerName);
    practice_ = std::make_unique<PracticeConsole>(*simulated_, *game_);
    if (options_.gameRunning)
      practice_->start();
    ws_ = simulated_.get();
  }

  q3_ = std::make_unique<modQ3>(*ws_);
  tarn_ = std::make_unique<modTarn>(*ws_, *clock_);

  mainWindow_ = std::make_unique<frmMain>(options_.yield);
  editorWindow_ = std::make_unique<mnuCustomize>();
  DialogPort* dialogs = options_.dialogs;
  if (dialogs == nullptr) {
    qtDialogs_ = std::make_unique<QtDialogs>(mainWindow_.get());
    dialogs = qtDialogs_.get();
  }
  playerWindow_ = std::make_unique<frmPlay>(*dialogs);

  MediaBackEnd* media = options_.media;
  if (media == nullptr) {
#ifdef _WIN32
    // Made here, on the user-interface thread, where it initialises COM for the graphs.
    ownMedia_ = std::make_unique<DShowMediaBackEnd>();
#else
    ownMedia_ = std::make_unique<GstMediaBackEnd>();
#endif
    media = ownMedia_.get();
  }
  player_ = std::make_unique<Player>(*media, *clock_, *q3_, *playerWindow_,
                                     PlaylistFile::in(options_.programFolder));
  playerWindow_->bind(*player_);

  form_ = std::make_unique<MainForm>(
      MainFormContext{*ws_, *clock_, *q3_, *tarn_, *mainWindow_, *editorWindow_, *playerWindow_,
                      options_.programFolder, options_.osQuery, dialogs});
  watch_ = std::make_unique<WatchCycle>(*form_);
  form_->setWatchCycle([this] { watch_->cycle(); });
  replies_ = std::make_unique<GameEventReplies>(*form_);
  watch_->gameEvents = [this](const std::string& newText) { return replies_->run(newText); };
  messageEditor_ = std::make_unique<MessageEditor>(*form_, *editorWindow_);
  messageSets_ = std::make_unique<MessageSetFile>(*form_);
  commands_ = std::make_unique<CommandChain>(*form_, *messageSets_);
  music_ = std::make_unique<MusicChatCommands>(*form_, *player_);
  commands_->setMusic(music_.get());
  watch_->chatCommands = [this](const std::string& newText) { return commands_->run(newText); };

  // The folder picker's window is made the first time "Add Folder" is pressed, then kept.
  folderPicker_ = std::make_unique<FolderPicker>(
      *player_, *playerWindow_, *mainWindow_, [this]() -> FolderPickerPort& {
        if (!pickFolderWindow_) {
          pickFolderWindow_ = std::make_unique<frmPickFolder>();
          pickFolderWindow_->connectTo(*folderPicker_);
        }
        return *pickFolderWindow_;
      });
  QObject::connect(playerWindow_.get(), &frmPlay::addFolderClicked,
                   [this] { folderPicker_->open(); });

  QObject::connect(mainWindow_.get(), &frmMain::backClicked, [this] { form_->cmdBackClick(); });
  QObject::connect(mainWindow_.get(), &frmMain::viewPlayClicked,
                   [this] { form_->cmdViewPlayClick(); });
  QObject::connect(mainWindow_.get(), &frmMain::messageChosen,
                   [this](int index) { messageEditor_->open(index); });
  QObject::connect(mainWindow_.get(), &frmMain::saveChosen, [this] { messageSets_->save(); });
  QObject::connect(mainWindow_.get(), &frmMain::openChosen, [this] { messageSets_->open(); });
  QObject::connect(editorWindow_.get(), &mnuCustomize::okClicked, [this] { messageEditor_->ok(); });
  QObject::connect(editorWindow_.get(), &mnuCustomize::closedByFrame,
                   [this] { messageEditor_->closedByFrame(); });
  // Ending the program: every window closes, the timers stop, nothing is saved.
  QObject::connect(mainWindow_.get(), &frmMain::exitChosen, [] { QApplication::exit(0); });
}

Program::~Program() {
  // The windows go before the behaviour they forward to.
  practiceWindow_.reset();
  pickFolderWindow_.reset();
  form_.reset();
  watch_.reset();
}

void Program::start() {
  form_->load();
  if (practice_ && options_.showPracticeWindow) {
    practiceWindow_ = std::make_unique<PracticeConsoleWindow>(*practice_);
    const QRect main = mainWindow_->frameGeometry();
    practiceWindow_->move(main.right() + 16, main.top());
    practiceWindow_->show();
  }
}

}  // namespace pvx

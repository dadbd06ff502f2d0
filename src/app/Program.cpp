#include "app/Program.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <cmath>
#include <stdexcept>

#include "gui/Look.h"
#include "gui/QtFormPort.h"
#include "platform/SystemCalls.h"
#ifdef _WIN32
#include "platform/dshow/DShowMediaBackEnd.h"
#else
#include "platform/gst/GstMediaBackEnd.h"
#endif

#ifdef _WIN32
#include "platform/win32/Win32TypingThread.h"
#include "platform/win32/Win32WindowSystem.h"
#else
#include "platform/stdio/StdioGame.h"
#endif
#ifdef PARLEVOX_HAVE_X11
#include "platform/x11/X11GameWindow.h"
#endif

namespace pvx {

namespace {
// Pixels between the main window and the practice console window.
constexpr float kPracticeWindowGap = 16;
// While the game is quiet, the watch cycle still looks at its console this often.
constexpr std::int64_t kQuietLookMs = 1000;

// What a window's frame adds to its client area, in twips: nothing before it is framed.
TwipsSize frameAround(const QWidget& w) {
  const TwipsRect frame = frameTwips(w);
  return {frame.width - static_cast<float>(w.width()) * kTwipsPerPixel,
          frame.height - static_cast<float>(w.height()) * kTwipsPerPixel};
}

// Calls a step, soon after and once for each burst, whenever a window moves or changes size.
class OnMoved final : public QObject {
 public:
  OnMoved(std::initializer_list<QWidget*> windows, std::function<void()> step)
      : QObject(*windows.begin()), step_(std::move(step)) {
    for (QWidget* window : windows)
      window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !pending_) {
      pending_ = true;
      // Not from inside the window's own move.
      QTimer::singleShot(0, this, [this] {
        pending_ = false;
        step_();
      });
    }
    return false;
  }

 private:
  std::function<void()> step_;
  bool pending_ = false;
};

// Runs a step once, soon after the window first reports a frame around it.
class OnFirstFrame final : public QObject {
 public:
  OnFirstFrame(QWidget& window, std::function<void()> step)
      : QObject(&window), window_(window), step_(std::move(step)) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (watched == &window_ && moved && window_.frameGeometry() != window_.geometry()) {
      window_.removeEventFilter(this);
      // Not from inside the window's own move.
      QTimer::singleShot(0, this, [this] {
        step_();
        deleteLater();
      });
    }
    return false;
  }

 private:
  QWidget& window_;
  std::function<void()> step_;
};
}  // namespace

Program::Program(ProgramOptions options) : options_(std::move(options)) {
  if (options_.clock != nullptr) {
    clock_ = options_.clock;
  } else {
    ownClock_ = std::make_unique<QtClock>();
    clock_ = ownClock_.get();
  }

#ifdef _WIN32
  if (!options_.practice) {
    // The game's answers come back through the event loop of the program's own clock; on a
    // clock of the caller's (virtual time) they come at once.
    Win32WindowSystem::Post post;
    if (ownClock_)
      post = [clock = ownClock_.get()](std::function<void()> work) {
        clock->post(std::move(work));
      };
    platform_ = std::make_unique<Win32WindowSystem>(std::move(post));
    typist_ = std::make_unique<Win32TypingThread>();
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

  // Every window of the program shows its icon.
  QApplication::setWindowIcon(look::programIcon());
  mainWindow_ = std::make_unique<MainWindow>();
  editorWindow_ = std::make_unique<MessageEditorWindow>();
  DialogPort* dialogs = options_.dialogs;
  if (dialogs == nullptr) {
    qtDialogs_ = std::make_unique<QtDialogs>(mainWindow_.get());
    dialogs = qtDialogs_.get();
  }
  playerWindow_ = std::make_unique<PlayerWindow>(*dialogs);

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

  core_ = std::make_unique<Core>(CorePorts{
      .windows = *ws_,
      .typist = typist_.get(),
      // The real game's console speaks the system's code page; the practice game and a game on
      // pipes speak Windows-1252.
      .gameCodePage = platform_ ? platform::systemCodePage() : nullptr,
      .files = FileEncoding(platform::systemCodePage()),
      .clock = *clock_,
      .media = *media,
      .mainWindow = *mainWindow_,
      .editorWindow = *editorWindow_,
      .playerWindow = *playerWindow_,
      .playerView = *playerWindow_,
      .dialogs = *dialogs,
      .programFolder = options_.programFolder,
      .osQuery = options_.osQuery ? options_.osQuery : OsInfo::Query(platform::queryOsVersion),
      .isHiddenFile = platform::isHiddenFile,
      // The folder picker's window is made the first time "Add Folder" is pressed, then kept.
      .folderPickerWindow = [this]() -> FolderPickerPort& {
        if (!pickFolderWindow_) {
          pickFolderWindow_ = std::make_unique<FolderPickerWindow>();
          pickFolderWindow_->connectTo(core_->folderPicker());
        }
        return *pickFolderWindow_;
      }});
  playerWindow_->bind(core_->player());

  Core& core = *core_;
  QObject::connect(playerWindow_.get(), &PlayerWindow::addFolderClicked,
                   [&core] { core.folderPicker().open(); });
  QObject::connect(mainWindow_.get(), &MainWindow::backClicked,
                   [&core] { core.gameWindow().backToGame(); });
  QObject::connect(mainWindow_.get(), &MainWindow::viewPlayClicked,
                   [&core] { core.dock().togglePlayer(); });
  QObject::connect(mainWindow_.get(), &MainWindow::messageChosen,
                   [&core](int index) { core.messageEditor().open(index); });
  QObject::connect(mainWindow_.get(), &MainWindow::duelTextEdited,
                   [&core](DuelText which, const QString& text) {
                     core.messages().setDuel(which, text.toStdString());
                   });
  QObject::connect(mainWindow_.get(), &MainWindow::saveChosen,
                   [&core] { core.messageSets().save(); });
  QObject::connect(mainWindow_.get(), &MainWindow::openChosen,
                   [&core] { core.messageSets().open(); });
  QObject::connect(editorWindow_.get(), &MessageEditorWindow::okClicked,
                   [&core] { core.messageEditor().ok(); });
  QObject::connect(editorWindow_.get(), &MessageEditorWindow::closedByFrame,
                   [&core] { core.messageEditor().closedByFrame(); });
  QObject::connect(editorWindow_.get(), &MessageEditorWindow::messageEdited,
                   [&core] { core.messageEditor().messageEdited(); });
  // Ending the program: every window closes, the timers stop, nothing is saved.
  QObject::connect(mainWindow_.get(), &MainWindow::exitChosen, [] { QApplication::exit(0); });
  if (options_.desktopMediaControls)
    desktopControls_ = std::make_unique<DesktopMediaControls>(core.mediaControls(), *mainWindow_,
                                                              *playerWindow_, core.dock());

  // In real time the watch cycle waits for the game instead of looking a thousand times a
  // second, where the console tells of its changes (the practice game's, a game on pipes'); the
  // player window then follows the main window as either moves, not on the cycle's next look.
  if (options_.clock == nullptr) {
    if (ws_->tellChanges([this] { wakeWatch(); })) {
      waitForChanges();
    } else if (platform_) {
      // The game's windows may or may not tell of their changes: until its log has told of one,
      // the cycle looks sparingly (the window system's asking thread probing the log for it), and
      // the player window follows the main window as either moves.
      core.watch().lookSparingly();
      new OnMoved({mainWindow_.get(), playerWindow_.get()}, [&core] { core.dock().dock(); });
    }
  }
}

void Program::waitForChanges() {
  if (waitingForChanges_)
    return;
  waitingForChanges_ = true;
  Core& core = *core_;
  core.watch().waitForChanges(kQuietLookMs);
  if (!platform_)  // (beside the real game the windows follow each other from the start)
    new OnMoved({mainWindow_.get(), playerWindow_.get()}, [&core] { core.dock().dock(); });
}

void Program::wakeWatch() {
  // One wake-up waits on the way at a time, however fast the game prints.
  if (wakePosted_.exchange(true))
    return;
  QMetaObject::invokeMethod(
      mainWindow_.get(),
      [this] {
        wakePosted_.store(false);
        // The game's windows told of a change of the log's own: from now on they tell.
        if (!waitingForChanges_ && ws_->changesToldSince())
          waitForChanges();
        core_->watch().wake();
      },
      Qt::QueuedConnection);
}

Program::~Program() {
  // Nothing tells of the game's changes any more (a game on pipes tells on its own thread).
  ws_->tellChanges({});
  // The windows go before the behaviour they forward to, and so do the media keys.
  desktopControls_.reset();
  practiceWindow_.reset();
  pickFolderWindow_.reset();
  core_.reset();
}

void Program::start() {
  core_->start();
  if (practice_ && options_.showPracticeWindow) {
    practiceWindow_ = std::make_unique<PracticeConsoleWindow>(*practice_);
    placePracticeWindow();
    // The window manager frames the window some time after it is shown: placed once more then,
    // with its frame.
    new OnFirstFrame(*practiceWindow_, [this] { placePracticeWindow(); });
    practiceWindow_->show();
  }
}

void Program::placePracticeWindow() {
  // Beside the main window and the player window's place below it, smaller where the screen has
  // no room for it as it wants to be. A window not yet framed is placed with a frame like the main
  // window's.
  PracticeConsoleWindow& practice = *practiceWindow_;
  const TwipsSize mainFrame = frameAround(*mainWindow_);
  const auto framed = [&mainFrame](const QWidget& w) {
    const TwipsSize frame = frameAround(w);
    return frame.width == 0 && frame.height == 0 ? mainFrame : frame;
  };
  const TwipsSize frame = framed(practice);
  const auto withFrame = [&frame](QSize client) {
    return TwipsSize{static_cast<float>(client.width()) * kTwipsPerPixel + frame.width,
                     static_cast<float>(client.height()) * kTwipsPerPixel + frame.height};
  };
  const TwipsRect placed = placeBesideMain(
      {.main = mainWindow_->geometry(),
       .playerHeight = static_cast<float>(playerWindow_->height()) * kTwipsPerPixel +
                       framed(*playerWindow_).height,
       .wanted = withFrame(PracticeConsoleWindow::wantedSize()),
       .smallest = withFrame(practice.minimumSize()),
       .gap = kPracticeWindowGap * kTwipsPerPixel,
       .area = mainWindow_->availableArea()});
  practice.resize(static_cast<int>(std::lround((placed.width - frame.width) / kTwipsPerPixel)),
                  static_cast<int>(std::lround((placed.height - frame.height) / kTwipsPerPixel)));
  moveFrameTwips(practice, placed.left, placed.top);
}

}  // namespace pvx

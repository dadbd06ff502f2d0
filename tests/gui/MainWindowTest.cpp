#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Program.h"
#include "core/time/VirtualClock.h"
#include "gui/CaretRest.h"
#include "gui/QtDialogs.h"
#include "platform/RealTime.h"
#include "support/FakePorts.h"
#include "support/RunningProgram.h"
#include "support/TestFolder.h"

using namespace pvx;

// Qt's own way (the one its test library takes) of offering a key to the shortcuts, as a key
// typed on the keyboard is offered before it reaches the focused control.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace {

// The whole program with its real windows, offscreen, against the practice game on virtual time.
struct TheMainWindow : ::testing::Test {
  static ProgramOptions rookie() {
    ProgramOptions options;
    options.playerName = "Rookie";
    return options;
  }
  template <class T>
  T* find(const char* name) {
    return program->mainWindow().findChild<T*>(QString::fromLatin1(name));
  }

  pvx::testing::RunningProgram running{rookie()};
  VirtualClock& clock = running.clock;
  const std::filesystem::path& folder = running.folder.path;
  std::unique_ptr<Program>& program = running.program;
};

QRect twips(int l, int t, int w, int h) {
  return QRect(l / 15, t / 15, w / 15, h / 15);
}

}  // namespace

TEST_F(TheMainWindow, HasEveryControlWhereItBelongs) {
  MainWindow& w = program->mainWindow();
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Parlevox V1.1 by [ZB] ¬vendrix¬"));
  EXPECT_EQ(w.centralWidget()->size(), QSize(429, 319));
  // The icon the build rendered from its art, in every size, not a stand-in.
  const QList<QSize> sizes = w.windowIcon().availableSizes();
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;

  // Every control by its name: its caption (none for the boxes and status lines) and its place.
  const struct {
    const char* name;
    const char* caption;
    QRect place;
  } controls[] = {
      {"Label1", "Duel Engage:", twips(840, 720, 1425, 375)},
      {"txtDuelEngage", nullptr, twips(2400, 720, 3735, 375)},
      {"Label2", "Duel Lost:", twips(840, 1320, 1455, 375)},
      {"txtDuelLost", nullptr, twips(2400, 1320, 3735, 375)},
      {"Label3", "Duel Won:", twips(1200, 1920, 1095, 375)},
      {"txtDuelWon", nullptr, twips(2400, 1920, 3735, 375)},
      {"ChatText", nullptr, twips(0, 2640, 6420, 330)},
      {"cmdBack", "Back to Game", twips(600, 3240, 2175, 495)},
      {"cmdViewPlay", "Playlist", twips(3600, 3240, 2175, 495)},
      {"lblPlatform", nullptr, twips(0, 4320, 6495, 405)},
  };
  for (const auto& control : controls) {
    const QWidget* shown = find<QWidget>(control.name);
    ASSERT_NE(shown, nullptr) << control.name;
    EXPECT_EQ(shown->geometry(), control.place) << control.name;
    if (control.caption != nullptr) {
      EXPECT_EQ(shown->property("text").toString(), control.caption) << control.name;
    }
  }
  EXPECT_TRUE(find<QLabel>("Label1")->alignment() & Qt::AlignRight);
  EXPECT_TRUE(find<QLabel>("Label3")->alignment() & Qt::AlignLeft);
  EXPECT_TRUE(find<QLineEdit>("Text1")->isHidden());
  EXPECT_EQ(find<QLineEdit>("Text1")->text(), "Jedi Knight Academy MP Console");
  EXPECT_TRUE(find<QLineEdit>("Text2")->text().isEmpty());

  EXPECT_EQ(find<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(128, 128, 255));
  EXPECT_TRUE(find<QLabel>("Label1")->font().bold());
  EXPECT_EQ(find<QLabel>("lblPlatform")->palette().color(QPalette::WindowText),
            QColor(255, 255, 0));
  EXPECT_EQ(w.centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 64));
}

TEST_F(TheMainWindow, MenusInTheirOrder) {
  const QList<QAction*> menus = program->mainWindow().menuBar()->actions();
  ASSERT_EQ(menus.size(), 2);
  // The captions as they always were, with mnemonics: Alt+F opens File, then S, O or X.
  EXPECT_EQ(menus[0]->text(), "&File");
  EXPECT_EQ(QKeySequence::mnemonic(menus[0]->text()), QKeySequence(Qt::ALT | Qt::Key_F));
  EXPECT_EQ(menus[1]->text(), "&Customize Messages");
  EXPECT_EQ(QKeySequence::mnemonic(menus[1]->text()), QKeySequence(Qt::ALT | Qt::Key_C));
  QStringList file;
  for (QAction* a : menus[0]->menu()->actions())
    file << a->objectName() + "=" + a->text();
  EXPECT_EQ(file, QStringList({"mnuSave=&Save", "mnuOpen=&Open", "mnuExit=E&xit"}));
  QStringList messages;
  for (QAction* a : menus[1]->menu()->actions()) {
    EXPECT_EQ(a->objectName(), "mnuMsg");
    messages << QString::number(a->property("index").toInt()) + "=" + a->text();
  }
  EXPECT_EQ(messages, QStringList({"0=Greeting", "1=Self inflicting death", "2=On Self Enter",
                                   "3=Time/Frag Limit"}));
}

TEST_F(TheMainWindow, AltFOpensTheFileMenu) {
  MainWindow& w = program->mainWindow();
  w.activateWindow();
  QCoreApplication::processEvents();
  ASSERT_TRUE(w.isActiveWindow());
  auto* file = w.findChild<QMenu*>("mnuFile");
  ASSERT_FALSE(file->isVisible());
  QWidget* focus = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &w;
  EXPECT_TRUE(qt_sendShortcutOverrideEvent(focus, 0, Qt::Key_F, Qt::AltModifier, "f"));
  QCoreApplication::processEvents();
  EXPECT_TRUE(file->isVisible());
  file->close();
}

TEST_F(TheMainWindow, StartsCentredWithThePlayerWindowHiddenAndDockedBelow) {
  MainWindow& w = program->mainWindow();
  PlayerWindow& p = program->playerWindow();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(p.isVisible());
  // Both windows have the same kind of frame, so equal frames mean equal client widths.
  EXPECT_EQ(p.width(), w.width());
  // Once the frame is known, docking puts the player window exactly below.
  program->core().dock().dock();
  QCoreApplication::processEvents();
  const QRect frame = w.frameGeometry();
  EXPECT_EQ(p.frameGeometry().left(), frame.left());
  EXPECT_EQ(p.frameGeometry().top(), frame.top() + frame.height());
  // Centred before it was first shown, when the platform did not yet know the frame's size.
  const int slack = (frame.width() - w.width()) / 2 + 1;
  EXPECT_LE(std::abs(frame.left() - (screen.width() - frame.width()) / 2), slack);
  // Centred, or moved up as far as the player window below needs, never above the area's top
  // (the offscreen screen is too low for the pair centred).
  const int pairHeight = frame.height() + p.frameGeometry().height();
  const int centredTop = (screen.height() - frame.height()) / 2;
  EXPECT_EQ(frame.top(),
            std::max(area.top(), std::min(centredTop, area.bottom() + 1 - pairHeight)));
  EXPECT_FALSE(program->editorWindow().isVisible());
  EXPECT_EQ(program->editorWindow().size(), QSize(312, 206));
}

TEST_F(TheMainWindow, StatusLineAndTheNameQuery) {
  // Linux by its name and kernel version, not as a Windows record.
  const QString status = find<QLabel>("lblPlatform")->text();
  EXPECT_TRUE(QRegularExpression(R"(^\[ Linux \d+(\.\d+)* \]$)").match(status).hasMatch())
      << status.toStdString();
  EXPECT_EQ(program->practice()->game().log(),
            "]name\r\n\"name\" is:\"Rookie\" default:\"Padawan\"\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Saves"));
}

TEST_F(TheMainWindow, PlaylistButtonTwiceShowsThenHidesThePlayer) {
  find<QPushButton>("cmdViewPlay")->click();
  EXPECT_TRUE(program->playerWindow().isVisible());
  find<QPushButton>("cmdViewPlay")->click();
  EXPECT_FALSE(program->playerWindow().isVisible());
}

TEST_F(TheMainWindow, BackToGameButtonShowsTheGameWindow) {
  PracticeConsole& practice = *program->practice();
  program->windowSystem().showWindow(practice.gameWindow(), WindowSystem::kSwHide);
  find<QPushButton>("cmdBack")->click();
  EXPECT_TRUE(practice.gameWindowVisible());
  EXPECT_TRUE(practice.game().log().find("]say Maximized\r\nRookie: Maximized\r\n") !=
              std::string::npos);
}

TEST_F(TheMainWindow, StatusLabelsShowMarkupAsPlainText) {
  program->mainWindow().setStatusLine("[ Current Player: <JKA is not running>  OS: x ]");
  EXPECT_EQ(find<QLabel>("lblPlatform")->textFormat(), Qt::PlainText);
  EXPECT_EQ(find<QLabel>("ChatText")->textFormat(), Qt::PlainText);
}

TEST_F(TheMainWindow, FileExitEndsTheProgram) {
  QAction* exit = program->mainWindow().findChild<QAction*>("mnuExit");
  ASSERT_NE(exit, nullptr);
  QTimer::singleShot(0, exit, &QAction::trigger);
  EXPECT_EQ(QApplication::exec(), 0);  // returns only because the program ended
}

TEST_F(TheMainWindow, PracticeConsoleWindowStartsStopsAndPrintsForTheGame) {
  PracticeConsole& practice = *program->practice();
  PracticeConsoleWindow window(practice);
  auto* running = window.findChild<QCheckBox*>("practiceRunning");
  auto* line = window.findChild<QLineEdit*>("practicePrint");
  auto* log = window.findChild<QPlainTextEdit*>("practiceLog");
  ASSERT_TRUE(running && line && log);
  EXPECT_TRUE(running->isChecked());

  line->setText("Bob^7 entered the game");
  window.findChild<QPushButton*>("practicePrintButton")->click();
  EXPECT_TRUE(log->toPlainText().endsWith("Bob entered the game\n"));
  EXPECT_NE(practice.game().log().find("Bob entered the game\r\n"), std::string::npos);

  window.findChild<QLineEdit*>("practiceOther")->setText("Cid");
  window.findChild<QPushButton*>("practiceDuel")->click();
  window.findChild<QLineEdit*>("practiceSay")->setText("!next");
  window.findChild<QPushButton*>("practiceSayButton")->click();
  EXPECT_TRUE(log->toPlainText().endsWith(
      "Cid has become engaged in a duel with Rookie!\nRookie: !next\n"));

  running->setChecked(false);
  EXPECT_FALSE(practice.running());
  window.findChild<QPushButton*>("practiceTimelimit")->click();  // a stopped game prints nothing
  EXPECT_EQ(program->bridge().findConsoleWindow(), 0u);
  running->setChecked(true);
  EXPECT_TRUE(practice.running());
  EXPECT_EQ(window.findChild<QLabel*>("practiceGameWindow")->text(), "Game window: shown");
}

// Narrowed as far as the screen may need, the practice console keeps every control whole and
// apart: its buttons take more rows.
TEST_F(TheMainWindow, PracticeConsoleWindowNarrowedKeepsEveryControlWholeAndApart) {
  PracticeConsoleWindow window(*program->practice());
  window.show();
  for (const int width :
       {PracticeConsoleWindow::wantedSize().width(), 405, 279, window.minimumWidth()}) {
    window.resize(width, window.minimumHeight());
    QCoreApplication::processEvents();
    ASSERT_EQ(window.width(), width);
    std::vector<const QWidget*> controls;
    for (const QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w->isVisible())
        controls.push_back(w);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const QWidget& w = *controls[i];
      const std::string name = w.objectName().toStdString() + " at width " + std::to_string(width);
      EXPECT_TRUE(window.rect().contains(w.geometry())) << name;
      EXPECT_GE(w.width(), w.minimumSizeHint().width()) << name;
      for (std::size_t j = i + 1; j < controls.size(); ++j)
        EXPECT_FALSE(w.geometry().intersects(controls[j]->geometry()))
            << name << ", " << controls[j]->objectName().toStdString();
    }
  }
}

namespace {

// The controls of a window that have no tooltip: every named widget but menus and the widgets
// Qt makes for itself, and those hidden for good.
QStringList controlsWithoutTip(const QWidget& window) {
  QStringList missing;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith("qt_") || name == "client" ||
        qobject_cast<const QMenu*>(w) != nullptr)
      continue;
    if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))
      continue;
    if (w->toolTip().isEmpty() || w->toolTip().contains('\n'))
      missing << name;
  }
  return missing;
}

}  // namespace

TEST_F(TheMainWindow, EveryControlOfTheFourWindowsHasAOneLineTip) {
  program->folderPicker().open();
  ASSERT_NE(program->pickFolderWindow(), nullptr);
  const QWidget* windows[] = {&program->mainWindow(), &program->editorWindow(),
                              &program->playerWindow(), program->pickFolderWindow()};
  for (const QWidget* window : windows)
    EXPECT_EQ(controlsWithoutTip(*window), QStringList()) << window->objectName().toStdString();
  program->folderPicker().cancel();
  // The duel boxes say what their placeholders stand for.
  for (const char* box : {"txtDuelEngage", "txtDuelWon", "txtDuelLost"}) {
    const QString tip = find<QLineEdit>(box)->toolTip();
    EXPECT_TRUE(tip.contains("%s is your name") && tip.contains("%d your opponent")) << box;
  }
  EXPECT_EQ(controlsWithoutTip(*find<QLineEdit>("txtDuelWon")), QStringList());
}

// While the editor hides the main window the platform may report it without its frame: the
// player window, docked at every watch cycle, stays where it was.
TEST_F(TheMainWindow, ThePlayerWindowStaysPutWhileTheEditorHidesTheMainWindow) {
  find<QPushButton>("cmdViewPlay")->click();
  program->core().dock().dock();
  QCoreApplication::processEvents();
  const QRect docked = program->playerWindow().frameGeometry();
  program->mainWindow().findChildren<QAction*>("mnuMsg").first()->trigger();
  ASSERT_FALSE(program->mainWindow().isVisible());
  clock.runFor(3000);
  QCoreApplication::processEvents();
  EXPECT_EQ(program->playerWindow().frameGeometry(), docked);
  program->editorWindow().close();
  clock.runFor(3000);
  QCoreApplication::processEvents();
  EXPECT_EQ(program->playerWindow().frameGeometry(), docked);
}

TEST_F(TheMainWindow, PracticeConsoleWindowOpensOnTheScreen) {
  ProgramOptions options = rookie();
  options.showPracticeWindow = true;
  options.programFolder = folder;
  options.clock = &clock;
  running.program.reset();
  Program shown(std::move(options));
  shown.start();
  QCoreApplication::processEvents();
  ASSERT_NE(shown.practiceWindow(), nullptr);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect placed = shown.practiceWindow()->frameGeometry();
  EXPECT_TRUE(area.contains(placed))
      << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
}

TEST(FileOpen, StartsInTheSavesFolder) {
  pvx::testing::FakeDialogs dialogs;
  ProgramOptions options;
  options.dialogs = &dialogs;
  pvx::testing::RunningProgram program(std::move(options));
  program->mainWindow().findChild<QAction*>("mnuOpen")->trigger();
  ASSERT_EQ(dialogs.startFolders.size(), 1u);
  EXPECT_EQ(QDir(QString::fromStdString(dialogs.startFolders[0])).canonicalPath(),
            QDir(QString::fromStdString((program.folder.path / "Saves").string())).canonicalPath());
}

TEST(FileOpen, TheDialogShowsTheStartFolder) {
  const pvx::testing::TestFolder saves;
  const QString start = QString::fromStdString(saves.path.string());
  QString shown;
  bool gaveUp = false;
  QElapsedTimer waited;
  waited.start();
  // Looks for the dialog until it is there, then notes its folder and cancels it. One that is not
  // there within the bound for an answer is taken for a hang: any dialog open is closed.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      shown = dialog->directory().canonicalPath();
      dialog->reject();
    } else if (static_cast<double>(waited.elapsed()) > pvx::testing::kAnswerSeconds * 1000) {
      gaveUp = true;
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog != nullptr && dialog->isVisible())
          dialog->reject();
      }
    }
  });
  closer.start(10);
  QtDialogs dialogs;
  EXPECT_EQ(dialogs.openFile("Parlevocs  (*.pvx)|*.pvx", start.toStdString()), std::nullopt);
  EXPECT_FALSE(gaveUp) << "no file dialog came up";
  EXPECT_EQ(shown, QDir(start).canonicalPath());
}

// The caret of a focused text box rests once the user has left the windows alone, and blinks
// again at his next key.
TEST(CaretRestTest, TheCaretRestsAfterTenQuietSecondsAndBlinksAgainAtAKey) {
  const int flash = QApplication::cursorFlashTime();
  ASSERT_GT(flash, 0);
  pvx::VirtualClock clock;
  {
    pvx::CaretRest rest(*qApp, clock);
    QLineEdit box;
    clock.runFor(pvx::CaretRest::kRestAfterMs - 1);
    EXPECT_EQ(QApplication::cursorFlashTime(), flash);
    clock.runFor(1);
    EXPECT_EQ(QApplication::cursorFlashTime(), 0);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&box, &key);
    EXPECT_EQ(QApplication::cursorFlashTime(), flash);
    clock.runFor(pvx::CaretRest::kRestAfterMs);
    EXPECT_EQ(QApplication::cursorFlashTime(), 0);
  }
  // Gone, it leaves the system's blinking as it was.
  EXPECT_EQ(QApplication::cursorFlashTime(), flash);
}

// The program's own windows on an X11 desktop as a user meets them: run under Xvfb (xvfb-run,
// a 1024 x 768 screen) with openbox, which frames, places and focuses them. Qt draws on the
// display here (xcb), so the frames are real.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <string>

#include "Desktop.h"
#include "app/Program.h"
#include "support/RunningProgram.h"

using pvx::testing::Desktop;
using pvx::testing::WindowManager;

namespace {

const auto* const kWindowManager = ::testing::AddGlobalTestEnvironment(new WindowManager);

// Handles Qt's events until done() holds, within the bound for an answer.
bool until(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > pvx::testing::kAnswerBoundMs)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

bool framed(const QWidget& w) {
  return w.isVisible() && w.frameGeometry() != w.geometry();
}

// A window's client area on the root window, as the X server has it.
QPoint onRoot(Desktop& desktop, const QWidget& w) {
  auto* reply = xcb_translate_coordinates_reply(
      desktop.connection,
      xcb_translate_coordinates(desktop.connection, static_cast<xcb_window_t>(w.winId()),
                                desktop.root, 0, 0),
      nullptr);
  const QPoint at = reply != nullptr ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
  std::free(reply);
  return at;
}

// Returns once the window manager has done all the program asked of it so far and Qt knows where
// every shown window now is: the program's requests reach the X server, the window manager
// catches up with them, and Qt's idea of each window's place comes to agree with the server's.
bool settled(Desktop& desktop) {
  QGuiApplication::sync();
  if (!desktop.windowManagerCaughtUp())
    return false;
  return until([&desktop] {
    for (const QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible() && onRoot(desktop, *w) != w->mapToGlobal(QPoint(0, 0)))
        return false;
    }
    return true;
  });
}

std::string netWmName(Desktop& desktop, const QWidget& w) {
  auto* reply = xcb_get_property_reply(
      desktop.connection,
      xcb_get_property(desktop.connection, 0, static_cast<xcb_window_t>(w.winId()),
                       desktop.atom("_NET_WM_NAME"), desktop.atom("UTF8_STRING"), 0, 256),
      nullptr);
  std::string name;
  if (reply != nullptr)
    name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                static_cast<std::size_t>(xcb_get_property_value_length(reply)));
  std::free(reply);
  return name;
}

struct OnTheDesktop : ::testing::Test {
  void openEditor() {
    program->mainWindow().findChildren<QAction*>("mnuMsg").first()->trigger();
    ASSERT_TRUE(until([this] { return framed(program->editorWindow()); }));
  }
  // The player window shown, both windows framed and docked by the watch cycle, and where Qt has
  // them where the X server has them.
  void showPlayer() {
    program->core().dock().togglePlayer();
    ASSERT_TRUE(
        until([this] { return framed(program->mainWindow()) && framed(program->playerWindow()); }));
    running.clock.runFor(2000);
    ASSERT_TRUE(settled(desktop));
  }

  pvx::testing::RunningProgram running;
  std::unique_ptr<pvx::Program>& program = running.program;
  Desktop desktop;
};

}  // namespace

TEST_F(OnTheDesktop, TheMainAndPlayerWindowsFitOnTheScreenFramesAndAll) {
  showPlayer();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect main = program->mainWindow().frameGeometry();
  const QRect player = program->playerWindow().frameGeometry();
  EXPECT_GE(main.top(), area.top());
  EXPECT_LE(player.bottom(), area.bottom());
  EXPECT_EQ(player.top(), main.bottom() + 1);
}

TEST_F(OnTheDesktop, ThePlayerWindowStaysPutWhileTheEditorIsOpen) {
  showPlayer();
  const QPoint before = onRoot(desktop, program->playerWindow());
  openEditor();
  ASSERT_FALSE(program->mainWindow().isVisible());
  running.clock.runFor(3000);  // watch cycles dock the player window
  ASSERT_TRUE(settled(desktop));
  EXPECT_EQ(onRoot(desktop, program->playerWindow()), before);
  program->editorWindow().close();
  ASSERT_TRUE(until([this] { return framed(program->mainWindow()); }));
  running.clock.runFor(3000);
  ASSERT_TRUE(settled(desktop));
  EXPECT_EQ(onRoot(desktop, program->playerWindow()), before);
}

TEST_F(OnTheDesktop, TheEditorHasNoTitleTextAndTakesTypingInItsTextBox) {
  openEditor();
  const std::string title = netWmName(desktop, program->editorWindow());
  EXPECT_EQ(title.find_first_not_of(' '), std::string::npos) << title;
  auto* text = program->editorWindow().findChild<QLineEdit*>("txtMessage");
  EXPECT_TRUE(until([text] { return text->hasFocus(); }));
}

TEST(PracticeConsoleOnTheDesktop, OpensWithinTheScreen) {
  pvx::testing::RunningProgram running;
  pvx::ProgramOptions options;
  options.programFolder = running.folder.path;
  options.clock = &running.clock;
  running.program.reset();
  pvx::Program program(std::move(options));
  program.start();
  ASSERT_NE(program.practiceWindow(), nullptr);
  ASSERT_TRUE(until([&] { return framed(*program.practiceWindow()); }));
  Desktop desktop;
  ASSERT_TRUE(settled(desktop));
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(area.contains(program.practiceWindow()->frameGeometry()))
      << program.practiceWindow()->frameGeometry().x() << ","
      << program.practiceWindow()->frameGeometry().y();
}

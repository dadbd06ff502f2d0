// The program's own windows on an X11 desktop as a user meets them: run under Xvfb (xvfb-run,
// a 1024 x 768 screen; the start as ./run.sh makes it at 1280 x 1024 too) with openbox, which
// frames, places and focuses them. Qt draws on the display here (xcb), so the frames are real.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <string>
#include <utility>
#include <vector>

#include "Desktop.h"
#include "app/Program.h"
#include "support/RunningProgram.h"
#include "support/TestFolder.h"

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

namespace {

// A window's frame as the window manager drew it: the child of the root window that holds it.
QRect frameOnScreen(Desktop& desktop, const QWidget& w) {
  auto window = static_cast<xcb_window_t>(w.winId());
  for (;;) {
    auto* tree = xcb_query_tree_reply(desktop.connection,
                                      xcb_query_tree(desktop.connection, window), nullptr);
    if (tree == nullptr)
      return {};
    const xcb_window_t parent = tree->parent;
    std::free(tree);
    if (parent == desktop.root || parent == XCB_WINDOW_NONE)
      break;
    window = parent;
  }
  auto* geometry = xcb_get_geometry_reply(desktop.connection,
                                          xcb_get_geometry(desktop.connection, window), nullptr);
  if (geometry == nullptr)
    return {};
  const QRect frame(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                    geometry->height + 2 * geometry->border_width);
  std::free(geometry);
  return frame;
}

std::string shown(const QRect& r) {
  return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" +
         std::to_string(r.x()) + "+" + std::to_string(r.y());
}

// Moves a window's frame as a user does, through the window manager.
void moveAsTheUser(Desktop& desktop, const QWidget& w, QPoint to) {
  xcb_client_message_event_t move{};
  move.response_type = XCB_CLIENT_MESSAGE;
  move.format = 32;
  move.window = static_cast<xcb_window_t>(w.winId());
  move.type = desktop.atom("_NET_MOVERESIZE_WINDOW");
  // North-west gravity (the frame's top-left corner goes there), x and y given, by the user.
  move.data.data32[0] = XCB_GRAVITY_NORTH_WEST | (1u << 8) | (1u << 9) | (2u << 12);
  move.data.data32[1] = static_cast<std::uint32_t>(to.x());
  move.data.data32[2] = static_cast<std::uint32_t>(to.y());
  xcb_send_event(desktop.connection, 0, desktop.root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&move));
  xcb_flush(desktop.connection);
}

// The program as ./run.sh starts it: against the practice game, its console window shown, on
// real time.
struct StartedAsRunShDoes {
  StartedAsRunShDoes() {
    pvx::ProgramOptions options;
    options.programFolder = folder.path;
    program = std::make_unique<pvx::Program>(std::move(options));
    program->start();
  }
  // Once the windows are framed and placed, and where the X server has them.
  bool settle() {
    const QWidget* practice = program->practiceWindow();
    if (practice == nullptr ||
        !until([&] { return framed(program->mainWindow()) && framed(*practice); }))
      return false;
    // What their frames made the program do, done too.
    if (!settled(desktop))
      return false;
    QCoreApplication::processEvents();
    return settled(desktop);
  }
  // "Playlist", as the user presses it.
  bool showPlayer() {
    program->mainWindow().findChild<QPushButton*>("cmdViewPlay")->click();
    return until([this] { return framed(program->playerWindow()); }) && settle();
  }
  QRect main() { return frameOnScreen(desktop, program->mainWindow()); }
  QRect practice() { return frameOnScreen(desktop, *program->practiceWindow()); }
  QRect player() { return frameOnScreen(desktop, program->playerWindow()); }

  pvx::testing::TestFolder folder;
  std::unique_ptr<pvx::Program> program;
  Desktop desktop;
};

}  // namespace

// Run at 1024 x 768 and at 1280 x 1024.
TEST(StartedAsRunShDoes, NoWindowCoversAnotherAndEachLiesOnTheScreen) {
  StartedAsRunShDoes started;
  ASSERT_TRUE(started.settle());
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // At start, then with the player window shown below the main window.
  for (const bool withPlayer : {false, true}) {
    if (withPlayer) {
      ASSERT_TRUE(started.showPlayer());
    }
    std::vector<std::pair<std::string, QRect>> frames = {{"main", started.main()},
                                                         {"practice console", started.practice()}};
    if (withPlayer)
      frames.emplace_back("player", started.player());
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const auto& [name, frame] = frames[i];
      EXPECT_TRUE(area.contains(frame)) << name << " " << shown(frame) << " on " << shown(area);
      for (std::size_t j = i + 1; j < frames.size(); ++j)
        EXPECT_FALSE(frame.intersects(frames[j].second))
            << name << " " << shown(frame) << ", " << frames[j].first << " "
            << shown(frames[j].second);
    }
  }
}

TEST(StartedAsRunShDoes, AWindowTheUserMovedStaysWhereHePutIt) {
  for (const bool movesMain : {false, true}) {
    const char* what = movesMain ? "the main window moved" : "the practice console moved";
    StartedAsRunShDoes started;
    ASSERT_TRUE(started.settle());
    QWidget& moved = movesMain ? static_cast<QWidget&>(started.program->mainWindow())
                               : *started.program->practiceWindow();
    const auto place = [&] { return frameOnScreen(started.desktop, moved).topLeft(); };
    const QPoint to = place() - QPoint(20, 12);
    moveAsTheUser(started.desktop, moved, to);
    ASSERT_TRUE(until([&] { return place() == to; })) << what;
    ASSERT_TRUE(started.settle());
    const QRect practice = started.practice();
    // The player window shown: the program keeps it and the main window on the screen as long as
    // the main window is where start-up put it.
    ASSERT_TRUE(started.showPlayer());
    EXPECT_EQ(place(), to) << what << ": at " << place().x() << "," << place().y();
    EXPECT_EQ(started.practice(), practice)
        << what << ": " << shown(started.practice()) << ", was " << shown(practice);
  }
}

#include "core/console/StreamConsole.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/console/ConsoleBridge.h"
#include "core/console/PracticeConsole.h"
#include "core/text/Text.h"
#include "core/time/VirtualClock.h"
#include "support/AnsweredNow.h"

using pvx::Hwnd;
using pvx::WindowSystem;

namespace {

// A game on the other end of the streams, played by the test: what it prints goes to the sink
// at once, on the test's thread.
struct ScriptedGame final : pvx::GameStream {
  void setSink(Sink s) override { sink = std::move(s); }
  void setOnActivity(std::function<void()> f) override { onActivity = std::move(f); }
  void sendLine(std::string_view bytes) override {
    if (!over)
      received.emplace_back(bytes);
  }
  bool ended() override { return over; }
  bool waitForActivity(std::int64_t) override { return false; }

  void print(std::string_view bytes) {
    if (sink)
      sink(bytes);
    if (onActivity)
      onActivity();
  }
  void end() {
    over = true;
    if (onActivity)
      onActivity();
  }

  Sink sink;
  std::function<void()> onActivity;
  std::vector<std::string> received;
  bool over = false;
};

struct DesktopWindow final : pvx::DesktopGameWindow {
  bool present() override { return shown; }
  void iconify() override { calls.push_back("iconify"); }
  void restore() override { calls.push_back("restore"); }
  bool shown = true;
  std::vector<std::string> calls;
};

struct StreamConsoleTest : ::testing::Test {
  Hwnd gameWindow() {
    return console.findWindow(pvx::text::toCp1252(pvx::ConsoleBridge::kGameWindowClass).c_str(),
                              nullptr);
  }
  std::string log() {
    return pvx::testing::answeredNow(
               bridge.readWindowBytes(bridge.nthChildWindow(bridge.findConsoleWindow(), 5)))
        .value_or("");
  }

  ScriptedGame game;
  DesktopWindow desktop;
  pvx::StreamConsole console{game, &desktop};
  pvx::VirtualClock clock;
  pvx::ConsoleBridge bridge{console, clock};
};

}  // namespace

TEST_F(StreamConsoleTest, ShowsTheConsoleWindowWithItsFiveChildren) {
  const Hwnd window = bridge.findConsoleWindow();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(console.findWindow("JAMP WinConsole", "Jedi Knight Academy MP Console"), window);
  std::vector<std::string> texts;
  for (int i = 1; i <= 5; ++i) {
    char buffer[260] = {};
    const Hwnd child = bridge.nthChildWindow(window, i);
    ASSERT_NE(child, 0u);
    console.getWindowText(child, buffer, sizeof buffer);
    texts.emplace_back(buffer);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"", "Copy", "Clear", "Quit", ""}));
  EXPECT_EQ(bridge.nthChildWindow(window, 6), 0u);
}

TEST_F(StreamConsoleTest, TheLogIsWhatTheGamePrintedAsTheRetailWindowShowsIt) {
  game.print(
      "^1Bob^7 entered the game\n\x19"
      "Bob^7\x19: ^2hi\nhalf a li");
  EXPECT_EQ(log(), "Bob entered the game\r\nBob: hi\r\n");
  game.print("ne\n");
  EXPECT_EQ(pvx::testing::answeredNow(
                bridge.windowTextLength(bridge.nthChildWindow(bridge.findConsoleWindow(), 5))),
            44);
  EXPECT_EQ(log(), "Bob entered the game\r\nBob: hi\r\nhalf a line\r\n");
}

TEST_F(StreamConsoleTest, ATypedCommandIsEchoedAndWrittenToTheGameAsOneLine) {
  bridge.sendConsoleCommand("say ^2Welcome, Zoë");
  EXPECT_EQ(game.received, std::vector<std::string>{"say ^2Welcome, Zo\xEB"});
  EXPECT_EQ(log(), "]say Welcome, Zo\xEB\r\n");
  // The input line is empty again, so the next command is typed too.
  bridge.sendConsoleCommand("name");
  EXPECT_EQ(game.received.size(), 2u);
  EXPECT_EQ(game.received.back(), "name");
}

TEST_F(StreamConsoleTest, ALineBreakInTheInputLineNeverMakesASecondCommand) {
  bridge.sendConsoleCommand("say one\nquit\r");
  EXPECT_EQ(game.received, std::vector<std::string>{"say one quit "});
  EXPECT_EQ(log(), "]say one quit \r\n");
}

TEST_F(StreamConsoleTest, ClearReachesTheGameTheClearButtonEmptiesTheLogQuitQuits) {
  game.print("one\ntwo\n");
  bridge.sendConsoleCommand("/clear");
  EXPECT_EQ(log(), "one\r\ntwo\r\n]/clear\r\n");
  bridge.pressClearButton();
  EXPECT_EQ(log(), pvx::ConsoleBridge::kNoText);
  console.clickButton(bridge.nthChildWindow(bridge.findConsoleWindow(), 4));
  EXPECT_EQ(game.received, (std::vector<std::string>{"/clear", "quit"}));
}

TEST_F(StreamConsoleTest, TheGameEndingTakesTheConsoleWindowAway) {
  const Hwnd window = bridge.findConsoleWindow();
  const Hwnd logWindow = bridge.nthChildWindow(window, 5);
  int told = 0;
  EXPECT_TRUE(console.tellChanges([&] { ++told; }));
  game.print("bye\n");
  game.end();
  EXPECT_EQ(told, 2);  // nobody need look for it
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  EXPECT_FALSE(console.running());
  EXPECT_EQ(console.getTextLength(logWindow), 0);
  EXPECT_EQ(bridge.nthChildWindow(window, 1), 0u);
  bridge.sendConsoleCommand("say anyone?");  // nothing to type into
  EXPECT_TRUE(game.received.empty());
  EXPECT_EQ(gameWindow(), 0u);
}

TEST_F(StreamConsoleTest, TheEndIsNoticedOnlyBySearchingForAWindow) {
  const Hwnd window = bridge.findConsoleWindow();
  game.over = true;
  // A walk under way is never pulled from under its feet.
  int visited = 0;
  console.enumChildWindows(
      window,
      [&](Hwnd child, long) {
        ++visited;
        console.getTextLength(child);  // a call of the seam inside the walk
        return 1L;
      },
      0);
  EXPECT_EQ(visited, 5);
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
}

TEST_F(StreamConsoleTest, TheGameWindowFollowsTheDesktop) {
  const Hwnd shown = gameWindow();
  ASSERT_NE(shown, 0u);
  console.showWindow(shown, WindowSystem::kSwHide);
  console.showWindow(shown, WindowSystem::kSwHide);  // restored by hand in between
  console.showWindow(shown, WindowSystem::kSwShow);
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"iconify", "iconify", "restore"}));

  desktop.shown = false;  // the game closed its window, or the desktop cannot tell
  EXPECT_EQ(gameWindow(), 0u);
  console.showWindow(shown, WindowSystem::kSwShow);
  EXPECT_EQ(desktop.calls.size(), 3u);
  desktop.shown = true;
  EXPECT_NE(gameWindow(), 0u);
}

TEST(StreamConsole, WithoutADesktopThereIsNoGameWindow) {
  ScriptedGame game;
  pvx::StreamConsole console(game, nullptr);
  EXPECT_EQ(console.findWindow(pvx::text::toCp1252(pvx::ConsoleBridge::kGameWindowClass).c_str(),
                               nullptr),
            0u);
  pvx::VirtualClock clock;
  EXPECT_NE(pvx::ConsoleBridge(console, clock).findConsoleWindow(), 0u);
}

TEST(StreamConsole, LetsGoOfTheGamesOutputWhenItGoes) {
  ScriptedGame game;
  {
    pvx::StreamConsole console(game, nullptr);
    console.tellChanges([] {});
  }
  EXPECT_FALSE(game.sink);
  EXPECT_FALSE(game.onActivity);
}

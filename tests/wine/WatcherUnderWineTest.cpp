// The console watcher end to end through the real user32 calls: the watch cycle, the game-event
// replies and the chat commands against the game's windows as another process holds them (the
// Win32 practice console under Wine).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "wine/WineWatchFixture.h"

using pvx::DuelText;
using pvx::GameEventReplies;
using pvx::WatchCycle;
using pvx::testing::PracticeConsoleProcess;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

RECT frameOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

bool sameFrame(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// --- The watch cycle ------------------------------------------------------------------------

class WatchCycleUnderWine : public pvx::testing::WineWatchFixture {};

TEST_F(WatchCycleUnderWine, TheNameIsLearnedFromTheGamesAnswerToTheNameQuery) {
  core().start();
  // Start-up asks at once; the game has answered before the call returns.
  EXPECT_THAT(gameLog(), HasSubstr("]name\r\n\"name\" is:\"" + kPlayer + "\" default:\"Padawan\""));

  ASSERT_TRUE(cycleUntil([this] { return !playerName().empty(); }));

  EXPECT_EQ(playerName(), kPlayer);
  // The first cycle asked again, and its answer was the one read.
  EXPECT_THAT(commands(), ElementsAre("name", "/name"));
  EXPECT_THAT(window.status, StartsWith("[ Current Player: " + kPlayer + "  OS: Windows "));
  EXPECT_EQ(window.chat, "");
  EXPECT_TRUE(window.backVisible);

  // Once the name is known, a quiet game makes the program type nothing.
  ws.clear();
  for (int i = 0; i < 5; ++i)
    runOneCycle();
  EXPECT_THAT(commands(), IsEmpty());
  EXPECT_EQ(playerName(), kPlayer);
}

TEST_F(WatchCycleUnderWine, TheConsoleGoingAndComingBackIsFollowed) {
  startKnowingName();

  ASSERT_TRUE(game->send("close-console"));
  runOneCycle();
  EXPECT_THAT(window.status, StartsWith("[ Current Player: <JKA is not running>  OS: Windows "));
  EXPECT_FALSE(window.backVisible);
  EXPECT_EQ(playerName(), "");
  EXPECT_EQ(watch().state().consoleLog, 0u);

  // A new console window, with new handles: the log is found again, emptied, and the name asked.
  ASSERT_TRUE(game->send("open-console"));
  ASSERT_TRUE(cycleUntil([this] { return !playerName().empty(); }));
  EXPECT_EQ(playerName(), kPlayer);
  EXPECT_EQ(watch().state().consoleLog, bridge.nthChildWindow(bridge.findConsoleWindow(), 5));
  EXPECT_THAT(commands(), ElementsAre("/clear", "/name"));
  EXPECT_TRUE(window.backVisible);
  EXPECT_THAT(window.status, StartsWith("[ Current Player: " + kPlayer + "  OS: Windows "));
}

// --- Replies to game events -----------------------------------------------------------------

class RepliesUnderWine : public pvx::testing::WineWatchFixture {};

TEST_F(RepliesUnderWine, AnotherPlayerIsGreetedOnceTheGateHasOpened) {
  setMessage(pvx::MessageKind::Greeting, "Hi %d");
  startKnowingName();

  auto t0 = happen({"Ann^7 entered the game"});
  EXPECT_THAT(typedSince(t0), IsEmpty()) << "greeted before the greeting gate opened";

  // The gate opens with the first tick of its timer, 15 s after the main window was made; the
  // watch cycle runs all the while.
  clock.runUntil(GameEventReplies::kGreetingIntervalMs);
  ASSERT_TRUE(replies().greetingGateOpen());
  EXPECT_THAT(typedSince(t0), IsEmpty());

  t0 = happen({"Cid^7 entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say Hi Cid"}}));
  EXPECT_FALSE(replies().greetingGateOpen());
  EXPECT_THAT(gameLog(),
              EndsWith("Cid entered the game\r\n]say Hi Cid\r\n" + kPlayer + ": Hi Cid\r\n"));
}

TEST_F(RepliesUnderWine, ADuelIsAnnouncedWhenEngagedAndWhenWon) {
  core().messages().setDuel(DuelText::Engage, "%s vs %d");
  core().messages().setDuel(DuelText::Won, "%s beat %d");
  core().messages().setDuel(DuelText::Lost, "%d beat %s");
  startKnowingName();

  // A duel of the player's is his own doing: the server takes chat again a moment later.
  auto t0 = happen({kPlayer + "^7 has become engaged in a duel with Bob^7!"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{pvx::ConsoleBridge::kChatGapMs, "say " + kPlayer + " vs Bob"}}));
  EXPECT_TRUE(replies().duelUnderway());
  EXPECT_EQ(replies().opponent(), "Bob");

  clock.runFor(pvx::ConsoleBridge::kChatGapMs);
  t0 = happen({"Bob^7 was sabered by " + kPlayer + "^7"});
  EXPECT_EQ(typedSince(t0), (Lines{{699, "say " + kPlayer + " beat Bob"}}));
  EXPECT_FALSE(replies().duelUnderway());
  EXPECT_THAT(gameLog(), EndsWith("Bob was sabered by " + kPlayer + "\r\n]say " + kPlayer +
                                  " beat Bob\r\n" + kPlayer + ": " + kPlayer + " beat Bob\r\n"));
}

// --- ": !mini" and "Back to Game" on the game's main window ----------------------------------

class MiniUnderWine : public pvx::testing::WineWatchFixture {
 protected:
  // The player asks in the game's own chat.
  void sayMini() {
    ASSERT_TRUE(game->send("enter say !mini"));
    ASSERT_TRUE(game->waitForRead());
    ASSERT_THAT(gameLog(), EndsWith("]say !mini\r\n" + kPlayer + ": !mini\r\n"));
  }
};

TEST_F(MiniUnderWine, TheGameIsHiddenTheTaskbarComesBackAndBackToGameShowsTheGame) {
  const HWND taskbar = FindWindowA("Shell_TrayWnd", "");
  if (taskbar == nullptr)
    GTEST_SKIP() << "this desktop has no taskbar window";
  const RECT taskbarBefore = frameOf(taskbar);
  const HWND gameWindow = PracticeConsoleProcess::gameWindow();
  ASSERT_TRUE(IsWindowVisible(gameWindow));
  startKnowingName();
  sayMini();

  const auto t0 = clock.nowMs() + WatchCycle::kIntervalMs;
  runOneCycle();

  EXPECT_FALSE(IsWindowVisible(gameWindow));
  EXPECT_TRUE(IsWindowVisible(toHwnd(console)));
  // Hidden while the main window was maximised, then shown again where it was.
  EXPECT_TRUE(IsWindowVisible(taskbar));
  EXPECT_TRUE(sameFrame(frameOf(taskbar), taskbarBefore));
  EXPECT_THAT(window.states, ElementsAre("maximized", "normal", "focus"));
  EXPECT_EQ(typedSince(t0), (Lines{{1600, "say ^1Minimized"}}));
  // The game shows every line without its colour escapes, its echo of a typed line too.
  EXPECT_THAT(gameLog(), EndsWith("]say Minimized\r\n" + kPlayer + ": Minimized\r\n"));

  // The console stays, so the watch goes on, "Back to Game" shown.
  runOneCycle();
  EXPECT_TRUE(window.backVisible);
  EXPECT_EQ(playerName(), kPlayer);

  core().gameWindow().backToGame();
  clock.runFor(pvx::ConsoleBridge::kChatGapMs);  // the say waits for the server's second
  EXPECT_TRUE(IsWindowVisible(gameWindow));
  EXPECT_THAT(gameLog(), EndsWith("]say Maximized\r\n" + kPlayer + ": Maximized\r\n"));
}

TEST_F(MiniUnderWine, WithoutATaskbarTheGameIsStillHiddenAndTheGameIsTold) {
  ws.hideClass("Shell_TrayWnd");
  ASSERT_EQ(ws.findWindow("Shell_traywnd", ""), 0u);
  // Whatever taskbar the desktop has stays as it is.
  const HWND taskbar = FindWindowA("Shell_TrayWnd", "");
  const bool taskbarShown = taskbar != nullptr && IsWindowVisible(taskbar);
  const RECT taskbarBefore = frameOf(taskbar);
  const HWND gameWindow = PracticeConsoleProcess::gameWindow();
  startKnowingName();
  sayMini();

  const auto t0 = clock.nowMs() + WatchCycle::kIntervalMs;
  runOneCycle();

  EXPECT_FALSE(IsWindowVisible(gameWindow));
  EXPECT_TRUE(IsWindowVisible(toHwnd(console)));
  EXPECT_THAT(window.states, ElementsAre("maximized", "normal", "focus"));
  EXPECT_EQ(typedSince(t0), (Lines{{1600, "say ^1Minimized"}}));
  if (taskbar != nullptr) {
    EXPECT_EQ(IsWindowVisible(taskbar) != FALSE, taskbarShown);
    EXPECT_TRUE(sameFrame(frameOf(taskbar), taskbarBefore));
  }

  core().gameWindow().backToGame();
  clock.runFor(pvx::ConsoleBridge::kChatGapMs);
  EXPECT_TRUE(IsWindowVisible(gameWindow));
}

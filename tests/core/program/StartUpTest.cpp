#include "core/program/StartUp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "support/WatcherHarness.h"

using namespace pvx;
using pvx::testing::FakeMainWindow;
using pvx::testing::kPx;
using pvx::testing::pixels;

namespace {

// The program's start and its main window's buttons against the practice game on virtual time.
struct Starting : pvx::testing::WatcherHarness {
  Starting() { playerWindow.rect = TwipsRect{300, 450, 6600, 6000}; }
  std::string log() const { return game.log(); }
};

}  // namespace

TEST_F(Starting, BringsTheWindowsUpInPlace) {
  window.screen = window.available = TwipsRect{0, 0, 1600 * 15, 1200 * 15};
  core().start();
  // The main window centred and shown, the OS description in its status line.
  EXPECT_FLOAT_EQ(window.rect.left, (1600 * 15 - 6555) / 2.0f);
  EXPECT_FLOAT_EQ(window.rect.top, (1200 * 15 - 5610) / 2.0f);
  EXPECT_TRUE(window.visible);
  EXPECT_EQ(window.status, "[ Windows 2000 - 2195 ]");
  // The player window made hidden, as wide as the main window, docked below it; the editor made
  // hidden.
  EXPECT_FALSE(playerWindow.visible);
  EXPECT_EQ(playerWindow.creations, 1);
  EXPECT_FLOAT_EQ(playerWindow.rect.width, window.rect.width);
  EXPECT_FLOAT_EQ(playerWindow.rect.left, window.rect.left);
  EXPECT_FLOAT_EQ(playerWindow.rect.top, window.rect.top + window.rect.height);
  EXPECT_FALSE(editor.visible);
  EXPECT_EQ(editor.creations, 1);
  EXPECT_TRUE(core().replies().repliesOn());
}

TEST_F(Starting, FindsTheConsoleLogAndAsksTheGameForTheName) {
  core().start();
  EXPECT_EQ(core().watch().state().consoleLog, practice.logWindow());
  EXPECT_EQ(log(), "]name\r\n\"name\" is:\"Rookie\" default:\"Padawan\"\r\n");
}

// Start-up and "Back to Game" without the game: nothing is typed, nothing shown, nothing fails.
TEST_F(Starting, WithoutTheGameNothingIsSentToAnyWindow) {
  practice.stop();
  ws.setRecording(true);
  core().start();
  EXPECT_EQ(core().watch().state().consoleLog, 0u);
  EXPECT_TRUE(ws.messages().empty());
  core().gameWindow().backToGame();
  EXPECT_TRUE(ws.messages().empty());
}

TEST_F(Starting, ConsoleWithFewerThanFiveChildrenLeavesTheLogUnknown) {
  practice.stop();
  const Hwnd console = ws.createWindow("JAMP WinConsole", ConsoleBridge::kConsoleTitle);
  const Hwnd input = ws.createWindow("Edit", "", console);
  ws.createWindow("Button", "Copy", console);
  core().start();
  EXPECT_EQ(core().watch().state().consoleLog, 0u);
  EXPECT_EQ(ws.text(input), "name");  // typed all the same; nothing ran it
}

TEST_F(Starting, MakesTheSavesFolderAndLeavesAnExistingOneAlone) {
  core().start();
  EXPECT_TRUE(std::filesystem::is_directory(programFolder() / "Saves"));

  std::ofstream(programFolder() / "Saves" / "main.pvx") << "keep me";
  remakeCore();
  core().start();
  std::ifstream in(programFolder() / "Saves" / "main.pvx");
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST_F(Starting, AFolderThatCannotBeMadeIsIgnored) {
  remakeCore(programFolder() / "missing" / "deeper");
  core().start();
  EXPECT_FALSE(std::filesystem::exists(programFolder() / "missing"));
  EXPECT_TRUE(window.visible);
}

TEST_F(Starting, WatchTimerIsArmedAndItsFirstTickComesAfterTheStart) {
  WatchCycle& watch = core().watch();
  EXPECT_FALSE(watch.armed());
  core().start();
  EXPECT_EQ(watch.cyclesStarted(), 0u);
  EXPECT_TRUE(watch.armed());
  clock.runFor(1);
  EXPECT_EQ(watch.cyclesStarted(), 1u);
}

TEST_F(Starting, GreetingGateOpensEveryFifteenSeconds) {
  core().messages().setMessage(MessageKind::Greeting, Message{"hi", 1});
  core().start();
  GameEventReplies& replies = core().replies();
  clock.runUntil(14999);
  EXPECT_FALSE(replies.greetingGateOpen());
  clock.runUntil(15000);
  EXPECT_TRUE(replies.greetingGateOpen());
  game.print("Bob entered the game");  // greeted: the gate closes
  clock.runFor(5);
  ASSERT_FALSE(replies.greetingGateOpen());
  clock.runUntil(29999);
  EXPECT_FALSE(replies.greetingGateOpen());
  clock.runUntil(30000);
  EXPECT_TRUE(replies.greetingGateOpen());
}

// Windows is named by platform and build, any other system by its name and kernel version, in
// the same frames.
TEST(StatusLineForms, ForWindowsAndForOtherSystems) {
  struct Row {
    OsInfo::Query query;
    std::string atStart, os;
  };
  const Row rows[] = {
      {pvx::testing::windows2000, "[ Windows 2000 - 2195 ]", "Windows 2000 Build 2195"},
      {[](OsVersionRecord& r) {
         // As uname reads on Linux: platform 0 and the numbers of the release, besides its name.
         r.majorVersion = 6;
         r.minorVersion = 18;
         r.buildNumber = 44;
         r.systemName = "Linux";
         r.systemRelease = "6.18.44-fc-v1300";
         return true;
       },
       "[ Linux 6.18.44 ]", "Linux 6.18.44"},
  };
  for (const Row& row : rows) {
    FakeMainWindow window;
    const OsInfo os(row.query);
    StatusLine status(window, os);
    status.showOs();
    EXPECT_EQ(window.status, row.atStart);
    status.showPlayer("Rookie^7");
    EXPECT_EQ(window.status, "[ Current Player: Rookie^7  OS: " + row.os + " ]");
    status.showGameAbsent();
    EXPECT_EQ(window.status, "[ Current Player: <JKA is not running>  OS: " + row.os + " ]");
  }
}

TEST_F(Starting, BackToGameShowsTheHiddenGameWindowAndSaysSo) {
  core().start();
  ws.showWindow(practice.gameWindow(), WindowSystem::kSwHide);
  game.clearLog();
  core().gameWindow().backToGame();
  EXPECT_TRUE(practice.gameWindowVisible());
  // The game's window shows the command without its colour escapes.
  EXPECT_EQ(log(), "]say Maximized\r\nRookie: Maximized\r\n");
}

TEST_F(Starting, PlaylistButtonTogglesThePlayerWindow) {
  core().start();
  core().dock().togglePlayer();
  EXPECT_TRUE(playerWindow.visible);
  core().dock().togglePlayer();
  EXPECT_FALSE(playerWindow.visible);
}

TEST_F(Starting, DockingPutsAMovedPlayerWindowBackAndLeavesADockedOneAlone) {
  core().start();
  playerWindow.rect.left += 300;
  playerWindow.rect.top -= 45;
  core().dock().dock();
  EXPECT_FLOAT_EQ(playerWindow.rect.left, window.rect.left);
  EXPECT_FLOAT_EQ(playerWindow.rect.top, window.rect.top + window.rect.height);
  const int moves = playerWindow.moves;
  core().dock().dock();
  EXPECT_EQ(playerWindow.moves, moves);
}

// The main window (374 pixels high with its frame) and the player window (400) below it: where
// the screen's available area is too low for both centred, the pair moves up, never above it.
TEST_F(Starting, KeepsTheMainAndPlayerWindowsOnTheAvailableArea) {
  const struct {
    const char* screen;
    TwipsRect whole, available;
    float expectedTop;  // pixels
  } cases[] = {
      // Too low for both: at the top, the player window's foot as low as it must be.
      {"1024x768", pixels(0, 0, 1024, 768), pixels(0, 0, 1024, 768), 0},
      // Centred (at 353) the player would end at 1127.
      {"1920x1080", pixels(0, 0, 1920, 1080), pixels(0, 0, 1920, 1080), 1080 - 774},
      {"1920x1080, task bar", pixels(0, 0, 1920, 1080), pixels(0, 0, 1920, 1040), 1040 - 774},
      {"1024x768, top panel", pixels(0, 0, 1024, 768), pixels(0, 28, 1024, 740), 28},
      // Room enough: centred as before.
      {"2560x1440", pixels(0, 0, 2560, 1440), pixels(0, 0, 2560, 1400), (1440 - 374) / 2.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screen);
    window.screen = c.whole;
    window.available = c.available;
    window.rect = pixels(0, 0, 437, 374);
    playerWindow.rect = pixels(0, 0, 437, 400);
    remakeCore();
    core().start();
    EXPECT_FLOAT_EQ(window.rect.top, c.expectedTop * kPx);
    EXPECT_FLOAT_EQ(window.rect.left, (c.whole.width - window.rect.width) / 2.0f);
    EXPECT_FLOAT_EQ(playerWindow.rect.top, window.rect.bottom());
    EXPECT_GE(window.rect.top, c.available.top);
  }
}

TEST_F(Starting, FramesThatComeLaterAreKeptOnTheScreenUntilTheUserMovesTheMainWindow) {
  window.screen = window.available = pixels(0, 0, 1920, 1080);
  window.rect = pixels(0, 0, 437, 330);
  playerWindow.rect = pixels(0, 0, 437, 360);
  core().start();
  ASSERT_FLOAT_EQ(window.rect.top, (1080 - 330) / 2 * kPx);  // 690 high: centred fits
  // The window manager frames both windows once they are shown: 25 pixels more each.
  window.rect.height += 25 * kPx;
  playerWindow.rect.height += 25 * kPx;
  core().dock().dock();
  EXPECT_FLOAT_EQ(window.rect.top, (1080 - 740) * kPx);
  EXPECT_FLOAT_EQ(playerWindow.rect.bottom(), 1080 * kPx);

  // Once the user has put the main window elsewhere, it stays where the user put it.
  window.rect.top = 900 * kPx;
  const int moves = window.moves;
  core().dock().dock();
  EXPECT_EQ(window.moves, moves);
  EXPECT_FLOAT_EQ(playerWindow.rect.top, window.rect.bottom());
  window.rect.top = 100 * kPx;
  core().dock().dock();
  EXPECT_EQ(window.moves, moves);
}

// While the editor or the folder picker is open the main window is hidden, and the platform
// reports it without its frame: the player window stays where it was.
TEST_F(Starting, ThePlayerWindowStaysPutWhileTheMainWindowIsHidden) {
  window.screen = window.available = pixels(0, 0, 1920, 1200);
  core().start();
  core().dock().togglePlayer();
  core().dock().dock();
  const TwipsRect docked = playerWindow.rect;
  const int moves = playerWindow.moves;

  window.hiddenRect = window.rect;
  window.hiddenRect->top += 4 * kPx;
  window.hiddenRect->height -= 29 * kPx;
  core().messageEditor().open(0);
  ASSERT_FALSE(window.visible);
  clock.runFor(3000);  // watch cycles dock the player window
  core().dock().dock();
  EXPECT_EQ(playerWindow.rect, docked);
  EXPECT_EQ(playerWindow.moves, moves);

  core().messageEditor().closedByFrame();
  ASSERT_TRUE(window.visible);
  core().dock().dock();
  EXPECT_EQ(playerWindow.rect, docked);
  EXPECT_EQ(playerWindow.moves, moves);
}

TEST_F(Starting, TheEditorOpensWithTheFocusInItsTextBox) {
  core().start();
  core().messageEditor().open(2);
  EXPECT_TRUE(editor.textFocused);
}

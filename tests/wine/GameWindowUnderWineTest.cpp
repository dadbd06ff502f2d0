// The game's main window and the taskbar through the real user32 calls: "Back to Game" on the
// window found by its class name with the byte 0xAE, and a taskbar that is not there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "core/text/Text.h"
#include "core/windows/GameWindow.h"
#include "support/AnsweredNow.h"
#include "wine/WineConsoleFixture.h"

using pvx::GameWindow;
using pvx::Hwnd;
using pvx::WindowSystem;
using ::testing::EndsWith;

namespace {

RECT frameOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// --- "Back to Game"
// -------------------------------------------------------------------------------

class BackToGameUnderWine : public pvx::testing::WineConsoleFixture {
 protected:
  Hwnd findGameWindow() {
    const std::string cls = pvx::text::toCp1252(GameWindow::kClass);
    return ws.findWindow(cls.c_str(), nullptr);
  }
};

TEST_F(BackToGameUnderWine, TheGameWindowIsFoundByItsClassWithTheRegisteredSign) {
  const Hwnd game = findGameWindow();
  ASSERT_NE(game, 0u);
  EXPECT_EQ(game, fromHwnd(pvx::testing::PracticeConsoleProcess::gameWindow()));
  // The byte 0xAE of the class name is the character "®" on the platform's side.
  wchar_t name[64] = {};
  GetClassNameW(toHwnd(game), name, 64);
  EXPECT_EQ(std::wstring(name), L"Jedi Knight\u00AE: Jedi Academy (MP)");
}

TEST_F(BackToGameUnderWine, TheHiddenGameWindowIsShownAgainAndTheGameIsTold) {
  GameWindow gameWindow(bridge);
  const Hwnd game = findGameWindow();
  ASSERT_NE(game, 0u);
  ws.showWindow(game, WindowSystem::kSwHide);  // as ": !mini" leaves it
  ASSERT_TRUE(eventually([&] { return !IsWindowVisible(toHwnd(game)); }));

  gameWindow.backToGame();

  EXPECT_TRUE(eventually([&] { return IsWindowVisible(toHwnd(game)) != FALSE; }));
  EXPECT_THAT(pvx::testing::answeredNow(bridge.readWindowText(child(5))),
              EndsWith("]say Maximized\r\nPadawan: Maximized\r\n"));
}

TEST_F(BackToGameUnderWine, WithTheGameGoneNothingHappens) {
  GameWindow gameWindow(bridge);
  ASSERT_TRUE(game->send("quit"));
  ASSERT_TRUE(game->waitForExit(10000));
  ws.clear();

  gameWindow.backToGame();

  EXPECT_EQ(findGameWindow(), 0u);
  EXPECT_TRUE(ws.calls().empty());
}

// --- The taskbar
// ----------------------------------------------------------------------------------

class TaskbarUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(TaskbarUnderWine, FoundByItsClassWrittenInAnyCaseAndTheEmptyTitle) {
  const Hwnd taskbar = ws.findWindow("Shell_traywnd", "");
  if (taskbar == 0)
    GTEST_SKIP() << "this desktop has no taskbar window";
  // The platform's taskbar class is "Shell_TrayWnd": class names match without regard to case.
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, className(taskbar).c_str(), -1,
                           "Shell_TrayWnd", -1),
            CSTR_EQUAL);
  EXPECT_EQ(GetWindowTextLengthA(toHwnd(taskbar)), 0);
}

TEST_F(TaskbarUnderWine, AMissingTaskbarIsHarmless) {
  const Hwnd missing = ws.findWindow("Shell_traywnd_of_no_desktop", "");
  ASSERT_EQ(missing, 0u);
  const HWND gameWindow = pvx::testing::PracticeConsoleProcess::gameWindow();
  const RECT consoleBefore = frameOf(toHwnd(console));
  const RECT gameBefore = frameOf(gameWindow);

  EXPECT_FALSE(ws.setWindowPos(missing, 0, 0, 0, 0, 0, 0));
  EXPECT_FALSE(ws.showWindow(missing, WindowSystem::kSwHide));

  EXPECT_TRUE(frameOf(toHwnd(console)) == consoleBefore);
  EXPECT_TRUE(frameOf(gameWindow) == gameBefore);
  EXPECT_TRUE(IsWindowVisible(gameWindow));
  EXPECT_TRUE(IsWindowVisible(toHwnd(console)));
}

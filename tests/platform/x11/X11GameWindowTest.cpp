// The game's window on an X11 desktop: run under Xvfb (xvfb-run) with openbox as the window
// manager, which this program starts itself. A window titled as the game's stands in for it.

#include "platform/x11/X11GameWindow.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "../stdio/GameProcess.h"
#include "Desktop.h"
#include "app/Program.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/time/VirtualClock.h"

using pvx::X11GameWindow;
using pvx::testing::Desktop;
using pvx::testing::kIconicState;
using pvx::testing::kNormalState;
using pvx::testing::WindowManager;

namespace {

const auto* const kWindowManager = ::testing::AddGlobalTestEnvironment(new WindowManager);

}  // namespace

TEST(X11GameWindow, IsFoundByItsExactTitleOnly) {
  Desktop desktop;
  X11GameWindow game;
  EXPECT_FALSE(game.present());
  desktop.makeWindow("OpenJK (MP) server");
  desktop.makeWindow("openjk (mp)");
  EXPECT_FALSE(game.present());
  const xcb_window_t w = desktop.makeWindow("OpenJK (MP)", true);
  EXPECT_TRUE(game.present());
  xcb_destroy_window(desktop.connection, w);
  xcb_flush(desktop.connection);
  EXPECT_TRUE(desktop.until([&] { return !game.present(); }));
}

TEST(X11GameWindow, IconifiesAndRestoresThroughTheWindowManager) {
  Desktop desktop;
  X11GameWindow game;
  const xcb_window_t w = desktop.makeWindow("OpenJK (MP)");
  ASSERT_TRUE(desktop.until([&] { return desktop.wmState(w) == kNormalState; }))
      << desktop.wmState(w) << " " << desktop.viewable(w);
  game.iconify();
  EXPECT_TRUE(desktop.until([&] { return desktop.wmState(w) == kIconicState; }));
  EXPECT_FALSE(desktop.viewable(w));
  game.iconify();  // again: nothing changes, nothing fails
  game.restore();
  EXPECT_TRUE(
      desktop.until([&] { return desktop.wmState(w) == kNormalState && desktop.viewable(w); }));
  xcb_destroy_window(desktop.connection, w);
  xcb_flush(desktop.connection);
}

TEST(X11GameWindow, WithoutADisplayThereIsNone) {
  const std::string display = std::getenv("DISPLAY");
  Desktop desktop;
  const xcb_window_t w = desktop.makeWindow("OpenJK (MP)");
  ::unsetenv("DISPLAY");
  X11GameWindow game;
  EXPECT_FALSE(game.present());
  game.iconify();
  game.restore();
  ::setenv("DISPLAY", display.c_str(), 1);
  EXPECT_TRUE(game.present());
  xcb_destroy_window(desktop.connection, w);
  xcb_flush(desktop.connection);
}

// "!mini" in the game's chat and "Back to Game" in the main window, through the whole program
// and the test engine on pipes.
TEST(X11GameWindow, MiniAndBackToGameReachTheGamesWindow) {
  Desktop desktop;
  const xcb_window_t w = desktop.makeWindow("OpenJK (MP)");
  ASSERT_TRUE(desktop.until([&] { return desktop.wmState(w) == kNormalState; }));

  pvx::testing::EngineFolder engine;
  pvx::VirtualClock clock;
  pvx::FakeMediaBackEnd media{clock};
  pvx::ProgramOptions options;
  options.gameCommand = engine.command("Rookie");
  options.programFolder = engine.path;
  options.clock = &clock;
  options.media = &media;
  pvx::Program program(std::move(options));
  program.start();
  pvx::GameStream& game = *program.gameStream();
  const auto until = [&](const std::function<bool()>& done) {
    return pvx::testing::waitUntil(game, done, [&] { clock.runFor(10); });
  };
  ASSERT_TRUE(until([&] { return engine.hasReceived("name"); }));
  ASSERT_TRUE(until([&] { return program.watch().state().playerName == "Rookie"; }));

  engine.tell("print Rookie^7: ^2!mini");
  ASSERT_TRUE(until([&] { return engine.hasReceived("say ^1Minimized"); }));
  EXPECT_TRUE(desktop.until([&] { return desktop.wmState(w) == kIconicState; }));

  program.core().gameWindow().backToGame();
  EXPECT_TRUE(
      desktop.until([&] { return desktop.wmState(w) == kNormalState && desktop.viewable(w); }));
  EXPECT_TRUE(until([&] { return engine.hasReceived("say ^1Maximized"); }));
  xcb_destroy_window(desktop.connection, w);
  xcb_flush(desktop.connection);
}

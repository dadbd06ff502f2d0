#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/console/ConsoleBridge.h"
#include "core/time/VirtualClock.h"
#include "platform/win32/Win32WindowSystem.h"
#include "wine/PracticeConsoleProcess.h"
#include "wine/RecordingWindowSystem.h"

namespace pvx::testing {

// A test against the Win32 practice console in another process, through the program's real
// window-system calls: the console bridge over the real user32, with every child read
// and every keystroke recorded on the way. The game starts with the player "Padawan" and one
// line in its log, unless a test starts it otherwise. The game reads a line entered once it has
// pumped its messages, a moment after the Enter; unless a test says otherwise, every Enter the
// bridge types waits there until the game has read and run the line, so that what the game wrote
// in answer is in its log when the call that typed it returns. Every test fails when the game's
// memory was corrupted.
class WineConsoleFixture : public ::testing::Test {
 public:
  static constexpr const char* kFirstLine = "Bob^7 entered the game";

  // post: where the answers of questions asked of the game go (none: they come at once, the test's
  // thread waiting for the game).
  explicit WineConsoleFixture(Win32WindowSystem::Post post = {}) : real(std::move(post)) {}
  static constexpr const char* kFirstLineShown = "Bob entered the game\r\n";

  void SetUp() override {
    // Every expected byte below is Windows-1252, the code page of a Western Windows.
    ASSERT_EQ(GetACP(), 1252u) << "the ANSI code page must be Windows-1252";
    game = std::make_unique<PracticeConsoleProcess>(gameArguments());
    ASSERT_TRUE(game->started()) << game->failure();
    if (awaitEachRead) {
      ws.onEnter([this] { EXPECT_TRUE(game->waitForRead()) << "the game never read the line"; });
    }
    console = bridge.findConsoleWindow();
    ASSERT_NE(console, 0u);
  }

  void TearDown() override {
    if (game != nullptr) {
      EXPECT_THAT(game->corruptions(), ::testing::IsEmpty()) << "the game's memory was corrupted";
    }
  }

  // How the practice console is started: the player and the lines in its log at start.
  virtual std::vector<std::string> gameArguments() const {
    return {"--name", "Padawan", "--print", kFirstLine};
  }

  static HWND toHwnd(Hwnd hwnd) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(hwnd)));
  }
  static Hwnd fromHwnd(HWND hwnd) { return static_cast<Hwnd>(reinterpret_cast<UINT_PTR>(hwnd)); }

  Hwnd child(int n) { return bridge.nthChildWindow(console, n); }

  // Another program's window is shown, hidden and moved when that program next handles its
  // messages: true once done() holds, false when it still does not after a bound that tells a
  // hang from an answer.
  static bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i)
      Sleep(10);
    return done();
  }

  // The window's text as the bytes the window hands out (ANSI, no conversion).
  std::string rawText(Hwnd hwnd) {
    const long length = real.getTextLength(hwnd);
    std::string bytes(static_cast<std::size_t>(length) + 1, '\0');
    bytes.resize(static_cast<std::size_t>(real.getText(hwnd, length + 1, bytes.data())));
    return bytes;
  }

  static std::string className(Hwnd hwnd) {
    char name[256] = {};
    const int length = GetClassNameA(toHwnd(hwnd), name, sizeof name);
    return std::string(name, static_cast<std::size_t>(length > 0 ? length : 0));
  }

  // Whether every Enter waits until the game has read the line (set before SetUp).
  bool awaitEachRead = true;
  Win32WindowSystem real;
  RecordingWindowSystem ws{real};
  VirtualClock clock;
  ConsoleBridge bridge{ws, clock};
  std::unique_ptr<PracticeConsoleProcess> game;
  Hwnd console = 0;
};

}  // namespace pvx::testing

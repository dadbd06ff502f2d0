#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/text/Text.h"
#include "platform/SystemCalls.h"
#include "support/AnsweredNow.h"
#include "support/CoreRig.h"
#include "wine/WineConsoleFixture.h"

namespace pvx::testing {

// The program's console watcher, wired as the program wires it (main window, watch cycle,
// game-event replies, chat commands), over the real user32 calls against the Win32 practice
// console in another process. The program's own timers and waits run on virtual time; every
// typed line waits until the game has read and answered it (WineConsoleFixture), so a cycle sees
// what the game wrote in answer to the cycle before. The player's name holds a letter beyond ASCII,
// so that every name crossing the platform goes through the ANSI code page. The OS description asks
// the real GetVersionExA, and "Add Folder" passes over the files Windows marks hidden.
class WineWatchFixture : public WineConsoleFixture, public CoreRig {
 public:
  static inline const std::string kPlayer = "S\u00E9verin";

  // typist: where the program's typing runs (null: at once, on the test's thread); post: where
  // the game's answers go (none: they come at once, the test's thread waiting for the game).
  explicit WineWatchFixture(Typist* typist = nullptr, Win32WindowSystem::Post post = {})
      : WineConsoleFixture(std::move(post)),
        CoreRig(Platform{.windows = ws,
                         .clock = clock,
                         .typist = typist,
                         .osQuery = platform::queryOsVersion,
                         .isHiddenFile = platform::isHiddenFile}) {}

  std::vector<std::string> gameArguments() const override {
    return {"--name", kPlayer, "--print", kFirstLine};
  }

  void SetUp() override {
    WineConsoleFixture::SetUp();
    if (HasFatalFailure())
      return;
    ws.stampWith(&clock);
    ws.clear();
  }

  // Start-up, then the first cycles until the name is known; what they typed is forgotten.
  void startKnowingName() {
    ASSERT_TRUE(CoreRig::startKnowingName(kPlayer)) << "the name known: " << playerName();
    ws.clear();
  }

  // The game prints the lines (UTF-8); then one whole cycle runs. Returns the moment that cycle
  // started.
  std::int64_t happen(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
      EXPECT_TRUE(game->send("print " + line)) << line;
    const std::int64_t start = clock.nowMs() + WatchCycle::kIntervalMs;
    runOneCycle();
    return start;
  }

  // Every command typed into the game's input line from t0 on (UTF-8), with its delay after t0.
  Lines typedSince(std::int64_t t0) const {
    Lines out;
    for (const RecordingWindowSystem::Call& call : ws.calls()) {
      if (call.kind == RecordingWindowSystem::Call::kSetText && !call.bytes.empty() &&
          call.ms >= t0)
        out.emplace_back(call.ms - t0, text::fromCp1252(call.bytes));
    }
    return out;
  }
  std::vector<std::string> commands() const {
    std::vector<std::string> out;
    for (const auto& [ms, command] : typedSince(0))
      out.push_back(command);
    return out;
  }

  // The game's console log as it stands, read afresh from the window (UTF-8).
  std::string gameLog() {
    return pvx::testing::answeredNow(
        bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5)), pump);
  }

  // Hands the game's answers that came meanwhile to the routines that asked (none: they come at
  // once).
  std::function<void()> pump;

  void setMessage(MessageKind kind, const std::string& text) {
    core().messages().setMessage(kind, Message{text, 1});
  }
};

}  // namespace pvx::testing

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/FakePorts.h"
#include "app/MainForm.h"
#include "console/Text.h"
#include "messages/MessageSetFile.h"
#include "watcher/CommandChain.h"
#include "watcher/GameEventReplies.h"
#include "watcher/WatchCycle.h"
#include "wine/WineConsoleFixture.h"

namespace pvx::testing {

// The program's console watcher, wired as the program wires it (main window, watch cycle,
// game-event replies, chat commands), over the real user32 calls against the Win32 practice
// console in another process. The program's own timers and waits run on virtual time; the game
// answers every typed line before the call that typed it returns, so a cycle sees what the game
// wrote in answer to the cycle before. The player's name holds a letter beyond ASCII, so that
// every name crossing the platform goes through the ANSI code page.
class WineWatchFixture : public WineConsoleFixture {
 public:
  static inline const std::string kPlayer = "S\u00E9verin";
  // Far more cycles than anything here needs; the bound only keeps a fault from hanging the run.
  static constexpr int kMaxCycles = 200;

  using Lines = std::vector<std::pair<std::int64_t, std::string>>;

  std::vector<std::string> gameArguments() const override {
    return {"--name", kPlayer, "--print", kFirstLine};
  }

  void SetUp() override {
    WineConsoleFixture::SetUp();
    if (HasFatalFailure())
      return;
    ws.stampWith(&clock);
    ws.clear();
    form.setWatchCycle([this] { watch.cycle(); });
    watch.gameEvents = [this](const std::string& t) { return replies.run(t); };
    watch.chatCommands = [this](const std::string& t) { return chain.run(t); };
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  // One whole watch cycle, its waits included.
  void runOneCycle() {
    const std::uint64_t target = watch.cyclesStarted() + 1;
    while (watch.cyclesEnded() < target && clock.runNext()) {
    }
  }

  // Runs watch cycles until done() holds; false when it still does not after kMaxCycles.
  template <typename Done>
  bool cycleUntil(Done done) {
    for (int i = 0; i < kMaxCycles && !done(); ++i)
      runOneCycle();
    return done();
  }

  // Start-up, then the first cycles until the name is known; what they typed is forgotten.
  void startKnowingName() {
    form.load();
    ASSERT_TRUE(cycleUntil([this] { return !form.currentPlayerName.empty(); }));
    ASSERT_EQ(form.currentPlayerName, kPlayer);
    ws.clear();
  }

  // The game prints the lines (UTF-8); then one whole cycle runs. Returns the moment that cycle
  // started.
  std::int64_t happen(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
      EXPECT_TRUE(game->send("print " + line)) << line;
    const std::int64_t start = clock.nowMs() + MainForm::kWatchIntervalMs;
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
    return tarn.readWindowText(q3.nthChildWindow(q3.findConsoleWindow(), 5));
  }

  static std::filesystem::path freshFolder() {
    static int n = 0;
    auto dir =
        std::filesystem::temp_directory_path() /
        ("parlevox-wine-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++n));
    std::filesystem::create_directories(dir);
    return dir;
  }

  std::filesystem::path folder = freshFolder();
  FakeMainWindow window{&clock};
  FakeForm editor{TwipsRect{0, 0, 4800, 3500}};
  FakeForm player{TwipsRect{0, 0, 6600, 6000}};
  FakeDialogs dialogs;
  // The OS description asks the real GetVersionExA.
  MainForm form{MainFormContext{ws, clock, q3, tarn, window, editor, player, folder, {}, &dialogs}};
  WatchCycle watch{form};
  GameEventReplies replies{form};
  MessageSetFile sets{form};
  CommandChain chain{form, sets};
};

}  // namespace pvx::testing

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../app/FakePorts.h"
#include "app/MainForm.h"
#include "console/PracticeConsole.h"
#include "console/SimulatedWindowSystem.h"
#include "console/VirtualClock.h"
#include "messages/MessageSetFile.h"
#include "watcher/CommandChain.h"
#include "watcher/GameEventReplies.h"
#include "watcher/WatchCycle.h"

namespace pvx::testing {

// The program's behaviour against the practice game on virtual time, with fake windows: what
// the game receives is read back from the commands entered in its input line.
class WatcherHarness : public ::testing::Test, protected PracticeConsole::Listener {
 protected:
  struct Typed {
    std::int64_t ms;
    std::string command;
    bool operator==(const Typed&) const = default;
  };

  void SetUp() override {
    practice.addListener(this);
    practice.start();
    form.setWatchCycle([this] { watch.cycle(); });
    watch.gameEvents = [this](const std::string& t) { return replies.run(t); };
    watch.chatCommands = [this](const std::string& t) { return chain.run(t); };
  }
  void TearDown() override {
    practice.removeListener(this);
    std::filesystem::remove_all(folder);
  }

  // Start-up, then the first cycles until the name is known: a quiet, known starting point.
  void startKnowingName() {
    form.load();
    clock.runFor(5);
    ASSERT_EQ(form.currentPlayerName, game.playerName());
    typed.clear();
  }
  // The game prints these lines at once; then one whole cycle runs (its waits included).
  void print(const std::vector<std::string>& lines) {
    for (const std::string& l : lines)
      game.print(l);
    runOneCycle();
  }
  void runOneCycle() {
    const std::uint64_t target = watch.cyclesStarted() + 1;
    while (watch.cyclesEnded() < target && clock.runNext()) {
    }
  }
  // The commands typed from t0 on, each with its delay after t0.
  using Lines = std::vector<std::pair<std::int64_t, std::string>>;
  Lines typedSince(std::int64_t t0) const {
    Lines out;
    for (const Typed& t : typed) {
      if (t.ms >= t0)
        out.emplace_back(t.ms - t0, t.command);
    }
    return out;
  }
  // Prints the lines in one batch; returns the moment the cycle that reads them starts.
  std::int64_t happen(const std::vector<std::string>& lines) {
    const std::int64_t t0 = clock.nowMs() + 1;
    print(lines);
    return t0;
  }
  std::vector<std::string> commands() const {
    std::vector<std::string> out;
    for (const Typed& t : typed)
      out.push_back(t.command);
    return out;
  }

  void lineEntered(std::string_view line) override {
    typed.push_back(Typed{clock.nowMs(), std::string(line)});
  }

  static bool windows2000(OsVersionRecord& r) {
    r.platformId = 2;
    r.majorVersion = 5;
    r.buildNumber = 2195;
    return true;
  }

  static std::filesystem::path freshFolder() {
    static int n = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("parlevox-watch-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    std::filesystem::create_directories(dir);
    return dir;
  }

  std::filesystem::path folder = freshFolder();
  VirtualClock clock;
  SimulatedWindowSystem ws;
  PracticeGame game{"Rookie"};
  PracticeConsole practice{ws, game};
  modQ3 q3{ws};
  modTarn tarn{ws, clock};
  FakeMainWindow window{&clock};
  FakeForm editor{TwipsRect{0, 0, 4800, 3500}};
  FakeForm player{TwipsRect{0, 0, 6600, 6000}};
  FakeDialogs dialogs;
  MainForm form{
      MainFormContext{ws, clock, q3, tarn, window, editor, player, folder, windows2000, &dialogs}};
  WatchCycle watch{form};
  GameEventReplies replies{form};
  MessageSetFile sets{form};
  CommandChain chain{form, sets};
  std::vector<Typed> typed;
};

}  // namespace pvx::testing

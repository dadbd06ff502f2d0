#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/console/PracticeConsole.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/program/Core.h"
#include "core/time/VirtualClock.h"
#include "support/FakePorts.h"
#include "support/PlayerTestPorts.h"
#include "support/TestFolder.h"

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

  // music: a stand-in for the player's music commands.
  explicit WatcherHarness(MusicCommands* music = nullptr)
      : core{CorePorts{.windows = ws,
                       .clock = clock,
                       .media = media,
                       .mainWindow = window,
                       .editorWindow = editor,
                       .playerWindow = playerWindow,
                       .playerView = playerWindow,
                       .dialogs = dialogs,
                       .programFolder = folder.path,
                       .osQuery = windows2000,
                       .musicCommands = music}} {}

  void SetUp() override {
    practice.addListener(this);
    practice.start();
  }
  void TearDown() override { practice.removeListener(this); }

  // Start-up, then the first cycles until the name is known: a quiet, known starting point.
  void startKnowingName() {
    core.start();
    clock.runFor(5);
    ASSERT_EQ(playerName(), game.playerName());
    typed.clear();
  }
  // The game prints these lines at once; then one whole cycle runs (its waits included).
  void print(const std::vector<std::string>& lines) {
    for (const std::string& l : lines)
      game.print(l);
    runOneCycle();
  }
  void runOneCycle() {
    const std::uint64_t target = watch().cyclesStarted() + 1;
    while (watch().cyclesEnded() < target && clock.runNext()) {
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

  // --- The parts under test ---
  WatchCycle& watch() { return core.watch(); }
  GameEventReplies& replies() { return core.replies(); }
  MessageSetFile& sets() { return core.messageSets(); }
  const std::string& playerName() { return core.watch().state().playerName; }
  const MessageSet& messageSet() { return core.messages().current(); }
  // Changes one message of the set in use, as the editor would.
  void setText(MessageKind kind, const std::string& text) {
    Message m = core.messages().message(kind);
    m.text = text;
    core.messages().setMessage(kind, m);
  }
  void setFlag(MessageKind kind, std::uint8_t enabled) {
    Message m = core.messages().message(kind);
    m.enabled = enabled;
    core.messages().setMessage(kind, m);
  }

  static bool windows2000(OsVersionRecord& r) {
    r.platformId = 2;
    r.majorVersion = 5;
    r.buildNumber = 2195;
    return true;
  }

  TestFolder folder;
  VirtualClock clock;
  SimulatedWindowSystem ws;
  PracticeGame game{"Rookie"};
  PracticeConsole practice{ws, game};
  FakeMainWindow window{&clock};
  FakeEditorWindow editor;
  FakePlayerWindow playerWindow;
  FakeDialogs dialogs;
  FakeMediaBackEnd media{clock};
  Core core;
  std::vector<Typed> typed;
};

}  // namespace pvx::testing

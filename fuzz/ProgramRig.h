#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/console/PracticeConsole.h"
#include "core/console/PracticeGame.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/program/Core.h"
#include "core/time/VirtualClock.h"
#include "support/FakePorts.h"
#include "support/PlayerTestPorts.h"

namespace pvx::rig {

// The whole program without Qt, as the fuzz targets and the benchmarks drive it: the practice
// game in the simulated window system on virtual time, fake windows and dialogs, the watch cycle
// with its game-event replies and its chat command chain, and the music player on the fake media
// back end. Every command the game receives is collected in `typed`.
//
// programFolder must exist; "Saves" is made in it by the load step. The playlist file is never
// read or written unless a caller does so through `player`.
class ProgramRig : private PracticeConsole::Listener {
 public:
  static constexpr const char* kPlayerName = "Rookie";

  explicit ProgramRig(const std::filesystem::path& programFolder);
  ~ProgramRig() override;
  ProgramRig(const ProgramRig&) = delete;
  ProgramRig& operator=(const ProgramRig&) = delete;

  // The load step, then cycles until the game has told its player's name. False when the name
  // did not come within ten cycles.
  bool startKnowingName();
  // Runs the event loop until one whole cycle (waits included) has run. False when no cycle
  // ran within a minute of virtual time: the heartbeat has stopped.
  bool runOneCycle();

  // Every message and duel template set to text, every flag to 1.
  void setAllMessages(const std::string& text);
  // Adds a playlist entry through "Add File": a file the media back end plays for the given
  // seconds (whatever it says, as a back end reports a damaged file's length), a file it cannot
  // play, or a file that is not there at all.
  void addTrack(const std::string& title, double seconds);
  void addUnplayable(const std::string& title);
  void addMissing(const std::string& title);

  VirtualClock clock;
  SimulatedWindowSystem ws;
  PracticeGame game{kPlayerName};
  PracticeConsole practice{ws, game};
  testing::FakeMainWindow window{&clock};
  testing::FakeEditorWindow editor;
  testing::FakePlayerWindow playerWindow;
  testing::FakeDialogs dialogs;
  FakeMediaBackEnd media{clock};

  // Checks around the watch cycle's two steps: each gets the cycle's lines, the player's name and
  // the real step to hand them on to. Unset, the real step runs alone.
  using AroundStep = std::function<CycleFlow(const std::string&, std::string&, WatchStep&)>;
  AroundStep aroundEvents, aroundCommands;

 private:
  // Hands a step of the cycle to its check, or straight to the real step.
  struct CheckedStep final : WatchStep {
    CheckedStep(AroundStep& around, WatchStep*& real) : around(around), real(real) {}
    CycleFlow run(const std::string& lines, std::string& playerName) override {
      return around ? around(lines, playerName, *real) : real->run(lines, playerName);
    }
    AroundStep& around;
    WatchStep*& real;
  };
  WatchStep* realEvents_ = nullptr;
  WatchStep* realCommands_ = nullptr;
  CheckedStep checkedEvents_{aroundEvents, realEvents_};
  CheckedStep checkedCommands_{aroundCommands, realCommands_};

 public:
  Core core;
  // The parts the targets drive.
  Player& player;
  MessageSetFile& sets;
  WatchCycle& watch;
  GameEventReplies& replies;
  CommandChain& chain;
  testing::FakePlayerWindow& playerPort = playerWindow;

  // What the game received, in order, as its input line held it (UTF-8).
  std::vector<std::string> typed;

 private:
  void lineEntered(std::string_view line) override;
  // The path of the next entry; titles may repeat, paths do not.
  std::string nextPath(const std::string& title);
  void add(const std::string& title, const std::string& path);
};

}  // namespace pvx::rig

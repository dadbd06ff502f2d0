#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/console/PracticeConsole.h"
#include "core/console/PracticeGame.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/console/WindowSystem.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/program/Core.h"
#include "core/time/VirtualClock.h"
#include "support/FakePorts.h"
#include "support/PlayerTestPorts.h"
#include "support/TestFolder.h"

namespace pvx::testing {

// A fixed Windows 2000, so that nothing depends on the machine running a rig.
bool windows2000(OsVersionRecord& r);

// Runs a routine of the program's to its end on virtual time, its waits included (the event loop
// runs meanwhile: other timers fire as they fall due), and gives what it gave.
template <class T>
T runToEnd(VirtualClock& clock, Task<T> task) {
  task.start();
  while (!task.done() && clock.runNext()) {
  }
  return task.result();
}

// What a rig's Core reaches outside the program.
struct RigPlatform {
  WindowSystem& windows;
  VirtualClock& clock;
  // Where typing into the game runs; null: at once, through windows.
  Typist* typist = nullptr;
  // Where the OS description gets its version record; which files "Add Folder" passes over.
  OsInfo::Query osQuery = windows2000;
  Playlist::HiddenFileTest isHiddenFile = Playlist::dotFile;
};

struct RigOptions {
  // Where "Saves" lies; empty: a new folder of the rig's own, removed with it.
  std::filesystem::path programFolder = {};
  CoreStandIns standIns = {};
};

// The program's behaviour without its windows, as the tests, the fuzz targets and the benchmarks
// drive it: the Core over fake windows and dialogs and the fake media back end, on virtual time,
// in a program folder. Where the game is and what the system says of itself come from the user
// (PracticeRig below plays against the practice game; the Wine tests against the real user32).
// Nothing here needs a test framework.
class CoreRig {
 public:
  // Commands the game received, each with the delay after a moment the test chose.
  using Lines = std::vector<std::pair<std::int64_t, std::string>>;

  using Platform = RigPlatform;
  using Options = RigOptions;

  explicit CoreRig(Platform platform, Options options = {});
  CoreRig(const CoreRig&) = delete;
  CoreRig& operator=(const CoreRig&) = delete;
  virtual ~CoreRig() = default;

  // The program's behaviour, made with the rig.
  Core& core() { return *core_; }
  // Where "Saves" lies.
  const std::filesystem::path& programFolder() const { return programFolder_; }
  // Makes the program's behaviour again, as a new start of the program would find it: the
  // windows keep what they show, folder (empty: programFolder()) holds "Saves".
  void remakeCore(const std::filesystem::path& folder = {});

  // Runs the clock until one whole watch cycle (waits included) has run. False when none ran
  // within a minute of virtual time: the heartbeat has stopped.
  bool runOneCycle();
  // Runs watch cycles until done() holds; false when it still does not after kMostCycles.
  bool cycleUntil(const std::function<bool()>& done);
  // Start-up, then cycles until the game has told its player's name; false unless it is name.
  bool startKnowingName(const std::string& name);

  // Every message and duel template set to text, every flag to 1.
  void setAllMessages(const std::string& text);
  // Adds a playlist entry through "Add File": a file the media back end plays for the given
  // seconds (whatever it says, as a back end reports a damaged file's length), a file it cannot
  // play, or a file that is not there at all.
  void addTrack(const std::string& title, double seconds);
  void addUnplayable(const std::string& title);
  void addMissing(const std::string& title);

  // --- The parts tests look at most ---
  WatchCycle& watch() { return core_->watch(); }
  GameEventReplies& replies() { return core_->replies(); }
  MessageSetFile& sets() { return core_->messageSets(); }
  Player& player() { return core_->player(); }
  // The player's name as the program knows it.
  const std::string& playerName() { return core_->watch().state().playerName; }

  // Far more cycles than any start-up or answer needs; the bound only keeps a fault from
  // hanging the run.
  static constexpr int kMostCycles = 200;

  FakeMainWindow window;
  FakeEditorWindow editor;
  FakePlayerWindow playerWindow;
  FakeDialogs dialogs;
  FakeMediaBackEnd media;

 private:
  // The folder given, or else a new one of the rig's own.
  std::filesystem::path folderFor(const std::filesystem::path& given);
  // The path of the next entry; titles may repeat, paths do not.
  std::string nextPath(const std::string& title);
  void add(const std::string& title, const std::string& path);

  // The folder the rig made, when it was given none.
  std::optional<TestFolder> ownFolder_;
  const std::filesystem::path programFolder_;
  Platform platform_;
  CoreStandIns standIns_;
  std::optional<Core> core_;
};

// The clock and the practice game in a simulated window system: what PracticeRig plays against,
// made before the rig that is given them.
struct PracticeStage {
  static constexpr const char* kPlayerName = "Rookie";

  VirtualClock clock;
  SimulatedWindowSystem ws;
  PracticeGame game{kPlayerName};
  PracticeConsole practice{ws, game};
};

// The rig against the practice game, which runs from the start: what the game receives is read
// back from the lines entered in its input line, each with its program time. A line longer than
// the game's field (it would corrupt the game's memory) ends the process on the spot.
class PracticeRig : public PracticeStage, public CoreRig, private PracticeConsole::Listener {
 public:
  struct Typed {
    std::int64_t ms;
    std::string command;
    bool operator==(const Typed&) const = default;
  };

  // typist: where the typing runs (null: at once).
  explicit PracticeRig(Options options = {}, Typist* typist = nullptr);
  ~PracticeRig() override;

  // Start-up, then cycles until the name the practice game gives is known.
  bool startKnowingName() { return CoreRig::startKnowingName(game.playerName()); }
  // The game prints these lines at once; then one whole cycle runs (its waits included).
  // Returns the moment the cycle that reads them starts.
  std::int64_t happen(const std::vector<std::string>& lines);
  // The commands typed from t0 on, each with its delay after t0.
  Lines typedSince(std::int64_t t0) const;
  // Every command typed, in order.
  std::vector<std::string> commands() const;

  // What the game received, in order, as its input line held it (UTF-8).
  std::vector<Typed> typed;

 private:
  void lineEntered(std::string_view line) override;
};

}  // namespace pvx::testing

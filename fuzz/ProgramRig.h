#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/app/FakePorts.h"
#include "../tests/player/PlayerTestPorts.h"
#include "app/MainForm.h"
#include "console/PracticeConsole.h"
#include "console/PracticeGame.h"
#include "console/SimulatedWindowSystem.h"
#include "console/VirtualClock.h"
#include "console/modQ3.h"
#include "console/modTarn.h"
#include "messages/MessageSetFile.h"
#include "player/FakeMediaBackEnd.h"
#include "player/Player.h"
#include "watcher/CommandChain.h"
#include "watcher/GameEventReplies.h"
#include "watcher/MusicChatCommands.h"
#include "watcher/WatchCycle.h"

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
  modQ3 q3{ws};
  modTarn tarn{ws, clock};
  testing::FakeMainWindow window{&clock};
  testing::FakeForm editor{TwipsRect{0, 0, 4800, 3500}};
  testing::FakeForm playerForm{TwipsRect{0, 0, 6600, 6000}};
  testing::FakeDialogs dialogs;
  MainForm form;
  WatchCycle watch{form};
  GameEventReplies replies{form};
  MessageSetFile sets{form};
  CommandChain chain{form, sets};
  FakeMediaBackEnd media{clock};
  testing::FakePlayerPort playerPort;
  Player player;
  MusicChatCommands music{form, player};

  // What the game received, in order, as its input line held it (UTF-8).
  std::vector<std::string> typed;

 private:
  void lineEntered(std::string_view line) override;
  // The path of the next entry; titles may repeat, paths do not.
  std::string nextPath(const std::string& title);
  void add(const std::string& title, const std::string& path);
};

}  // namespace pvx::rig

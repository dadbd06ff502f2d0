// The core's operations, timed against the practice game on virtual time (no real waits, no
// window toolkit): the watch cycle idle and after growth, the event and command chains, the
// playlist file, the play search, the listing, the message-set file and the console log of a game
// on pipes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/console/RetailConsoleLog.h"
#include "core/text/Text.h"
#include "support/AnsweredNow.h"
#include "support/CoreRig.h"

namespace {

namespace fs = std::filesystem;
using pvx::testing::PracticeRig;

constexpr int kFullPlaylist = 32767;

// The program started against the practice game in a folder of its own (with "Saves"), the
// player's name known, nothing pending.
std::unique_ptr<PracticeRig> started() {
  auto rig = std::make_unique<PracticeRig>();
  fs::create_directories(rig->programFolder() / "Saves");
  rig->setAllMessages("%s vs %d, good fight");
  if (!rig->startKnowingName())
    throw std::runtime_error("the practice game's player name was never learned");
  rig->clock.runFor(20);
  rig->typed.clear();
  return rig;
}

// Chat between other players, free of every event and command the program looks for.
std::string chatText(std::size_t characters) {
  const std::string line = "Bob^7: nice one, see you at the next round of the tournament\r\n";
  std::string s;
  while (s.size() < characters)
    s += line;
  return s.substr(0, characters);
}

// A playlist file of n entries, as the program writes one.
void writePlaylist(const fs::path& file, int n) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << pvx::PlaylistFile::countLine(n - 1) << "\r\n";
  for (int i = 0; i < n; ++i) {
    const std::string title =
        "Artist " + std::to_string(i % 97) + " - Track " + std::to_string(i) + ".mp3";
    out << "/home/player/Music/Collection/" << title << "\r\n" << title << "\r\n";
  }
}

void IdleCycle(benchmark::State& state) {
  auto rig = started();
  for (auto _ : state) {
    rig->watch().cycle();
    rig->clock.runDue();  // its yields to pending events
  }
  if (!rig->typed.empty() || !rig->watch().newText().empty())
    state.SkipWithError("the idle cycle did something");
}
BENCHMARK(IdleCycle);

void GrowthCycleAt29999(benchmark::State& state) {
  auto rig = started();
  // The log window holds 29 999 characters, the last 200 of them new since the previous cycle.
  rig->ws.setTextDirect(rig->practice.logWindow(), chatText(29999));
  for (auto _ : state) {
    // As the previous cycle left them, when the log held 29 799 characters.
    rig->watch().restartFrom(29799);
    rig->watch().cycle();
    rig->clock.runDue();
  }
  if (!rig->typed.empty() || pvx::text::length(rig->watch().newText()) != 200)
    state.SkipWithError("the growth cycle did not take 200 new characters");
}
BENCHMARK(GrowthCycleAt29999);

// The growth cycle's read of the log: the whole text, converted from the game's code page.
void ReadLog29999(benchmark::State& state) {
  auto rig = started();
  const pvx::Hwnd log = rig->practice.logWindow();
  rig->ws.setTextDirect(log, chatText(29999));
  for (auto _ : state)
    benchmark::DoNotOptimize(pvx::testing::answeredNow(rig->core().bridge().readWindowText(log)));
}
BENCHMARK(ReadLog29999);

void EventChain200(benchmark::State& state) {
  auto rig = started();
  const std::string newText = chatText(200);
  std::string name = rig->watch().state().playerName;
  for (auto _ : state)
    benchmark::DoNotOptimize(pvx::testing::runToEnd(rig->clock, rig->replies().run(newText, name)));
  if (!rig->typed.empty())
    state.SkipWithError("the event chain answered chat");
}
BENCHMARK(EventChain200);

void CommandChain200(benchmark::State& state) {
  auto rig = started();
  const std::string newText = chatText(200);
  std::string name = rig->watch().state().playerName;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        pvx::testing::runToEnd(rig->clock, rig->core().commands().run(newText, name)));
  if (!rig->typed.empty())
    state.SkipWithError("the command chain obeyed another player");
}
BENCHMARK(CommandChain200);

void PlaylistLoad32767(benchmark::State& state) {
  const pvx::testing::TestFolder folder;
  const fs::path file = folder.path / "playlist.lst";
  writePlaylist(file, kFullPlaylist);
  pvx::testing::FakePlayerPort port;
  pvx::Playlist playlist(port, file);
  for (auto _ : state)
    playlist.loadPlaylist();
  if (playlist.count() != kFullPlaylist || !port.failures.empty())
    state.SkipWithError("the playlist did not load whole");
}
BENCHMARK(PlaylistLoad32767)->Unit(benchmark::kMillisecond);

void PlaylistSave32767(benchmark::State& state) {
  const pvx::testing::TestFolder folder;
  const fs::path file = folder.path / "playlist.lst";
  writePlaylist(file, kFullPlaylist);
  pvx::testing::FakePlayerPort port;
  pvx::Playlist playlist(port, file);
  playlist.loadPlaylist();
  for (auto _ : state)
    playlist.save();
  if (!port.failures.empty())
    state.SkipWithError("the playlist was not saved");
}
BENCHMARK(PlaylistSave32767)->Unit(benchmark::kMillisecond);

// "!play" with a text no title holds: every one of the 32 767 titles is searched.
void PlaySearch32767(benchmark::State& state) {
  auto rig = started();
  writePlaylist(pvx::PlaylistFile::in(rig->programFolder()), kFullPlaylist);
  rig->player().load();
  const std::string command = ": !play no such song anywhere\r\n";
  for (auto _ : state)
    pvx::testing::runToEnd(rig->clock, rig->core().music().play(command));
  if (rig->player().count() != kFullPlaylist || rig->typed.empty() ||
      rig->typed.back().command != "say ^5No matches for no such song anywhere")
    state.SkipWithError("the search did not run over the whole playlist");
}
BENCHMARK(PlaySearch32767)->Unit(benchmark::kMicrosecond);

// "!listsongs" of 1 000 entries: a "/clear" and 250 echo lines typed into the practice game,
// which runs each of them.
void Listing1000(benchmark::State& state) {
  auto rig = started();
  writePlaylist(pvx::PlaylistFile::in(rig->programFolder()), 1000);
  rig->player().load();
  for (auto _ : state) {
    rig->typed.clear();
    pvx::testing::runToEnd(rig->clock, rig->core().music().listSongs());
  }
  if (rig->typed.size() != 251)
    state.SkipWithError("the listing did not type 251 commands");
}
BENCHMARK(Listing1000)->Unit(benchmark::kMicrosecond);

void MessageSetWrite(benchmark::State& state) {
  auto rig = started();
  const fs::path file = rig->sets().named("main");
  for (auto _ : state) {
    if (!rig->sets().write(file).empty())
      state.SkipWithError("the set was not written");
  }
}
BENCHMARK(MessageSetWrite)->Unit(benchmark::kMicrosecond);

void MessageSetRead(benchmark::State& state) {
  auto rig = started();
  const fs::path file = rig->sets().named("main");
  rig->sets().write(file);
  std::string failure;
  for (auto _ : state) {
    if (rig->sets().read(file, failure) != pvx::MessageSetFile::ReadResult::Loaded)
      state.SkipWithError("the set was not read");
  }
}
BENCHMARK(MessageSetRead)->Unit(benchmark::kMicrosecond);

// A megabyte of a game's output on pipes, in the 64 KB pieces its reader takes, made into the
// console log as the retail window shows it: the reader's work while a game floods.
void ConsoleLogFlood1MB(benchmark::State& state) {
  std::string output;
  for (int n = 0; output.size() < (1u << 20); ++n)
    output += "flood " + std::to_string(n) + " ^1the quick brown fox ^7jumps over\n";
  for (auto _ : state) {
    pvx::RetailConsoleLog log;
    for (std::size_t at = 0; at < output.size(); at += 65536)
      log.append(std::string_view(output).substr(at, 65536));
    benchmark::DoNotOptimize(log.text().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output.size()));
}
BENCHMARK(ConsoleLogFlood1MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

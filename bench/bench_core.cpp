// The core's operations, timed against the practice game on virtual time (no real waits, no
// window toolkit): the watch cycle idle and after growth, the event and command chains, the
// playlist file, the play search, the listing, the message-set file and the console log of a game
// on pipes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "../fuzz/ProgramRig.h"
#include "core/console/RetailConsoleLog.h"
#include "core/text/Text.h"

namespace {

namespace fs = std::filesystem;
using pvx::rig::ProgramRig;

constexpr int kFullPlaylist = 32767;

// A program folder for one benchmark, removed afterwards.
struct Folder {
  Folder() {
    static int n = 0;
    path = fs::temp_directory_path() /
           ("parlevox-bench-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    fs::create_directories(path / "Saves");
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

// The program started against the practice game, the player's name known, nothing pending.
std::unique_ptr<ProgramRig> started(const fs::path& folder) {
  auto rig = std::make_unique<ProgramRig>(folder);
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
  Folder folder;
  auto rig = started(folder.path);
  for (auto _ : state)
    rig->watch.cycle();
  if (!rig->typed.empty() || !rig->watch.newText().empty())
    state.SkipWithError("the idle cycle did something");
}
BENCHMARK(IdleCycle);

void GrowthCycleAt29999(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  // The log window holds 29 999 characters, the last 200 of them new since the previous cycle.
  rig->ws.setTextDirect(rig->practice.logWindow(), chatText(29999));
  for (auto _ : state) {
    // As the previous cycle left them, when the log held 29 799 characters.
    rig->watch.restartFrom(29799);
    rig->watch.cycle();
  }
  if (!rig->typed.empty() || pvx::text::length(rig->watch.newText()) != 200 ||
      rig->watch.state().logLength != 29999)
    state.SkipWithError("the growth cycle did not take 200 new characters");
}
BENCHMARK(GrowthCycleAt29999);

// The growth cycle's read of the log: the whole text, converted from the game's code page.
void ReadLog29999(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  const pvx::Hwnd log = rig->practice.logWindow();
  rig->ws.setTextDirect(log, chatText(29999));
  for (auto _ : state)
    benchmark::DoNotOptimize(rig->core.bridge().readWindowText(log));
}
BENCHMARK(ReadLog29999);

void EventChain200(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  const std::string newText = chatText(200);
  std::string name = rig->watch.state().playerName;
  for (auto _ : state)
    benchmark::DoNotOptimize(rig->replies.run(newText, name));
  if (!rig->typed.empty())
    state.SkipWithError("the event chain answered chat");
}
BENCHMARK(EventChain200);

void CommandChain200(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  const std::string newText = chatText(200);
  std::string name = rig->watch.state().playerName;
  for (auto _ : state)
    benchmark::DoNotOptimize(rig->chain.run(newText, name));
  if (!rig->typed.empty())
    state.SkipWithError("the command chain obeyed another player");
}
BENCHMARK(CommandChain200);

void PlaylistLoad32767(benchmark::State& state) {
  Folder folder;
  const fs::path file = pvx::PlaylistFile::in(folder.path);
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
  Folder folder;
  const fs::path file = pvx::PlaylistFile::in(folder.path);
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
  Folder folder;
  writePlaylist(pvx::PlaylistFile::in(folder.path), kFullPlaylist);
  auto rig = started(folder.path);
  rig->player.load();
  const std::string command = ": !play no such song anywhere\r\n";
  for (auto _ : state)
    rig->core.music().play(command);
  if (rig->player.list().count() != kFullPlaylist || rig->typed.empty() ||
      rig->typed.back() != "say ^5No matches for no such song anywhere")
    state.SkipWithError("the search did not run over the whole playlist");
}
BENCHMARK(PlaySearch32767)->Unit(benchmark::kMicrosecond);

// "!listsongs" of 1 000 entries: a "/clear" and 250 echo lines typed into the practice game,
// which runs each of them.
void Listing1000(benchmark::State& state) {
  Folder folder;
  writePlaylist(pvx::PlaylistFile::in(folder.path), 1000);
  auto rig = started(folder.path);
  rig->player.load();
  for (auto _ : state) {
    rig->typed.clear();
    rig->core.music().listSongs();
  }
  if (rig->typed.size() != 251)
    state.SkipWithError("the listing did not type 251 commands");
}
BENCHMARK(Listing1000)->Unit(benchmark::kMicrosecond);

void MessageSetWrite(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  const fs::path file = rig->sets.named("main");
  for (auto _ : state) {
    if (!rig->sets.write(file).empty())
      state.SkipWithError("the set was not written");
  }
}
BENCHMARK(MessageSetWrite)->Unit(benchmark::kMicrosecond);

void MessageSetRead(benchmark::State& state) {
  Folder folder;
  auto rig = started(folder.path);
  const fs::path file = rig->sets.named("main");
  rig->sets.write(file);
  std::string failure;
  for (auto _ : state) {
    if (rig->sets.read(file, failure) != pvx::MessageSetFile::ReadResult::Loaded)
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

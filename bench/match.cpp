// How long the program's event loop went without running through a scripted match against the
// practice game, in real time, for ./bench.sh:
//
//   bench_match
//
// Runs the program as main.cpp builds it (offscreen, the practice game, the platform's own media
// back end playing short generated .wav files), and while the game prints a match's lines (the
// player loads a message set, enters, duels, plays, skips and stops tracks, chats while the
// program waits, kills himself, lists the playlist; other players enter; a limit is hit), a timer
// of 1 ms notes every moment the event loop handled it. A gap between two of them beyond the
// timer's own interval is time the loop did not run: a window that would not paint, a click, a
// media key or the desktop's media controls that would wait. It also counts what the program asks
// of the game's console log and the characters it copies out of it (the cost to the game), through
// the match and in the quiet seconds after it, beside the characters the game printed. Prints
// "longest_ms=... p99_ms=... ticks=N typed=N match_questions_per_s=... match_copied_per_s=...
// printed_per_s=... idle_questions_per_s=... idle_copied_per_s=...".
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Program.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/player/PlaylistFile.h"
#include "support/TestFolder.h"

namespace {

namespace fs = std::filesystem;

void put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A PCM .wav of seconds of silence, 8 kHz mono 16-bit.
void writeSilence(const fs::path& file, double seconds) {
  const auto frames = static_cast<std::uint32_t>(seconds * 8000);
  std::string out = "RIFF";
  put(out, 36 + frames * 2, 4);
  out += "WAVEfmt ";
  put(out, 16, 4);
  put(out, 1, 2);
  put(out, 1, 2);
  put(out, 8000, 4);
  put(out, 16000, 4);
  put(out, 2, 2);
  put(out, 16, 2);
  out += "data";
  put(out, frames * 2, 4);
  out.append(frames * 2, '\0');
  std::ofstream(file, std::ios::binary) << out;
}

class Counter final : public pvx::PracticeConsole::Listener {
 public:
  void lineEntered(std::string_view) override { ++typed; }
  int typed = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const pvx::testing::TestFolder folder;
  fs::create_directories(folder.path / "Saves");
  std::ofstream(folder.path / "Saves" / "match.pvx", std::ios::binary)
      << "Parlevocs [ZB] Vendrix\r\n%s vs %d\r\n%s beat %d\r\n%d beat %s\r\nWelcome %d\r\n 1 \r\n"
         "oops\r\n 1 \r\ngl\r\n 1 \r\ngg\r\n 1 \r\n";
  std::vector<pvx::PlaylistEntry> entries;
  for (const auto& [title, seconds] :
       {std::pair{"tone.wav", 120.0}, std::pair{"short.wav", 2.0}, std::pair{"third.wav", 60.0}}) {
    writeSilence(folder.path / title, seconds);
    entries.push_back({title, (folder.path / title).string()});
  }
  pvx::PlaylistFile(pvx::PlaylistFile::in(folder.path)).save(entries);

  pvx::ProgramOptions options;
  options.practice = true;
  options.programFolder = folder.path;
  options.playerName = "Rookie";
  options.showPracticeWindow = false;
  pvx::Program program(std::move(options));
  program.start();
  pvx::PracticeConsole& practice = *program.practice();
  Counter counter;
  practice.addListener(&counter);
  pvx::PracticeGame& game = practice.game();

  // The match: at each moment (ms after start), what the game prints.
  const std::vector<std::pair<int, std::string>> match = {
      {2000, game.chatLine("!load match")},
      {4000, "Rookie^7 entered the game"},
      {7000, "Bob^7 has become engaged in a duel with Rookie^7!"},
      {9000, "Rookie^7 was sabered by Bob^7"},
      {11000, game.chatLine("!play tone")},
      {13500, game.chatLine("!next")},
      {14100, game.chatLine("nice")},
      {17000, game.chatLine("!stop")},
      {19000, "Rookie^7 killed himself."},
      {21000, game.chatLine("!listsongs")},
      {23000, "Bob^7 entered the game"},
      {25000, "Timelimit hit."},
      {27000, game.chatLine("!play short")},
      {33000, game.chatLine("!vol 15")},
      {34000, game.chatLine("!pause")},
      {36000, game.chatLine("!play")},
  };
  for (const auto& [at, line] : match)
    QTimer::singleShot(at, &app, [&game, text = line] { game.print(text); });
  // The cost to the game: through the match (from its first line to the end of the last answer),
  // then while the game prints nothing.
  auto& ws = dynamic_cast<pvx::SimulatedWindowSystem&>(program.windowSystem());
  constexpr int kMatchFromMs = 1900, kMatchToMs = 39000, kEndMs = 42000;
  std::size_t printedFrom = 0;
  pvx::SimulatedWindowSystem::Cost matchCost;
  long printed = 0;
  QTimer::singleShot(kMatchFromMs, &app, [&] {
    ws.resetCost();
    printedFrom = game.log().size();
  });
  QTimer::singleShot(kMatchToMs, &app, [&] {
    matchCost = ws.cost();
    printed = static_cast<long>(game.log().size() - printedFrom);
    ws.resetCost();
  });
  QTimer::singleShot(kEndMs, &app, &QApplication::quit);

  QElapsedTimer clock;
  clock.start();
  std::vector<double> gaps;
  std::int64_t last = clock.nsecsElapsed();
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  constexpr double kTickMs = 1.0;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const std::int64_t now = clock.nsecsElapsed();
    gaps.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - kTickMs));
    last = now;
  });
  tick.start(1);
  QApplication::exec();
  practice.removeListener(&counter);

  std::sort(gaps.begin(), gaps.end());
  const double longest = gaps.empty() ? 0 : gaps.back();
  const double p99 = gaps.empty() ? 0 : gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
  const double matchSeconds = (kMatchToMs - kMatchFromMs) / 1000.0;
  const double idleSeconds = (kEndMs - kMatchToMs) / 1000.0;
  const pvx::SimulatedWindowSystem::Cost idleCost = ws.cost();
  std::printf(
      "longest_ms=%.2f p99_ms=%.2f ticks=%zu typed=%d match_questions_per_s=%.0f "
      "match_copied_per_s=%.0f printed_per_s=%.0f idle_questions_per_s=%.0f "
      "idle_copied_per_s=%.0f\n",
      longest, p99, gaps.size(), counter.typed,
      static_cast<double>(matchCost.questions) / matchSeconds,
      static_cast<double>(matchCost.copied) / matchSeconds,
      static_cast<double>(printed) / matchSeconds,
      static_cast<double>(idleCost.questions) / idleSeconds,
      static_cast<double>(idleCost.copied) / idleSeconds);
  return 0;
}

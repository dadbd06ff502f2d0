// The soak of ./bench.sh --soak: the whole program without Qt (the rig of tests/support/CoreRig.h:
// the practice game in the simulated window system, the watch cycle with its replies and chat
// commands, the player on the fake media back end) driven through hours of program time on the
// virtual clock by a busy server that a seeded generator makes up: sixteen players joining and
// leaving, duels, kills, renames, match limits, chat with and without commands from the local
// player and the others, a track ending every three minutes, the game's log wiping itself when it
// is full.
//
//   bench_soak [HOURS [SEED]]     24 hours and seed 1 by default
//
// Prints the wall time, the commands the game received by kind and the resident memory after
// the first hour and at the end.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/CoreRig.h"

namespace {

namespace fs = std::filesystem;
using pvx::PracticeGame;
using pvx::testing::PracticeRig;

long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The first word of a typed command ("say", "echo", "clear", ...), its kind.
std::string kindOf(const std::string& typed) {
  std::string word = typed.substr(0, typed.find(' '));
  if (!word.empty() && word.front() == '/')
    word.erase(0, 1);
  return word.empty() ? "(empty)" : word;
}

class Server {
 public:
  Server(PracticeRig& rig, unsigned seed) : rig_(rig), random_(seed) {
    for (int i = 1; i <= 16; ++i)
      names_.push_back("Padawan" + std::to_string(i));
  }

  // One thing happening on the server.
  void happen() {
    PracticeGame& game = rig_.game;
    const std::string& other = names_[pick(names_.size())];
    if (!duelWith_.empty()) {
      // A duel with the local player ends in the next thing that happens.
      game.print(game.eventLine(
          pick(2) ? PracticeGame::Event::YouWon : PracticeGame::Event::YouLost, duelWith_));
      duelWith_.clear();
      return;
    }
    switch (pick(14)) {
      case 0:
        game.print(game.eventLine(PracticeGame::Event::OtherEnters, other));
        break;
      case 1:
        game.print(other + "^7 disconnected");
        break;
      case 2:
        game.print(game.eventLine(PracticeGame::Event::DuelWithYou, other));
        duelWith_ = other;
        break;
      case 3:
        game.print(game.eventLine(
            pick(2) ? PracticeGame::Event::YouWon : PracticeGame::Event::YouLost, other));
        break;
      case 4:
        game.print(other + "^7 was sabered by " + names_[pick(names_.size())] + "^7");
        break;
      case 5:
        if (pick(10) == 0)
          game.print(game.eventLine(PracticeGame::Event::YouKilledYourself, other));
        else
          game.print(other + "^7 killed himself.");
        break;
      case 6: {
        // Another player takes a new name, or now and then the local player does.
        const std::size_t who = pick(names_.size());
        const std::string renamed = "Knight" + std::to_string(pick(1000));
        if (pick(8) == 0) {
          game.enterLine("name " + renamed);
        } else {
          game.print(names_[who] + "^7 renamed to " + renamed);
          names_[who] = renamed;
        }
        break;
      }
      case 7:
        if (pick(20) == 0)
          game.print(pick(2) ? game.eventLine(PracticeGame::Event::TimeLimit, other)
                             : other + "^7 hit the kill limit.");
        break;
      case 8:
      case 9:
        game.print(other + "^7: " + kChat[pick(std::size(kChat))]);
        break;
      case 10:
        // Another player's command: never obeyed, but read like any chat.
        game.print(other + "^7: " + kCommands[pick(std::size(kCommands))]);
        break;
      case 11:
        game.enterLine(std::string("say ") + kChat[pick(std::size(kChat))]);
        break;
      case 12: {
        // The local player's commands; switching the replies off is rarer than back on.
        std::string command = kCommands[pick(std::size(kCommands))];
        if (command == "!replyoff" && pick(4) != 0)
          command = "!ReplyON";
        game.enterLine("say " + command);
        break;
      }
      default:
        game.print("^3Server: ^7round " + std::to_string(pick(100)) + " begins");
        break;
    }
  }

  // Seconds of program time until the next thing happens: a busy server, 0.2 to 4 s.
  std::int64_t gapMs() { return 200 + static_cast<std::int64_t>(pick(3800)); }

 private:
  std::size_t pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  static constexpr const char* kChat[] = {"gg",
                                          "nice one",
                                          "anyone up for a duel?",
                                          "lag...",
                                          "brb",
                                          "who plays the music?",
                                          "that was close",
                                          "lol",
                                          "rematch?",
                                          "see you at the tournament"};
  static constexpr const char* kCommands[] = {
      "!next",      "!prev", "!vol 12", "!vol 20",    "!pause", "!play 3",   "!play Track",
      "!listsongs", "!stop", "!play",   "!load Duel", "!mini",  "!replyoff", "!ReplyON"};

  PracticeRig& rig_;
  std::mt19937 random_;
  std::vector<std::string> names_;
  std::string duelWith_;
};

}  // namespace

int main(int argc, char** argv) {
  const double hours = argc > 1 ? std::atof(argv[1]) : 24;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  const auto wallStart = std::chrono::steady_clock::now();
  std::map<std::string, long> kinds;
  long afterFirstHour = 0;
  std::int64_t hoursDone = 0;
  long atEnd = 0;
  {
    PracticeRig rig;
    fs::create_directories(rig.programFolder() / "Saves");
    rig.setAllMessages("%s vs %d, good fight");
    if (!rig.startKnowingName()) {
      std::fprintf(stderr, "bench_soak: the practice game's player name was never learned\n");
      return 1;
    }
    // A playlist of three-minute tracks, playing from the start: a track ends every 3 minutes.
    for (int i = 0; i < 40; ++i)
      rig.addTrack("Track " + std::to_string(i), 180);
    rig.player().playEntry(0);

    Server server(rig, seed);
    const std::int64_t endMs = static_cast<std::int64_t>(hours * 3600 * 1000);
    const std::int64_t start = rig.clock.nowMs();
    std::int64_t next = start + server.gapMs();
    while (rig.clock.nowMs() - start < endMs) {
      rig.clock.runUntil(next);
      server.happen();
      next += server.gapMs();
      for (const PracticeRig::Typed& typed : rig.typed) {
        ++kinds[kindOf(typed.command)];
        if (std::getenv("SOAK_SHOW"))
          std::fprintf(stderr, "typed: %s\n", typed.command.c_str());
      }
      rig.typed.clear();
      const std::int64_t hour = (rig.clock.nowMs() - start) / 3600000;
      if (hour > hoursDone) {
        hoursDone = hour;
        if (hour == 1)
          afterFirstHour = residentKb();
        std::fprintf(stderr, "hour %lld: %ld kB resident, %llu watch cycles\n",
                     static_cast<long long>(hour), residentKb(),
                     static_cast<unsigned long long>(rig.watch().cyclesEnded()));
      }
    }
    atEnd = residentKb();
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  std::printf("program_hours=%g\nwall_seconds=%.1f\n", hours, wall);
  long total = 0;
  for (const auto& [kind, count] : kinds) {
    std::printf("typed_%s=%ld\n", kind.c_str(), count);
    total += count;
  }
  std::printf("typed_total=%ld\nrss_kb_1h=%ld\nrss_kb_end=%ld\n", total, afterFirstHour, atEnd);
  return 0;
}

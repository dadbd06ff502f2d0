// How long the program takes, in real time, to act on a line the game prints, for ./bench.sh:
//
//   bench_latency ROUNDS PROGRAM ENGINE
//
// Starts PROGRAM --game ENGINE (tools/test-engine, reading at once and stamping what it reads
// with the monotonic clock) as a player starts the game, lets it learn the player's name, then
// ROUNDS times, each after a quiet pause long enough for the program to wait for the game again
// and for the server's second after its previous answer, has the engine print a duel line the
// program answers without a wait of its own ("say " and the duel template), and takes the time
// from the printing to the engine's reading of the answer: the line printed, read, acted on, and
// the typed reply left the program. A duel of the player's is his own doing, which the server
// counts against his second, so the answer waits 1.2 s after the line: what is measured is the
// time beyond that hold. Prints "p50_ms=... p99_ms=... max_ms=... rounds=N". The program runs
// with the environment given (QT_QPA_PLATFORM); it and the game it started are ended at the end.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The stamped lines of the engine's record from line `from` on: (nanoseconds, text).
std::vector<std::pair<long long, std::string>> recordFrom(const fs::path& record,
                                                          std::size_t from) {
  std::ifstream in(record);
  std::vector<std::pair<long long, std::string>> out;
  std::string line;
  for (std::size_t n = 0; std::getline(in, line); ++n) {
    if (n < from || line.size() < 2 || line[0] != '@')
      continue;
    const std::size_t blank = line.find(' ');
    out.emplace_back(std::atoll(line.substr(1, blank - 1).c_str()), line.substr(blank + 1));
  }
  return out;
}

std::size_t linesOf(const fs::path& record) {
  std::ifstream in(record);
  std::size_t n = 0;
  std::string line;
  while (std::getline(in, line))
    ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: bench_latency ROUNDS PROGRAM ENGINE\n", stderr);
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const fs::path folder =
      fs::temp_directory_path() / ("parlevox-latency-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path control = folder / "control", record = folder / "record";
  ::mkfifo(control.c_str(), 0600);
  const int controlFd = ::open(control.c_str(), O_RDWR | O_NONBLOCK);

  const pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, which the engine it starts joins: ending the group ends them both.
    setpgid(0, 0);
    const int quiet = ::open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    execl(argv[2], argv[2], "--game", argv[3], "--name", "Rookie", "--control", control.c_str(),
          "--record", record.c_str(), "--frame-ms", "0", "--stamp", "1", "--timestamps", "0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto tell = [controlFd](const std::string& line) {
    const std::string bytes = line + "\n";
    [[maybe_unused]] const ssize_t n = ::write(controlFd, bytes.data(), bytes.size());
  };
  // Start-up: the program asks for the name and reads the answer.
  std::this_thread::sleep_for(std::chrono::seconds(3));

  std::mt19937 random(7);
  // The server's second the program keeps after the player's own doing (ConsoleBridge).
  constexpr double kHoldMs = 1200;
  std::uniform_int_distribution<int> pause(1300, 1700);
  std::vector<double> ms;
  for (int round = 0; round < rounds; ++round) {
    // Long enough for the program to have gone back to waiting for the game.
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    const std::size_t from = linesOf(record);
    tell("mark Bob^7 has become engaged in a duel with Rookie^7!");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    long long printed = -1, answered = -1;
    while (answered < 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      for (const auto& [ns, text] : recordFrom(record, from)) {
        if (text == "printed")
          printed = ns;
        else if (printed >= 0 && text.rfind("say", 0) == 0)
          answered = ns;
      }
    }
    if (answered < 0) {
      std::fprintf(stderr, "bench_latency: no answer in round %d\n", round + 1);
      kill(-pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return 1;
    }
    ms.push_back(static_cast<double>(answered - printed) / 1e6 - kHoldMs);
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ::close(controlFd);
  std::error_code ignored;
  fs::remove_all(folder, ignored);

  std::sort(ms.begin(), ms.end());
  const auto at = [&ms](double q) {
    return ms[std::min(ms.size() - 1,
                       static_cast<std::size_t>(q * static_cast<double>(ms.size())))];
  };
  std::printf("p50_ms=%.2f p99_ms=%.2f max_ms=%.2f rounds=%zu\n", at(0.5), at(0.99), ms.back(),
              ms.size());
  return 0;
}

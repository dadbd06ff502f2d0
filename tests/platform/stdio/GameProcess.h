#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/console/GameStream.h"
#include "support/TestFolder.h"

namespace pvx::testing {

// A real game answers in real time. The bound only tells a game that never answers from one
// that answered: on a busy machine an answer may take seconds.
inline constexpr std::int64_t kAnswerBoundMs = 30000;

// Waits until done() holds, between turns of step() (which moves the program on), for output
// of the game or, at the latest, for the bound. False when the bound passed first.
inline bool waitUntil(
    GameStream& game, const std::function<bool()>& done,
    const std::function<void()>& step = [] {}) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerBoundMs);
  for (;;) {
    step();
    if (done())
      return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    game.waitForActivity(left.count() < 100 ? left.count() : 100);
  }
}

#ifdef PARLEVOX_TEST_ENGINE
// How the engine's server side keeps a match: by default it takes every command, as the server's
// second cannot be kept beside a program on virtual time; with its flood protection, as a
// dedicated server keeps it, and chat coming back after a round trip.
struct EngineServer {
  bool floodProtect = false;
  int roundTripMs = 0;
};

// A folder of its own for one test, with the test engine's control pipe and its record of the
// lines it ran.
struct EngineFolder : TestFolder {
  EngineFolder() {
    ::mkfifo(control.c_str(), 0600);
    // Open for reading too, so that the pipe takes lines before the engine has opened it.
    controlFd = ::open(control.c_str(), O_RDWR | O_NONBLOCK);
  }
  ~EngineFolder() {
    if (controlFd >= 0)
      ::close(controlFd);
  }
  EngineFolder(const EngineFolder&) = delete;
  EngineFolder& operator=(const EngineFolder&) = delete;

  // The engine started with its control pipe and its record.
  std::vector<std::string> command(const std::string& name, bool timestamps = false,
                                   EngineServer server = EngineServer()) const {
    return {PARLEVOX_TEST_ENGINE,
            "--name",
            name,
            "--control",
            control.string(),
            "--record",
            record.string(),
            "--timestamps",
            timestamps ? "1" : "0",
            "--flood-protect",
            server.floodProtect ? "1" : "0",
            "--round-trip-ms",
            std::to_string(server.roundTripMs)};
  }
  // Tells the engine something (a control line).
  void tell(const std::string& line) const {
    const std::string bytes = line + "\n";
    [[maybe_unused]] const ssize_t n = ::write(controlFd, bytes.data(), bytes.size());
  }
  // Every line the engine read from its standard input so far.
  std::vector<std::string> received() const {
    std::ifstream in(record, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
      lines.push_back(line);
    return lines;
  }
  bool hasReceived(const std::string& line) const {
    for (const std::string& l : received()) {
      if (l == line)
        return true;
    }
    return false;
  }

  const std::filesystem::path control = path / "control";
  const std::filesystem::path record = path / "received";
  int controlFd = -1;
};
#endif

}  // namespace pvx::testing

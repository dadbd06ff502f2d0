#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/player/PlaybackEngine.h"
#include "core/player/PlayerPort.h"
#include "core/player/Playlist.h"
#include "core/player/TransportPort.h"
#include "support/FakePorts.h"
#include "support/TestFolder.h"

namespace pvx::testing {

// The player window as tests see it: the open-file dialog answers from a queue (an empty queue
// is a cancel) and the failure boxes are collected.
class FakePlayerPort : public PlayerPort {
 public:
  std::optional<ChosenFile> chooseFile(const std::string& filter) override {
    lastFilter = filter;
    if (answers.empty())
      return std::nullopt;
    ChosenFile answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void showFailure(const std::string& description) override { failures.push_back(description); }

  std::deque<ChosenFile> answers;
  std::vector<std::string> failures;
  std::string lastFilter;
};

// The player window as a window that is docked and as the player's view.
class FakePlayerWindow : public FakePlayerPort, public FakeForm {
 public:
  FakePlayerWindow() : FakeForm({0, 0, 6600, 6000}) {}
};

// Stands in for the player window's transport: nextSong as the player does it (select the entry
// after the last started one, wrapping to the first; stop a playing track; start the selection).
class StandInTransport : public TransportPort {
 public:
  StandInTransport(Playlist& playlist, PlaybackEngine& engine)
      : playlist_(playlist), engine_(engine) {}
  std::string nextSong() override {
    ++calls;
    if (throwInside)
      throw std::runtime_error("the transport broke");
    const int n = playlist_.count();
    if (startNothing || n == 0)
      return {};
    const int last = engine_.currentIndex();
    playlist_.select(last + 1 <= n - 1 ? last + 1 : 0);
    if (engine_.hasGraph() && !engine_.isPaused())
      engine_.stop();
    tried.push_back(playlist_.selection());
    return engine_.play(playlist_.path(playlist_.selection()));
  }

  int calls = 0;
  bool throwInside = false;
  bool startNothing = false;  // only count the calls
  std::vector<int> tried;     // the entry each call started

 private:
  Playlist& playlist_;
  PlaybackEngine& engine_;
};

inline std::string readBytes(const std::filesystem::path& file) {
  std::ostringstream bytes;
  bytes << std::ifstream(file, std::ios::binary).rdbuf();
  return bytes.str();
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace pvx::testing

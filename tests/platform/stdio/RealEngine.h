#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GameProcess.h"
#include "app/Program.h"
#include "core/console/ConsoleBridge.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/time/VirtualClock.h"
#include "support/AnsweredNow.h"

namespace pvx::testing {

namespace zip {

inline std::uint32_t crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : data) {
    crc ^= static_cast<unsigned char>(ch);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void put16(std::string& out, unsigned v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace zip

// A zip archive (an engine's pk3) holding one stored, uncompressed file.
inline std::string zipOfOne(const std::string& name, const std::string& content) {
  using zip::put16;
  using zip::put32;
  const std::uint32_t crc = zip::crc32(content);
  const auto size = static_cast<std::uint32_t>(content.size());
  const auto nameSize = static_cast<unsigned>(name.size());
  std::string out;
  put32(out, 0x04034b50);  // local file header
  put16(out, 20);          // version needed
  put16(out, 0);           // flags
  put16(out, 0);           // stored
  put16(out, 0);           // time
  put16(out, 0x21);        // date: 1980-01-01
  put32(out, crc);
  put32(out, size);
  put32(out, size);
  put16(out, nameSize);
  put16(out, 0);
  out += name + content;
  const auto centralAt = static_cast<std::uint32_t>(out.size());
  put32(out, 0x02014b50);  // central directory header
  put16(out, 20);
  put16(out, 20);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0x21);
  put32(out, crc);
  put32(out, size);
  put32(out, size);
  put16(out, nameSize);
  put16(out, 0);  // extra
  put16(out, 0);  // comment
  put16(out, 0);  // disk
  put16(out, 0);  // internal attributes
  put32(out, 0);  // external attributes
  put32(out, 0);  // offset of the local header
  out += name;
  const auto centralSize = static_cast<std::uint32_t>(out.size()) - centralAt;
  put32(out, 0x06054b50);  // end of central directory
  put16(out, 0);
  put16(out, 0);
  put16(out, 1);
  put16(out, 1);
  put32(out, centralSize);
  put32(out, centralAt);
  put16(out, 0);
  return out;
}

// The whole program on virtual time against a real engine of the game's family, started through
// the program as a player starts the game, with a data folder of its own made for the test.
struct RealEngine : ::testing::Test {
  // Writes a pk3 holding one configuration file into the folder's game folder gameFolder.
  void addData(const std::string& gameFolder, const std::string& cfg) {
    std::filesystem::create_directories(folder.path / gameFolder);
    std::ofstream(folder.path / gameFolder / "pak0.pk3", std::ios::binary)
        << zipOfOne(cfg, "// the least an engine needs\n");
  }
  void start(std::vector<std::string> command) {
    ProgramOptions options;
    options.gameCommand = std::move(command);
    options.programFolder = folder.path;
    options.clock = &clock;
    options.media = &media;
    program = std::make_unique<Program>(std::move(options));
    program->start();
  }

  // Moves the program on by ten watch cycles between looks, until done() holds.
  bool until(const std::function<bool()>& done) {
    return waitUntil(*program->gameStream(), done, [this] { clock.runFor(10); });
  }
  // The console log as the program reads it, through the window-system seam.
  std::string log() {
    ConsoleBridge bridge(program->windowSystem(), clock);
    return pvx::testing::answeredNow(
        bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5)));
  }
  bool logHas(const std::string& part) { return log().find(part) != std::string::npos; }
  // How many whole lines of the log are exactly line.
  int linesOfLog(const std::string& line) {
    const std::string shown = "\n" + log();
    int n = 0;
    for (std::size_t at = shown.find("\n" + line + "\r\n"); at != std::string::npos;
         at = shown.find("\n" + line + "\r\n", at + 1))
      ++n;
    return n;
  }
  bool gameGone() { return program->bridge().findConsoleWindow() == 0; }

  // Made first, so that it goes last: the program and the engine it started go before it.
  TestFolder folder;
  VirtualClock clock;
  FakeMediaBackEnd media{clock};
  std::unique_ptr<Program> program;
};

}  // namespace pvx::testing

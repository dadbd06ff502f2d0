// The program against a real engine of the game's family: Debian's ioquake3 dedicated server,
// which like the game's client runs the lines of its standard input as console commands and
// prints its console to standard error. Its data folder is made here: a pak0.pk3 holding only
// a default.cfg.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "GameProcess.h"
#include "app/Program.h"
#include "core/console/ConsoleBridge.h"
#include "core/console/VirtualClock.h"
#include "core/player/FakeMediaBackEnd.h"

using namespace pvx;

namespace {

std::uint32_t crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : data) {
    crc ^= static_cast<unsigned char>(ch);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void put16(std::string& out, unsigned v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// A zip archive holding one stored (uncompressed) file.
std::string zipOfOne(const std::string& name, const std::string& content) {
  const std::uint32_t crc = crc32(content);
  const auto size = static_cast<std::uint32_t>(content.size());
  const auto nameSize = static_cast<unsigned>(name.size());
  std::string zip;
  put32(zip, 0x04034b50);  // local file header
  put16(zip, 20);          // version needed
  put16(zip, 0);           // flags
  put16(zip, 0);           // stored
  put16(zip, 0);           // time
  put16(zip, 0x21);        // date: 1980-01-01
  put32(zip, crc);
  put32(zip, size);
  put32(zip, size);
  put16(zip, nameSize);
  put16(zip, 0);
  zip += name + content;
  const auto centralAt = static_cast<std::uint32_t>(zip.size());
  put32(zip, 0x02014b50);  // central directory header
  put16(zip, 20);
  put16(zip, 20);
  put16(zip, 0);
  put16(zip, 0);
  put16(zip, 0);
  put16(zip, 0x21);
  put32(zip, crc);
  put32(zip, size);
  put32(zip, size);
  put16(zip, nameSize);
  put16(zip, 0);  // extra
  put16(zip, 0);  // comment
  put16(zip, 0);  // disk
  put16(zip, 0);  // internal attributes
  put32(zip, 0);  // external attributes
  put32(zip, 0);  // offset of the local header
  zip += name;
  const auto centralSize = static_cast<std::uint32_t>(zip.size()) - centralAt;
  put32(zip, 0x06054b50);  // end of central directory
  put16(zip, 0);
  put16(zip, 0);
  put16(zip, 1);
  put16(zip, 1);
  put32(zip, centralSize);
  put32(zip, centralAt);
  put16(zip, 0);
  return zip;
}

struct EngineGame : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(PARLEVOX_IOQ3DED))
        << PARLEVOX_IOQ3DED << " is missing: install Debian's ioquake3-server";
    std::random_device rd;
    folder = std::filesystem::temp_directory_path() / ("parlevox-engine-" + std::to_string(rd()));
    std::filesystem::create_directories(folder / "pvx");
    std::ofstream(folder / "pvx" / "pak0.pk3", std::ios::binary)
        << zipOfOne("default.cfg", "// the least an engine needs\n");

    ProgramOptions options;
    options.gameCommand = {PARLEVOX_IOQ3DED,
                           "+set",
                           "com_standalone",
                           "1",
                           "+set",
                           "com_basegame",
                           "pvx",
                           "+set",
                           "fs_basepath",
                           folder.string(),
                           "+set",
                           "fs_homepath",
                           folder.string(),
                           "+set",
                           "net_enabled",
                           "0",
                           "+set",
                           "name",
                           "Rookie"};
    options.programFolder = folder;
    options.clock = &clock;
    options.media = &media;
    options.yield = [this] {
      QCoreApplication::processEvents();
      clock.runDue();
    };
    program = std::make_unique<Program>(std::move(options));
    program->start();
  }
  void TearDown() override {
    program.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  bool until(const std::function<bool()>& done) {
    return pvx::testing::waitUntil(*program->gameStream(), done, [this] { clock.runFor(10); });
  }
  std::string log() {
    pvx::ConsoleBridge bridge(program->windowSystem(), clock);
    return bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5));
  }
  bool logHas(const std::string& part) { return log().find(part) != std::string::npos; }

  std::filesystem::path folder;
  VirtualClock clock;
  FakeMediaBackEnd media{clock};
  std::unique_ptr<Program> program;
};

}  // namespace

TEST_F(EngineGame, TypedLinesAreRunAndTheirOutputRead) {
  // The engine's answer to the program's own question for the name is understood.
  ASSERT_TRUE(until([&] { return program->watch().state().playerName == "Rookie"; })) << log();
  program->bridge().sendConsoleCommand("echo ^1through ^2the bridge");
  ASSERT_TRUE(until([&] { return logHas("\r\nthrough the bridge\r\n"); })) << log();
  EXPECT_TRUE(logHas("]echo through the bridge\r\n"));
  program->bridge().sendConsoleCommand("echo second");
  ASSERT_TRUE(until([&] { return logHas("\r\nsecond\r\n"); })) << log();
}

TEST_F(EngineGame, TheEnginesExitIsTheConsoleWindowGoingAway) {
  ASSERT_TRUE(until([&] { return program->bridge().findConsoleWindow() != 0; }));
  program->bridge().sendConsoleCommand("quit");
  ASSERT_TRUE(until([&] { return program->bridge().findConsoleWindow() == 0; }));
  ASSERT_TRUE(until([&] { return program->watch().state().playerName.empty(); }));
  EXPECT_EQ(program->mainWindow().statusLine(), program->core().status().absent());
}

// The program against OpenJK's own engine: its dedicated server, where this machine has one (in
// PATH, or named by PARLEVOX_OPENJKDED), which shares the client's console, command buffer and
// cvar code. It
// answers a name query in its own words and reads its standard input in pieces of 256 bytes, one
// piece a command line. Its data folder is made here: a pk3 holding only an mpdefault.cfg. There is
// no map without the game's data, so no chat and no game events: those are the test engine's.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RealEngine.h"

namespace {

struct OpenJk : pvx::testing::RealEngine {
  void SetUp() override {
    if (engine.empty() || !std::filesystem::exists(engine))
      GTEST_SKIP() << "OpenJK's dedicated server is not on this machine (PATH, PARLEVOX_OPENJKDED)";
  }
  void startNamed(const std::string& name) {
    addData("base", "mpdefault.cfg");
    start({engine.string(), "+set", "fs_basepath", folder.path.string(), "+set", "fs_homepath",
           folder.path.string(), "+set", "name", name, "+set", "net_enabled", "0"});
  }
  bool named(const std::string& name) { return program->watch().state().playerName == name; }

  const std::filesystem::path engine = PARLEVOX_OPENJKDED;
};

}  // namespace

TEST_F(OpenJk, TheNameIsLearnedFromTheEnginesOwnAnswer) {
  startNamed("Rookie");
  ASSERT_TRUE(until([&] { return named("Rookie"); })) << log();
  EXPECT_EQ(program->mainWindow().statusLine().rfind("[ Current Player: Rookie  OS: ", 0), 0u);
  EXPECT_TRUE(logHas("\r\n\"name\" is:\"Rookie\" default:\"Rookie\"\r\n")) << log();
}

TEST_F(OpenJk, ABurstOfTypedLinesReachesTheEngineEachOnceAndWhole) {
  startNamed("Rookie");
  ASSERT_TRUE(until([&] { return named("Rookie"); })) << log();
  // Typed one after the other in one go, half of them with the leading slash the retail console
  // drops from every line.
  std::vector<std::string> said;
  for (int i = 0; i < 8; ++i) {
    said.push_back("burst " + std::to_string(i) + " " +
                   std::string(100 + 14 * static_cast<std::size_t>(i), static_cast<char>('a' + i)));
    program->bridge().sendConsoleCommand((i % 2 == 0 ? "echo " : "/echo ") + said.back());
  }
  ASSERT_TRUE(until([&] { return linesOfLog(said.back()) > 0; })) << log();
  for (const std::string& line : said)
    EXPECT_EQ(linesOfLog(line), 1) << line << "\n" << log();
}

TEST_F(OpenJk, AnUnknownNameIsAskedForAtMostFourTimesASecond) {
  // An empty name: the engine answers, but the answer names no one.
  startNamed("");
  for (int i = 0; i < 200; ++i) {
    clock.runFor(10);
    program->gameStream()->waitForActivity(1);
  }
  const auto asked = [&] { return linesOfLog("]/name") + linesOfLog("]name"); };
  const auto answered = [&] { return linesOfLog("\"name\" is:\"\" default:\"\""); };
  // Everything asked in those two seconds of the program's time reaches the engine, answered.
  ASSERT_TRUE(pvx::testing::waitUntil(*program->gameStream(), [&] {
    return answered() == asked();
  })) << log();
  EXPECT_GE(answered(), 2);
  EXPECT_LE(answered(), 1 + 2 * 4) << log();
}

TEST_F(OpenJk, TheEngineQuittingIsTheConsoleGoingAway) {
  startNamed("Rookie");
  ASSERT_TRUE(until([&] { return named("Rookie"); })) << log();
  program->bridge().sendConsoleCommand("quit");
  ASSERT_TRUE(until([&] { return gameGone() && named(""); }));
  EXPECT_EQ(
      program->mainWindow().statusLine().rfind("[ Current Player: <JKA is not running>  OS: ", 0),
      0u);
}

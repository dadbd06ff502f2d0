// The program against an engine of the game's family: Debian's ioquake3 dedicated server, which
// like the game's client runs the lines of its standard input as console commands and prints its
// console to standard error. Its data folder is made here: a pak0.pk3 holding only a default.cfg.

#include <gtest/gtest.h>

#include <filesystem>

#include "RealEngine.h"

namespace {

struct EngineGame : pvx::testing::RealEngine {
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(PARLEVOX_IOQ3DED))
        << PARLEVOX_IOQ3DED << " is missing: install Debian's ioquake3-server";
    addData("pvx", "default.cfg");
    start({PARLEVOX_IOQ3DED, "+set", "com_standalone", "1", "+set", "com_basegame", "pvx", "+set",
           "fs_basepath", folder.path.string(), "+set", "fs_homepath", folder.path.string(), "+set",
           "net_enabled", "0", "+set", "name", "Rookie"});
  }
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
  ASSERT_TRUE(until([&] { return !gameGone(); }));
  program->bridge().sendConsoleCommand("quit");
  ASSERT_TRUE(until([&] { return gameGone(); }));
  ASSERT_TRUE(until([&] { return program->watch().state().playerName.empty(); }));
  EXPECT_EQ(
      program->mainWindow().statusLine().rfind("[ Current Player: <JKA is not running>  OS: ", 0),
      0u);
}

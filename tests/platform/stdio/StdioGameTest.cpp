#include "platform/stdio/StdioGame.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "GameProcess.h"

using pvx::StdioGame;
using pvx::testing::EngineFolder;
using pvx::testing::waitUntil;

namespace {

// Everything the game printed, gathered from the stream's thread.
struct Output {
  void attach(StdioGame& game) {
    game.setSink([this](std::string_view bytes) {
      const std::lock_guard<std::mutex> lock(mutex);
      text.append(bytes);
    });
  }
  bool has(const std::string& part) {
    const std::lock_guard<std::mutex> lock(mutex);
    return text.find(part) != std::string::npos;
  }
  std::size_t size() {
    const std::lock_guard<std::mutex> lock(mutex);
    return text.size();
  }
  std::mutex mutex;
  std::string text;
};

std::unique_ptr<StdioGame> start(const std::vector<std::string>& command) {
  std::string error;
  std::unique_ptr<StdioGame> game = StdioGame::start(command, error);
  EXPECT_TRUE(game) << error;
  return game;
}

// Whether the process is gone for good: reaped, not a zombie.
bool reaped(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace

TEST(StdioGame, AProgramThatCannotStartSaysWhy) {
  std::string error;
  EXPECT_FALSE(StdioGame::start({"/nonexistent/openjk.x86_64"}, error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_FALSE(StdioGame::start({}, error));
  EXPECT_FALSE(error.empty());
}

TEST(StdioGame, TakesOutputAndErrorInOrderAndTheExitStatus) {
  auto game = start({"/bin/sh", "-c", "echo one; echo two >&2; printf three; exit 3"});
  ASSERT_TRUE(game);
  Output out;
  out.attach(*game);  // output printed before this waited for it
  ASSERT_TRUE(waitUntil(*game, [&] { return game->ended(); }));
  EXPECT_EQ(out.text, "one\ntwo\nthree");
  EXPECT_TRUE(WIFEXITED(game->waitStatus()));
  EXPECT_EQ(WEXITSTATUS(game->waitStatus()), 3);
  EXPECT_TRUE(reaped(game->pid()));
}

TEST(StdioGame, EachLineReachesTheGameAloneAndWhole) {
  EngineFolder folder;
  auto game = start(folder.command("Rookie"));
  ASSERT_TRUE(game);
  Output out;
  out.attach(*game);
  // A burst typed at once, every line with a leading slash: the game, which reads what waits in
  // its input together and cuts it every 256 bytes, runs each as typed only if it comes alone.
  std::vector<std::string> ran;
  for (int i = 0; i < 12; ++i) {
    const std::string line = "echo " + std::to_string(i) + " " +
                             std::string(100 + 12 * static_cast<std::size_t>(i), 'a');
    game->sendLine("/" + line);
    ran.push_back(line);
  }
  // A line longer than the game reads at once is cut, not run as two commands.
  const std::string tooLong = "/echo " + std::string(300, 'z') + ";quit";
  game->sendLine(tooLong);
  ran.push_back(tooLong.substr(1, pvx::GameStream::kMaxLineBytes - 1));
  game->sendLine("/name");
  ran.push_back("name");
  ASSERT_TRUE(waitUntil(*game, [&] { return out.has("Cvar ^7name"); })) << out.text;
  EXPECT_EQ(folder.received(), ran);
  EXPECT_FALSE(game->ended());
}

TEST(StdioGame, TheGamesEndIsSeenHoweverItEnds) {
  struct Case {
    const char* control;
    bool signalled;
    int code;
  } cases[] = {{"exit 7", false, 7}, {"kill", true, SIGKILL}};
  for (const Case& c : cases) {
    EngineFolder folder;
    auto game = start(folder.command("Rookie"));
    ASSERT_TRUE(game);
    Output out;
    out.attach(*game);
    folder.tell("print last words");
    folder.tell(c.control);
    ASSERT_TRUE(waitUntil(*game, [&] { return game->ended(); })) << c.control;
    EXPECT_TRUE(out.has("last words\n")) << c.control;
    const int status = game->waitStatus();
    if (c.signalled) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.code) << c.control;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.code) << c.control;
    }
    EXPECT_TRUE(reaped(game->pid())) << c.control;
    game->sendLine("say anyone?");  // lost, quietly
  }
}

TEST(StdioGame, AFloodNeverWaitsForTheReader) {
  EngineFolder folder;
  auto game = start(folder.command("Rookie"));
  ASSERT_TRUE(game);
  Output out;
  out.attach(*game);
  folder.tell("flood 1048576");
  folder.tell("print after the flood");
  ASSERT_TRUE(waitUntil(*game, [&] { return out.has("after the flood\n"); }));
  EXPECT_GE(out.size(), 1048576u);
  EXPECT_TRUE(out.has("flood done\n"));
}

TEST(StdioGame, AGameThatStopsReadingNeverBlocksTheWriter) {
  EngineFolder folder;
  auto game = start(folder.command("Rookie"));
  ASSERT_TRUE(game);
  Output out;
  out.attach(*game);
  folder.tell("hang");
  // Far more than a pipe holds; every call returns at once (a blocked one would hang the test).
  const std::string line(1000, 'x');
  for (int i = 0; i < 4000; ++i)
    game->sendLine("echo " + line);
  EXPECT_FALSE(game->ended());
}

TEST(StdioGame, AGameThatClosedItsInputLosesWhatIsTypedAndNothingElseHappens) {
  auto game = start({"/bin/sh", "-c", "exec 0<&-; echo closed; exec sleep 60"});
  ASSERT_TRUE(game);
  Output out;
  out.attach(*game);
  ASSERT_TRUE(waitUntil(*game, [&] { return out.has("closed\n"); }));
  for (int i = 0; i < 100; ++i)
    game->sendLine("say nobody reads this");  // no SIGPIPE ends this program
  EXPECT_FALSE(game->ended());
}

TEST(StdioGame, ClosingEndsAGameStillRunningAndLeavesNoZombie) {
  EngineFolder folder;
  pid_t pid = 0;
  {
    auto game = start(folder.command("Rookie"));
    ASSERT_TRUE(game);
    pid = game->pid();
    folder.tell("hang");
  }
  EXPECT_TRUE(reaped(pid));
}

// The whole program against a game on real pipes: the test engine, started by the program as
// the player starts the real game, on the program's virtual time.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "GameProcess.h"
#include "RealEngine.h"
#include "app/Program.h"
#include "core/console/ConsoleBridge.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/PlaylistFile.h"
#include "core/text/Text.h"
#include "core/time/VirtualClock.h"
#include "platform/stdio/StdioGame.h"

using namespace pvx;
using pvx::testing::EngineFolder;

namespace {

// The status line while the game is not running, beside the system's name and kernel version.
const std::regex kGameNotRunning(
    R"(\[ Current Player: <JKA is not running>  OS: Linux \d+(\.\d+)* \])");

struct GameThroughPipes : pvx::testing::RealEngine {
  // Whether the engine starts its lines with time stamps, as the open-source engine does by
  // default.
  virtual bool timestamps() const { return false; }
  void SetUp() override {
    // A playlist of scripted tracks for the chat's music commands.
    media.addTrack("/music/intro", 30);
    media.addTrack("/music/starlight", 40);
    std::filesystem::create_directories(folder.path / "Saves");
    PlaylistFile(PlaylistFile::in(folder.path))
        .save({{"intro", "/music/intro"}, {"starlight", "/music/starlight"}});
    start(engine.command("Rookie", timestamps()));
    // The game answers the program's first question for the name before the first watch cycle,
    // as a running game does at once: the cycle then reads the answer whole.
    ASSERT_TRUE(pvx::testing::waitUntil(game(), [&] { return logHas("\"name\" is:"); }));
  }
  void TearDown() override {
    if (HasFailure()) {
      const std::string shown = log();
      std::fprintf(
          stderr, "player [%s]\nlog tail:\n%s\nreceived tail:\n%s\n",
          program->watch().state().playerName.c_str(),
          shown.substr(shown.size() > 1500 ? shown.size() - 1500 : 0).c_str(),
          received().substr(received().size() > 600 ? received().size() - 600 : 0).c_str());
    }
    program.reset();  // the game ends before its folder goes
  }

  GameStream& game() { return *program->gameStream(); }
  bool nameLearned() { return program->watch().state().playerName == "Rookie"; }
  std::string received() {
    std::string all;
    for (const std::string& line : engine.received())
      all += line + "\n";
    return all;
  }

  EngineFolder engine;
};

// Runs the program on its own clock, in real time, until done() holds or the bound passes.
bool inRealTime(Program& program, const std::function<bool()>& done) {
  return pvx::testing::waitUntil(*program.gameStream(), done, [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  });
}

}  // namespace

TEST_F(GameThroughPipes, TheNameIsLearnedFromTheGamesAnswer) {
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  EXPECT_TRUE(engine.hasReceived("name"));
  EXPECT_EQ(program->mainWindow().statusLine().find("[ Current Player: Rookie  OS: "), 0u);
  // The program reads its own typing as the retail window echoes it, never the game's echo,
  // and the game's answer in the retail words.
  EXPECT_EQ(linesOfLog("]name"), 1) << log();
  EXPECT_GE(linesOfLog("\"name\" is:\"Rookie\" default:\"Padawan\""), 1) << log();
}

TEST_F(GameThroughPipes, AnotherPlayerIsGreetedAndADuelAnswered) {
  program->core().messages().setMessage(MessageKind::Greeting, Message{"^2Welcome, %d^2!", 1});
  program->mainWindow().editDuelText(DuelText::Engage, "%s vs %d");
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  clock.runFor(15000);  // greetings wait a while after start

  // The game's text is Windows-1252 ("ë" is one byte); what is typed is converted back.
  engine.tell("print Zo\xEB^7 entered the game");
  ASSERT_TRUE(until([&] { return engine.hasReceived("say ^2Welcome, Zo\xEB^2!"); }));
  engine.tell("print Zo\xEB^7 has become engaged in a duel with Rookie^7!");
  ASSERT_TRUE(until([&] { return engine.hasReceived("say Rookie vs Zo\xEB"); }))
      << received() << log();
  // The game's own chat lines of those replies came back into the log, colours removed.
  ASSERT_TRUE(until([&] {
    return log().find("Rookie: Rookie vs Zo\xC3\xAB\r\n") != std::string::npos;
  })) << log();
}

TEST_F(GameThroughPipes, TheLocalPlayersChatCommandsAreObeyed) {
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  // The player says it in the game; the game prints the chat line.
  game().sendLine("say !next");
  ASSERT_TRUE(until([&] { return engine.hasReceived("echo ^1Currently Playing: ^4starlight"); }));
  // A line that still holds the chat escape character is read without it.
  engine.tell("print \x19Rookie^7\x19: ^2!next");
  ASSERT_TRUE(until([&] { return engine.hasReceived("echo ^1Currently Playing: ^4intro"); }))
      << received() << log();
  // Another player's line never commands the program.
  engine.tell("print Bob^7: ^2!stop");
  engine.tell("print marker");
  ASSERT_TRUE(until([&] { return log().find("marker") != std::string::npos; }));
  clock.runFor(3000);
  EXPECT_FALSE(engine.hasReceived("say ^1Stopped"));
}

TEST_F(GameThroughPipes, AMapLoadedIsAskedForTheNameAgain) {
  // Every name query of the start is answered first.
  const auto count = [this](const std::string& part) {
    const std::string shown = log();
    int n = 0;
    for (std::size_t at = shown.find(part); at != std::string::npos; at = shown.find(part, at + 1))
      ++n;
    return n;
  };
  ASSERT_TRUE(until([&] {
    return nameLearned() && count("\"name\" is:") == count("]name\r\n") + count("]/name\r\n");
  }));
  // The server gave the player another name; the game says so only when asked.
  engine.tell("forcename Rookie(2)");
  engine.tell("load");
  ASSERT_TRUE(until([&] { return program->watch().state().playerName == "Rookie(2)"; }))
      << received() << log();
  EXPECT_NE(log().find("Loading dll file cgame.\r\n"), std::string::npos) << log();
}

TEST_F(GameThroughPipes, ABurstOfTypedLinesArrivesLineByLineEachOnceAndWhole) {
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  // Twenty long titles: "!listsongs" types "/clear" and five echo lines of four titles at once.
  std::vector<PlaylistEntry> entries;
  for (int i = 0; i < 20; ++i)
    entries.push_back({"title " + std::to_string(i) + " of a rather long playlist", "/music/x"});
  PlaylistFile(PlaylistFile::in(folder.path)).save(entries);
  program->player().loadPlaylist();
  game().sendLine("say !listsongs");
  std::vector<std::string> all;
  auto clear = all.end();
  ASSERT_TRUE(until([&] {
    all = engine.received();
    clear = std::find(all.begin(), all.end(), "clear");
    return all.end() - clear >= 6;
  })) << received();
  for (int row = 0; row < 5; ++row) {
    const std::string& line = clear[row + 1];
    EXPECT_EQ(line.rfind("echo ^1\"" + entries[4 * row].title, 0), 0u) << line;
    EXPECT_EQ(line.substr(line.size() - entries[4 * row + 3].title.size() - 1),
              entries[4 * row + 3].title + "\"")
        << line;
  }
}

struct GameThroughPipesWithTimeStamps : GameThroughPipes {
  bool timestamps() const override { return true; }
};

TEST_F(GameThroughPipesWithTimeStamps, TheGamesTimeStampsHideNothing) {
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  game().sendLine("say !next");
  ASSERT_TRUE(until([&] { return engine.hasReceived("echo ^1Currently Playing: ^4starlight"); }));
  // No line of the log starts with a stamp's date.
  const std::string shown = "\n" + log();
  for (std::size_t at = shown.find('\n'); at != std::string::npos; at = shown.find('\n', at + 1))
    EXPECT_FALSE(at + 1 < shown.size() && shown[at + 1] >= '0' && shown[at + 1] <= '9') << shown;
}

TEST_F(GameThroughPipes, TheGameEndingMidCycleIsTheGameNotRunning) {
  program->mainWindow().editDuelText(DuelText::Engage, "%s vs %d");
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  const pid_t pid = static_cast<StdioGame&>(game()).pid();
  // The game ends while the program is busy with its last words.
  engine.tell("print Bob^7 has become engaged in a duel with Rookie^7!");
  engine.tell("exit 3");
  ASSERT_TRUE(until([&] { return game().ended() && program->bridge().findConsoleWindow() == 0; }));
  ASSERT_TRUE(until([&] { return program->watch().state().playerName.empty(); }));
  EXPECT_TRUE(std::regex_match(program->mainWindow().statusLine(), kGameNotRunning))
      << program->mainWindow().statusLine();
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1);  // reaped: no zombie
  EXPECT_EQ(errno, ECHILD);
  // The program goes on without the game; its settings are all there.
  clock.runFor(5000);
  EXPECT_TRUE(std::regex_match(program->mainWindow().statusLine(), kGameNotRunning))
      << program->mainWindow().statusLine();
}

TEST_F(GameThroughPipes, AFloodOfOutputBlocksNeitherSide) {
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  // The game prints a megabyte while the program does not run at all: the game is not held up.
  engine.tell("flood 1048576");
  ASSERT_TRUE(pvx::testing::waitUntil(
      game(), [&] { return log().find("flood done\r\n") != std::string::npos; }));
  const std::string kept = log();
  EXPECT_LE(kept.size(), 32767u);
  EXPECT_EQ(kept.find("^1"), std::string::npos);
  // The program, running again, catches up and still answers.
  clock.runFor(1000);
  ASSERT_TRUE(until([&] { return nameLearned(); }));
  program->mainWindow().editDuelText(DuelText::Engage, "%s vs %d");
  engine.tell("print Bob^7 has become engaged in a duel with Rookie^7!");
  ASSERT_TRUE(until([&] { return engine.hasReceived("say Rookie vs Bob"); }));
}

TEST(GameThroughPipesStart, AGameThatCannotStartIsAClearError) {
  ProgramOptions options;
  options.gameCommand = {"/nonexistent/openjk.x86_64", "+set", "com_ansiColor", "0"};
  VirtualClock clock;
  options.clock = &clock;
  try {
    Program program(std::move(options));
    FAIL() << "started";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/openjk.x86_64"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
  }
}

TEST(GameThroughPipesInRealTime, AQuietProgramWakesForWhatTheGamePrints) {
  // In real time the program waits for the game: told of its output on the stream's own thread.
  EngineFolder engine;
  VirtualClock trackTime;  // no track plays here
  FakeMediaBackEnd media{trackTime};
  ProgramOptions options;
  options.gameCommand = engine.command("Rookie");
  options.programFolder = engine.path;
  options.media = &media;
  Program program(std::move(options));
  program.start();
  program.mainWindow().editDuelText(DuelText::Engage, "%s vs %d");
  const auto runUntil = [&](const std::function<bool()>& done) {
    return inRealTime(program, done);
  };
  ASSERT_TRUE(runUntil([&] { return program.watch().state().playerName == "Rookie"; }));
  for (const char* opponent : {"Bob", "Cid"}) {
    engine.tell(std::string("print ") + opponent +
                "^7 has become engaged in a duel with Rookie^7!");
    ASSERT_TRUE(runUntil([&] {
      return engine.hasReceived(std::string("say Rookie vs ") + opponent);
    })) << opponent;
  }
}

TEST(GameThroughPipesInRealTime, EverySayOfAMatchGetsPastTheServersFloodProtection) {
  // A match against a server that ignores a command coming within a second of the player's
  // previous one, chat coming back after 60 ms: the player enters, another player is greeted,
  // the player accepts a duel, stops the music, loads a message set, kills himself, the time
  // limit is hit. The player types on once the server takes his commands again.
  EngineFolder engine;
  VirtualClock trackTime;
  FakeMediaBackEnd media{trackTime};
  media.addTrack("/music/intro", 600);
  std::filesystem::create_directories(engine.path / "Saves");
  PlaylistFile(PlaylistFile::in(engine.path)).save({{"intro", "/music/intro"}});
  std::ofstream(engine.path / "Saves" / "duel.pvx", std::ios::binary)
      << "Parlevocs [ZB] Vendrix\r\n%s vs %d\r\n%s beat %d\r\n%d beat %s\r\nWelcome %d\r\n 1 \r\n"
         "oops\r\n 1 \r\ngl\r\n 1 \r\ngg\r\n 1 \r\n";
  ProgramOptions options;
  options.gameCommand = engine.command("Rookie", false, {.floodProtect = true, .roundTripMs = 60});
  options.programFolder = engine.path;
  options.media = &media;
  Program program(std::move(options));
  program.start();
  for (const auto& [kind, text] :
       {std::pair{MessageKind::OwnEntry, "gl"}, std::pair{MessageKind::Greeting, "Welcome %d"},
        std::pair{MessageKind::SelfKill, "oops"}, std::pair{MessageKind::Limit, "gg"}})
    program.core().messages().setMessage(kind, Message{text, 1});
  program.mainWindow().editDuelText(DuelText::Engage, "%s vs %d");
  const auto runUntil = [&](const std::function<bool()>& done) {
    return inRealTime(program, done);
  };
  const auto heard = [&](const std::string& line) {
    return runUntil([&] { return engine.hasReceived(line); });
  };
  ASSERT_TRUE(runUntil([&] { return program.watch().state().playerName == "Rookie"; }));
  program.player().playSelected();

  // The server's own lines follow the player's command that caused them.
  engine.tell("player begin");
  ASSERT_TRUE(heard("player begin"));
  engine.tell("print Rookie^7 entered the game");
  ASSERT_TRUE(heard("say gl")) << engine.received().size();
  program.core().replies().greetingTimerTick();
  engine.tell("print Bob^7 entered the game");
  ASSERT_TRUE(heard("say Welcome Bob"));
  engine.tell("player engage_duel");
  ASSERT_TRUE(heard("player engage_duel"));
  engine.tell("print Bob^7 has become engaged in a duel with Rookie^7!");
  ASSERT_TRUE(heard("say Rookie vs Bob"));
  engine.tell("player say !stop");
  ASSERT_TRUE(heard("say ^1Stopped"));
  engine.tell("player say !load duel");
  ASSERT_TRUE(heard("say ^7duel ^1loaded successfully"));
  engine.tell("player kill");
  ASSERT_TRUE(heard("player kill"));
  engine.tell("print Rookie^7 killed himself.");
  ASSERT_TRUE(heard("say oops"));
  engine.tell("print Timelimit hit.");
  ASSERT_TRUE(heard("say gg"));

  std::string ignored;
  for (const std::string& line : engine.received()) {
    if (line.rfind("ignored", 0) == 0)
      ignored += line + "\n";
  }
  EXPECT_EQ(ignored, "");
}

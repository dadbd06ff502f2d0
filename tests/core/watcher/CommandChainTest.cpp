#include "core/watcher/CommandChain.h"

#include <algorithm>
#include <fstream>

#include "support/WatcherHarness.h"

using namespace pvx;

namespace {

// Which music command ran, as the chain called it.
class MusicLog final : public MusicCommands {
 public:
  Task<CycleFlow> stop() override { return ran("stop"); }
  Task<CycleFlow> next() override { return ran("next"); }
  Task<CycleFlow> prev() override { return ran("prev"); }
  Task<CycleFlow> vol(std::string) override { return ran("vol"); }
  Task<CycleFlow> pause() override { return ran("pause"); }
  Task<CycleFlow> listSongs() override { return ran("listsongs"); }
  Task<CycleFlow> play(std::string) override { return ran("play"); }
  std::vector<std::string> calls;

 private:
  Task<CycleFlow> ran(const char* what) {
    calls.emplace_back(what);
    co_return CycleFlow::Continue;
  }
};

class Commands : public pvx::testing::WatcherHarness {
 protected:
  Commands() : WatcherHarness(&music) {}
  void SetUp() override {
    startKnowingName();
    std::filesystem::create_directories(programFolder() / "Saves");
    std::ofstream(programFolder() / "Saves" / "duel.pvx", std::ios::binary)
        << "Parlevocs [ZB] Vendrix\r\n%s vs %d\r\nw\r\nl\r\nHi\r\n 1 \r\nd\r\n 0 \r\ne\r\n 0 \r\n"
           "l\r\n 0 \r\n";
  }
  MusicLog music;
};

}  // namespace

TEST(CommandArgument, IsCutByKeyAndOffsetLessTheLineBreak) {
  auto arg = [](const std::string& text, const char* key, std::size_t offset) {
    return CommandChain::argument(text, key, offset);
  };
  EXPECT_EQ(arg("Bob: !LOAD duel\r\n", ": !load", 8), "duel");
  EXPECT_EQ(arg("Bob: !loadout x\r\n", ": !load", 8), "ut x");
  EXPECT_EQ(arg("Bob: !load  duel\r\n", ": !load", 8), " duel");
  EXPECT_EQ(arg("Bob: !load \r\n", ": !load", 8), "");
  EXPECT_EQ(arg("Ann: !load a\r\nBob: !load b\r\n", ": !load", 8), "a\r\nBob: !load b");
  EXPECT_EQ(arg("Bob: !vol 15\r\n", " !vol", 5), " 15");
  EXPECT_EQ(arg("Bob: !load\r", ": !load", 8), std::nullopt);  // cut short: no line break
  EXPECT_EQ(arg("Bob: !vol\r\n", " !vol", 5), "");
  EXPECT_EQ(arg("¬Bob¬: !load ¬x¬\r\n", ": !load", 8), "¬x¬");
  // The name is cut off first, so a name that holds the key does not shift the cut.
  const auto command =
      CommandChain::commandText("Ann: hi\r\na: !load: !load b\r\n", "a: !load", ": !load");
  EXPECT_EQ(command, ": !load b\r\n");
  EXPECT_EQ(arg(command.value_or(""), ": !load", 8), "b");
}

// The answers to the player's own chat wait for the server's second after it: the 0.9 s the
// command waits of its own is shorter.
constexpr std::int64_t kServerTakesChat = ConsoleBridge::kChatGapMs;

TEST_F(Commands, LoadReportsSuccessOnceTheServerTakesChatAgain) {
  const auto t0 = happen({"Rookie: !LOAD duel"});
  EXPECT_EQ(typedSince(t0), (Lines{{kServerTakesChat, "say ^7duel ^1loaded successfully"}}));
  EXPECT_EQ(window.duelText(DuelText::Engage), "%s vs %d");
  EXPECT_EQ(messageSet().greeting.text, "Hi");
  EXPECT_TRUE(replies().repliesOn());
}

TEST_F(Commands, LoadFailuresSayWhatWasAskedFor) {
  const std::pair<const char*, const char*> failures[] = {
      {"Rookie: !loadout x", "say ^1Error opening file ^7ut x"},
      {"Rookie: !load ", "say ^1Error opening file ^7"},
      {"Rookie: !load ../duel;quit", "say ^1Error opening file ^7../duelquit"},
  };
  for (const auto& [line, said] : failures) {
    const auto t0 = happen({line});
    EXPECT_EQ(typedSince(t0), (Lines{{kServerTakesChat, said}})) << line;
  }
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Commands, LoadWithAWrongHeaderWaitsForTheBoxThenFails) {
  std::ofstream(programFolder() / "Saves" / "old.pvx", std::ios::binary) << "Parlevocs\r\n";
  const auto t0 = happen({"Rookie: !load old"});
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(typedSince(t0), (Lines{{kServerTakesChat, "say ^1Error opening file ^7old"}}));
}

TEST_F(Commands, OnlyTheFirstCommandOfTheChainRuns) {
  happen({"Rookie: !stop", "Rookie: !load duel"});
  EXPECT_TRUE(music.calls.empty());
  happen({"Rookie: !play x", "Rookie: !stop"});
  happen({"Rookie: !listsongs", "Rookie: !vol 3", "Rookie: !pause"});
  happen({"Rookie: !prev", "Rookie: !next"});
  EXPECT_EQ(music.calls, (std::vector<std::string>{"stop", "vol", "next"}));
}

TEST_F(Commands, OnlyALineBeginningWithOurNameCommands) {
  // Other players' lines, wherever our name and a command stand in them, command nothing.
  const std::vector<std::string> impostors = {
      "Ann: did you know you can type Rookie: !next in chat?",
      "Eve: Rookie: !mini",
      "xRookie: !mini",
      "Bob: !next",
      " Rookie: !stop",
      "]say Rookie: !load duel",
  };
  for (const std::string& line : impostors) {
    const auto t0 = happen({line});
    EXPECT_TRUE(typedSince(t0).empty()) << line;
  }
  EXPECT_TRUE(music.calls.empty());
  EXPECT_TRUE(practice.gameWindowVisible());
  EXPECT_TRUE(window.states.empty());

  happen({"Ann: hi", "ROOKIE: !Next please"});  // our own line, in any letter case
  EXPECT_EQ(music.calls, (std::vector<std::string>{"next"}));
}

TEST_F(Commands, APieceOfALineCutByTheNewTextLimitIsNoLine) {
  // The last 200 characters of a burst begin inside Eve's line, right at "Rookie: !next".
  const std::string tail = "Rookie: !next";
  const std::string other = "Ann: " + std::string(200 - tail.size() - 4 - 5, 'b');
  happen({"Eve: " + std::string(100, 'a') + tail, other});
  ASSERT_EQ(watch().newText(), tail + "\r\n" + other + "\r\n");
  EXPECT_TRUE(music.calls.empty());
  EXPECT_EQ(watch().wholeLines(), other + "\r\n");
}

TEST_F(Commands, TheArgumentComesFromTheCommandsOwnLine) {
  std::ofstream(programFolder() / "Saves" / "b.pvx", std::ios::binary)
      << "Parlevocs [ZB] Vendrix\r\ne\r\nw\r\nl\r\nHi\r\n 1 \r\nd\r\n 0 \r\ne\r\n 0 \r\n"
         "l\r\n 0 \r\n";
  const auto t0 = happen({"Ann: !load a", "Rookie: !load b", "Cid: !load c"});
  EXPECT_EQ(typedSince(t0), (Lines{{kServerTakesChat, "say ^7b ^1loaded successfully"}}));
  // A name that holds the key itself does not shift the cut.
  watch().setPlayerName("x: !load");
  const auto t1 = happen({"x: !load: !load duel"});
  EXPECT_EQ(typedSince(t1), (Lines{{kServerTakesChat, "say ^7duel ^1loaded successfully"}}));
}

TEST_F(Commands, TheProgramsOwnFailureLineIsAnsweredOnce) {
  // The failure line comes back as our own chat line; it must not load again and again.
  happen({"Ann: !load a", "Rookie: !load b"});
  clock.runFor(10000);
  const std::vector<std::string> all = commands();
  EXPECT_EQ(std::count(all.begin(), all.end(), "say ^1Error opening file ^7b"), 1);
  EXPECT_EQ(
      std::count_if(all.begin(), all.end(),
                    [](const std::string& c) { return c.find("Error") != std::string::npos; }),
      1);
}

TEST_F(Commands, CommandsRunWhileRepliesAreOff) {
  replies().setRepliesOn(false);
  happen({"Rookie: !stop"});
  EXPECT_EQ(music.calls, (std::vector<std::string>{"stop"}));
}

TEST_F(Commands, AnEventAndACommandInOneTextAreBothHandledEventFirst) {
  setText(MessageKind::Limit, "gg");
  setFlag(MessageKind::Limit, 1);
  const auto t0 = happen({"Timelimit hit.", "Rookie: !load duel"});
  // Each say waits for the server's second after the player's chat line, then after the say
  // before it.
  EXPECT_EQ(typedSince(t0), (Lines{{kServerTakesChat, "say gg"},
                                   {2 * kServerTakesChat, "say ^7duel ^1loaded successfully"}}));
}

TEST_F(Commands, ReplyOffAndOnInOneTextOnlySwitchesOff) {
  happen({"Rookie: !replyoff", "Rookie: !ReplyON"});
  EXPECT_FALSE(replies().repliesOn());
}

TEST_F(Commands, MiniHidesTheGameAndTidiesTheTaskbar) {
  const Hwnd taskbar = ws.createWindow("Shell_traywnd", "");
  std::vector<bool> taskbarShown;
  ws.setVisibilityHandler(taskbar, [&](bool v) { taskbarShown.push_back(v); });
  const auto t0 = happen({"Rookie: !mini"});
  EXPECT_FALSE(practice.gameWindowVisible());
  EXPECT_EQ(taskbarShown, (std::vector<bool>{false, true}));
  EXPECT_EQ(window.states, (std::vector<std::string>{"maximized", "normal", "focus"}));
  EXPECT_EQ(typedSince(t0), (Lines{{1600, "say ^1Minimized"}}));
  const SimulatedWindowSystem::Placement p = ws.placement(taskbar);
  EXPECT_EQ(p.cx, 0);  // neither moved nor sized

  core().gameWindow().backToGame();
  EXPECT_TRUE(practice.gameWindowVisible());
}

TEST_F(Commands, MiniWithoutTheGameWindowOrTaskbarStillSaysSo) {
  ws.destroyWindow(practice.gameWindow());
  const auto t0 = happen({"Rookie: !mini"});
  EXPECT_EQ(typedSince(t0), (Lines{{1600, "say ^1Minimized"}}));
  EXPECT_EQ(window.states, (std::vector<std::string>{"maximized", "normal", "focus"}));
}

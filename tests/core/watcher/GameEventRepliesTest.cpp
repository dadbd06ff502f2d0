#include "core/watcher/GameEventReplies.h"

#include <algorithm>

#include "support/WatcherHarness.h"

using namespace pvx;

namespace {

// Replies to what the practice game prints, on virtual time; the player is "Rookie" and the
// game prints names without colour escapes, as the real game's window shows them.
class Replies : public pvx::testing::WatcherHarness {
 protected:
  void SetUp() override { startKnowingName(); }
  void duelTemplates(const std::string& engage, const std::string& won, const std::string& lost) {
    core().messages().setDuel(DuelText::Engage, engage);
    core().messages().setDuel(DuelText::Won, won);
    core().messages().setDuel(DuelText::Lost, lost);
  }
};

const std::string kInit = "say ^7[^2ZB^7] ^3¬^5vendrix^3¬ ^1Parlevox V1.1 initilized";

// The server ignores a command that comes within a second of the player's previous one: a reply
// waits this long after the line of the player's own doing it answers, and after the say before.
constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;

}  // namespace

TEST_F(Replies, OwnEntryAnnouncesParlevoxThenTheEnterMessage) {
  setText(MessageKind::OwnEntry, "^3Good luck");
  setFlag(MessageKind::OwnEntry, 1);
  const auto t0 = happen({"Rookie^7 entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, kInit}, {2 * kGap, "say ^3Good luck"}}));

  setFlag(MessageKind::OwnEntry, 2);  // only exactly 1 counts as on
  const auto t1 = happen({"Rookie entered the game"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, kInit}}));
}

TEST_F(Replies, AnotherPlayerIsGreetedOncePerGateOpening) {
  setText(MessageKind::Greeting, "Hi %d, %D!");
  setFlag(MessageKind::Greeting, 1);
  clock.runUntil(15000);  // the gate opens
  const auto t0 = happen({"Bob^7 entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say Hi Bob, Bob!"}}));
  EXPECT_FALSE(replies().greetingGateOpen());
  clock.runFor(5000);
  const auto t1 = happen({"Cid entered the game"});
  EXPECT_TRUE(typedSince(t1).empty());
}

TEST_F(Replies, DisabledGreetingStillEndsTheChainWhileTheGateIsOpen) {
  core().messages().setDuel(DuelText::Engage, "%s vs %d");
  setFlag(MessageKind::Greeting, 0);
  // The gate is closed until the greeting timer's first tick: the chain goes on to the duel.
  ASSERT_FALSE(replies().greetingGateOpen());
  const auto t1 = happen({"Bob entered the game", "Cid has become engaged in a duel with Rookie!"});
  // The opponent is cut from the duel's own line.
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say Rookie vs Cid"}}));

  replies().greetingTimerTick();
  const auto t0 = happen({"Bob entered the game", "Cid has become engaged in a duel with Rookie!"});
  EXPECT_TRUE(typedSince(t0).empty());
  EXPECT_TRUE(replies().greetingGateOpen());
}

// A duel is answered when it is engaged, by either side, and 699 ms after the line that ends it,
// with the templates' placeholders in either form; once it is over, the same line does nothing.
TEST_F(Replies, DuelsAreAnsweredWhenEngagedAndWhenTheyEnd) {
  const struct {
    const char *engage, *won, *lost;
    const char *engaged, *ended, *saidEngaged, *saidEnded;
  } duels[] = {
      {"%s vs %d", "%s beat %d", "%d beat %s", "Rookie^7 has become engaged in a duel with Bob^7!",
       "Rookie was sabered by Bob", "say Rookie vs Bob", "say Bob beat Rookie"},
      {"%S vs %D", "%S beat %D", "lost", "Bob has become engaged in a duel with Rookie!",
       "Bob was sabered by Rookie", "say Rookie vs Bob", "say Rookie beat Bob"},
  };
  for (const auto& duel : duels) {
    SCOPED_TRACE(duel.engaged);
    duelTemplates(duel.engage, duel.won, duel.lost);
    const auto t0 = happen({duel.engaged});
    EXPECT_EQ(replies().opponent(), "Bob");
    EXPECT_TRUE(replies().duelUnderway());
    clock.runFor(kGap);
    const auto t1 = happen({duel.ended});
    EXPECT_EQ(typedSince(t0), (Lines{{kGap, duel.saidEngaged}, {t1 - t0 + 699, duel.saidEnded}}));
    EXPECT_FALSE(replies().duelUnderway());
    const auto t2 = happen({duel.ended});  // duel over: nothing
    EXPECT_TRUE(typedSince(t2).empty());
  }
}

TEST_F(Replies, SaberedLinesWithoutADuelDoNothing) {
  duelTemplates("e", "w", "l");
  const auto t0 = happen({"Rookie was sabered by Bob", "Bob was sabered by Rookie"});
  EXPECT_TRUE(typedSince(t0).empty());
}

TEST_F(Replies, ShortDuelLineTakesWhatIsThere) {
  duelTemplates("[%d]", "w", "l");
  const auto t0 = happen({"Rookie has become engaged in a duel with "});
  EXPECT_EQ(replies().opponent(), "");
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say []"}}));
}

TEST_F(Replies, RenameChangesWhatLaterEventsAreMatchedAgainst) {
  setText(MessageKind::SelfKill, "^1Oops");
  setFlag(MessageKind::SelfKill, 1);
  happen({"Rookie renamed to Cid"});
  EXPECT_EQ(playerName(), "Cid");
  EXPECT_EQ(window.status, "[ Current Player: Cid  OS: Windows 2000 Build 2195 ]");
  const auto t0 = happen({"Rookie killed himself"});
  EXPECT_TRUE(typedSince(t0).empty());
  const auto t1 = happen({"Cid killed himself"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say ^1Oops"}}));
}

TEST_F(Replies, ARenameLineThatAnotherPlayerCanWriteAsksTheGameInstead) {
  // Another player's chat line; a player named "Rookie renamed to Evil" who says something,
  // renames himself in turn, enters or dies: the game is asked, and its answer keeps the name.
  for (const char* line :
       {"Bob: Rookie renamed to Evil", "Rookie renamed to Evil: hi",
        "Rookie renamed to Evil renamed to Foo", "Rookie renamed to Evil entered the game",
        "Rookie renamed to Evil was sabered by Bob", "Rookie renamed to Evil\tx"}) {
    const auto t0 = happen({line});
    EXPECT_EQ(typedSince(t0), (Lines{{0, "name"}})) << line;
    runOneCycle();
    EXPECT_EQ(playerName(), "Rookie") << line;
  }
  // A new name with a blank is the player's own all the same: the game's answer names him.
  core().bridge().sendConsoleCommand("name Big Cid");
  cycleUntil([&] { return playerName() == "Big Cid"; });
  EXPECT_EQ(playerName(), "Big Cid");
}

TEST_F(Replies, ReplyOffLeavesOnlyTheLoadingTestAndReplyOn) {
  setFlag(MessageKind::Limit, 1);
  setText(MessageKind::Limit, "gg");
  const auto t0 = happen({"Rookie: !replyoff"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Parlevox terminated"}}));
  EXPECT_FALSE(replies().repliesOn());

  const auto t1 = happen({"Timelimit hit.", "Loading dll file jampgamex86.so"});
  EXPECT_EQ(typedSince(t1), (Lines{{0, "name"}}));

  const auto t2 = happen({"Rookie: !ReplyON"});
  EXPECT_EQ(typedSince(t2), (Lines{{kGap, kInit}}));
  EXPECT_TRUE(replies().repliesOn());
  const auto t3 = happen({"Rookie: !ReplyON"});  // already on: nothing
  EXPECT_TRUE(typedSince(t3).empty());
}

TEST_F(Replies, ReplyOnFromAnyoneWhileTheNameIsUnknown) {
  replies().setRepliesOn(false);
  watch().setPlayerName("");
  game.print("Zed: !replyon");
  runOneCycle();
  EXPECT_TRUE(replies().repliesOn());
}

TEST_F(Replies, MatchLimitsAfterHalfASecondWhenEnabled) {
  setText(MessageKind::Limit, "^5GG");
  setFlag(MessageKind::Limit, 1);
  const auto t0 = happen({"Timelimit hit."});
  EXPECT_EQ(typedSince(t0), (Lines{{500, "say ^5GG"}}));
  clock.runFor(kGap);
  const auto t1 = happen({"Bob hit the kill limit."});
  EXPECT_EQ(typedSince(t1), (Lines{{500, "say ^5GG"}}));
  setFlag(MessageKind::Limit, 0);
  const auto t2 = happen({"Timelimit hit."});
  EXPECT_TRUE(typedSince(t2).empty());
}

TEST_F(Replies, OnlyTheFirstMatchingEventIsHandled) {
  setText(MessageKind::Limit, "gg");
  setFlag(MessageKind::Limit, 1);
  const auto t0 = happen({"Rookie entered the game", "Timelimit hit."});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, kInit}}));
}

TEST_F(Replies, FinishedLoadingAsksTheNameAndEndsTheCycle) {
  const auto t0 = happen({"----- finished R_Init -----", "\"name\" is:\"Other\" default:\"x\""});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "name"}}));
  EXPECT_EQ(playerName(), "Rookie");  // no name discovery in that cycle
}

TEST_F(Replies, LoadingWhileTheNameIsUnknownAsksForIt) {
  watch().setPlayerName("");
  game.print("Loading dll file cgamex86.so");
  runOneCycle();
  ASSERT_FALSE(typed.empty());
  EXPECT_EQ(typed.front().command, "/name");
  EXPECT_EQ(typed.back().command, "name");
}

TEST_F(Replies, ConsoleTextIsMadeInertButTheUsersTextsAreNot) {
  setText(MessageKind::Greeting, "Hi %d;");
  setFlag(MessageKind::Greeting, 1);
  replies().greetingTimerTick();
  const auto t0 = happen({"Eve: x;quit", "B\"o;b entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say Hi Bob;"}}));
  EXPECT_TRUE(practice.running());  // the game never saw a "quit" command

  duelTemplates("%s vs %d", "w", "l");
  runOneCycle();  // reads the game's echo of the greeting
  const auto t1 = happen({"Ev\"il;quit has become engaged in a duel with Rookie!"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say Rookie vs Evilquit"}}));
}

TEST_F(Replies, NamesCutFromAnEventStayWithinItsLine) {
  duelTemplates("%s vs %d", "w", "l");
  setText(MessageKind::Greeting, "Hi %d");
  setFlag(MessageKind::Greeting, 1);
  replies().greetingTimerTick();
  // Each event line has company before and after it in the same new text.
  // A duel of the player's is his own doing: its reply waits for the server's second.
  struct Case {
    std::vector<std::string> lines;
    std::int64_t after;
    std::string typed;
  };
  const std::vector<Case> cases = {
      {{"Ann: hey", "Bob entered the game", "Cid: hi"}, 0, "say Hi Bob"},
      {{"Ann: hey", "Rookie has become engaged in a duel with Bob!", "Cid: hi"},
       kGap,
       "say Rookie vs Bob"},
      {{"Ann: hey", "Dan has become engaged in a duel with Rookie!", "Cid: hi"},
       kGap,
       "say Rookie vs Dan"},
  };
  for (const Case& c : cases) {
    const auto t0 = happen(c.lines);
    EXPECT_EQ(typedSince(t0), (Lines{{c.after, c.typed}})) << c.lines[1];
  }

  happen({"Ann: hey", "Rookie renamed to Cid", "Bob: hi"});
  EXPECT_EQ(playerName(), "Cid");
  EXPECT_EQ(window.status, "[ Current Player: Cid  OS: Windows 2000 Build 2195 ]");
}

TEST_F(Replies, ThePlayersOwnWordsAndTheConsolesEchoAreNoEvents) {
  setText(MessageKind::Limit, "gg, Timelimit hit.");
  setFlag(MessageKind::Limit, 1);
  setText(MessageKind::Greeting, "welcome, you entered the game");
  setFlag(MessageKind::Greeting, 1);
  duelTemplates("Rookie has become engaged in a duel with %d", "w", "l");
  // The reply holds the event's own words: it comes back as an echo and as our chat line,
  // and neither may answer again.
  happen({"Timelimit hit."});
  replies().greetingTimerTick();
  happen({"Ann entered the game"});
  happen({"Ann has become engaged in a duel with Rookie!"});
  clock.runFor(20000);  // many cycles, a greeting-gate tick among them
  const std::vector<std::string> all = commands();
  EXPECT_EQ(std::count(all.begin(), all.end(), "say gg, Timelimit hit."), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), "say welcome, you entered the game"), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), "say Rookie has become engaged in a duel with Ann"),
            1);
}

TEST_F(Replies, ANameHoldingAnEventsWordsIsAskedForOnce) {
  // The player took a name made of what the game prints while loading: the answer to the
  // program's name query holds those words, and must not make it ask again, and again.
  game.setPlayerName("Loading dll file finished R_Init");
  happen({"Loading dll file cgame."});
  clock.runFor(1000);
  EXPECT_EQ(commands(), (std::vector<std::string>{"name"}));
  EXPECT_EQ(playerName(), "Loading dll file finished R_Init");
}

TEST_F(Replies, ItsOwnChatUnderANameItDoesNotKnowYetAnswersNothing) {
  setText(MessageKind::Limit, "^2gg, Timelimit hit.");
  setFlag(MessageKind::Limit, 1);
  // Renamed where the program could not see it: its reply comes back as Cid's chat line.
  game.setPlayerName("Cid");
  happen({"Timelimit hit."});
  clock.runFor(5000);
  const std::vector<std::string> all = commands();
  EXPECT_EQ(std::count(all.begin(), all.end(), "say ^2gg, Timelimit hit."), 1);
  // Another player's line of other words still counts.
  const auto t0 = happen({"Bob: Timelimit hit. again"});
  EXPECT_EQ(typedSince(t0), (Lines{{500, "say ^2gg, Timelimit hit."}}));
}

TEST_F(Replies, ReplySwitchesCountOnlyOnThePlayersOwnLine) {
  happen({"Eve: Rookie: !replyoff"});
  EXPECT_TRUE(replies().repliesOn());
  happen({"Rookie: !replyoff"});
  EXPECT_FALSE(replies().repliesOn());
  happen({"Eve: Rookie: !ReplyON"});
  EXPECT_FALSE(replies().repliesOn());
  happen({"Rookie: !ReplyON"});
  EXPECT_TRUE(replies().repliesOn());
}

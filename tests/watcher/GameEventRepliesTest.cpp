#include "watcher/GameEventReplies.h"

#include <algorithm>

#include "WatcherHarness.h"

using namespace pvx;

namespace {

// Replies to what the practice game prints, on virtual time; the player is "Rookie" and the
// game prints names without colour escapes, as the real game's window shows them.
class Replies : public pvx::testing::WatcherHarness {
 protected:
  void SetUp() override {
    WatcherHarness::SetUp();
    startKnowingName();
  }
  void duelTemplates(const std::string& engage, const std::string& won, const std::string& lost) {
    window.setDuelText(DuelText::Engage, engage);
    window.setDuelText(DuelText::Won, won);
    window.setDuelText(DuelText::Lost, lost);
  }
};

const std::string kInit = "say ^7[^2ZB^7] ^3¬^5vendrix^3¬ ^1Parlevox V1.1 initilized";

}  // namespace

TEST_F(Replies, OwnEntryAnnouncesParlevoxThenTheEnterMessage) {
  form.Enter = "^3Good luck";
  form.EnterEn = 1;
  const auto t0 = happen({"Rookie^7 entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{1000, kInit}, {2000, "say ^3Good luck"}}));

  form.EnterEn = 2;  // only exactly 1 counts as on
  const auto t1 = happen({"Rookie entered the game"});
  EXPECT_EQ(typedSince(t1), (Lines{{1000, kInit}}));
}

TEST_F(Replies, AnotherPlayerIsGreetedOncePerGateOpening) {
  form.Greet = "Hi %d, %D!";
  form.GreetEn = 1;
  clock.runUntil(15000);  // the gate opens
  const auto t0 = happen({"Bob^7 entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say Hi Bob, Bob!"}}));
  EXPECT_FALSE(form.greetingGate);
  clock.runFor(5000);
  const auto t1 = happen({"Cid entered the game"});
  EXPECT_TRUE(typedSince(t1).empty());
}

TEST_F(Replies, DisabledGreetingStillEndsTheChainWhileTheGateIsOpen) {
  window.setDuelText(DuelText::Engage, "%s vs %d");
  form.GreetEn = 0;
  form.greetingGate = true;
  const auto t0 = happen({"Bob entered the game", "Cid has become engaged in a duel with Rookie!"});
  EXPECT_TRUE(typedSince(t0).empty());
  EXPECT_TRUE(form.greetingGate);

  form.greetingGate = false;  // closed: the chain goes on to the duel
  const auto t1 = happen({"Bob entered the game", "Cid has become engaged in a duel with Rookie!"});
  // The opponent is cut from the duel's own line.
  EXPECT_EQ(typedSince(t1), (Lines{{0, "say Rookie vs Cid"}}));
}

TEST_F(Replies, DuelEngagedByThePlayerThenLostAfter699Ms) {
  duelTemplates("%s vs %d", "%s beat %d", "%d beat %s");
  const auto t0 = happen({"Rookie^7 has become engaged in a duel with Bob^7!"});
  EXPECT_EQ(form.opponentName, "Bob");
  EXPECT_TRUE(form.duelFlag);
  const auto t1 = happen({"Rookie was sabered by Bob"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{0, "say Rookie vs Bob"}, {t1 - t0 + 699, "say Bob beat Rookie"}}));
  EXPECT_FALSE(form.duelFlag);
  const auto t2 = happen({"Rookie was sabered by Bob"});  // duel over: nothing
  EXPECT_TRUE(typedSince(t2).empty());
}

TEST_F(Replies, DuelEngagedByTheOtherPlayerThenWon) {
  duelTemplates("%S vs %D", "%S beat %D", "lost");
  const auto t0 = happen({"Bob has become engaged in a duel with Rookie!"});
  EXPECT_EQ(form.opponentName, "Bob");
  const auto t1 = happen({"Bob was sabered by Rookie"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{0, "say Rookie vs Bob"}, {t1 - t0 + 699, "say Rookie beat Bob"}}));
}

TEST_F(Replies, SaberedLinesWithoutADuelDoNothing) {
  duelTemplates("e", "w", "l");
  const auto t0 = happen({"Rookie was sabered by Bob", "Bob was sabered by Rookie"});
  EXPECT_TRUE(typedSince(t0).empty());
}

TEST_F(Replies, ShortDuelLineTakesWhatIsThere) {
  duelTemplates("[%d]", "w", "l");
  const auto t0 = happen({"Rookie has become engaged in a duel with "});
  EXPECT_EQ(form.opponentName, "");
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say []"}}));
}

TEST_F(Replies, RenameChangesWhatLaterEventsAreMatchedAgainst) {
  form.Death = "^1Oops";
  form.DeathEn = 1;
  happen({"Rookie renamed to Cid"});
  EXPECT_EQ(form.currentPlayerName, "Cid");
  EXPECT_EQ(window.status, "[ Current Player: Cid  OS: Windows 2000 Build 2195 ]");
  const auto t0 = happen({"Rookie killed himself"});
  EXPECT_TRUE(typedSince(t0).empty());
  const auto t1 = happen({"Cid killed himself"});
  EXPECT_EQ(typedSince(t1), (Lines{{1000, "say ^1Oops"}}));
}

TEST_F(Replies, ReplyOffLeavesOnlyTheLoadingTestAndReplyOn) {
  form.Limiten = 1;
  form.limit = "gg";
  const auto t0 = happen({"Rookie: !replyoff"});
  EXPECT_EQ(typedSince(t0), (Lines{{1000, "say ^1Parlevox terminated"}}));
  EXPECT_FALSE(form.replyFlag);

  const auto t1 = happen({"Timelimit hit.", "Loading dll file jampgamex86.so"});
  EXPECT_EQ(typedSince(t1), (Lines{{0, "name"}}));

  const auto t2 = happen({"Rookie: !ReplyON"});
  EXPECT_EQ(typedSince(t2), (Lines{{1000, kInit}}));
  EXPECT_TRUE(form.replyFlag);
  const auto t3 = happen({"Rookie: !ReplyON"});  // already on: nothing
  EXPECT_TRUE(typedSince(t3).empty());
}

TEST_F(Replies, ReplyOnFromAnyoneWhileTheNameIsUnknown) {
  form.replyFlag = false;
  form.currentPlayerName.clear();
  game.print("Zed: !replyon");
  runOneCycle();
  EXPECT_TRUE(form.replyFlag);
}

TEST_F(Replies, MatchLimitsAfterHalfASecondWhenEnabled) {
  form.limit = "^5GG";
  form.Limiten = 1;
  const auto t0 = happen({"Timelimit hit."});
  EXPECT_EQ(typedSince(t0), (Lines{{500, "say ^5GG"}}));
  const auto t1 = happen({"Bob hit the kill limit."});
  EXPECT_EQ(typedSince(t1), (Lines{{500, "say ^5GG"}}));
  form.Limiten = 0;
  const auto t2 = happen({"Timelimit hit."});
  EXPECT_TRUE(typedSince(t2).empty());
}

TEST_F(Replies, OnlyTheFirstMatchingEventIsHandled) {
  form.limit = "gg";
  form.Limiten = 1;
  const auto t0 = happen({"Rookie entered the game", "Timelimit hit."});
  EXPECT_EQ(typedSince(t0), (Lines{{1000, kInit}}));
}

TEST_F(Replies, FinishedLoadingAsksTheNameAndEndsTheCycle) {
  const auto t0 = happen({"----- finished R_Init -----", "\"name\" is:\"Other\" default:\"x\""});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "name"}}));
  EXPECT_EQ(form.currentPlayerName, "Rookie");  // no name discovery in that cycle
}

TEST_F(Replies, LoadingWhileTheNameIsUnknownAsksForIt) {
  form.currentPlayerName.clear();
  game.print("Loading dll file cgamex86.so");
  runOneCycle();
  ASSERT_FALSE(typed.empty());
  EXPECT_EQ(typed.front().command, "/name");
  EXPECT_EQ(typed.back().command, "name");
}

TEST_F(Replies, ConsoleTextIsMadeInertButTheUsersTextsAreNot) {
  form.Greet = "Hi %d;";
  form.GreetEn = 1;
  form.greetingGate = true;
  const auto t0 = happen({"Eve: x;quit", "B\"o;b entered the game"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say Hi Bob;"}}));
  EXPECT_TRUE(practice.running());  // the game never saw a "quit" command

  duelTemplates("%s vs %d", "w", "l");
  runOneCycle();  // reads the game's echo of the greeting
  const auto t1 = happen({"Ev\"il;quit has become engaged in a duel with Rookie!"});
  EXPECT_EQ(typedSince(t1), (Lines{{0, "say Rookie vs Evilquit"}}));
}

TEST_F(Replies, NamesCutFromAnEventStayWithinItsLine) {
  duelTemplates("%s vs %d", "w", "l");
  form.Greet = "Hi %d";
  form.GreetEn = 1;
  form.greetingGate = true;
  // Each event line has company before and after it in the same new text.
  struct Case {
    std::vector<std::string> lines;
    std::string typed;
  };
  const std::vector<Case> cases = {
      {{"Ann: hey", "Bob entered the game", "Cid: hi"}, "say Hi Bob"},
      {{"Ann: hey", "Rookie has become engaged in a duel with Bob!", "Cid: hi"},
       "say Rookie vs Bob"},
      {{"Ann: hey", "Dan has become engaged in a duel with Rookie!", "Cid: hi"},
       "say Rookie vs Dan"},
  };
  for (const Case& c : cases) {
    const auto t0 = happen(c.lines);
    EXPECT_EQ(typedSince(t0), (Lines{{0, c.typed}})) << c.lines[1];
  }

  happen({"Ann: hey", "Rookie renamed to Cid", "Bob: hi"});
  EXPECT_EQ(form.currentPlayerName, "Cid");
  EXPECT_EQ(window.status, "[ Current Player: Cid  OS: Windows 2000 Build 2195 ]");
}

TEST_F(Replies, ThePlayersOwnWordsAndTheConsolesEchoAreNoEvents) {
  form.limit = "gg, Timelimit hit.";
  form.Limiten = 1;
  form.Greet = "welcome, you entered the game";
  form.GreetEn = 1;
  duelTemplates("Rookie has become engaged in a duel with %d", "w", "l");
  // The reply holds the event's own words: it comes back as an echo and as our chat line,
  // and neither may answer again.
  happen({"Timelimit hit."});
  form.greetingGate = true;
  happen({"Ann entered the game"});
  happen({"Ann has become engaged in a duel with Rookie!"});
  clock.runFor(20000);  // many cycles, a greeting-gate tick among them
  const std::vector<std::string> all = commands();
  EXPECT_EQ(std::count(all.begin(), all.end(), "say gg, Timelimit hit."), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), "say welcome, you entered the game"), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), "say Rookie has become engaged in a duel with Ann"),
            1);
}

TEST_F(Replies, ReplySwitchesCountOnlyOnThePlayersOwnLine) {
  happen({"Eve: Rookie: !replyoff"});
  EXPECT_TRUE(form.replyFlag);
  happen({"Rookie: !replyoff"});
  EXPECT_FALSE(form.replyFlag);
  happen({"Eve: Rookie: !ReplyON"});
  EXPECT_FALSE(form.replyFlag);
  happen({"Rookie: !ReplyON"});
  EXPECT_TRUE(form.replyFlag);
}

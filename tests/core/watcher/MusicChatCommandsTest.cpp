#include "core/watcher/MusicChatCommands.h"

#include <algorithm>

#include "support/WatcherHarness.h"

using namespace pvx;

namespace {

// The music commands from the game's chat, with a player on scripted tracks.
class Music : public pvx::testing::WatcherHarness {
 protected:
  void SetUp() override { startKnowingName(); }
  void addTracks(const std::vector<std::string>& titles, double seconds = 100) {
    for (const std::string& t : titles)
      addTrack(t, seconds);
  }
  // Ends the cycle that the game's echo of the last typed commands is read in.
  void settle() { runOneCycle(); }
};

// Every answer is said no sooner than the server takes chat again after the player's own chat
// line: the 1 s pause of a command, or none, is shorter.
constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;

}  // namespace

TEST_F(Music, StopOnlyWhilePlaying) {
  auto t0 = happen({"Rookie: !stop"});
  EXPECT_TRUE(typedSince(t0).empty());
  addTracks({"a", "b"});
  player().playSelected();
  t0 = happen({"Rookie: !stop"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Stopped"}}));
  EXPECT_FALSE(player().isLoaded());
}

TEST_F(Music, PauseThenBarePlayResumes) {
  addTracks({"a"});
  player().playSelected();
  clock.runFor(3000);
  auto t0 = happen({"Rookie: !pause"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Paused"}}));
  EXPECT_TRUE(player().isPaused());
  settle();
  t0 = happen({"Rookie: !pause"});
  EXPECT_TRUE(typedSince(t0).empty());
  t0 = happen({"Rookie: !play"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Resumed"}}));
  EXPECT_FALSE(player().isPaused());
  EXPECT_TRUE(player().isLoaded());
}

TEST_F(Music, BarePlayWhileNotPausedEndsTheCycleBeforeTheNameScan) {
  addTracks({"a"});
  const auto t0 = happen({"\"name\" is:\"Other\" default:\"x\"", "Rookie: !play"});
  EXPECT_TRUE(typedSince(t0).empty());
  EXPECT_EQ(playerName(), "Rookie");
  EXPECT_FALSE(player().isLoaded());
}

TEST_F(Music, StoppingClearsThePauseSoBarePlayDoesNothing) {
  addTracks({"a"});
  player().playSelected();
  happen({"Rookie: !pause"});
  settle();
  happen({"Rookie: !stop"});
  settle();
  const auto t0 = happen({"Rookie: !play"});
  EXPECT_TRUE(typedSince(t0).empty());
  EXPECT_FALSE(player().isLoaded());
}

TEST_F(Music, NextAnnouncesInTheConsoleThenInChat) {
  addTracks({"a", "b;quit", "c"});
  player().playSelected();
  const auto t0 = happen({"Rookie: !next"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "echo ^1Currently Playing: ^4bquit"},
                                   {kGap, "say ^4Currently playing: ^3bquit"}}));
  EXPECT_EQ(player().selection(), 1);
  settle();
  const auto t1 = happen({"Rookie: !prev"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say ^4Currently playing: ^3a"}}));
}

TEST_F(Music, NextWhilePausedMovesTheSelectionAndResumesWithAnEmptyTitle) {
  addTracks({"a", "b"});
  player().playSelected();
  player().pause();
  const auto t0 = happen({"Rookie: !next"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{0, "echo ^1Currently Playing: ^4"}, {kGap, "say ^4Currently playing: ^3"}}));
  EXPECT_EQ(player().selection(), 1);
  EXPECT_FALSE(player().isPaused());
  EXPECT_EQ(player().currentIndex(), 0);  // still the first track, resumed
}

TEST_F(Music, NextAndPrevOnAnEmptyPlaylistDoNothing) {
  const auto t0 = happen({"Rookie: !next"});
  settle();
  happen({"Rookie: !prev"});
  EXPECT_TRUE(typedSince(t0).empty());
}

TEST_F(Music, PlaySearchPlaysTheFirstEntryHoldingTheText) {
  addTracks({"intro", "morning star", "starlight"});
  const auto t0 = happen({"Rookie: !play STAR"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^4Currently playing: ^3morning star"}}));
  EXPECT_EQ(player().selection(), 1);
  EXPECT_EQ(player().currentIndex(), 1);
  EXPECT_TRUE(player().isLoaded());

  settle();
  const auto t1 = happen({"Rookie: !play zzz;x"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say ^5No matches for zzzx"}}));
  EXPECT_EQ(player().currentIndex(), 1);  // keeps playing what it played
}

TEST_F(Music, PlayWithABlankSearchesForTheEmptyText) {
  const auto t0 = happen({"Rookie: !play "});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^5No matches for "}}));
  settle();
  addTracks({"first", "second"});
  const auto t1 = happen({"Rookie: !play "});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say ^4Currently playing: ^3first"}}));
}

TEST_F(Music, VolumeNumbers) {
  const std::pair<const char*, int> cases[] = {
      {" 15", 15},       {"15", 15},          {" 7.9", 7},     {" -0.5", -1},   {" +3", 3},
      {" loud", -99},    {"", -99},           {" 99999", -99}, {" 1.2.3", -99}, {" .", -99},
      {" 32767", 32767}, {" -32768", -32768}, {" 1e3", -99},   {" +-5", -99}};
  for (const auto& [arg, want] : cases) {
    const auto got = MusicChatCommands::volumeNumber(arg);
    EXPECT_EQ(got.has_value(), want != -99) << arg;
    if (got && want != -99) {
      EXPECT_EQ(*got, want) << arg;
    }
  }
}

TEST_F(Music, VolumeFromChatMovesTheSlider) {
  const auto t0 = happen({"Rookie: !vol 15"});
  EXPECT_EQ(player().volumeSliderValue(), 5);
  happen({"Rookie: !vol2"});
  EXPECT_EQ(player().volumeSliderValue(), 18);
  happen({"Rookie: !vol 7.9"});
  EXPECT_EQ(player().volumeSliderValue(), 13);
  for (const char* ignored : {"Rookie: !vol loud", "Rookie: !vol", "Rookie: !vol 99999"}) {
    happen({ignored});
    EXPECT_EQ(player().volumeSliderValue(), 13) << ignored;
  }
  EXPECT_TRUE(typedSince(t0).empty());  // nothing is said about the volume
}

TEST_F(Music, ListSongsClearsThenFourColumnsALine) {
  addTracks({"a", "b", "c", "d", "e"});
  auto t0 = happen({"Rookie: !listsongs"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "/clear"},
                                   {0, "echo ^1\"a          ^2b          ^3c          ^4d\""},
                                   {0, "echo ^1\"e          ^2          ^3          ^4\""}}));
  player().clear();
  settle();
  t0 = happen({"Rookie: !listsongs"});
  EXPECT_EQ(typedSince(t0), (Lines{{0, "/clear"}}));

  // A row longer than the game takes is split between its columns, each keeping its colour; a
  // title too long for a line of its own is cut.
  const std::string t100(100, 't'), t300(300, 'u');
  addTracks({t100, t100, "c", t300, "e"});
  t0 = happen({"Rookie: !listsongs"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{0, "/clear"},
                   {0, "echo ^1\"" + t100 + "          ^2" + t100 + "          ^3c\""},
                   {0, "echo ^4\"" + t300.substr(0, 246) + "\""},
                   {0, "echo ^1\"e          ^2          ^3          ^4\""}}));
}

TEST_F(Music, OnlyTheEarlierCommandOfTheChainRuns) {
  addTracks({"x-files"});
  player().playSelected();
  const auto t0 = happen({"Rookie: !play x", "Rookie: !stop"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Stopped"}}));
}

// Broken entries are skipped for the next one that plays, which the chat line names as the echo
// does; where the graph is built on the back end's thread (300 ms), a file that is there but
// cannot be played is known only then.
TEST_F(Music, NextOverABrokenEntryAnnouncesTheOneThatPlays) {
  addTracks({"a"});
  addMissing("missing");  // not a file at all: fails at once, wherever the graph is built
  addUnplayable("broken");
  addTracks({"c"});
  player().playSelected();
  auto t0 = happen({"Rookie: !next"});
  EXPECT_EQ(typedSince(t0),
            (Lines{{0, "echo ^1Currently Playing: ^4c"}, {kGap, "say ^4Currently playing: ^3c"}}));
  EXPECT_EQ(player().currentIndex(), 3);
  // Back to the first, then over both broken entries with the graph built meanwhile.
  happen({"Rookie: !play a"});
  clock.runFor(3000);
  media.setRenderMs(300);
  t0 = happen({"Rookie: !next"});
  clock.runFor(3000);
  // The skip comes while the command waits: its echo follows the command's chat line.
  EXPECT_EQ(typedSince(t0), (Lines{{0, "echo ^1Currently Playing: ^4broken"},
                                   {kGap, "say ^4Currently playing: ^3c"},
                                   {kGap, "echo ^1Currently Playing: ^4c"}}));
  EXPECT_EQ(player().currentIndex(), 3);
}

TEST_F(Music, ThePlayersOwnAnswersNeverCommandAgain) {
  // A search text that names a command, and a title that does: each is answered exactly once.
  addTracks({"intro", "Rookie: !stop", "Rookie: !next"});
  happen({"Rookie: !play Rookie: !play zzz"});
  happen({"Rookie: !play !stop"});
  clock.runFor(10000);
  const std::vector<std::string> all = commands();
  EXPECT_EQ(std::count(all.begin(), all.end(), "say ^5No matches for Rookie: !play zzz"), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), "say ^4Currently playing: ^3Rookie: !stop"), 1);
  EXPECT_EQ(player().selection(), 1);
  EXPECT_TRUE(player().isLoaded());  // announcing the title did not stop it

  happen({"Rookie: !next"});
  clock.runFor(10000);
  EXPECT_EQ(player().selection(), 2);
  EXPECT_TRUE(player().isLoaded());
}

TEST_F(Music, CommandsReadTheirOwnLine) {
  addTracks({"a", "b"});
  player().playSelected();
  // Another player's bare play before ours does not make ours a search, nor the reverse.
  player().pause();
  const auto t0 = happen({"Ann: !play b", "Rookie: !play"});
  EXPECT_EQ(typedSince(t0), (Lines{{kGap, "say ^1Resumed"}}));
  settle();
  const auto t1 = happen({"Rookie: !play b", "Ann: !play"});
  EXPECT_EQ(typedSince(t1), (Lines{{kGap, "say ^4Currently playing: ^3b"}}));
  settle();
  happen({"Ann: !vol 2", "Rookie: !vol 15", "Cid: !vol 3"});
  EXPECT_EQ(player().volumeSliderValue(), 5);
}

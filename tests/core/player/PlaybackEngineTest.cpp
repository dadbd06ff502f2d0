#include "core/player/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/player/FakeMediaBackEnd.h"
#include "core/time/VirtualClock.h"
#include "support/PlayerTestPorts.h"

namespace {

using pvx::FakeMediaBackEnd;
using pvx::PlaybackState;
using State = FakeMediaBackEnd::State;
using Label = pvx::PlaybackEngine::PositionLabel;
using Shows = Label::Shows;

class EngineTest : public ::testing::Test {
 protected:
  // Entries titled by their number; seconds < 0 makes one that cannot be played.
  void addEntries(const std::vector<double>& seconds) {
    for (const double length : seconds) {
      const std::string title = std::to_string(playlist.count()) + ".mp3";
      if (length < 0)
        media.addUnplayable("/m/" + title);
      else
        media.addTrack("/m/" + title, length);
      port.answers.push_back({"/m/" + title, title});
      playlist.addFile();
    }
  }
  // Selects entry i and presses play on its path, as the player's transport does.
  std::string start(int i) {
    playlist.select(i);
    return engine.play(playlist.path(i));
  }
  const FakeMediaBackEnd::GraphRecord& graph() const { return *media.newest(); }
  double position() const { return media.positionOf(*media.newest()); }
  const Label& label() const { return engine.positionLabel(); }

  pvx::testing::TestFolder folder;
  pvx::VirtualClock clock;
  FakeMediaBackEnd media{clock};
  pvx::testing::FakePlayerPort port;
  pvx::Playlist playlist{port, folder.path / "playlist.lst"};
  // Made before the engine it moves on, which it is given.
  pvx::testing::StandInTransport transport{playlist, engine};
  pvx::PlaybackEngine engine{media, clock, playlist, port, transport};
};

using EngineStart = EngineTest;

TEST_F(EngineStart, ShowsTheRoundedDurationThenThePositionAtEachTick) {
  addEntries({60, 215.434});
  EXPECT_EQ(start(1), "1.mp3");
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
  EXPECT_EQ(engine.currentIndex(), 1);
  EXPECT_EQ(label(), (Label{Shows::kDuration, 0, 215.43}));
  EXPECT_EQ(engine.positionSliderMax(), 215);
  EXPECT_EQ(graph().volume, -1250);  // the slider's value at creation, 10
  clock.runFor(100);
  EXPECT_EQ(label(), (Label{Shows::kPosition, 0.1, 215.434}));
  clock.runUntil(12700);
  EXPECT_EQ(label(), (Label{Shows::kPosition, 12.7, 215.434}));
  EXPECT_EQ(engine.positionSliderValue(), 13);
  // Playing already: another play changes nothing.
  EXPECT_EQ(start(0), "");
  EXPECT_EQ(graph().path, "/m/1.mp3");
  EXPECT_EQ(media.graphsCreated(), 1);
}

TEST_F(EngineStart, ChatVolumeSetsTheSliderAndTheTrackAndIsKeptWithinTheSlider) {
  addEntries({60});
  start(0);
  const std::vector<std::pair<std::int16_t, int>> cases = {{20, 0}, {0, 20}, {15, 5}, {99, 0}};
  for (const auto& [volu, slider] : cases) {
    engine.setChatVolume(volu);
    EXPECT_EQ(engine.volumeSliderValue(), slider) << volu;
    EXPECT_EQ(graph().volume, -125L * slider) << volu;
  }
  engine.setVolumeSlider(4);
  engine.volumeSliderReleased();
  EXPECT_EQ(graph().volume, -500);
  engine.positionSliderScrolled(42);
  EXPECT_EQ(position(), 42);
}

using EnginePauseResume = EngineTest;

TEST_F(EnginePauseResume, PauseStopPlayStartsThePathFromTheBeginning) {
  addEntries({30, 30});
  start(0);
  clock.runFor(5000);
  engine.pause();
  engine.stop();
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
  EXPECT_EQ(engine.positionSliderValue(), 0);
  // The label shows no position any more, and later ticks leave it so.
  EXPECT_EQ(label(), Label{});
  clock.runFor(1000);
  EXPECT_EQ(label(), Label{});
  EXPECT_EQ(start(1), "1.mp3");
  EXPECT_EQ(graph().path, "/m/1.mp3");
  EXPECT_EQ(position(), 0);
}

TEST_F(EnginePauseResume, ResumeContinuesTheSameTrackWhereItWasPaused) {
  addEntries({30, 30});
  start(0);
  clock.runFor(5000);
  engine.pause();
  clock.runFor(3000);
  EXPECT_EQ(start(1), "");
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
  EXPECT_EQ(graph().path, "/m/0.mp3");
  clock.runFor(1000);
  EXPECT_EQ(position(), 6.0);
}

TEST_F(EnginePauseResume, ATrackPausedAtItsVeryEndStartsAgainFromZero) {
  addEntries({10});
  start(0);
  clock.runFor(9700);
  engine.pause();
  engine.play("");
  EXPECT_EQ(position(), 0);
  EXPECT_EQ(graph().state, State::kRunning);
}

using EngineTrackEnd = EngineTest;

TEST_F(EngineTrackEnd, TheEndOfATrackCallsNextSongExactlyOnce) {
  addEntries({1.05});
  transport.startNothing = true;
  start(0);
  clock.runUntil(1000);
  EXPECT_EQ(transport.calls, 0);
  clock.runUntil(2000);
  EXPECT_EQ(transport.calls, 1);
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
  EXPECT_EQ(graph().state, State::kStopped);
  // The first tick after the end told it; later ticks do not tell it again.
  EXPECT_EQ(graph().endsRaised, 1);
  clock.runUntil(5000);
  EXPECT_EQ(transport.calls, 1);
}

TEST_F(EngineTrackEnd, TheGraphsEndArrivesAtTheTickAfterItsLastPositionWasShown) {
  addEntries({60});
  transport.startNothing = true;
  start(0);
  clock.runFor(1000);
  media.finishNewest();
  EXPECT_EQ(transport.calls, 0);
  clock.runFor(100);
  EXPECT_EQ(transport.calls, 1);
  EXPECT_EQ(label(), (Label{Shows::kPosition, 60, 60}));
  EXPECT_EQ(engine.positionSliderValue(), 60);
}

TEST(FakeGraph, RaisesEachEndOnceAtTheDispatchAfterItAndAgainOnlyAfterAMoveBack) {
  pvx::VirtualClock clock;
  FakeMediaBackEnd media{clock};
  media.addTrack("/m/a.mp3", 2);
  auto graph = media.createGraph();
  int ends = 0;
  graph->setEndedHandler([&ends] { ++ends; });
  graph->dispatchEvents();  // nothing rendered: nothing to end
  ASSERT_TRUE(graph->renderFile("/m/a.mp3"));
  ASSERT_TRUE(graph->run());
  const struct {
    const char* what;
    std::function<void()> act;
    int ends;
  } steps[] = {
      {"before the end", [&] { clock.runFor(1900); }, 0},
      {"at the end", [&] { clock.runFor(100); }, 1},
      {"long after", [&] { clock.runFor(5000); }, 1},
      {"moved onto the end again", [&] { graph->setCurrentPosition(9); }, 1},
      {"moved back, played out", [&] { graph->setCurrentPosition(1.5), clock.runFor(500); }, 2},
      {"moved onto the end while paused",
       [&] {
         graph->setCurrentPosition(0);
         graph->pause();
         graph->setCurrentPosition(2);
       },
       3},
  };
  for (const auto& step : steps) {
    step.act();
    graph->dispatchEvents();
    graph->dispatchEvents();
    EXPECT_EQ(ends, step.ends) << step.what;
  }
}

TEST_F(EngineTrackEnd, ThePositionSliderStaysWithinItsMaximumInTheLastHalfSecond) {
  // 2.503 s: the maximum comes from 2.5 (rounds to 2), the position reaches 2.503 (rounds to 3).
  addEntries({2.503});
  transport.startNothing = true;
  start(0);
  for (int tick = 0; tick < 30; ++tick) {
    clock.runFor(100);
    EXPECT_LE(engine.positionSliderValue(), 2) << tick;
  }
}

TEST_F(EngineTrackEnd, APausedTrackMovedOntoItsEndGoesOnWithTheNextEntry) {
  // It used to stay idle but paused, and neither Play nor a resume could start anything again.
  addEntries({30, 30});
  start(0);
  clock.runFor(5000);
  engine.pause();
  engine.positionSliderScrolled(30);
  clock.runFor(100);
  EXPECT_EQ(transport.tried, std::vector<int>{1});
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
  EXPECT_EQ(graph().path, "/m/1.mp3");
}

using EngineSkip = EngineTest;

TEST_F(EngineSkip, AFileThatCannotStartAfterEntryThreeLeadsToEntryFive) {
  addEntries({60, 60, 60, 60, -1, 60, 60});
  start(3);
  engine.stop();
  EXPECT_EQ(start(4), "");
  EXPECT_EQ(transport.tried, std::vector<int>{5});
  EXPECT_EQ(engine.currentIndex(), 5);
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
}

TEST_F(EngineSkip, PastTheLastEntryTheSkipWrapsAndSkipsABrokenFirstEntry) {
  addEntries({-1, 60, 1});
  start(2);
  clock.runUntil(1000);
  EXPECT_EQ(transport.tried, (std::vector<int>{0, 1}));
  EXPECT_EQ(graph().path, "/m/1.mp3");
}

TEST_F(EngineSkip, AFailedStartAfterTheLastEntryGoesOnAtTheFirst) {
  // The last entry was started before; a broken entry chosen by hand leads to entry 0.
  addEntries({60, -1, 60, 60, 60, 60, 60});
  start(6);
  engine.stop();
  EXPECT_EQ(start(1), "");
  EXPECT_EQ(transport.tried, std::vector<int>{0});
  EXPECT_EQ(engine.currentIndex(), 0);
  EXPECT_EQ(graph().path, "/m/0.mp3");
}

TEST_F(EngineSkip, WhenNoEntryCanStartEachIsTriedOnceAndTheEngineStaysIdle) {
  addEntries({-1, -1, -1, -1});
  EXPECT_EQ(start(1), "");
  EXPECT_EQ(transport.tried, (std::vector<int>{2, 3, 0}));
  EXPECT_EQ(media.graphsCreated(), 4);
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
}

// Where the back end builds graphs on a thread of its own, a file that cannot be played is
// skipped as where it builds them at once, and a playlist of nothing playable is tried once.
class EngineSkipWherever : public EngineTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { media.setRenderMs(GetParam()); }
};

TEST_P(EngineSkipWherever, AFileThatCannotStartAfterEntryThreeLeadsToEntryFive) {
  addEntries({60, 60, 60, 60, -1, 60, 60});
  start(3);
  clock.runFor(1000);
  engine.stop();
  start(4);
  clock.runFor(1000);
  EXPECT_EQ(transport.tried, std::vector<int>{5});
  EXPECT_EQ(engine.currentIndex(), 5);
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
  EXPECT_EQ(graph().state, State::kRunning);
}

TEST_P(EngineSkipWherever, WhenNoEntryCanStartEachIsTriedOnceAndTheEngineStaysIdle) {
  addEntries({-1, -1, -1, -1});
  start(1);
  clock.runFor(5000);
  EXPECT_EQ(transport.tried, (std::vector<int>{2, 3, 0}));
  EXPECT_EQ(media.graphsCreated(), 4);
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
  // A new start may try them all again.
  start(2);
  clock.runFor(5000);
  EXPECT_EQ(media.graphsCreated(), 8);
}

INSTANTIATE_TEST_SUITE_P(AtOnceOrBuiltMeanwhile, EngineSkipWherever, ::testing::Values(0, 300));

// A track whose graph the back end is still building counts as started: it is held or stopped as
// asked, and plays only once it is built and still wanted.
TEST_F(EngineStart, ATrackStillBeingBuiltIsHeldOrStoppedAsAsked) {
  media.setRenderMs(300);
  addEntries({60, 60});
  EXPECT_EQ(start(0), "0.mp3");
  EXPECT_EQ(engine.state(), PlaybackState::Playing);
  EXPECT_EQ(graph().path, "");  // not built yet
  clock.runFor(400);
  EXPECT_EQ(graph().state, State::kRunning);
  EXPECT_EQ(label(), (Label{Shows::kPosition, 0.1, 60}));

  engine.stop();
  start(1);
  engine.pause();
  clock.runFor(400);
  EXPECT_EQ(engine.state(), PlaybackState::Paused);
  EXPECT_EQ(graph().path, "/m/1.mp3");
  EXPECT_EQ(graph().state, State::kStopped);
  engine.play("");
  clock.runFor(500);
  EXPECT_NEAR(position(), 0.5, 1e-9);

  engine.stop();
  start(0);
  engine.stop();
  clock.runFor(400);
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
  EXPECT_NE(graph().state, State::kRunning);
  EXPECT_TRUE(transport.tried.empty());
}

TEST_F(EngineSkip, AFailureInsideTheSkipDoesNotReachTheCaller) {
  addEntries({-1, 10});
  transport.throwInside = true;
  EXPECT_NO_THROW(start(0));
  EXPECT_EQ(transport.calls, 1);
  EXPECT_EQ(engine.state(), PlaybackState::Idle);
}

}  // namespace

#include "core/player/MediaControls.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/WatcherHarness.h"

using namespace pvx;
using Key = MediaControls::Key;

namespace {

// The media keys and the desktop's controls, on a player of scripted 100-second tracks against
// the practice game.
class Controls : public pvx::testing::WatcherHarness {
 protected:
  void SetUp() override { startKnowingName(); }
  MediaControls& controls() { return core().mediaControls(); }
  void addTracks(const std::vector<std::string>& titles) {
    for (const std::string& t : titles)
      addTrack(t, 100);
  }
  std::vector<std::string> typedCommands() const {
    std::vector<std::string> out;
    for (const Typed& t : typed)
      out.push_back(t.command);
    return out;
  }
};

// Counts what the player tells its watchers.
struct CountingWatcher : PlayerWatcher {
  void playbackChanged() override { ++playback; }
  void positionMoved() override { ++moved; }
  void volumeChanged() override { ++volume; }
  int playback = 0, moved = 0, volume = 0;
};

enum class Before { Nothing, Playing, Paused };

}  // namespace

// Each key from each state does what the window's button or the chat command does, typing only
// the next track's announcement.
TEST_F(Controls, EachKeyDrivesThePlayerAsItsButtonOrCommandDoes) {
  struct Case {
    const char* name;
    int entries;
    Before before;
    Key key;
    PlaybackState state;
    int current;  // the entry the engine last started
    int selected;
    std::vector<std::string> typed;
  };
  const std::vector<Case> cases = {
      {"play-pause starts the first entry",
       3,
       Before::Nothing,
       Key::PlayPause,
       PlaybackState::Playing,
       0,
       0,
       {}},
      {"play-pause holds a playing track",
       3,
       Before::Playing,
       Key::PlayPause,
       PlaybackState::Paused,
       0,
       0,
       {}},
      {"play-pause resumes a paused track",
       3,
       Before::Paused,
       Key::PlayPause,
       PlaybackState::Playing,
       0,
       0,
       {}},
      {"next starts and announces the next entry",
       3,
       Before::Playing,
       Key::Next,
       PlaybackState::Playing,
       1,
       1,
       {"echo ^1Currently Playing: ^4b"}},
      {"next while paused resumes and moves the selection",
       3,
       Before::Paused,
       Key::Next,
       PlaybackState::Playing,
       0,
       1,
       {"echo ^1Currently Playing: ^4"}},
      {"previous before the first is the last, unannounced",
       3,
       Before::Playing,
       Key::Previous,
       PlaybackState::Playing,
       2,
       2,
       {}},
      {"stop", 3, Before::Playing, Key::Stop, PlaybackState::Idle, 0, 0, {}},
      {"stop while paused", 3, Before::Paused, Key::Stop, PlaybackState::Idle, 0, 0, {}},
      {"play-pause on an empty playlist",
       0,
       Before::Nothing,
       Key::PlayPause,
       PlaybackState::Idle,
       0,
       -1,
       {}},
      {"next on an empty playlist", 0, Before::Nothing, Key::Next, PlaybackState::Idle, 0, -1, {}},
      {"previous on an empty playlist",
       0,
       Before::Nothing,
       Key::Previous,
       PlaybackState::Idle,
       0,
       -1,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    player().stop();
    player().clear();
    const std::vector<std::string> titles = {"a", "b", "c"};
    addTracks({titles.begin(), titles.begin() + c.entries});
    if (c.before != Before::Nothing) {
      player().select(0);
      player().playSelected();
      clock.runFor(2000);
    }
    if (c.before == Before::Paused)
      player().pause();
    player().select(c.entries > 0 ? 0 : -1);
    typed.clear();

    controls().press(c.key);
    EXPECT_EQ(player().state(), c.state);
    EXPECT_EQ(player().currentIndex(), c.current);
    EXPECT_EQ(player().selection(), c.selected);
    EXPECT_EQ(typedCommands(), c.typed);
  }
}

TEST_F(Controls, PlayLeavesAPlayingTrackWhereItIsAndPauseLeavesAStoppedOneStopped) {
  addTracks({"a", "b"});
  controls().play();
  clock.runFor(5000);
  controls().play();
  EXPECT_EQ(player().state(), PlaybackState::Playing);
  EXPECT_EQ(media.graphsCreated(), 1);
  EXPECT_NEAR(controls().position(), 5, 0.2);
  controls().stop();
  controls().pause();
  EXPECT_EQ(player().state(), PlaybackState::Idle);
}

// The volume slider runs from 0 (top, loudest) to 20; the level from 0.0 (quietest) to 1.0.
TEST_F(Controls, TheVolumeLevelIsTheSliderTurnedOverBothWays) {
  const std::pair<double, int> levels[] = {{1.0, 0},   {0.0, 20}, {0.5, 10},  {0.05, 19},
                                           {0.52, 10}, {0.53, 9}, {-0.5, 20}, {7.0, 0}};
  for (const auto& [level, slider] : levels) {
    controls().setVolume(level);
    EXPECT_EQ(player().volumeSliderValue(), slider) << level;
    EXPECT_DOUBLE_EQ(controls().volume(), (20 - slider) / 20.0) << level;
  }
  // A loaded track takes it at once, as after a move of the slider with the mouse.
  addTracks({"a"});
  controls().play();
  controls().setVolume(0.25);
  EXPECT_EQ(media.newest()->volume, PlaybackEngine::kVolumePerStep * 15);
}

TEST_F(Controls, SeekingMovesWithinTheTrackAndPastItsEndGoesOnToTheNext) {
  addTracks({"a", "b"});
  controls().seekBy(10);  // nothing loaded: nothing moves
  EXPECT_EQ(media.graphsCreated(), 0);
  controls().play();
  clock.runFor(10000);
  controls().seekBy(5.5);
  EXPECT_NEAR(controls().position(), 15.5, 0.01);
  EXPECT_EQ(player().positionSliderValue(), 16);
  controls().seekBy(-60);
  EXPECT_NEAR(controls().position(), 0, 0.01);

  const std::uint64_t a = controls().track()->number;
  controls().setPosition(a + 1, 40);  // another track
  controls().setPosition(a, 100.5);   // beyond it
  controls().setPosition(a, -1);
  EXPECT_NEAR(controls().position(), 0, 0.01);
  controls().setPosition(a, 40);
  EXPECT_NEAR(controls().position(), 40, 0.01);

  typed.clear();
  controls().seekBy(70);
  clock.runFor(200);  // the end is told at the music timer's next tick
  EXPECT_EQ(player().currentIndex(), 1);
  EXPECT_EQ(typedCommands(), std::vector<std::string>{"echo ^1Currently Playing: ^4b"});
}

TEST_F(Controls, TheTrackIsTheLastStartedEachStartANewOne) {
  EXPECT_FALSE(controls().track().has_value());
  addTracks({"a", "b"});
  controls().play();
  const std::optional<MediaControls::Track> first = controls().track();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->title, "a");
  EXPECT_EQ(first->path, player().playlist().path(0));
  EXPECT_DOUBLE_EQ(first->seconds, 100);
  controls().next();
  controls().previous();
  EXPECT_EQ(controls().track()->title, "a");
  EXPECT_EQ(controls().track()->number, first->number + 2);
  // Stopped, it is still the track a desktop shows; taking it off the playlist does not rename it.
  controls().stop();
  player().select(0);
  player().removeSelected();
  EXPECT_EQ(controls().track()->title, "a");
}

TEST_F(Controls, AWatcherIsToldOfEveryChangeOfPlaybackWhoeverMadeIt) {
  CountingWatcher watcher;
  controls().watch(watcher);
  addTracks({"a", "b"});
  struct Step {
    const char* name;
    std::function<void()> act;
    int playback, moved;
  };
  const std::vector<Step> steps = {
      {"the Play button", [&] { player().playSelected(); }, 1, 0},
      {"a pause", [&] { controls().pause(); }, 1, 0},
      {"a second pause changes nothing", [&] { controls().pause(); }, 0, 0},
      {"the chat's resume", [&] { player().resume(); }, 1, 0},
      {"the position slider", [&] { player().positionSliderScrolled(30); }, 0, 1},
      {"a seek", [&] { controls().seekBy(10); }, 0, 1},
      {"the track's end, then the next start", [&] { clock.runFor(70000); }, 2, 0},
      {"the Stop button", [&] { player().stop(); }, 1, 0},
      {"a stop while stopped", [&] { player().stop(); }, 0, 0},
  };
  for (const Step& step : steps) {
    watcher.playback = watcher.moved = 0;
    step.act();
    EXPECT_EQ(watcher.playback, step.playback) << step.name;
    EXPECT_EQ(watcher.moved, step.moved) << step.name;
  }
  controls().unwatch(watcher);
  controls().play();
  EXPECT_EQ(watcher.playback, 0);
}

#include "core/player/TrackTimeline.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using pvx::TrackTimeline;

TEST(TrackTimeline, TellsEachEndOnceAndAgainOnlyAfterAMoveBack) {
  TrackTimeline timeline;
  timeline.setLength(10);
  const struct {
    const char* what;
    std::function<void()> act;
    bool told;
  } steps[] = {
      {"playing", [&] { timeline.report(4.0); }, false},
      {"played out", [&] { timeline.latchEnd(timeline.endOfStream()); }, true},
      {"the same end latched again", [&] { timeline.latchEnd(10); }, false},
      {"moved back", [&] { timeline.moved(3); }, false},
      {"moved past the end",
       [&] {
         double seconds = 12;
         timeline.moveEndsTrack(seconds);
       },
       true},
  };
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(timeline.takeNewEnd(), step.told) << step.what;
    EXPECT_FALSE(timeline.takeNewEnd()) << step.what;
  }
  EXPECT_EQ(timeline.duration(), 10.0);
}

}  // namespace

#pragma once

// What every media back end does with real files, checked alike for each of them (GStreamer on
// Linux, DirectShow under Wine) against files their tests make. Playback runs in real time and
// the machine may be busy with other work: the checks poll the graph until what they wait for
// holds, real time is bounded only to tell a hang from an answer, and a position is compared with
// the time that passed only where being late cannot break the comparison.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "core/player/MediaBackEnd.h"
#include "platform/RealTime.h"

namespace pvx::testing {

// How far a graph's clock and the test's may disagree on a short stretch of time.
inline constexpr double kClockSlack = 0.15;

// A fresh graph of the back end with file rendered into it; null when that fails.
inline std::unique_ptr<MediaGraph> openGraph(MediaBackEnd& backEnd,
                                             const std::filesystem::path& file) {
  auto graph = backEnd.createGraph();
  if (graph == nullptr || !graph->renderFile(file.string()))
    return nullptr;
  return graph;
}

// A missing file, or a text file named .mp3, fails to open rather than hanging, and a graph that
// rendered nothing refuses everything (though the platform might run it empty).
inline void expectOpeningFails(MediaBackEnd& backEnd, const std::filesystem::path& folder) {
  const std::filesystem::path text = folder / "notes.mp3";
  std::ofstream(text) << "These are not the droids you are looking for.\n";
  for (const std::filesystem::path& file : {folder / "missing.mp3", text}) {
    auto graph = backEnd.createGraph();
    ASSERT_NE(graph, nullptr);
    const auto start = RealClock::now();
    EXPECT_FALSE(graph->renderFile(file.string())) << file;
    // It answers rather than waiting for something that never comes; a busy machine may take
    // seconds to answer.
    EXPECT_LT(secondsSince(start), kAnswerSeconds) << file;
    EXPECT_FALSE(graph->run()) << file;
    EXPECT_FALSE(graph->duration().has_value()) << file;
    EXPECT_FALSE(graph->currentPosition().has_value()) << file;
    EXPECT_FALSE(graph->setVolume(0)) << file;
  }
}

// A graph holding a track of one second plays it no faster than real time, holds while paused,
// and ends it once with the position equal to the duration; the end holds, also once stopped,
// until the position is moved, and moved onto the end the track ends again.
inline void expectPlaysHoldsAndEnds(MediaGraph& graph) {
  int ends = 0;
  graph.setEndedHandler([&ends] { ++ends; });
  const auto position = [&] { return graph.currentPosition().value_or(-1); };
  const auto start = RealClock::now();
  ASSERT_TRUE(graph.run());
  ASSERT_TRUE(pollUntil([&] { return position() >= 0.3; })) << "at " << position();
  // At least as much time has passed as it played.
  const double reached = position();
  EXPECT_LE(reached, secondsSince(start) + kClockSlack);

  ASSERT_TRUE(graph.pause());
  // A graph may pause on threads of its own: from the time it has, the position holds.
  ASSERT_TRUE(pollUntil([&] { return staysTheSame(position, 0.1); })) << "at " << position();
  const auto pausedAt = RealClock::now();
  const double held = position();
  EXPECT_GE(held, reached);
  EXPECT_TRUE(staysTheSame(position, 0.3)) << "moved on from " << held << " to " << position();
  const double pausedFor = secondsSince(pausedAt);

  ASSERT_TRUE(graph.run());
  // The end arrives as the graph's event.
  const auto ended = [&] {
    graph.dispatchEvents();
    return ends > 0;
  };
  ASSERT_TRUE(pollUntil(ended)) << "at " << position();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(graph.currentPosition(), graph.duration());
  ASSERT_TRUE(graph.duration().has_value());
  EXPECT_NEAR(*graph.duration(), 1.0, 0.05);
  // The track took at least as long as it lasts, the pause aside (which began before pausedAt
  // and lasted beyond the pausedFor measured).
  EXPECT_GE(secondsSince(start) - pausedFor, 1.0 - kClockSlack);

  EXPECT_TRUE(staysTheSame(position, 0.1));
  EXPECT_TRUE(graph.stop());
  EXPECT_EQ(graph.currentPosition(), graph.duration());
  graph.dispatchEvents();
  EXPECT_EQ(ends, 1);
  ASSERT_TRUE(graph.setCurrentPosition(0.25));
  EXPECT_NEAR(position(), 0.25, 0.02);
  ASSERT_TRUE(graph.setCurrentPosition(5.0));
  EXPECT_EQ(graph.currentPosition(), graph.duration());
  graph.dispatchEvents();
  EXPECT_EQ(ends, 2);
}

}  // namespace pvx::testing

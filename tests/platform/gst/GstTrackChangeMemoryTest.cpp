#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/RealTime.h"
#include "platform/gst/GstMediaBackEnd.h"
#include "platform/gst/TestTones.h"
#include "support/PlayerTestPorts.h"

// Track changes on the real GStreamer back end must not leave memory behind: twenty short tracks
// played to their ends one after the other, each in the graph the player makes for it, the way
// the playback engine changes tracks (the old graph stopped and dropped, then a fresh one).
namespace {

namespace fs = std::filesystem;

// The process's resident memory in kB, as the system counts it.
long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

using pvx::testing::makeTone;
using pvx::testing::pollUntil;

TEST(GstTrackChanges, TwentyTracksInARowLeaveTheResidentMemoryWhereTheFirstLeftIt) {
  pvx::GstMediaBackEnd backEnd;
  ASSERT_TRUE(backEnd.available());
  pvx::testing::TestFolder folder;
  // Two formats, as a playlist mixes them: each change tears down one decoder and builds another.
  // The .wav comes first, so a decoder that drags in large libraries for the .mp3 shows too.
  const std::vector<fs::path> files = {folder.path / "a.wav", folder.path / "b.mp3"};
  ASSERT_TRUE(makeTone(0.4, "wavenc", files[0]));
  ASSERT_TRUE(makeTone(0.4, "lamemp3enc", files[1]));

  constexpr int kTracks = 20;
  std::unique_ptr<pvx::MediaGraph> graph;
  long afterFirst = 0;
  for (int track = 0; track < kTracks; ++track) {
    if (graph != nullptr)
      graph->stop();
    graph.reset();
    graph = backEnd.createGraph();
    ASSERT_NE(graph, nullptr) << "track " << track;
    bool ended = false;
    graph->setEndedHandler([&ended] { ended = true; });
    ASSERT_TRUE(graph->renderFile(files[track % files.size()].string())) << "track " << track;
    // Nothing of the track before carries over: the new one starts at its beginning, unended.
    graph->dispatchEvents();
    ASSERT_FALSE(ended) << "track " << track;
    ASSERT_EQ(graph->currentPosition().value_or(-1), 0.0) << "track " << track;
    ASSERT_TRUE(graph->setVolume(-10000));
    ASSERT_TRUE(graph->run());
    const auto trackEnded = [&] {
      graph->dispatchEvents();
      return ended;
    };
    ASSERT_TRUE(pollUntil(trackEnded)) << "track " << track << " never ended";
    if (track == 0)
      afterFirst = residentKb();
  }
  graph.reset();
  const long afterLast = residentKb();
  std::fprintf(stderr, "resident memory: %ld kB after the first track, %ld kB after the last\n",
               afterFirst, afterLast);
  EXPECT_LE(afterLast - afterFirst, 10 * 1024)
      << "after the first track " << afterFirst << " kB, after the last " << afterLast << " kB";
}

TEST(GstTrackChanges, AGraphDroppedWhilePlayingLeavesTheNextOneFresh) {
  pvx::GstMediaBackEnd backEnd;
  ASSERT_TRUE(backEnd.available());
  pvx::testing::TestFolder folder;
  const fs::path file = folder.path / "tone.wav";
  ASSERT_TRUE(makeTone(1.0, "wavenc", file));

  // Dropped halfway, slowed down and moved: as "!next" drops a playing track.
  auto first = backEnd.createGraph();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->renderFile(file.string()));
  ASSERT_TRUE(first->run());
  ASSERT_TRUE(pollUntil([&] { return first->currentPosition().value_or(0) > 0; }));
  ASSERT_TRUE(first->setRate(0.5));
  ASSERT_TRUE(first->setCurrentPosition(0.6));
  first->stop();
  first.reset();

  auto second = backEnd.createGraph();
  ASSERT_NE(second, nullptr);
  // Not rendered yet: it fails like any fresh graph.
  EXPECT_FALSE(second->run());
  EXPECT_FALSE(second->duration().has_value());
  bool ended = false;
  second->setEndedHandler([&ended] { ended = true; });
  ASSERT_TRUE(second->renderFile(file.string()));
  second->dispatchEvents();
  EXPECT_FALSE(ended);
  EXPECT_EQ(second->currentPosition().value_or(-1), 0.0);
  EXPECT_NEAR(second->duration().value_or(-1), 1.0, 0.05);
  ASSERT_TRUE(second->run());
  ASSERT_TRUE(pollUntil([&] {
    second->dispatchEvents();
    return ended;
  }));
  EXPECT_NEAR(second->currentPosition().value_or(-1), 1.0, 0.05);
}

}  // namespace

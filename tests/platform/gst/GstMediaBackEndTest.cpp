#include "platform/RealTime.h"
#include "platform/gst/GstMediaBackEnd.h"
#include "platform/gst/TestTones.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/PlayerTestPorts.h"

// The GStreamer back end against real files made here at test time. These tests play audio in
// real time (a few seconds in all), so they run under their own label. The machine may be busy
// with other work: the checks poll the graph until what they wait for holds, real time is bounded
// only to tell a hang from an answer, and a position is compared with the time that passed only
// where being late cannot break the comparison.
namespace {

namespace fs = std::filesystem;
using Clock = pvx::testing::RealClock;

using pvx::testing::kAnswerSeconds;
using pvx::testing::makeTone;
using pvx::testing::pollUntil;
using pvx::testing::runPipeline;
using pvx::testing::secondsSince;
using pvx::testing::staysTheSame;

// How far the pipeline's clock and the test's may disagree on a short stretch of time.
constexpr double kClockSlack = 0.15;

// How long the audio a file holds really is, counted in decoded bytes: a compressed file holds
// more than the tone it was made from (the encoder's delay and its last frame's padding).
double decodedSeconds(const fs::path& file) {
  const fs::path raw = fs::path(file) += ".raw";
  if (!runPipeline("filesrc location=\"" + file.string() +
                   "\" ! decodebin ! audioconvert ! audioresample ! "
                   "audio/x-raw,format=S16LE,rate=44100,channels=2 ! filesink location=\"" +
                   raw.string() + "\""))
    return -1;
  return static_cast<double>(fs::file_size(raw)) / (44100.0 * 2 * 2);
}

class GstBackEnd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(backEnd.available()); }

  std::unique_ptr<pvx::MediaGraph> open(const fs::path& file) {
    auto graph = backEnd.createGraph();
    if (graph == nullptr || !graph->renderFile(file.string()))
      return nullptr;
    return graph;
  }

  pvx::GstMediaBackEnd backEnd;
  pvx::testing::TempFolder folder;
};

TEST_F(GstBackEnd, WavMp3AndWmaOpenWithTheirDurationKnownRightAfterTheStart) {
  // A plain constant-rate .mp3 tells its length only once it plays; one with a Xing header
  // tells it at once.
  struct Case {
    const char* name;
    std::string encoder;
  };
  std::vector<Case> cases = {{"tone.wav", "wavenc"},
                             {"plain.mp3", "lamemp3enc"},
                             {"xing.mp3", "lamemp3enc target=quality ! xingmux"}};
  // A .wma is made only where its encoder and container (libav, plugins-bad) are installed.
  GstElementFactory* encoder = gst_element_factory_find("avenc_wmav2");
  GstElementFactory* container = gst_element_factory_find("asfmux");
  if (encoder != nullptr && container != nullptr)
    cases.push_back({"tone.wma", "avenc_wmav2 ! asfmux"});
  for (GstElementFactory* factory : {encoder, container})
    if (factory != nullptr)
      gst_object_unref(factory);
  for (const Case& c : cases) {
    const fs::path file = folder.path / c.name;
    ASSERT_TRUE(makeTone(1.5, c.encoder, file)) << c.name;
    const double truth = decodedSeconds(file);
    ASSERT_NEAR(truth, 1.5, 0.1) << c.name;
    auto graph = open(file);
    ASSERT_NE(graph, nullptr) << c.name;
    ASSERT_TRUE(graph->run());
    const std::optional<double> duration = graph->duration();
    ASSERT_TRUE(duration.has_value()) << c.name;
    EXPECT_NEAR(*duration, truth, 0.05) << c.name;
  }
}

TEST_F(GstBackEnd, AMissingFileOrATextFileNamedMp3FailsRatherThanHanging) {
  const fs::path text = folder.path / "notes.mp3";
  std::ofstream(text) << "These are not the droids you are looking for.\n";
  for (const fs::path& file : {folder.path / "missing.mp3", text}) {
    auto graph = backEnd.createGraph();
    ASSERT_NE(graph, nullptr);
    const auto start = Clock::now();
    EXPECT_FALSE(graph->renderFile(file.string())) << file;
    // It answers rather than waiting for a preroll that never comes; a busy machine may take
    // seconds to answer.
    EXPECT_LT(secondsSince(start), kAnswerSeconds) << file;
    EXPECT_FALSE(graph->run()) << file;
    EXPECT_FALSE(graph->duration().has_value()) << file;
  }
}

TEST_F(GstBackEnd, PlaysInRealTimeHoldsWhilePausedAndEndsWithPositionEqualToDuration) {
  const fs::path file = folder.path / "tone.wav";
  ASSERT_TRUE(makeTone(1.0, "wavenc", file));
  auto graph = open(file);
  ASSERT_NE(graph, nullptr);
  int ends = 0;
  graph->setEndedHandler([&ends] { ++ends; });
  const auto position = [&] { return graph->currentPosition().value_or(-1); };
  const auto start = Clock::now();
  ASSERT_TRUE(graph->run());
  ASSERT_TRUE(pollUntil([&] { return position() >= 0.3; })) << "at " << position();
  // No faster than real time: at least as much time has passed as it played.
  const double reached = position();
  EXPECT_LE(reached, secondsSince(start) + kClockSlack);

  ASSERT_TRUE(graph->pause());
  // The pipeline pauses on its own threads; from then on the position holds.
  ASSERT_TRUE(pollUntil([&] { return staysTheSame(position, 0.1); })) << "at " << position();
  const auto pausedAt = Clock::now();
  const double held = position();
  EXPECT_TRUE(staysTheSame(position, 0.3)) << "moved on from " << held << " to " << position();
  EXPECT_GE(held, reached);
  const double pausedFor = secondsSince(pausedAt);

  ASSERT_TRUE(graph->run());
  // The end of the stream arrives as the graph's event, without a GLib main loop running.
  const auto ended = [&] {
    graph->dispatchEvents();
    return ends > 0;
  };
  ASSERT_TRUE(pollUntil(ended)) << "at " << position();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(graph->currentPosition(), graph->duration());
  EXPECT_NEAR(*graph->duration(), 1.0, 0.05);
  // The track took at least as long as it lasts, the pause aside (which began before pausedAt
  // and lasted beyond the pausedFor measured).
  EXPECT_GE(secondsSince(start) - pausedFor, 1.0 - kClockSlack);
  EXPECT_TRUE(graph->stop());
  EXPECT_EQ(graph->currentPosition(), graph->duration());
  graph->dispatchEvents();
  EXPECT_EQ(ends, 1);
  ASSERT_TRUE(graph->setCurrentPosition(0.25));
  EXPECT_NEAR(*graph->currentPosition(), 0.25, 0.02);
  // Moved onto its end, the track ends again.
  ASSERT_TRUE(graph->setCurrentPosition(5.0));
  graph->dispatchEvents();
  EXPECT_EQ(ends, 2);
}

TEST_F(GstBackEnd, VolumeInHundredthsOfADecibelBecomesALinearFactor) {
  EXPECT_DOUBLE_EQ(pvx::GstMediaBackEnd::linearVolume(0), 1.0);
  EXPECT_DOUBLE_EQ(pvx::GstMediaBackEnd::linearVolume(-2000), 0.1);
  EXPECT_NEAR(pvx::GstMediaBackEnd::linearVolume(-10000), 0.00001, 1e-9);
  const fs::path file = folder.path / "tone.wav";
  ASSERT_TRUE(makeTone(0.5, "wavenc", file));
  auto graph = open(file);
  ASSERT_NE(graph, nullptr);
  EXPECT_TRUE(graph->setVolume(-2500));
  EXPECT_FALSE(graph->setVolume(1));
  EXPECT_FALSE(graph->setVolume(-10001));
}

}  // namespace

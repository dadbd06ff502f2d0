#include "platform/MediaGraphChecks.h"
#include "platform/gst/GstMediaBackEnd.h"
#include "platform/gst/TestTones.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "support/PlayerTestPorts.h"

// The GStreamer back end against real files made here at test time. These tests play audio in
// real time (a few seconds in all), so they run under their own label; the checks every back end
// passes are shared (platform/MediaGraphChecks.h).
namespace {

namespace fs = std::filesystem;
using pvx::testing::makeTone;
using pvx::testing::runPipeline;

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
    return pvx::testing::openGraph(backEnd, file);
  }

  pvx::GstMediaBackEnd backEnd;
  pvx::testing::TestFolder folder;
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
  pvx::testing::expectOpeningFails(backEnd, folder.path);
}

TEST_F(GstBackEnd, PlaysInRealTimeHoldsWhilePausedAndEndsWithPositionEqualToDuration) {
  const fs::path file = folder.path / "tone.wav";
  ASSERT_TRUE(makeTone(1.0, "wavenc", file));
  auto graph = open(file);
  ASSERT_NE(graph, nullptr);
  // The end of the stream arrives as the graph's event, without a GLib main loop running.
  pvx::testing::expectPlaysHoldsAndEnds(*graph);
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

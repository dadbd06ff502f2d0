// The DirectShow back end under Wine, against .wav files written here at test time. Playback
// runs in real time (Wine's audio output goes to a null device), so the checks poll the graph
// until what they wait for holds; the checks every back end passes are shared
// (platform/MediaGraphChecks.h).

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/MediaGraphChecks.h"
#include "platform/RealTime.h"
#include "platform/dshow/DShowMediaBackEnd.h"
#include "support/TestFolder.h"

namespace {

namespace fs = std::filesystem;
using Clock = pvx::testing::RealClock;
using pvx::testing::kClockSlack;
using pvx::testing::pollUntil;
using pvx::testing::secondsSince;
using pvx::testing::staysTheSame;

void put16(std::ofstream& out, std::uint16_t v) {
  const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.write(bytes, 2);
}

void put32(std::ofstream& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}

// A PCM .wav (16-bit) holding seconds of a 440 Hz tone.
void writeTone(const fs::path& file, double seconds, std::uint32_t rate, std::uint16_t channels) {
  const auto frames = static_cast<std::uint32_t>(std::lround(seconds * rate));
  const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * 2);
  const std::uint32_t dataBytes = frames * blockAlign;
  std::ofstream out(file, std::ios::binary);
  out.write("RIFF", 4);
  put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, channels);
  put32(out, rate);
  put32(out, rate * blockAlign);
  put16(out, blockAlign);
  put16(out, 16);
  out.write("data", 4);
  put32(out, dataBytes);
  const double step = 2 * 3.14159265358979 * 440 / rate;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const auto sample = static_cast<std::int16_t>(std::lround(8000 * std::sin(step * i)));
    for (std::uint16_t c = 0; c < channels; ++c)
      put16(out, static_cast<std::uint16_t>(sample));
  }
}

class DShowBackEnd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(backEnd.available()); }

  std::unique_ptr<pvx::MediaGraph> open(const fs::path& file) {
    return pvx::testing::openGraph(backEnd, file);
  }

  fs::path tone(const char* name, double seconds, std::uint32_t rate = 44100,
                std::uint16_t channels = 2) {
    const fs::path file = folder.path / name;
    writeTone(file, seconds, rate, channels);
    return file;
  }

  pvx::DShowMediaBackEnd backEnd;
  pvx::testing::TestFolder folder;
};

}  // namespace

// --- Opening a file -------------------------------------------------------------------------

class DShowOpeningUnderWine : public DShowBackEnd {};

TEST_F(DShowOpeningUnderWine, AWavOpensStoppedAtTheStartWithItsDurationKnown) {
  struct Case {
    const char* name;
    double seconds;
    std::uint32_t rate;
    std::uint16_t channels;
  };
  for (const Case& c : {Case{"stereo.wav", 1.5, 44100, 2}, Case{"mono.wav", 0.75, 22050, 1}}) {
    auto graph = open(tone(c.name, c.seconds, c.rate, c.channels));
    ASSERT_NE(graph, nullptr) << c.name;
    ASSERT_TRUE(graph->duration().has_value()) << c.name;
    EXPECT_NEAR(*graph->duration(), c.seconds, 0.05) << c.name;
    EXPECT_EQ(graph->currentPosition(), 0.0) << c.name;
    ASSERT_TRUE(graph->run()) << c.name;
    EXPECT_NEAR(*graph->duration(), c.seconds, 0.05) << c.name;
    EXPECT_TRUE(graph->setRate(1.0)) << c.name;
  }
}

TEST_F(DShowOpeningUnderWine, AMissingFileOrATextFileNamedMp3FailsRatherThanHanging) {
  // The first file opened loads the decoders; the timing of the failures is theirs alone.
  ASSERT_NE(open(tone("warm-up.wav", 0.1)), nullptr);
  pvx::testing::expectOpeningFails(backEnd, folder.path);
}

TEST_F(DShowOpeningUnderWine, VolumeIsTakenInHundredthsOfADecibelFromSilenceToFull) {
  auto graph = open(tone("tone.wav", 0.5));
  ASSERT_NE(graph, nullptr);
  EXPECT_TRUE(graph->setVolume(0));
  EXPECT_TRUE(graph->setVolume(-2500));
  EXPECT_TRUE(graph->setVolume(-10000));
  EXPECT_FALSE(graph->setVolume(1));
  EXPECT_FALSE(graph->setVolume(-10001));
  EXPECT_FALSE(graph->setRate(0));
}

// --- Playing --------------------------------------------------------------------------------

class DShowPlayingUnderWine : public DShowBackEnd {};

TEST_F(DShowPlayingUnderWine, PlaysInRealTimeHoldsWhilePausedAndEndsWithPositionEqualToDuration) {
  auto graph = open(tone("tone.wav", 1.0));
  ASSERT_NE(graph, nullptr);
  pvx::testing::expectPlaysHoldsAndEnds(*graph);
}

TEST_F(DShowPlayingUnderWine, StopKeepsThePositionAndMovingOntoTheEndEndsTheTrack) {
  auto graph = open(tone("tone.wav", 2.0));
  ASSERT_NE(graph, nullptr);
  const auto position = [&] { return graph->currentPosition().value_or(-1); };
  ASSERT_TRUE(graph->setCurrentPosition(0.5));
  ASSERT_TRUE(graph->run());
  ASSERT_TRUE(pollUntil([&] { return position() >= 0.6; })) << "at " << position();

  // Stopped where it had got to: not rewound, and no further on than the time that passed.
  const auto readAt = Clock::now();
  const double before = position();
  ASSERT_TRUE(graph->stop());
  const double stopped = position();
  EXPECT_GE(stopped, 0.6);
  EXPECT_LE(stopped, before + secondsSince(readAt) + kClockSlack) << "from " << before;
  EXPECT_TRUE(staysTheSame(position, 0.2));

  int ends = 0;
  graph->setEndedHandler([&ends] { ++ends; });
  ASSERT_TRUE(graph->run());
  ASSERT_TRUE(graph->setCurrentPosition(5.0));
  EXPECT_EQ(graph->currentPosition(), graph->duration());
  graph->dispatchEvents();
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(staysTheSame(position, 0.2));
  ASSERT_TRUE(graph->setCurrentPosition(0));
  EXPECT_NEAR(position(), 0, 0.02);
}

// --- COM on the thread of the back end -------------------------------------------------------

// Each case runs on a thread of its own, whose COM state nothing else has touched.
template <typename Body>
void onFreshThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(DShowComUnderWine, TheBackEndInitialisesComApartmentThreadedAndBalancesIt) {
  onFreshThread([] {
    {
      pvx::DShowMediaBackEnd backEnd;
      ASSERT_TRUE(backEnd.available());
      // COM is up, and in the single-threaded apartment.
      EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
      CoUninitialize();
      EXPECT_NE(backEnd.createGraph(), nullptr);
    }
    // Gone with the back end: initialising again starts COM afresh.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
  });
}

TEST(DShowComUnderWine, ComAlreadyUpIsUsedAsItIsAndLeftUp) {
  // As on the program's main thread, where the window toolkit has started COM first.
  onFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
      pvx::DShowMediaBackEnd backEnd;
      ASSERT_TRUE(backEnd.available());
      EXPECT_NE(backEnd.createGraph(), nullptr);
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  });
  // A thread that uses COM multithreaded keeps it so, and gets its graphs there too.
  onFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      pvx::DShowMediaBackEnd backEnd;
      ASSERT_TRUE(backEnd.available());
      EXPECT_NE(backEnd.createGraph(), nullptr);
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  });
}

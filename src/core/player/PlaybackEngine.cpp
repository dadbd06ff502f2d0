#include "core/player/PlaybackEngine.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/player/PlayerNumbers.h"

namespace pvx {

namespace {

// The whole seconds of a media time, the fraction cut off.
std::string wholeSecondsText(double seconds) {
  if (!std::isfinite(seconds))
    return "0";
  const double whole = std::trunc(seconds);
  // Beyond what a 64-bit count holds (no real track is that long) the number is written as such.
  if (std::fabs(whole) >= 9e18)
    return numbers::shortestText(whole);
  return std::to_string(static_cast<long long>(whole));
}

// A media time as a slider position: whole seconds, halves to even, within int.
int sliderSeconds(double seconds) {
  const double whole = numbers::wholeHalfEven(seconds);
  if (!(whole > 0))
    return 0;
  return whole >= 2147483647.0 ? 2147483647 : static_cast<int>(whole);
}

}  // namespace

PlaybackEngine::PlaybackEngine(MediaBackEnd& media, Clock& clock, Playlist& playlist,
                               PlayerPort& port)
    : media_(media), playlist_(playlist), port_(port) {
  tmrMusic_ = clock.makeTimer([this] { tmrMusicTick(); });
}

std::string PlaybackEngine::play(const std::string& filename) {
  if (mPlaying && PauseBb && graph_ != nullptr) {
    // A track paused at its very end starts again from the beginning.
    const std::optional<double> position = graph_->currentPosition();
    if (position && numbers::wholeHalfEven(*position) == numbers::wholeHalfEven(mDuration))
      graph_->setCurrentPosition(0);
    PauseBb = false;
    graph_->run();
    enableMusicTimer();
  }
  if (!PauseBb)
    mFile = filename;
  if (!mFile.empty() && !mPlaying) {
    std::string title;
    if (startFresh(title))
      return title;
    skipFailedStart();
  }
  return {};
}

bool PlaybackEngine::startFresh(std::string& title) {
  if (graph_ != nullptr)
    graph_->stop();
  graph_.reset();
  graph_ = media_.createGraph();
  if (graph_ == nullptr || !graph_->renderFile(mFile))
    return false;
  hasGraph_ = true;
  enableMusicTimer();

  const auto fail = [this] {
    // A half-started track must not go on sounding while the engine counts as idle.
    graph_->stop();
    mPlaying = false;
    return false;
  };
  if (!graph_->run())
    return fail();
  curIndex = playlist_.selection();
  title = playlist_.title(curIndex);
  if (!graph_->setRate(1.0))
    return fail();
  mPlaying = true;
  const std::optional<double> duration = graph_->duration();
  if (!duration)
    return fail();
  mDuration = numbers::roundHalfEven(*duration, 2);
  lengthCaption_ = numbers::shortestText(mDuration);
  positionMax_ = sliderSeconds(mDuration);
  setPositionSlider(positionValue_);
  port_.positionChanged();
  if (!applyVolume())
    return fail();
  return true;
}

void PlaybackEngine::skipFailedStart() {
  // Each nested skip has tried one more entry; once every entry has had its turn the engine
  // stays idle instead of going round again.
  const int entries = playlist_.count();
  if (transport_ == nullptr || skipDepth_ + 1 >= entries)
    return;
  // nextSong starts the entry after curIndex (entry 0 after the last), so one step on from the
  // entry started last skips the entry right after it, which is the failed one when the player
  // was advancing. From the last entry nextSong goes on at entry 0, unless entry 0 is the one
  // that just failed: then it goes on at entry 1, or the first entry would be tried over and over.
  const int failed = playlist_.selection();
  if (curIndex + 1 < entries)
    curIndex = static_cast<std::int16_t>(curIndex + 1);
  else
    curIndex = static_cast<std::int16_t>(failed == 0 ? 0 : entries - 1);
  ++skipDepth_;
  callNextSong();
  --skipDepth_;
}

void PlaybackEngine::callNextSong() {
  if (transport_ == nullptr)
    return;
  try {
    transport_->nextSong();
  } catch (const std::exception&) {
    // Moving on is a convenience: when it fails the engine simply stays where it is.
  }
}

void PlaybackEngine::mStop() {
  // Every step is carried out even when an earlier one fails (or there is no graph yet).
  if (graph_ != nullptr) {
    graph_->stop();
    graph_->setCurrentPosition(0);
  }
  setPositionSlider(0);
  port_.positionChanged();
  mPlaying = false;
  PauseBb = false;
  mFile.clear();
}

void PlaybackEngine::Pause() {
  if (mPlaying && graph_ != nullptr && graph_->pause())
    PauseBb = true;
}

void PlaybackEngine::volumetune(std::int16_t volu) {
  setVolumeSlider(kVolumeSliderMax - volu);
  if (graph_ != nullptr)
    applyVolume();
}

void PlaybackEngine::setVolumeSlider(int value) {
  volumeValue_ = std::clamp(value, 0, kVolumeSliderMax);
  port_.volumeChanged();
}

void PlaybackEngine::volumeSliderReleased() {
  if (mPlaying && graph_ != nullptr)
    applyVolume();
}

void PlaybackEngine::positionSliderScrolled(int value) {
  setPositionSlider(value);
  port_.positionChanged();
  if (mPlaying && graph_ != nullptr)
    graph_->setCurrentPosition(positionValue_);
}

void PlaybackEngine::tmrMusicTick() {
  if (mPlaying && graph_ != nullptr) {
    if (const std::optional<double> position = graph_->currentPosition())
      setPositionSlider(sliderSeconds(*position));
    const std::optional<double> position = graph_->currentPosition();
    const std::optional<double> duration = graph_->duration();
    if (position && duration)
      lengthCaption_ =
          "Position: " + wholeSecondsText(*position) + "/" + wholeSecondsText(*duration);
    port_.positionChanged();
  }
  if (mPlaying && graph_ != nullptr) {
    const std::optional<double> duration = graph_->duration();
    const std::optional<double> position = graph_->currentPosition();
    // The back end holds the position exactly at the duration once the track has ended.
    if (duration && position && *position == *duration) {
      graph_->stop();
      mPlaying = false;
      mFile.clear();
      callNextSong();
    }
  }
}

bool PlaybackEngine::applyVolume() {
  return graph_ != nullptr && graph_->setVolume(kVolumePerStep * volumeValue_);
}

void PlaybackEngine::setPositionSlider(int value) {
  positionValue_ = std::clamp(value, 0, positionMax_);
}

void PlaybackEngine::enableMusicTimer() {
  if (!tmrMusic_->isActive())
    tmrMusic_->start(kMusicIntervalMs);
}

}  // namespace pvx

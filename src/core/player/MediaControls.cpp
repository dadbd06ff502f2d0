#include "core/player/MediaControls.h"

#include <algorithm>
#include <cmath>

namespace pvx {

const char* MediaControls::keyName(Key key) {
  switch (key) {
    case Key::PlayPause:
      return "Play/Pause";
    case Key::Next:
      return "Next Track";
    case Key::Previous:
      return "Previous Track";
    case Key::Stop:
      return "Stop";
  }
  return "";
}

void MediaControls::press(Key key) {
  switch (key) {
    case Key::PlayPause:
      playPause();
      return;
    case Key::Next:
      next();
      return;
    case Key::Previous:
      previous();
      return;
    case Key::Stop:
      stop();
      return;
  }
}

void MediaControls::play() {
  // The Play button would start the selected entry over; a desktop's "play" leaves a playing
  // track alone.
  if (player_.state() != PlaybackState::Playing)
    player_.playSelected();
}

void MediaControls::pause() {
  player_.pause();
}

void MediaControls::playPause() {
  if (player_.state() == PlaybackState::Playing)
    pause();
  else
    play();
}

void MediaControls::seekBy(double seconds) {
  if (!player_.isLoaded() || std::isnan(seconds))
    return;
  player_.moveTo(position() + seconds);
}

void MediaControls::setPosition(std::uint64_t number, double seconds) {
  const std::optional<Track> loaded = track();
  if (!player_.isLoaded() || !loaded || loaded->number != number)
    return;
  if (!(seconds >= 0) || seconds > loaded->seconds)
    return;
  player_.moveTo(seconds);
}

double MediaControls::volume() const {
  constexpr int steps = PlaybackEngine::kVolumeSliderMax;
  return static_cast<double>(steps - player_.volumeSliderValue()) / steps;
}

void MediaControls::setVolume(double level) {
  if (std::isnan(level))
    return;
  constexpr int steps = PlaybackEngine::kVolumeSliderMax;
  const double kept = std::clamp(level, 0.0, 1.0);
  player_.setVolumeSlider(steps - static_cast<int>(std::lround(kept * steps)));
  player_.volumeSliderReleased();
}

std::optional<MediaControls::Track> MediaControls::track() const {
  const PlaybackEngine& engine = player_.engine();
  if (engine.starts() == 0)
    return std::nullopt;
  return Track{engine.starts(), engine.startedTitle(), engine.startedPath(), engine.duration()};
}

}  // namespace pvx

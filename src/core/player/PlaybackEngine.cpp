#include "core/player/PlaybackEngine.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "core/player/PlayerNumbers.h"

namespace pvx {

namespace {

// A media time as a slider position: whole seconds, halves to even, within int.
int sliderSeconds(double seconds) {
  const double whole = numbers::wholeHalfEven(seconds);
  if (!(whole > 0))
    return 0;
  return whole >= 2147483647.0 ? 2147483647 : static_cast<int>(whole);
}

}  // namespace

PlaybackEngine::PlaybackEngine(MediaBackEnd& media, Clock& clock, Playlist& playlist,
                               PlayerPort& port, TransportPort& transport)
    : media_(media), playlist_(playlist), port_(port), transport_(transport) {
  musicTimer_ = clock.makeTimer([this] { musicTick(); });
}

std::string PlaybackEngine::play(const std::string& file) {
  // A start asked for anew, not a skip of one that failed, may try every entry once again.
  if (!skipping_)
    failedInARow_ = 0;
  const Moment before = now();
  std::string title = start(file);
  tellIfChanged(before);
  return title;
}

std::string PlaybackEngine::start(const std::string& file) {
  switch (state_) {
    case PlaybackState::Paused:
      resume();
      return {};
    case PlaybackState::Playing:
      return {};
    case PlaybackState::Idle:
      break;
  }
  if (file.empty())
    return {};
  std::string title;
  if (startFresh(file, title))
    return title;
  skipFailedStart(playlist_.selection());
  return {};
}

void PlaybackEngine::resume() {
  // A track paused at its very end starts again from the beginning.
  const std::optional<double> position = graph_->currentPosition();
  if (position && numbers::wholeHalfEven(*position) == numbers::wholeHalfEven(duration_))
    graph_->setCurrentPosition(0);
  state_ = PlaybackState::Playing;
  graph_->run();
  enableMusicTimer();
}

bool PlaybackEngine::startFresh(const std::string& file, std::string& title) {
  rendering_ = false;
  if (graph_ != nullptr)
    graph_->stop();
  graph_.reset();
  graph_ = media_.createGraph();
  if (graph_ == nullptr)
    return false;
  graph_->setEndedHandler([this] { trackEnded(); });
  graph_->setRenderedHandler([this](bool rendered) { renderEnded(rendered); });
  switch (graph_->beginRender(file)) {
    case MediaGraph::Render::Failed:
      return false;
    case MediaGraph::Render::Done:
      break;
    case MediaGraph::Render::Pending:
      // The back end builds the graph on its own thread: the track counts as started, and it
      // plays once its graph is built, or is skipped then if it cannot be.
      rendering_ = true;
      hasGraph_ = true;
      renderingFrom_ = currentIndex_;
      currentIndex_ = playlist_.selection();
      title = playlist_.title(currentIndex_);
      state_ = PlaybackState::Playing;
      enableMusicTimer();
      started(title, file);
      return true;
  }
  hasGraph_ = true;
  enableMusicTimer();
  if (!graph_->run())
    return failStart();
  currentIndex_ = playlist_.selection();
  title = playlist_.title(currentIndex_);
  if (!graph_->setRate(1.0))
    return failStart();
  state_ = PlaybackState::Playing;
  if (!finishStart())
    return false;
  started(title, file);
  return true;
}

bool PlaybackEngine::failStart() {
  // A half-started track must not go on sounding while the engine counts as idle.
  graph_->stop();
  state_ = PlaybackState::Idle;
  return false;
}

bool PlaybackEngine::finishStart() {
  const std::optional<double> duration = graph_->duration();
  if (!duration)
    return failStart();
  duration_ = numbers::roundHalfEven(*duration, 2);
  positionLabel_ = {PositionLabel::Shows::kDuration, 0, duration_};
  positionMax_ = sliderSeconds(duration_);
  setPositionSlider(positionValue_);
  port_.positionChanged();
  if (!applyVolume())
    return failStart();
  failedInARow_ = 0;
  return true;
}

bool PlaybackEngine::takeRenderedGraph() {
  // A track paused while its graph was being built is not run.
  if (state_ == PlaybackState::Playing && !graph_->run())
    return failStart();
  if (!graph_->setRate(1.0))
    return failStart();
  return finishStart();
}

void PlaybackEngine::started(const std::string& title, const std::string& file) {
  startedTitle_ = title;
  startedPath_ = file;
  ++starts_;
}

void PlaybackEngine::renderEnded(bool rendered) {
  if (!rendering_)
    return;
  rendering_ = false;
  const Moment before = now();
  // A track stopped while its graph was being built stays stopped, whatever became of it.
  if (state_ == PlaybackState::Idle)
    return;
  const int failed = currentIndex_;
  if (rendered && takeRenderedGraph()) {
    tellIfChanged(before);
    return;
  }
  // As a start that failed at once: the entry started before is where the transport goes on
  // from.
  currentIndex_ = renderingFrom_;
  state_ = PlaybackState::Idle;
  tellIfChanged(before);
  skipFailedStart(failed);
}

void PlaybackEngine::skipFailedStart(int failed) {
  // Each skip in a row has tried one more entry; once every entry has had its turn the engine
  // stays idle instead of going round again.
  const int entries = playlist_.count();
  if (++failedInARow_ >= entries)
    return;
  // nextSong starts the entry after currentIndex (entry 0 after the last), so one step on from
  // the entry started last skips the entry right after it, which is the failed one when the
  // player was advancing. From the last entry nextSong goes on at entry 0, unless entry 0 is the
  // one that just failed: then it goes on at entry 1, or the first entry would be tried over and
  // over.
  if (currentIndex_ + 1 < entries)
    currentIndex_ = static_cast<std::int16_t>(currentIndex_ + 1);
  else
    currentIndex_ = static_cast<std::int16_t>(failed == 0 ? 0 : entries - 1);
  const bool wasSkipping = std::exchange(skipping_, true);
  callNextSong();
  skipping_ = wasSkipping;
}

void PlaybackEngine::callNextSong() {
  try {
    transport_.nextSong();
  } catch (const std::exception&) {
    // Moving on is a convenience: when it fails the engine simply stays where it is.
  }
}

void PlaybackEngine::stop() {
  const Moment before = now();
  // Every step is carried out even when an earlier one fails (or there is no graph yet).
  if (graph_ != nullptr) {
    graph_->stop();
    graph_->setCurrentPosition(0);
  }
  setPositionSlider(0);
  // A stopped track no longer has a position to show.
  positionLabel_ = {};
  port_.positionChanged();
  state_ = PlaybackState::Idle;
  tellIfChanged(before);
}

void PlaybackEngine::pause() {
  // A track whose graph is still being built is held before it plays.
  if (state_ == PlaybackState::Playing && graph_ != nullptr && (rendering_ || graph_->pause())) {
    state_ = PlaybackState::Paused;
    port_.playbackChanged();
  }
}

void PlaybackEngine::setChatVolume(std::int16_t volume) {
  setVolumeSlider(kVolumeSliderMax - volume);
  if (graph_ != nullptr)
    applyVolume();
}

void PlaybackEngine::setVolumeSlider(int value) {
  volumeValue_ = std::clamp(value, 0, kVolumeSliderMax);
  port_.volumeChanged();
}

void PlaybackEngine::volumeSliderReleased() {
  if (isLoaded() && graph_ != nullptr)
    applyVolume();
}

void PlaybackEngine::positionSliderScrolled(int value) {
  setPositionSlider(value);
  port_.positionChanged();
  if (isLoaded() && graph_ != nullptr) {
    graph_->setCurrentPosition(positionValue_);
    port_.positionMoved();
  }
}

void PlaybackEngine::moveTo(double seconds) {
  if (!isLoaded() || graph_ == nullptr || std::isnan(seconds))
    return;
  seconds = std::max(seconds, 0.0);
  setPositionSlider(sliderSeconds(seconds));
  port_.positionChanged();
  graph_->setCurrentPosition(seconds);
  port_.positionMoved();
}

double PlaybackEngine::currentPosition() {
  if (!isLoaded() || graph_ == nullptr)
    return 0;
  return graph_->currentPosition().value_or(positionValue_);
}

void PlaybackEngine::musicTick() {
  // A track that does not play has nothing new to show: the timer rests until one plays again,
  // or until the graph being built tells how its building ended.
  if (state_ != PlaybackState::Playing && !rendering_)
    musicTimer_->stop();
  if (rendering_ && graph_ != nullptr) {
    graph_->dispatchEvents();
    return;
  }
  if (!isLoaded() || graph_ == nullptr)
    return;
  // One position for the slider and the label: asking the back end is a query of its graph.
  const std::optional<double> position = graph_->currentPosition();
  if (position)
    setPositionSlider(sliderSeconds(*position));
  const std::optional<double> duration = graph_->duration();
  if (position && duration)
    positionLabel_ = {PositionLabel::Shows::kPosition, *position, *duration};
  port_.positionChanged();
  // The end of the track comes from here, after its last position was shown. The handler may
  // replace the graph: nothing of it is touched afterwards.
  graph_->dispatchEvents();
}

void PlaybackEngine::trackEnded() {
  // A graph that was stopped before its end was dispatched has nothing more to say.
  if (!isLoaded())
    return;
  graph_->stop();
  state_ = PlaybackState::Idle;
  port_.playbackChanged();
  // The next start tells of itself.
  callNextSong();
}

void PlaybackEngine::tellIfChanged(const Moment& before) {
  if (before.state != state_ || before.starts != starts_)
    port_.playbackChanged();
}

bool PlaybackEngine::applyVolume() {
  return graph_ != nullptr && graph_->setVolume(kVolumePerStep * volumeValue_);
}

void PlaybackEngine::setPositionSlider(int value) {
  positionValue_ = std::clamp(value, 0, positionMax_);
}

void PlaybackEngine::enableMusicTimer() {
  if (!musicTimer_->isActive())
    musicTimer_->start(kMusicIntervalMs);
}

}  // namespace pvx

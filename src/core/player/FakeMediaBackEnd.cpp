#include "core/player/FakeMediaBackEnd.h"

#include <algorithm>
#include <utility>

namespace pvx {

namespace {

// Marks a path that renders nothing.
constexpr double kUnplayable = -1;

}  // namespace

class FakeMediaBackEnd::Graph final : public MediaGraph {
 public:
  Graph(FakeMediaBackEnd& owner, std::shared_ptr<GraphRecord> record)
      : owner_(owner), record_(std::move(record)) {}

  bool renderFile(const std::string& path) override {
    const auto track = owner_.tracks_.find(path);
    if (rendered_ || track == owner_.tracks_.end() || track->second == kUnplayable)
      return false;
    rendered_ = true;
    ++owner_.rendered_;
    record_->path = path;
    record_->duration = track->second;
    return true;
  }
  Render beginRender(const std::string& path) override {
    if (owner_.renderMs_ <= 0)
      return MediaGraph::beginRender(path);
    if (rendered_ || !owner_.tracks_.contains(path))
      return Render::Failed;
    pendingPath_ = path;
    renderDueMs_ = owner_.clock_.nowMs() + owner_.renderMs_;
    return Render::Pending;
  }
  void dispatchEvents() override {
    if (!pendingPath_.empty() && owner_.clock_.nowMs() >= renderDueMs_) {
      const bool rendered = renderFile(std::exchange(pendingPath_, std::string()));
      raiseRendered(rendered);
      return;
    }
    if (!rendered_ || endRaised_ || owner_.positionOf(*record_) < record_->duration)
      return;
    endRaised_ = true;
    ++record_->endsRaised;
    raiseEnded();
  }
  bool run() override { return moveTo(State::kRunning); }
  bool pause() override { return moveTo(State::kPaused); }
  bool stop() override { return moveTo(State::kStopped); }
  std::optional<double> duration() override {
    if (!rendered_)
      return std::nullopt;
    return record_->duration;
  }
  std::optional<double> currentPosition() override {
    if (!rendered_)
      return std::nullopt;
    return owner_.positionOf(*record_);
  }
  bool setCurrentPosition(double seconds) override {
    if (!rendered_)
      return false;
    record_->anchorPosition = std::clamp(seconds, 0.0, record_->duration);
    record_->anchorMs = owner_.clock_.nowMs();
    ++record_->seeks;
    // Moved back from the end, the track can end again.
    if (record_->anchorPosition < record_->duration)
      endRaised_ = false;
    return true;
  }
  bool setRate(double rate) override {
    if (!rendered_ || !(rate > 0))
      return false;
    settle();
    record_->rate = rate;
    return true;
  }
  bool setVolume(long hundredthsOfDecibel) override {
    if (!rendered_ || hundredthsOfDecibel > 0 || hundredthsOfDecibel < -10000)
      return false;
    record_->volume = hundredthsOfDecibel;
    return true;
  }

 private:
  // Fixes the position reached so far as the new anchor.
  void settle() {
    record_->anchorPosition = owner_.positionOf(*record_);
    record_->anchorMs = owner_.clock_.nowMs();
  }
  bool moveTo(State state) {
    if (!rendered_)
      return false;
    settle();
    record_->state = state;
    return true;
  }

  FakeMediaBackEnd& owner_;
  std::shared_ptr<GraphRecord> record_;
  std::string pendingPath_;  // the file being rendered on the back end's thread
  std::int64_t renderDueMs_ = 0;
  bool rendered_ = false;
  bool endRaised_ = false;
};

void FakeMediaBackEnd::addTrack(const std::string& path, double seconds) {
  tracks_[path] = std::max(seconds, 0.0);
}

void FakeMediaBackEnd::addUnplayable(const std::string& path) {
  tracks_[path] = kUnplayable;
}

std::unique_ptr<MediaGraph> FakeMediaBackEnd::createGraph() {
  ++created_;
  newest_ = std::make_shared<GraphRecord>();
  return std::make_unique<Graph>(*this, newest_);
}

void FakeMediaBackEnd::finishNewest() {
  if (!newest_)
    return;
  newest_->anchorPosition = newest_->duration;
  newest_->anchorMs = clock_.nowMs();
}

double FakeMediaBackEnd::positionOf(const GraphRecord& graph) const {
  if (graph.state != State::kRunning)
    return graph.anchorPosition;
  const double elapsed = static_cast<double>(clock_.nowMs() - graph.anchorMs) / 1000.0;
  // Once the end is reached the position is the duration itself, not a sum that misses it.
  return std::min(graph.anchorPosition + elapsed * graph.rate, graph.duration);
}

}  // namespace pvx

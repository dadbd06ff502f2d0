#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/player/MediaBackEnd.h"
#include "core/time/Clock.h"

namespace pvx {

// A media back end whose tracks are scripted: each known path plays for a given number of
// seconds on the program's clock (virtual time in tests and the replay), paths marked unplayable
// and unknown paths fail to render. A graph raises the end of its track at the first
// dispatchEvents once its position has reached the scripted end, as a real back end does at the
// first look at its events after the end of the stream. Remembers what the newest graph was told,
// for checking.
class FakeMediaBackEnd final : public MediaBackEnd {
 public:
  enum class State { kStopped, kPaused, kRunning };

  // What one graph has been told, shared between the graph and the back end.
  struct GraphRecord {
    std::string path;  // the rendered file; empty until one rendered
    double duration = 0;
    State state = State::kStopped;
    long volume = 0;
    double rate = 1.0;
    // The position is anchorPosition at anchorMs, moving on from there while running.
    double anchorPosition = 0;
    std::int64_t anchorMs = 0;
    int seeks = 0;
    int endsRaised = 0;
  };

  explicit FakeMediaBackEnd(const Clock& clock) : clock_(clock) {}

  // A playable file of the given length in seconds.
  void addTrack(const std::string& path, double seconds);
  // A file that exists but cannot be played.
  void addUnplayable(const std::string& path);
  // Graphs are built on a thread of the back end's own that takes this long (0: at once, the
  // default): a file that exists is rendered, or fails, at the graph's first dispatchEvents once
  // that time has passed; a missing file fails at once.
  void setRenderMs(std::int64_t ms) { renderMs_ = ms; }

  std::unique_ptr<MediaGraph> createGraph() override;

  // The newest graph's track plays to its end at once, as if its time had run out; the graph
  // raises the end at its next dispatchEvents.
  void finishNewest();

  // How many graphs have been made, and how many of them rendered a file.
  int graphsCreated() const { return created_; }
  int filesRendered() const { return rendered_; }
  // The newest graph, or null before the first one. Its position at the current time:
  std::shared_ptr<const GraphRecord> newest() const { return newest_; }
  double positionOf(const GraphRecord& graph) const;

 private:
  class Graph;

  const Clock& clock_;
  std::map<std::string, double> tracks_;
  std::int64_t renderMs_ = 0;
  int created_ = 0;
  int rendered_ = 0;
  std::shared_ptr<GraphRecord> newest_;
};

}  // namespace pvx

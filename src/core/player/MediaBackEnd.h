#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pvx {

// One track's media graph: the file rendered into it and its playback. A graph belongs to one
// track; the player makes a fresh one for every new track. Operations report failure instead of
// throwing; a graph that has not rendered a file fails every operation.
//
// Units: positions and durations in seconds; volume as an attenuation in hundredths of a decibel,
// 0 = full volume down to -10000 = silence. Once a track has played to its end, its position
// equals its duration exactly and stays there until it is moved.
//
// The end of the track is an event: the graph raises it once for each time the track reaches its
// end (played out, moved onto its end, or broken off while playing), and again only after the
// position has been moved back. Events are raised only from within dispatchEvents, which the
// graph's owner calls regularly on its own thread, never from within another operation.
class MediaGraph {
 public:
  virtual ~MediaGraph() = default;

  // Who is told that the track has ended. The handler may do anything with the graph, even
  // destroy it: a graph touches nothing of its own after raising an event.
  void setEndedHandler(std::function<void()> handler) { endedHandler_ = std::move(handler); }
  // Who is told how a render under way ended (true: the file is rendered), under the same rule.
  void setRenderedHandler(std::function<void(bool)> handler) {
    renderedHandler_ = std::move(handler);
  }
  // Raises the events that have come up since the last call.
  virtual void dispatchEvents() = 0;

  // Builds everything needed to play the file and leaves the graph stopped at position 0.
  // Fails at once for a missing, unreadable or unsupported file.
  virtual bool renderFile(const std::string& path) = 0;
  // The same, where the back end builds graphs on a thread of its own, so that its owner never
  // waits for it: Done or Failed when the outcome is known at once (a missing file), Pending
  // when it comes later, as the rendered event, from dispatchEvents. Until then every other
  // operation fails. By default, renderFile.
  enum class Render { Done, Failed, Pending };
  virtual Render beginRender(const std::string& path) {
    return renderFile(path) ? Render::Done : Render::Failed;
  }
  // Starts or continues playback and returns at once; playback then proceeds on its own.
  virtual bool run() = 0;
  // Holds playback at the current position.
  virtual bool pause() = 0;
  // Stops playback; the position stays where it was.
  virtual bool stop() = 0;
  virtual std::optional<double> duration() = 0;
  virtual std::optional<double> currentPosition() = 0;
  virtual bool setCurrentPosition(double seconds) = 0;
  // 1.0 is normal speed.
  virtual bool setRate(double rate) = 0;
  // Fails for a value outside -10000 to 0.
  virtual bool setVolume(long hundredthsOfDecibel) = 0;

 protected:
  void raiseEnded() {
    // A copy, so that the handler may destroy the graph and with it the original.
    const std::function<void()> handler = endedHandler_;
    if (handler)
      handler();
  }
  void raiseRendered(bool rendered) {
    const std::function<void(bool)> handler = renderedHandler_;
    if (handler)
      handler(rendered);
  }

 private:
  std::function<void()> endedHandler_;
  std::function<void(bool)> renderedHandler_;
};

// Where graphs come from: the platform's media framework, or a scripted fake.
class MediaBackEnd {
 public:
  virtual ~MediaBackEnd() = default;
  // An empty graph, separate from every earlier one; null when the framework cannot make one.
  virtual std::unique_ptr<MediaGraph> createGraph() = 0;
};

}  // namespace pvx

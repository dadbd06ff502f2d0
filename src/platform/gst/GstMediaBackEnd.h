#pragma once

#include <memory>

#include "core/player/MediaBackEnd.h"

namespace pvx {

// The media back end on Linux: GStreamer's playbin. Each graph is separate from the ones before
// it, but they take turns in one playbin kept between tracks, so a track change builds only the
// new file's decoder and leaves nothing behind. Opening a file prerolls it on GStreamer's own
// threads, and the graph tells how that went at the owner's next dispatchEvents: a missing,
// unreadable or unsupported file fails then, and the duration is known from then on (renderFile
// waits for it); the end of the stream is latched, so the position
// then equals the duration exactly. Every call comes from the user-interface thread; GStreamer
// plays on threads of its own and the graph reads its bus whenever it is called, so the end of
// the stream is raised as the graph's ended event at the owner's next dispatchEvents (the music
// timer's tick), with or without a GLib main loop running.
class GstMediaBackEnd final : public MediaBackEnd {
 public:
  // Initialises GStreamer for the process (once; later back ends reuse it).
  GstMediaBackEnd();
  ~GstMediaBackEnd() override;
  GstMediaBackEnd(const GstMediaBackEnd&) = delete;
  GstMediaBackEnd& operator=(const GstMediaBackEnd&) = delete;

  // False when GStreamer could not be initialised; no graph can be made then.
  bool available() const { return available_; }
  std::unique_ptr<MediaGraph> createGraph() override;

  // An attenuation in hundredths of a decibel as GStreamer's linear volume factor: 0 gives 1.0,
  // -2000 gives 0.1, -10000 gives 0.00001.
  static double linearVolume(long hundredthsOfDecibel);

  class Pipeline;

 private:
  bool available_ = false;
  // Shared with the graphs, which give their playbin back even after the back end is gone.
  std::shared_ptr<Pipeline> pipeline_;
};

}  // namespace pvx

#pragma once

#include <memory>

#include "core/player/MediaBackEnd.h"

namespace pvx {

// The media back end on Windows: DirectShow, one filter-graph manager (FilgraphManager) per
// track, driven through IMediaControl, IMediaPosition and IBasicAudio. Graphs are made, rendered
// and released on a media thread of the back end's own, since RenderFile takes 150 to 500 ms
// under Wine: a missing file fails at once, an unreadable or unsupported one once its render has
// ended, and the duration is known from then on. The graph's completion notice is latched, so once
// a track has played to its end its position equals its duration exactly, also where the platform's
// position stops short of it; the graph's notices are taken without waiting whenever it is
// called, and the end is raised as the graph's ended event at the owner's next dispatchEvents.
//
// COM belongs to the thread that makes the back end, which must be the user-interface thread:
// the constructor initialises it there (apartment-threaded) and the destructor balances that, so
// every graph must be gone before the back end is. The destructor waits for the media thread to
// release the graphs handed to it. Where the thread already uses COM in another
// mode, the back end uses COM as it finds it and leaves it so. This header does not pull in
// <windows.h>.
class MediaThread;

class DShowMediaBackEnd final : public MediaBackEnd {
 public:
  DShowMediaBackEnd();
  ~DShowMediaBackEnd() override;
  DShowMediaBackEnd(const DShowMediaBackEnd&) = delete;
  DShowMediaBackEnd& operator=(const DShowMediaBackEnd&) = delete;

  // False when COM could not be initialised on this thread; no graph can be made then.
  bool available() const { return available_; }
  // Null also when DirectShow has no filter-graph manager to give.
  std::unique_ptr<MediaGraph> createGraph() override;

 private:
  std::unique_ptr<MediaThread> thread_;
  bool available_ = false;
  bool uninitialiseCom_ = false;
};

}  // namespace pvx

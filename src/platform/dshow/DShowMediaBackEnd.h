#pragma once

#include <memory>

#include "core/player/MediaBackEnd.h"

namespace pvx {

// The media back end on Windows: DirectShow, one filter-graph manager (FilgraphManager) per
// track, driven through IMediaControl, IMediaPosition and IBasicAudio. RenderFile builds the
// graph synchronously, so a missing, unreadable or unsupported file fails at once and the
// duration is known right after the start. The graph's completion notice is latched, so once a
// track has played to its end its position equals its duration exactly, also where the platform's
// position stops short of it; the graph's notices are taken without waiting whenever it is
// called, and the end is raised as the graph's ended event at the owner's next dispatchEvents.
//
// COM belongs to the thread that makes the back end, which must be the user-interface thread:
// the constructor initialises it there (apartment-threaded) and the destructor balances that, so
// every graph must be gone before the back end is. Where the thread already uses COM in another
// mode, the back end uses COM as it finds it and leaves it so. This header does not pull in
// <windows.h>.
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
  bool available_ = false;
  bool uninitialiseCom_ = false;
};

}  // namespace pvx

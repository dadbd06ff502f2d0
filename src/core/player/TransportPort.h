#pragma once

#include <string>

namespace pvx {

// What the playback engine asks of the player's transport: moving on to the next playlist entry
// when a track ends or cannot be started.
class TransportPort {
 public:
  virtual ~TransportPort() = default;
  // Selects and starts the entry after the one the engine last started (the first one after the
  // last), and returns the started title, empty when nothing new was started. May run nested
  // inside the engine's own play when it skips an entry that cannot be played.
  virtual std::string nextSong() = 0;
};

}  // namespace pvx

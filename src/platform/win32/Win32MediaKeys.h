#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/player/MediaControls.h"

namespace pvx {

// The keyboard's media keys (Play/Pause, Next Track, Previous Track, Stop) taken as global hot
// keys, so that they reach the player while the game is in front. A key that another program
// holds already is left to it: the rest are taken all the same. The presses arrive on the thread
// that made this object, through its message loop (Qt's runs it), one call each, a held key
// counting once.
class Win32MediaKeys {
 public:
  using Pressed = std::function<void(MediaControls::Key)>;

  explicit Win32MediaKeys(Pressed pressed);
  ~Win32MediaKeys();
  Win32MediaKeys(const Win32MediaKeys&) = delete;
  Win32MediaKeys& operator=(const Win32MediaKeys&) = delete;

  // The keys that could not be taken, in the order above.
  const std::vector<MediaControls::Key>& refused() const { return refused_; }

  // The window procedure's way in (a Win32 message, its parameters); true when it was a key's.
  bool handle(unsigned message, std::uintptr_t wParam);

 private:
  Pressed pressed_;
  void* window_ = nullptr;  // the message-only window the presses are posted to
  std::vector<MediaControls::Key> taken_;
  std::vector<MediaControls::Key> refused_;
};

}  // namespace pvx

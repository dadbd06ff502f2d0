#pragma once

#include <string>

#include "console/Clock.h"
#include "console/WindowSystem.h"

namespace pvx {

// Position and size of a window in twips, single precision as the platform's form properties.
struct TwipsRect {
  float left = 0, top = 0, width = 0, height = 0;
};

// The half of the console bridge that reads a window's text and waits, and the centring of a
// form on the screen.
class modTarn {
 public:
  static constexpr const char* kNoText = ">No text for this class<";

  modTarn(WindowSystem& ws, Clock& clock) : ws_(ws), clock_(clock) {}

  // Current length of the window's text in characters; 0 for handle 0 or a stale handle.
  long windowTextLength(Hwnd hwnd);
  // The whole current text of the window (UTF-8); for a window whose text length is 0 the
  // literal ">No text for this class<". May be shorter than the length measured first when the
  // text shrank in between.
  std::string readWindowText(Hwnd hwnd);
  // The same text in the game's own single-byte code page, one byte per character, for callers
  // that need only part of a long text converted.
  std::string readWindowBytes(Hwnd hwnd);
  // Blocks the whole thread for Int(seconds * 1000) milliseconds, the single-precision seconds
  // multiplied in double precision: 0.7 sleeps 699 ms, not 700.
  void waitSeconds(float seconds);
  static long long waitMilliseconds(float seconds);

  // Centres a window of the given size: without a reference window on the screen; with one,
  // in the reference window (in its client area when the window is an MDI child and the
  // reference is not). Width and height do not change.
  static TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight);
  static TwipsRect centerForm(TwipsRect window, const TwipsRect& reference, bool windowIsMdiChild,
                              bool referenceIsMdiChild);

 private:
  WindowSystem& ws_;
  Clock& clock_;
};

}  // namespace pvx

#pragma once

namespace pvx {

// Position and size of a window in twips, single precision as the platform's form properties.
struct TwipsRect {
  float left = 0, top = 0, width = 0, height = 0;
};

// Centres a window of the given size: without a reference window on the screen; with one, in the
// reference window (in its client area when the window is an MDI child and the reference is
// not). Width and height do not change.
TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight);
TwipsRect centerForm(TwipsRect window, const TwipsRect& reference, bool windowIsMdiChild,
                     bool referenceIsMdiChild);

}  // namespace pvx

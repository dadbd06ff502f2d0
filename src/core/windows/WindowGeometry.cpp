#include "core/windows/WindowGeometry.h"

#include <algorithm>

namespace pvx {

TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight) {
  window.left = (screenWidth - window.width) / 2.0f;
  window.top = (screenHeight - window.height) / 2.0f;
  return window;
}

TwipsRect keepInside(TwipsRect window, const TwipsRect& area) {
  // An area of no size (no screen known) places nothing.
  if (area.width <= 0 || area.height <= 0)
    return window;
  window.left = std::max(std::min(window.left, area.right() - window.width), area.left);
  window.top = std::max(std::min(window.top, area.bottom() - window.height), area.top);
  return window;
}

TwipsRect keepPairInside(TwipsRect main, float belowHeight, const TwipsRect& area) {
  TwipsRect pair = main;
  pair.height += belowHeight;
  pair = keepInside(pair, area);
  main.left = pair.left;
  main.top = pair.top;
  return main;
}

TwipsRect besideRight(TwipsRect window, const TwipsRect& reference, float gap,
                      const TwipsRect& area) {
  window.left = reference.right() + gap;
  window.top = reference.top;
  return keepInside(window, area);
}

}  // namespace pvx

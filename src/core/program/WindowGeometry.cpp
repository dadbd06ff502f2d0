#include "core/program/WindowGeometry.h"

namespace pvx {

TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight) {
  window.left = (screenWidth - window.width) / 2.0f;
  window.top = (screenHeight - window.height) / 2.0f;
  return window;
}

TwipsRect centerForm(TwipsRect window, const TwipsRect& reference, bool windowIsMdiChild,
                     bool referenceIsMdiChild) {
  if (windowIsMdiChild && !referenceIsMdiChild) {
    window.left = (reference.width - window.width) / 2.0f;
    window.top = (reference.height - window.height) / 2.0f;
  } else {
    window.left = reference.left + (reference.width - window.width) / 2.0f;
    window.top = reference.top + (reference.height - window.height) / 2.0f;
  }
  return window;
}

}  // namespace pvx

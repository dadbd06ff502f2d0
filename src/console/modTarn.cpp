#include "console/modTarn.h"

#include <cmath>
#include <vector>

#include "console/Text.h"

namespace pvx {

long modTarn::windowTextLength(Hwnd hwnd) {
  return hwnd == 0 ? 0 : ws_.getTextLength(hwnd);
}

std::string modTarn::readWindowBytes(Hwnd hwnd) {
  const long n = ws_.getTextLength(hwnd);
  if (n <= 0)
    return kNoText;
  std::string buffer(static_cast<std::size_t>(n) + 1, '\0');
  long copied = ws_.getText(hwnd, n + 1, buffer.data());
  if (copied < 0)
    copied = 0;
  if (copied > n)
    copied = n;
  buffer.resize(static_cast<std::size_t>(copied));
  return buffer;
}

std::string modTarn::readWindowText(Hwnd hwnd) {
  return text::fromCp1252(readWindowBytes(hwnd));
}

long long modTarn::waitMilliseconds(float seconds) {
  const double ms = std::floor(static_cast<double>(seconds) * 1000.0);
  return ms > 0 ? static_cast<long long>(ms) : 0;
}

void modTarn::waitSeconds(float seconds) {
  clock_.sleepMs(waitMilliseconds(seconds));
}

TwipsRect modTarn::centerForm(TwipsRect window, float screenWidth, float screenHeight) {
  window.left = (screenWidth - window.width) / 2.0f;
  window.top = (screenHeight - window.height) / 2.0f;
  return window;
}

TwipsRect modTarn::centerForm(TwipsRect window, const TwipsRect& reference, bool windowIsMdiChild,
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

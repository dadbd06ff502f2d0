#pragma once

namespace pvx {

// Position and size of a window in twips, single precision as the platform's form properties.
struct TwipsRect {
  float left = 0, top = 0, width = 0, height = 0;

  float right() const { return left + width; }
  float bottom() const { return top + height; }
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// Centres a window of the given size on the screen. Width and height do not change.
TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight);

// Moves a window as little as needed to lie inside area: up and left first, but never above or
// left of the area's top-left corner (a window larger than the area keeps its title bar and left
// edge on it). The size does not change.
TwipsRect keepInside(TwipsRect window, const TwipsRect& area);

// The main window placed for a docked window of belowHeight under it: the pair of them kept
// inside area as keepInside keeps one window. Only the main window's position changes.
TwipsRect keepPairInside(TwipsRect main, float belowHeight, const TwipsRect& area);

// A window placed right of reference, gap apart and top edges aligned, then kept inside area.
TwipsRect besideRight(TwipsRect window, const TwipsRect& reference, float gap,
                      const TwipsRect& area);

}  // namespace pvx

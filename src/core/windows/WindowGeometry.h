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

// A window's outer size in twips.
struct TwipsSize {
  float width = 0, height = 0;
};

// What placing a window beside the main window needs to know: the main window's frame, the height
// of the player window docked below it (shown or not), the size the window wants and the smallest
// it can be, the gap to leave between windows, and the part of the screen windows may take.
struct BesideMain {
  TwipsRect main;
  float playerHeight = 0;
  TwipsSize wanted, smallest;
  float gap = 0;
  TwipsRect area;
};

// Where a window of the program's own (the practice console) opens so that it covers neither the
// main window nor the player window's place below it, and lies inside the area:
// - at the size it wants, the first of right of the two, left of them, below them, above the main
//   window where that size fits;
// - otherwise smaller, in the first of those places, then below the main window over the player
//   window's place, where its smallest size fits; a window narrowed beside the two is as tall as
//   they are together, as far as the area allows;
// - otherwise at its smallest, wherever it covers the least of the main window.
// Beside the main window the top edges are aligned, below and above it the left edges, as far as
// the area allows. An area of no size (no screen known) puts the window right of the main window.
TwipsRect placeBesideMain(const BesideMain& where);

}  // namespace pvx

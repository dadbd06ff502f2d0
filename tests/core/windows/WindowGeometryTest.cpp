#include "core/windows/WindowGeometry.h"

#include <gtest/gtest.h>

#include "support/FakePorts.h"

using pvx::TwipsRect;
using pvx::testing::kPx;
using pvx::testing::pixels;

TEST(KeepInside, MovesAWindowAsLittleAsNeededNeverPastTheTopLeftCorner) {
  const TwipsRect area = pixels(0, 28, 1024, 740);  // a panel along the top
  const struct {
    const char* what;
    TwipsRect window, expected;
  } cases[] = {
      {"inside", pixels(100, 100, 400, 300), pixels(100, 100, 400, 300)},
      {"past the right and bottom", pixels(900, 600, 400, 300), pixels(624, 468, 400, 300)},
      {"past the left and top", pixels(-50, 0, 400, 300), pixels(0, 28, 400, 300)},
      {"taller than the area", pixels(10, 100, 400, 900), pixels(10, 28, 400, 900)},
      {"wider than the area", pixels(300, 100, 1200, 300), pixels(0, 100, 1200, 300)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pvx::keepInside(c.window, area), c.expected) << c.what;
  // No screen known: nothing moves.
  EXPECT_EQ(pvx::keepInside(pixels(900, 600, 400, 300), TwipsRect{}), pixels(900, 600, 400, 300));
}

TEST(PlaceBesideMain, CoversNeitherTheMainWindowNorThePlayersPlaceWhereTheAreaHasRoom) {
  // The frames as openbox draws them: the main window, the player window's height below it
  // (hidden at start, so without its frame), the practice console as it wants to be and at its
  // smallest; 16 pixels apart.
  const TwipsRect main = pixels(0, 0, 431, 359);
  const auto at = [&main](float left, float top) {
    TwipsRect r = main;
    r.left = left * kPx;
    r.top = top * kPx;
    return r;
  };
  const struct {
    const char* what;
    TwipsRect main, area, expected;
  } cases[] = {
      {"1280 x 1024: narrowed right of the two, as tall as they are", at(426, 294),
       pixels(0, 0, 1280, 1024), pixels(873, 294, 407, 730)},
      {"1024 x 768: as narrow as the room right of the two", at(296, 38), pixels(0, 0, 1024, 768),
       pixels(743, 38, 281, 730)},
      {"1024 x 768, a panel on the right: left of the two", at(296, 38), pixels(0, 0, 976, 768),
       pixels(0, 38, 280, 730)},
      {"1920 x 1080, a panel below: a little narrower than it wants", at(744, 310),
       pixels(0, 0, 1920, 1040), pixels(1191, 310, 729, 730)},
      {"2560 x 1440: as it wants, right of the main window", at(1064, 540),
       pixels(0, 0, 2560, 1440), pixels(1511, 540, 762, 485)},
      {"portrait 1080 x 1920: as it wants, above the main window", at(324, 780),
       pixels(0, 0, 1080, 1920), pixels(318, 279, 762, 485)},
      {"no room beside, above or below the two: over the player window's place", at(234, 0),
       pixels(0, 0, 900, 800), pixels(138, 375, 762, 425)},
      {"800 x 600: at its smallest where it covers the least of the main window", at(184, 0),
       pixels(0, 0, 800, 600), pixels(540, 0, 260, 400)},
      {"no screen known: right of the main window", at(100, 50), TwipsRect{},
       pixels(547, 50, 762, 485)},
  };
  for (const auto& c : cases) {
    const pvx::BesideMain where{.main = c.main,
                                .playerHeight = 371 * kPx,
                                .wanted = {762 * kPx, 485 * kPx},
                                .smallest = {260 * kPx, 400 * kPx},
                                .gap = 16 * kPx,
                                .area = c.area};
    EXPECT_EQ(pvx::placeBesideMain(where), c.expected) << c.what;
  }
}

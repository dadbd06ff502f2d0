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

TEST(BesideRight, RightOfTheReferenceTopsAlignedUnlessTheScreenEndsFirst) {
  const TwipsRect area = pixels(0, 0, 1920, 1040);
  const TwipsRect practice = pixels(0, 0, 762, 485);
  // Room enough: 16 pixels right of the main window.
  EXPECT_EQ(pvx::besideRight(practice, pixels(200, 300, 431, 359), 16 * kPx, area),
            pixels(647, 300, 762, 485));
  // The main window centred on the screen: as far right as the screen allows.
  EXPECT_EQ(pvx::besideRight(practice, pixels(744, 300, 431, 359), 16 * kPx, area),
            pixels(1158, 300, 762, 485));
  // Low on the screen: up so its foot stays on it.
  EXPECT_EQ(pvx::besideRight(practice, pixels(200, 700, 431, 359), 16 * kPx, area),
            pixels(647, 555, 762, 485));
}

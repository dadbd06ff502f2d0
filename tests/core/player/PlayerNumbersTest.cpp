#include "core/player/PlayerNumbers.h"

#include <gtest/gtest.h>

namespace {

using namespace pvx::numbers;

TEST(PlayerNumbers, RoundHalvesToEvenOnTheWrittenDigitsAndWriteTheShortestForm) {
  EXPECT_EQ(wholeHalfEven(2.5), 2);
  EXPECT_EQ(wholeHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(2.675, 2), 2.68);
  EXPECT_EQ(roundHalfEven(2.665, 2), 2.66);
  EXPECT_EQ(roundHalfEven(-1.005, 2), -1.0);
  EXPECT_EQ(shortestText(215.43), "215.43");
  EXPECT_EQ(shortestText(1e7), "10000000");
  EXPECT_EQ(shortestText(0.5), "0.5");
}

}  // namespace

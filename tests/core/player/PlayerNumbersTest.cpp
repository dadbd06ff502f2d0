#include "core/player/PlayerNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using namespace pvx::numbers;

TEST(PlayerNumbers, RoundHalvesToEvenOnTheWrittenDigits) {
  const struct {
    double value;
    int decimals;  // -1: wholeHalfEven
    double rounded;
  } cases[] = {
      {2.5, -1, 2}, {3.5, -1, 4}, {2.675, 2, 2.68}, {2.665, 2, 2.66}, {-1.005, 2, -1.0},
  };
  for (const auto& c : cases) {
    const double got = c.decimals < 0 ? wholeHalfEven(c.value) : roundHalfEven(c.value, c.decimals);
    EXPECT_EQ(got, c.rounded) << c.value << " to " << c.decimals;
  }
}

TEST(PlayerNumbers, TextsAreTheShortestFormAndWholeSecondsCutOff) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double value;
    bool wholeSeconds;
    const char* text;
  } cases[] = {
      {215.43, false, "215.43"}, {1e7, false, "10000000"},
      {0.5, false, "0.5"},       {12.7, true, "12"},
      {215.434, true, "215"},    {-0.5, true, "0"},
      {nan, true, "0"},          {1e19, true, "10000000000000000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.wholeSeconds ? wholeSecondsText(c.value) : shortestText(c.value), c.text)
        << c.value;
  }
}

}  // namespace

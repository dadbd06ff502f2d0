#pragma once

#include <string>

// How the player turns media times into the numbers it shows.
namespace pvx::numbers {

// value rounded to whole units, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double wholeHalfEven(double value);

// value rounded to the given number of decimals, halves to the even neighbour. The decision is
// taken on the decimal digits the value is written with (its shortest form), so 2.675 -> 2.68
// and 2.665 -> 2.66, whatever the nearest binary fractions are.
double roundHalfEven(double value, int decimals);

// The shortest decimal text that reads back as value, without exponent: 215.43, 215, 0.5, -3.25.
std::string shortestText(double value);

// The whole seconds of a media time, the fraction cut off: 12.7 -> "12", -0.5 -> "0". A value
// that is not a number reads "0".
std::string wholeSecondsText(double seconds);

}  // namespace pvx::numbers

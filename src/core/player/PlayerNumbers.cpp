#include "core/player/PlayerNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace pvx::numbers {

double wholeHalfEven(double value) {
  if (!std::isfinite(value))
    return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction > 0.5)
    return below + 1;
  if (fraction < 0.5)
    return below;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

double roundHalfEven(double value, int decimals) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 9)
    return value;
  const std::string text = shortestText(std::fabs(value));
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos || text.size() - dot - 1 <= static_cast<std::size_t>(decimals))
    return value;

  // The kept digits as one integer, and what the dropped digits say about rounding it up.
  std::string keptDigits = text.substr(0, dot) + text.substr(dot + 1, decimals);
  const std::string_view dropped = std::string_view(text).substr(dot + 1 + decimals);
  std::int64_t kept = 0;
  const auto parsed =
      std::from_chars(keptDigits.data(), keptDigits.data() + keptDigits.size(), kept);
  if (parsed.ec != std::errc{})
    return value;
  const bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string_view::npos;
  if (dropped[0] > '5' || (dropped[0] == '5' && (beyondHalf || kept % 2 != 0)))
    ++kept;

  double scale = 1;
  for (int i = 0; i < decimals; ++i)
    scale *= 10;
  // Both operands are exact, so the quotient is the double nearest to the decimal result.
  const double rounded = static_cast<double>(kept) / scale;
  return value < 0 ? -rounded : rounded;
}

std::string shortestText(double value) {
  // Enough for any double written in fixed notation.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc{})
    return {};
  std::string text(buffer, result.ptr);
  if (text == "-0")
    text = "0";
  return text;
}

std::string wholeSecondsText(double seconds) {
  if (!std::isfinite(seconds))
    return "0";
  const double whole = std::trunc(seconds);
  // Beyond what a 64-bit count holds (no real track is that long) the number is written as such.
  if (std::fabs(whole) >= 9e18)
    return shortestText(whole);
  return std::to_string(static_cast<long long>(whole));
}

}  // namespace pvx::numbers

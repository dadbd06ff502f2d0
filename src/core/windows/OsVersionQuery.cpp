#include "core/windows/OsVersionQuery.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace pvx {

namespace {

constexpr std::uint64_t kLargestNumber = 0x7FFFFFFF;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads the digits at pos (none gives 0) and leaves pos just after them.
std::uint32_t readNumber(std::string_view text, std::size_t& pos) {
  std::uint64_t value = 0;
  while (pos < text.size() && isDigit(text[pos])) {
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[pos] - '0'),
                                    kLargestNumber);
    ++pos;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

void parseKernelRelease(std::string_view release, OsVersionRecord& record) {
  std::uint32_t* const parts[] = {&record.majorVersion, &record.minorVersion, &record.buildNumber};
  for (std::uint32_t* part : parts) {
    *part = 0;
  }
  std::size_t pos = 0;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    if (i > 0) {
      // A part counts only when a dot introduces it: "6-rc1" has no minor version.
      if (pos >= release.size() || release[pos] != '.') {
        return;
      }
      ++pos;
    }
    *parts[i] = readNumber(release, pos);
  }
}

}  // namespace pvx

#include "app/OsVersionQuery.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

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

#ifdef _WIN32

static_assert(sizeof(OSVERSIONINFOA) == OsVersionRecord::kRecordSize);

bool queryOsVersion(OsVersionRecord& record) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) {
    return false;
  }
  record.osVersionInfoSize = info.dwOSVersionInfoSize;
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  static_assert(sizeof info.szCSDVersion == std::tuple_size_v<decltype(record.csdVersion)>);
  std::memcpy(record.csdVersion.data(), info.szCSDVersion, sizeof info.szCSDVersion);
  return true;
}

#else

bool queryOsVersion(OsVersionRecord& record) {
  utsname names;
  if (uname(&names) != 0) {
    return false;
  }
  record.osVersionInfoSize = OsVersionRecord::kRecordSize;
  record.platformId = 0;
  parseKernelRelease(names.release, record);
  record.csdVersion.fill('\0');
  return true;
}

#endif

}  // namespace pvx

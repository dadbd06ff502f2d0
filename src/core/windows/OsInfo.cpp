#include "core/windows/OsInfo.h"

namespace pvx {

namespace {

constexpr std::uint32_t kPlatformWin9x = 1;
constexpr std::uint32_t kPlatformWinNT = 2;

}  // namespace

OsInfo::OsInfo(const Query& query) {
  record_.osVersionInfoSize = OsVersionRecord::kRecordSize;
  if (!query || !query(record_)) {
    record_ = OsVersionRecord{};
  }
}

std::int32_t OsInfo::buildNumber() const {
  const std::int32_t low = static_cast<std::int32_t>(record_.buildNumber & 0xFFFF);
  return low > 32767 ? low - 65536 : low;
}

std::string OsInfo::platform() const {
  switch (record_.platformId) {
    case kPlatformWin9x:
      return record_.minorVersion < 10 ? "Windows 95" : "Windows 98";
    case kPlatformWinNT:
      if (record_.majorVersion >= 5) {
        return ntName();
      }
      break;
    default:
      break;
  }
  return "Windows NT";
}

std::string OsInfo::ntName() const {
  // Windows 11 kept the version of Windows 10; its builds begin at 22000.
  static constexpr std::uint32_t kFirstWindows11Build = 22000;
  struct Name {
    std::uint32_t major, minor;
    const char* name;
  };
  static constexpr Name kNames[] = {
      {5, 0, "Windows 2000"}, {5, 1, "Windows XP"}, {5, 2, "Windows XP"}, {6, 0, "Windows Vista"},
      {6, 1, "Windows 7"},    {6, 2, "Windows 8"},  {6, 3, "Windows 8.1"}};
  const std::uint32_t major = record_.majorVersion, minor = record_.minorVersion;
  if (major == 10 && minor == 0) {
    return record_.buildNumber >= kFirstWindows11Build ? "Windows 11" : "Windows 10";
  }
  for (const Name& n : kNames) {
    if (n.major == major && n.minor == minor) {
      return n.name;
    }
  }
  return "Windows NT " + std::to_string(major) + "." + std::to_string(minor);
}

std::string OsInfo::systemVersion() const {
  const std::string& release = record_.systemRelease;
  std::size_t end = release.find_first_not_of("0123456789.");
  if (end == std::string::npos) {
    end = release.size();
  }
  while (end > 0 && release[end - 1] == '.') {
    --end;
  }
  if (end == 0) {
    return record_.systemName;
  }
  return record_.systemName + " " + release.substr(0, end);
}

}  // namespace pvx

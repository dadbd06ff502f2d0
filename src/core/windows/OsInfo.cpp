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
        return "Windows 2000";
      }
      break;
    default:
      break;
  }
  return "Windows NT";
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

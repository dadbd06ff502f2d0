#include "core/program/OsInfo.h"

#include <algorithm>
#include <string_view>

#include "core/text/Text.h"

namespace pvx {

namespace {

constexpr std::uint32_t kPlatformWin9x = 1;
constexpr std::uint32_t kPlatformWinNT = 2;
constexpr std::size_t kCsdLength = 128;

// The field is a C string in a fixed buffer: what follows the first NUL is left-over garbage, so
// the text is cut there and padded with blanks back to the field's width. A field with no NUL at
// all is taken whole.
std::string tidyServicePack(const std::array<char, kCsdLength>& field) {
  const auto nul = std::find(field.begin(), field.end(), '\0');
  if (nul == field.end()) {
    return std::string(field.begin(), field.end());
  }
  std::string text(field.begin(), nul);
  text.resize(kCsdLength, ' ');
  return text;
}

}  // namespace

OsInfo::OsInfo(const Query& query) {
  record_.osVersionInfoSize = OsVersionRecord::kRecordSize;
  if (!query || !query(record_)) {
    record_ = OsVersionRecord{};
  }
  // Windows-1252 maps every byte, NUL included, to one character, so cutting the bytes is the
  // same as cutting the converted text.
  csdVersion_ = text::fromCp1252(tidyServicePack(record_.csdVersion));

  switch (record_.platformId) {
    case kPlatformWin9x:
      isWin95_ = record_.minorVersion < 10;
      isWin98_ = !isWin95_;
      break;
    case kPlatformWinNT:
      isWinNT_ = true;
      isWin2K_ = record_.majorVersion >= 5;
      break;
    default:
      break;
  }
}

std::int32_t OsInfo::majorVersion() const {
  return static_cast<std::int32_t>(record_.majorVersion);
}

std::int32_t OsInfo::minorVersion() const {
  return static_cast<std::int32_t>(record_.minorVersion);
}

std::int32_t OsInfo::buildNumber() const {
  const std::int32_t low = static_cast<std::int32_t>(record_.buildNumber & 0xFFFF);
  return low > 32767 ? low - 65536 : low;
}

std::int32_t OsInfo::platformId() const {
  return static_cast<std::int32_t>(record_.platformId);
}

std::string OsInfo::platform() const {
  if (isWin95_) {
    return "Windows 95";
  }
  if (isWin98_) {
    return "Windows 98";
  }
  if (isWin2K_) {
    return "Windows 2000";
  }
  return "Windows NT";
}

std::string OsInfo::version() const {
  return platform() + " v" + std::to_string(majorVersion()) + "." + std::to_string(minorVersion()) +
         ", Build " + std::to_string(buildNumber());
}

std::string OsInfo::csdVersion() const {
  const std::size_t first = csdVersion_.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  const std::size_t last = csdVersion_.find_last_not_of(' ');
  return csdVersion_.substr(first, last - first + 1);
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

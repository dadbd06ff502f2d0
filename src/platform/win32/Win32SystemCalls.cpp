#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <tuple>

#include "platform/SystemCalls.h"

namespace pvx::platform {

static_assert(sizeof(OSVERSIONINFOA) == OsVersionRecord::kRecordSize);

bool queryOsVersion(OsVersionRecord& record) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info))
    return false;
  record.osVersionInfoSize = info.dwOSVersionInfoSize;
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  static_assert(sizeof info.szCSDVersion == std::tuple_size_v<decltype(record.csdVersion)>);
  std::memcpy(record.csdVersion.data(), info.szCSDVersion, sizeof info.szCSDVersion);
  return true;
}

bool isHiddenFile(const std::filesystem::path& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

std::optional<std::filesystem::path> userDataHome() {
  // The program is the folder it was unzipped to: its files stay beside it.
  return std::nullopt;
}

}  // namespace pvx::platform

// The OS description from the real GetVersionExA, as Wine answers it.

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <string>

#include "core/windows/OsInfo.h"
#include "platform/SystemCalls.h"

namespace {

// The version the system reports to a program that does not ask through the compatibility
// layer: ntdll's own answer.
OSVERSIONINFOW systemVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const FARPROC proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
  if (proc != nullptr)
    reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(proc))(&info);
  return info;
}

std::string narrow(const wchar_t* wide) {
  char bytes[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ')
    s.pop_back();
  while (!s.empty() && s.front() == ' ')
    s.erase(s.begin());
  return s;
}

}  // namespace

TEST(OsVersionUnderWine, TheRealQueryDescribesTheNtFamilyAsTheSystemReportsIt) {
  const OSVERSIONINFOW system = systemVersion();
  ASSERT_EQ(system.dwPlatformId, 2u) << "the system's own answer is missing";
  RecordProperty("reported", std::to_string(system.dwMajorVersion) + "." +
                                 std::to_string(system.dwMinorVersion) + "." +
                                 std::to_string(system.dwBuildNumber) + " " +
                                 narrow(system.szCSDVersion));

  pvx::OsVersionRecord record;
  ASSERT_TRUE(pvx::platform::queryOsVersion(record));
  const pvx::OsInfo os(pvx::platform::queryOsVersion);

  EXPECT_EQ(record.platformId, 2u);
  EXPECT_TRUE(os.isWindows());
  // A program without a compatibility manifest is told 6.2 (build 9200) by systems newer than
  // that; up to 6.2 it hears the truth.
  const bool newer =
      system.dwMajorVersion > 6 || (system.dwMajorVersion == 6 && system.dwMinorVersion > 2);
  if (newer && record.majorVersion == 6 && record.minorVersion == 2) {
    EXPECT_EQ(os.buildNumber(), 9200);
  } else {
    EXPECT_EQ(record.majorVersion, system.dwMajorVersion);
    EXPECT_EQ(record.minorVersion, system.dwMinorVersion);
    EXPECT_EQ(os.buildNumber(), static_cast<std::int32_t>(system.dwBuildNumber & 0xFFFF));
    const std::string servicePack(record.csdVersion.data(),
                                  strnlen(record.csdVersion.data(), record.csdVersion.size()));
    EXPECT_EQ(trimmed(servicePack), trimmed(narrow(system.szCSDVersion)));
  }
  // The version is named: Wine's default, Windows 7 (6.1, build 7601), as the status line
  // shows it.
  if (record.majorVersion == 6 && record.minorVersion == 1) {
    EXPECT_EQ(os.platform() + " Build " + std::to_string(os.buildNumber()), "Windows 7 Build 7601");
  }
  EXPECT_NE(os.platform(), "Windows 2000");
}

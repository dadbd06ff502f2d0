#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pvx {

// The version record in the layout of Windows' OSVERSIONINFOA, so the Windows query can fill it
// field by field and every platform hands the OS description the same shape.
struct OsVersionRecord {
  static constexpr std::uint32_t kRecordSize = 148;

  std::uint32_t osVersionInfoSize = kRecordSize;
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  // Service-pack text: ANSI (Windows-1252) bytes, normally ended by a NUL.
  std::array<char, 128> csdVersion{};
  // Beyond Windows' record: on any other system its name and kernel release as uname(2) gives
  // them ("Linux", "6.1.0-28-amd64"). Both empty on Windows.
  std::string systemName;
  std::string systemRelease;
};

// Reads "major.minor.build" from the start of a kernel release such as "6.1.0-28-amd64" into the
// record's three numbers. Never fails: a part that is missing or not a number is 0, and a number
// too large for a signed 32-bit value is held at the largest one.
void parseKernelRelease(std::string_view release, OsVersionRecord& record);

}  // namespace pvx

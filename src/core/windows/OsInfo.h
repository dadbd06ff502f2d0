#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/windows/OsVersionQuery.h"

namespace pvx {

// Describes the Windows version the program runs on, from one version query made at creation.
// Nothing changes afterwards: every property answers the same for the life of the instance.
// Elsewhere than on Windows the query reports platform 0, which reads as "Windows NT", and the
// system's own name and kernel release, which describe it to the user instead.
class OsInfo {
 public:
  using Query = std::function<bool(OsVersionRecord&)>;

  // Asks the given query instead. A query that fails (or is empty) leaves every number 0, whatever
  // it wrote into the record.
  explicit OsInfo(const Query& query);

  // The low 16 bits of the build number as a signed 16-bit value: Windows 9x keeps the version in
  // the high bits, and 0xFFFF shows as -1.
  std::int32_t buildNumber() const;

  // "Windows 95" (9x family, minor version below 10), "Windows 98" (9x family, minor version 10
  // or more, ME too); in the NT family from version 5 on the name of the version: "Windows
  // 2000", "Windows XP", "Windows Vista", "Windows 7", "Windows 8", "Windows 8.1", "Windows 10",
  // "Windows 11" (10.0 from build 22000), and a version not yet named as "Windows NT 6.4"; or
  // "Windows NT" for everything else.
  std::string platform() const;

  // Whether the query described Windows: it named no other system.
  bool isWindows() const { return record_.systemName.empty(); }
  // Another system by its name and its kernel's version, the release up to its first character
  // that is neither a digit nor a dot: "Linux 6.1.0" for the release "6.1.0-28-amd64". Empty on
  // Windows.
  std::string systemVersion() const;

 private:
  // The NT family's name for its version 5 or later.
  std::string ntName() const;

  OsVersionRecord record_;
};

}  // namespace pvx

#pragma once

#include <filesystem>

#include "core/program/OsVersionQuery.h"

// What the program asks of the operating system beyond the C++ library, implemented once for
// Windows (platform/win32) and once for the other systems (platform/posix). The program's wiring
// hands these to the core.
namespace pvx::platform {

// Fills the record with the running system's version. On Windows this is GetVersionExA; elsewhere
// uname(2): platform id 0, the numbers from the kernel release, no service-pack text. Returns
// false when the system refuses to answer; the record's contents are then unspecified.
bool queryOsVersion(OsVersionRecord& record);

// Whether a file is hidden from the user: the hidden or system attribute on Windows, a name that
// begins with a dot elsewhere.
bool isHiddenFile(const std::filesystem::path& file);

}  // namespace pvx::platform

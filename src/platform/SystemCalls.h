#pragma once

#include <filesystem>
#include <optional>

#include "core/text/CodePage.h"
#include "core/windows/OsVersionQuery.h"

// What the program asks of the operating system beyond the C++ library, implemented once for
// Windows (platform/win32) and once for the other systems (platform/posix). The program's wiring
// hands these to the core.
namespace pvx::platform {

// Fills the record with the running system's version. On Windows this is GetVersionExA; elsewhere
// uname(2): platform id 0, the numbers from the kernel release, no service-pack text, and the
// system's name and release. Returns false when the system refuses to answer; the record's
// contents are then unspecified.
bool queryOsVersion(OsVersionRecord& record);

// Whether a file is hidden from the user: the hidden or system attribute on Windows, a name that
// begins with a dot elsewhere.
bool isHiddenFile(const std::filesystem::path& file);

// The user's folder for the data of installed programs: on Linux the XDG data home
// ($XDG_DATA_HOME, by default ~/.local/share, the home folder taken from the user database when
// HOME is unset). None on Windows, where the program keeps its files beside itself.
std::optional<std::filesystem::path> userDataHome();

// The system's ANSI code page through the platform's own conversion (Windows: GetACP, with
// MultiByteToWideChar and WideCharToMultiByte), for the game's console and the program's files;
// null elsewhere, where the game speaks Windows-1252 and the files are UTF-8. It lives as long as
// the process.
const CodePage* systemCodePage();

}  // namespace pvx::platform

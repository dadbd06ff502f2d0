#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/program/ProgramFolder.h"
#include "platform/SystemCalls.h"

namespace pvx::platform {

bool queryOsVersion(OsVersionRecord& record) {
  utsname names{};
  if (uname(&names) != 0)
    return false;
  record.osVersionInfoSize = OsVersionRecord::kRecordSize;
  record.platformId = 0;
  parseKernelRelease(names.release, record);
  record.csdVersion.fill('\0');
  record.systemName = names.sysname;
  record.systemRelease = names.release;
  return true;
}

bool isHiddenFile(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  return !name.empty() && name[0] == '.';
}

std::optional<std::filesystem::path> userDataHome() {
  const char* home = std::getenv("HOME");
  std::string fromDatabase;
  if (home == nullptr || home[0] != '/') {
    // Started with a bare environment (a service, "env -i"): the user database knows the home.
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
      fromDatabase = found->pw_dir;
      home = fromDatabase.c_str();
    }
  }
  return xdgDataHome(std::getenv("XDG_DATA_HOME"), home);
}

const CodePage* systemCodePage() {
  return nullptr;
}

}  // namespace pvx::platform

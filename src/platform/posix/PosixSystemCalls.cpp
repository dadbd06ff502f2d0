#include <sys/utsname.h>

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
  return true;
}

bool isHiddenFile(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  return !name.empty() && name[0] == '.';
}

}  // namespace pvx::platform

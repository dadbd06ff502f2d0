#include "platform/SystemCalls.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/windows/OsInfo.h"

using namespace pvx;

TEST(PosixSystemCalls, UnameNamesTheSystemAndReadsAsWindowsNtBeside) {
  OsVersionRecord record;
  ASSERT_TRUE(platform::queryOsVersion(record));
  EXPECT_EQ(record.osVersionInfoSize, 148u);
  EXPECT_EQ(record.csdVersion[0], '\0');
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(record.systemName, names.sysname);
  EXPECT_EQ(record.systemRelease, names.release);

  const OsInfo os(platform::queryOsVersion);
  EXPECT_FALSE(os.isWindows());
  EXPECT_EQ(os.systemVersion().rfind(std::string(names.sysname) + " ", 0), 0u)
      << os.systemVersion();
  EXPECT_EQ(record.platformId, 0u);
  EXPECT_EQ(os.platform(), "Windows NT");
  EXPECT_EQ(os.buildNumber(), static_cast<std::int32_t>(record.buildNumber));
}

TEST(PosixSystemCalls, FilesWhoseNameBeginsWithADotAreHidden) {
  EXPECT_TRUE(platform::isHiddenFile("/music/.secret.mp3"));
  EXPECT_TRUE(platform::isHiddenFile(".mp3"));
  EXPECT_FALSE(platform::isHiddenFile("/music/.folder/song.mp3"));
  EXPECT_FALSE(platform::isHiddenFile("/music/song.mp3."));
}

TEST(PosixSystemCalls, DataHomeComesFromTheEnvironmentOrTheUserDatabase) {
  // The test's own environment, restored at the end.
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  } saved[] = {{"XDG_DATA_HOME", {}}, {"HOME", {}}};
  for (Saved& s : saved) {
    if (const char* v = std::getenv(s.name))
      s.value = v;
  }
  setenv("XDG_DATA_HOME", "/data", 1);
  setenv("HOME", "/home/ann", 1);
  EXPECT_EQ(platform::userDataHome(), std::filesystem::path("/data"));
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(platform::userDataHome(), std::filesystem::path("/home/ann/.local/share"));
  unsetenv("HOME");
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(platform::userDataHome(), std::filesystem::path(user->pw_dir) / ".local/share");
  for (const Saved& s : saved) {
    if (s.value)
      setenv(s.name, s.value->c_str(), 1);
    else
      unsetenv(s.name);
  }
}

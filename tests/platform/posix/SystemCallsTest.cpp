#include "platform/SystemCalls.h"

#include <gtest/gtest.h>

#include "core/program/OsInfo.h"

using namespace pvx;

TEST(PosixSystemCalls, UnameReadsAsWindowsNt) {
  OsVersionRecord record;
  ASSERT_TRUE(platform::queryOsVersion(record));
  EXPECT_EQ(record.osVersionInfoSize, 148u);
  EXPECT_EQ(record.csdVersion[0], '\0');

  const OsInfo os(platform::queryOsVersion);
  EXPECT_EQ(os.platformId(), 0);
  EXPECT_EQ(os.platform(), "Windows NT");
  EXPECT_GE(os.majorVersion(), 0);
  EXPECT_EQ(os.majorVersion(), static_cast<std::int32_t>(record.majorVersion));
  EXPECT_EQ(os.csdVersion(), "");
}

TEST(PosixSystemCalls, FilesWhoseNameBeginsWithADotAreHidden) {
  EXPECT_TRUE(platform::isHiddenFile("/music/.secret.mp3"));
  EXPECT_TRUE(platform::isHiddenFile(".mp3"));
  EXPECT_FALSE(platform::isHiddenFile("/music/.folder/song.mp3"));
  EXPECT_FALSE(platform::isHiddenFile("/music/song.mp3."));
}

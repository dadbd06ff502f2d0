#include "core/program/OsInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace pvx {
namespace {

OsVersionRecord makeRecord(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                           std::uint32_t build, std::string_view servicePack = {}) {
  OsVersionRecord record;
  record.platformId = platform;
  record.majorVersion = major;
  record.minorVersion = minor;
  record.buildNumber = build;
  std::copy(servicePack.begin(), servicePack.end(), record.csdVersion.begin());
  return record;
}

OsInfo describe(const OsVersionRecord& answer) {
  return OsInfo([answer](OsVersionRecord& record) {
    EXPECT_EQ(record.osVersionInfoSize, 148u);
    record = answer;
    return true;
  });
}

// --- Classification by platform and version ---

struct ClassificationRow {
  std::uint32_t platform, major, minor, build;
  const char* platformText;
  std::int32_t buildNumber;
  bool nt, win2k, win95, win98;
};

class Classification : public ::testing::TestWithParam<ClassificationRow> {};

TEST_P(Classification, GivesPlatformFlagsAndBuild) {
  const ClassificationRow& row = GetParam();
  const OsInfo os = describe(makeRecord(row.platform, row.major, row.minor, row.build));
  EXPECT_EQ(os.platform(), row.platformText);
  EXPECT_EQ(os.buildNumber(), row.buildNumber);
  EXPECT_EQ(os.isWinNT(), row.nt);
  EXPECT_EQ(os.isWin2K(), row.win2k);
  EXPECT_EQ(os.isWin95(), row.win95);
  EXPECT_EQ(os.isWin98(), row.win98);
  EXPECT_EQ(os.isWin9x(), row.win95 || row.win98);
  EXPECT_EQ(os.platformId(), static_cast<std::int32_t>(row.platform));
  EXPECT_EQ(os.majorVersion(), static_cast<std::int32_t>(row.major));
  EXPECT_EQ(os.minorVersion(), static_cast<std::int32_t>(row.minor));
}

INSTANTIATE_TEST_SUITE_P(
    VersionTable, Classification,
    ::testing::Values(
        // Windows 9x keeps major.minor in the high 16 bits of the build field.
        ClassificationRow{1, 4, 0, 0x040003B6, "Windows 95", 950, false, false, true, false},
        ClassificationRow{1, 4, 9, 950, "Windows 95", 950, false, false, true, false},
        ClassificationRow{1, 4, 10, 0x040A07CE, "Windows 98", 1998, false, false, false, true},
        ClassificationRow{1, 4, 90, 0x045A0BB8, "Windows 98", 3000, false, false, false, true},
        ClassificationRow{2, 4, 0, 1381, "Windows NT", 1381, true, false, false, false},
        ClassificationRow{2, 5, 0, 2195, "Windows 2000", 2195, true, true, false, false},
        ClassificationRow{2, 5, 1, 2600, "Windows 2000", 2600, true, true, false, false},
        ClassificationRow{2, 6, 1, 7601, "Windows 2000", 7601, true, true, false, false},
        ClassificationRow{2, 10, 0, 22631, "Windows 2000", 22631, true, true, false, false},
        ClassificationRow{2, 10, 0, 0x00015F90, "Windows 2000", 24464, true, true, false, false},
        ClassificationRow{0, 3, 1, 0x00010005, "Windows NT", 5, false, false, false, false},
        ClassificationRow{3, 5, 0, 2195, "Windows NT", 2195, false, false, false, false}));

// --- Build number as a signed 16-bit value ---

TEST(BuildNumber, LowBitsAtOrAbove32768AreNegative) {
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0xFFFF)).buildNumber(), -1);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0x8000)).buildNumber(), -32768);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0x7FFF)).buildNumber(), 32767);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0xABCD0000)).buildNumber(), 0);
}

// --- Version text ---

TEST(VersionText, JoinsPlatformNumbersAndBuild) {
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 2600)).version(), "Windows 2000 v5.1, Build 2600");
  EXPECT_EQ(describe(makeRecord(1, 4, 10, 0x040A07CE)).version(), "Windows 98 v4.10, Build 1998");
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0xFFFF)).version(), "Windows 2000 v5.1, Build -1");
}

// --- Service-pack text ---

TEST(ServicePack, TextBeforeNulIsKeptAndTrimmed) {
  OsVersionRecord record = makeRecord(2, 5, 1, 2600, "Service Pack 2");
  // Left-over bytes after the terminator must not leak into the text.
  record.csdVersion[20] = 'X';
  const OsInfo os = describe(record);
  EXPECT_EQ(os.csdVersion(), "Service Pack 2");
  EXPECT_EQ(os.version(), "Windows 2000 v5.1, Build 2600");
  EXPECT_TRUE(os.isWinNT());
  EXPECT_TRUE(os.isWin2K());
  EXPECT_FALSE(os.isWin9x());
}

TEST(ServicePack, EmptyTextGivesEmptyString) {
  OsVersionRecord record = makeRecord(2, 5, 1, 2600);
  record.csdVersion[1] = 'Z';  // garbage after a NUL in the first position
  EXPECT_EQ(describe(record).csdVersion(), "");
}

TEST(ServicePack, SurroundingBlanksAreTrimmed) {
  EXPECT_EQ(describe(makeRecord(1, 4, 10, 1998, "  A  ")).csdVersion(), "A");
  EXPECT_EQ(describe(makeRecord(1, 4, 10, 1998, " ")).csdVersion(), "");
}

TEST(ServicePack, FieldWithoutNulIsTakenWhole) {
  OsVersionRecord record = makeRecord(2, 5, 0, 2195);
  record.csdVersion.fill('x');
  record.csdVersion[127] = 'y';
  const std::string text = describe(record).csdVersion();
  EXPECT_EQ(text, std::string(127, 'x') + "y");
}

TEST(ServicePack, AnsiBytesBecomeUtf8) {
  // "SP2 für ä €" in Windows-1252: Latin-1 letters and the euro sign at 0x80.
  const std::string bytes = "SP2 f\xFCr \xE4 \x80";
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 2600, bytes)).csdVersion(),
            "SP2 f\xC3\xBCr \xC3\xA4 \xE2\x82\xAC");
}

// --- A query that fails ---

TEST(FailedQuery, LeavesEverythingZero) {
  const OsInfo os([](OsVersionRecord& record) {
    // Whatever a failing query wrote must not be believed.
    record = makeRecord(2, 5, 1, 2600, "Service Pack 2");
    return false;
  });
  EXPECT_EQ(os.majorVersion(), 0);
  EXPECT_EQ(os.minorVersion(), 0);
  EXPECT_EQ(os.buildNumber(), 0);
  EXPECT_EQ(os.platformId(), 0);
  EXPECT_FALSE(os.isWinNT());
  EXPECT_FALSE(os.isWin2K());
  EXPECT_FALSE(os.isWin9x());
  EXPECT_EQ(os.platform(), "Windows NT");
  EXPECT_EQ(os.csdVersion(), "");
  EXPECT_EQ(os.version(), "Windows NT v0.0, Build 0");
}

TEST(FailedQuery, EmptyQueryCountsAsFailure) {
  const OsInfo os{OsInfo::Query{}};
  EXPECT_EQ(os.platform(), "Windows NT");
  EXPECT_EQ(os.majorVersion(), 0);
}

// --- Another system than Windows ---

struct OtherSystemRow {
  const char* name;
  const char* release;
  const char* described;
};

class OtherSystem : public ::testing::TestWithParam<OtherSystemRow> {};

TEST_P(OtherSystem, IsDescribedByNameAndKernelVersion) {
  OsVersionRecord record;
  record.systemName = GetParam().name;
  record.systemRelease = GetParam().release;
  const OsInfo os = describe(record);
  EXPECT_FALSE(os.isWindows());
  EXPECT_EQ(os.systemVersion(), GetParam().described);
}

INSTANTIATE_TEST_SUITE_P(
    ReleaseTable, OtherSystem,
    ::testing::Values(OtherSystemRow{"Linux", "6.18.44-fc-v1300", "Linux 6.18.44"},
                      OtherSystemRow{"Linux", "6.1.0-28-amd64", "Linux 6.1.0"},
                      OtherSystemRow{"Linux", "5.15.153.1-microsoft-standard-WSL2",
                                     "Linux 5.15.153.1"},
                      OtherSystemRow{"Linux", "6.8", "Linux 6.8"},
                      OtherSystemRow{"Linux", "6.9.-rc1", "Linux 6.9"},
                      OtherSystemRow{"FreeBSD", "14.1-RELEASE", "FreeBSD 14.1"},
                      OtherSystemRow{"Linux", "weird", "Linux"},
                      OtherSystemRow{"Linux", "", "Linux"}));

TEST(OtherSystem, WindowsNamesNoOtherSystem) {
  const OsInfo os = describe(makeRecord(2, 10, 0, 22631));
  EXPECT_TRUE(os.isWindows());
  EXPECT_EQ(os.systemVersion(), "");
}

TEST(KernelRelease, ReadsLeadingNumbersLeniently) {
  const auto parse = [](std::string_view release) {
    OsVersionRecord record = makeRecord(0, 99, 99, 99);
    parseKernelRelease(release, record);
    return std::to_string(record.majorVersion) + "." + std::to_string(record.minorVersion) + "." +
           std::to_string(record.buildNumber);
  };
  EXPECT_EQ(parse("6.1.0-28-amd64"), "6.1.0");
  EXPECT_EQ(parse("5.15.153.1-microsoft-standard-WSL2"), "5.15.153");
  EXPECT_EQ(parse("6.8"), "6.8.0");
  EXPECT_EQ(parse("6-rc1"), "6.0.0");
  EXPECT_EQ(parse("6..3"), "6.0.3");
  EXPECT_EQ(parse(""), "0.0.0");
  EXPECT_EQ(parse("weird"), "0.0.0");
  EXPECT_EQ(parse("99999999999999999999.1"), "2147483647.1.0");
}

}  // namespace
}  // namespace pvx

#include "core/windows/OsInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace pvx {
namespace {

OsVersionRecord makeRecord(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                           std::uint32_t build) {
  OsVersionRecord record;
  record.platformId = platform;
  record.majorVersion = major;
  record.minorVersion = minor;
  record.buildNumber = build;
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
};

class Classification : public ::testing::TestWithParam<ClassificationRow> {};

TEST_P(Classification, GivesPlatformAndBuild) {
  const ClassificationRow& row = GetParam();
  const OsInfo os = describe(makeRecord(row.platform, row.major, row.minor, row.build));
  EXPECT_EQ(os.platform(), row.platformText);
  EXPECT_EQ(os.buildNumber(), row.buildNumber);
}

INSTANTIATE_TEST_SUITE_P(VersionTable, Classification,
                         ::testing::Values(
                             // Windows 9x keeps major.minor in the high 16 bits of the build field.
                             ClassificationRow{1, 4, 0, 0x040003B6, "Windows 95", 950},
                             ClassificationRow{1, 4, 9, 950, "Windows 95", 950},
                             ClassificationRow{1, 4, 10, 0x040A07CE, "Windows 98", 1998},
                             ClassificationRow{1, 4, 90, 0x045A0BB8, "Windows 98", 3000},
                             ClassificationRow{2, 4, 0, 1381, "Windows NT", 1381},
                             ClassificationRow{2, 5, 0, 2195, "Windows 2000", 2195},
                             ClassificationRow{2, 5, 1, 2600, "Windows XP", 2600},
                             ClassificationRow{2, 5, 2, 3790, "Windows XP", 3790},
                             ClassificationRow{2, 6, 0, 6002, "Windows Vista", 6002},
                             ClassificationRow{2, 6, 1, 7601, "Windows 7", 7601},
                             ClassificationRow{2, 6, 2, 9200, "Windows 8", 9200},
                             ClassificationRow{2, 6, 3, 9600, "Windows 8.1", 9600},
                             ClassificationRow{2, 10, 0, 19045, "Windows 10", 19045},
                             ClassificationRow{2, 10, 0, 21999, "Windows 10", 21999},
                             ClassificationRow{2, 10, 0, 22000, "Windows 11", 22000},
                             ClassificationRow{2, 10, 0, 22631, "Windows 11", 22631},
                             ClassificationRow{2, 10, 0, 0x00015F90, "Windows 11", 24464},
                             ClassificationRow{2, 6, 4, 9841, "Windows NT 6.4", 9841},
                             ClassificationRow{0, 3, 1, 0x00010005, "Windows NT", 5},
                             ClassificationRow{3, 5, 0, 2195, "Windows NT", 2195}));

// --- Build number as a signed 16-bit value ---

TEST(BuildNumber, LowBitsAtOrAbove32768AreNegative) {
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0xFFFF)).buildNumber(), -1);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0x8000)).buildNumber(), -32768);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0x7FFF)).buildNumber(), 32767);
  EXPECT_EQ(describe(makeRecord(2, 5, 1, 0xABCD0000)).buildNumber(), 0);
}

// --- A query that fails ---

TEST(FailedQuery, LeavesEverythingZero) {
  const OsInfo os([](OsVersionRecord& record) {
    // Whatever a failing query wrote must not be believed.
    record = makeRecord(2, 5, 1, 2600);
    return false;
  });
  EXPECT_EQ(os.buildNumber(), 0);
  EXPECT_EQ(os.platform(), "Windows NT");
}

TEST(FailedQuery, EmptyQueryCountsAsFailure) {
  const OsInfo os{OsInfo::Query{}};
  EXPECT_EQ(os.platform(), "Windows NT");
  EXPECT_EQ(os.buildNumber(), 0);
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

#include "core/program/ProgramFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "support/TestFolder.h"

namespace pvx {
namespace {

namespace fs = std::filesystem;

struct DataHomeRow {
  const char* xdgDataHome;
  const char* home;
  std::optional<fs::path> expected;
};

class DataHome : public ::testing::TestWithParam<DataHomeRow> {};

TEST_P(DataHome, FollowsTheXdgRule) {
  EXPECT_EQ(xdgDataHome(GetParam().xdgDataHome, GetParam().home), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EnvironmentTable, DataHome,
    ::testing::Values(DataHomeRow{"/data", "/home/ann", fs::path("/data")},
                      DataHomeRow{nullptr, "/home/ann", fs::path("/home/ann/.local/share")},
                      // Empty or relative is as good as unset.
                      DataHomeRow{"", "/home/ann", fs::path("/home/ann/.local/share")},
                      DataHomeRow{"data", "/home/ann", fs::path("/home/ann/.local/share")},
                      DataHomeRow{"/data", nullptr, fs::path("/data")},
                      DataHomeRow{nullptr, "ann", std::nullopt},
                      DataHomeRow{nullptr, nullptr, std::nullopt}));

struct ChoosingTheFolder : ::testing::Test {
  testing::TestFolder folder;
  const fs::path program = folder.path / "bin";
  const fs::path data = folder.path / "home" / ".local" / "share";
  void SetUp() override { fs::create_directories(program); }
};

TEST_F(ChoosingTheFolder, InstalledKeepsItsFilesInTheDataFolderMadeAtTheFirstStart) {
  EXPECT_EQ(chooseProgramFolder(program, data), data / "parlevox");
  EXPECT_TRUE(fs::is_directory(data / "parlevox"));
  EXPECT_FALSE(fs::exists(program / "Saves"));
}

TEST_F(ChoosingTheFolder, SavesBesideTheProgramKeepsItPortable) {
  fs::create_directory(program / "Saves");
  EXPECT_EQ(chooseProgramFolder(program, data), program);
  EXPECT_FALSE(fs::exists(data));
}

TEST_F(ChoosingTheFolder, WithoutADataFolderTheProgramKeepsItsFilesBesideItself) {
  EXPECT_EQ(chooseProgramFolder(program, std::nullopt), program);
}

TEST_F(ChoosingTheFolder, AFolderThatCannotBeMadeIsStillTheAnswer) {
  // A file where the data folder should be: saving will fail there with the system's reason.
  fs::create_directories(data.parent_path());
  std::ofstream(data) << "not a folder";
  EXPECT_EQ(chooseProgramFolder(program, data), data / "parlevox");
  EXPECT_TRUE(fs::is_regular_file(data));
}

}  // namespace
}  // namespace pvx

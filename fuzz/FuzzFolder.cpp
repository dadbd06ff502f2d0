#include "FuzzFolder.h"

#include <fstream>
#include <string>
#include <vector>

#include "support/TestFolder.h"

namespace pvx::rig {

namespace fs = std::filesystem;

namespace {

void writeLines(const fs::path& file, const std::vector<std::string>& lines) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines)
    out << line << "\r\n";
}

std::vector<std::string> set(const std::string& text, const std::string& flag) {
  return {
      "Parlevocs [ZB] Vendrix", text, text, text, text, flag, text, flag, text, flag, text, flag};
}

// Made once, with its sets; removed when the process ends.
fs::path made() {
  static const testing::TestFolder folder;
  const fs::path saves = folder.path / "Saves";
  fs::create_directories(saves / "dir.pvx");
  writeLines(saves / "main.pvx", set("%s %d %S %D", " 1 "));
  writeLines(saves / "other.pvx", set("gg %d from %s", "1"));
  std::vector<std::string> cut = set("cut %s", " 1 ");
  cut.resize(5);
  writeLines(saves / "short.pvx", cut);
  std::vector<std::string> bad = set("bad %d", " 1 ");
  bad[7] = "one";
  writeLines(saves / "badflag.pvx", bad);
  std::vector<std::string> header = set("header %s", " 1 ");
  header[0] = "Parlevocs";
  writeLines(saves / "header.pvx", header);
  return folder.path;
}

}  // namespace

const fs::path& fuzzFolder() {
  static const fs::path folder = made();
  return folder;
}

}  // namespace pvx::rig

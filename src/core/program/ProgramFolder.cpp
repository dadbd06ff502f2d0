#include "core/program/ProgramFolder.h"

#include <system_error>

namespace pvx {

namespace fs = std::filesystem;

namespace {

bool isAbsolute(const char* path) {
  return path != nullptr && fs::path(path).is_absolute();
}

}  // namespace

std::optional<fs::path> xdgDataHome(const char* xdgDataHome, const char* home) {
  if (isAbsolute(xdgDataHome))
    return fs::path(xdgDataHome);
  if (isAbsolute(home))
    return fs::path(home) / ".local" / "share";
  return std::nullopt;
}

fs::path chooseProgramFolder(const fs::path& besideProgram,
                             const std::optional<fs::path>& dataHome) {
  std::error_code ignored;
  if (!dataHome || fs::is_directory(besideProgram / "Saves", ignored))
    return besideProgram;
  fs::path folder = *dataHome / "parlevox";
  fs::create_directories(folder, ignored);
  return folder;
}

}  // namespace pvx

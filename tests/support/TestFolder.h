#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace pvx::testing {

// A new, empty folder of its own for one test (the program's folder, a place for files), removed
// with everything in it when the test ends.
struct TestFolder {
  TestFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path = std::filesystem::temp_directory_path() /
             ("parlevox-test-" + std::to_string(random()) + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(path, ec))
        return;
    }
    std::filesystem::create_directories(path);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  std::filesystem::path path;
};

}  // namespace pvx::testing

// The message-set reader fed arbitrary file bytes, through File -> Open's reader. Checks:
//  - a read that fails says why;
//  - a set read whole survives a save and a second read unchanged: the second file it saves is
//    byte for byte the first (every text and flag came back as it was written).

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "FuzzFolder.h"
#include "support/CoreRig.h"

namespace {

namespace fs = std::filesystem;
using pvx::MessageSetFile;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n", why.c_str());
  std::abort();
}

std::string bytesOf(const fs::path& file) {
  std::ostringstream bytes;
  bytes << std::ifstream(file, std::ios::binary).rdbuf();
  return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& folder = pvx::rig::fuzzFolder();
  const fs::path input = folder / "input.pvx";
  const fs::path first = folder / "first.pvx";
  const fs::path second = folder / "second.pvx";
  std::ofstream(input, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  pvx::testing::PracticeRig rig({.programFolder = folder});
  std::string failure;
  const MessageSetFile::ReadResult result = rig.sets().read(input, failure);
  if (result == MessageSetFile::ReadResult::Failed && failure.empty())
    fail("a failed read gave no reason");
  if (result != MessageSetFile::ReadResult::Loaded)
    return 0;

  if (const std::string why = rig.sets().write(first); !why.empty())
    fail("saving a set just read failed: " + why);
  pvx::testing::PracticeRig again({.programFolder = folder});
  if (again.sets().read(first, failure) != MessageSetFile::ReadResult::Loaded)
    fail("a saved set does not read back: " + failure);
  if (const std::string why = again.sets().write(second); !why.empty())
    fail("saving a set read back failed: " + why);
  if (bytesOf(first) != bytesOf(second))
    fail("a set changed on its way through a save and a read");
  return 0;
}

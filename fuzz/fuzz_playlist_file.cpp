// The playlist-file reader fed arbitrary file bytes, as the player window's creation loads it.
// Checks:
//  - what was read is consistent: no more titles than announced, at most one path more than
//    titles, and a file read whole holds exactly the entries it announces;
//  - the playlist shows what was read and reports a failure exactly when there was one;
//  - a playlist read whole survives a save and a second load unchanged, and so does one with its
//    last entry removed.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "core/player/Playlist.h"
#include "core/player/PlaylistFile.h"
#include "support/PlayerTestPorts.h"

namespace {

namespace fs = std::filesystem;
using pvx::Playlist;
using pvx::PlaylistFile;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n", why.c_str());
  std::abort();
}

void expectSame(const Playlist& a, const Playlist& b, const char* what) {
  if (a.titles() != b.titles())
    fail(std::string(what) + ": the titles changed on their way through a save and a load");
  if (a.paths() != b.paths())
    fail(std::string(what) + ": the paths changed on their way through a save and a load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path file = PlaylistFile::in(pvx::rig::fuzzFolder());
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  const pvx::PlaylistFileContent content = PlaylistFile(file).load();
  if (!content.present)
    fail("an existing file was taken for a missing one");
  const std::size_t announced =
      content.announced ? static_cast<std::size_t>(*content.announced) : 0;
  // The first line holds the last index, so a count that was accepted is at least one entry.
  if (content.announced && *content.announced < 1)
    fail("a count of no entries or fewer was accepted");
  if (content.titles.size() > announced || content.paths.size() > content.titles.size() + 1)
    fail("more entries were read than announced, or paths and titles drifted apart");
  if (content.failure.empty() && (!content.announced || content.titles.size() != announced ||
                                  content.paths.size() != announced))
    fail("a file read without failure does not hold the entries it announces");

  pvx::testing::FakePlayerPort port;
  Playlist playlist(port, file);
  playlist.loadPlaylist();
  if (playlist.titles() != content.titles)
    fail("the playlist does not show the titles read");
  if (port.failures.size() != (content.failure.empty() ? 0u : 1u))
    fail("a failure was not reported exactly once, or one was reported without a failure");
  if (!content.failure.empty() || playlist.count() == 0)
    return 0;

  playlist.save();
  pvx::testing::FakePlayerPort againPort;
  Playlist again(againPort, file);
  again.loadPlaylist();
  if (!againPort.failures.empty())
    fail("a saved playlist does not load back: " + againPort.failures.front());
  expectSame(playlist, again, "whole");

  playlist.select(playlist.count() - 1);
  playlist.remove();
  if (playlist.count() == 0)
    return 0;  // the only entry: its empty slot is not a playlist to save
  playlist.save();
  Playlist shorter(againPort, file);
  shorter.loadPlaylist();
  expectSame(playlist, shorter, "after removing the last entry");
  if (!port.failures.empty() || !againPort.failures.empty())
    fail("saving or loading a whole playlist reported a failure");
  return 0;
}

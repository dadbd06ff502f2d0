#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/text/CodePage.h"

namespace pvx {

// One entry of the playlist: the title the list shows and the file it plays.
struct PlaylistEntry {
  std::string title;
  std::string path;

  bool operator==(const PlaylistEntry&) const = default;
};

// What reading the playlist file found. Whatever was read before a failure is kept, so the
// playlist can keep it too.
struct PlaylistFileContent {
  // False when the file or its folder does not exist: nothing was read and nothing is wrong.
  bool present = false;
  // The number of entries the first line announces, once that line has been read as a count.
  std::optional<std::int16_t> announced;
  // The paths and titles read, in file order. There may be one path more than titles when the
  // file ends between the two lines of an entry.
  std::vector<std::string> paths;
  std::vector<std::string> titles;
  // Why reading stopped early, for the failure message box; empty when the file was whole.
  std::string failure;
};

// The playlist file "Saves/playlist.lst" beside the program. Line 1 is the number of entries
// minus 1, written " 2 " (or "-1 "); then each entry's path and title on lines of their own;
// every line ends with CR LF. Each line stored as the file encoding says (the system's ANSI code
// page on Windows where it holds the line, UTF-8 otherwise and elsewhere) and read accepting both.
class PlaylistFile {
 public:
  static constexpr std::int16_t kMaxEntries = 32767;

  explicit PlaylistFile(std::filesystem::path file, FileEncoding encoding = FileEncoding())
      : file_(std::move(file)), encoding_(encoding) {}
  // The playlist file of a program living in programFolder.
  static std::filesystem::path in(const std::filesystem::path& programFolder);

  const std::filesystem::path& path() const { return file_; }

  // Reads the file; lines after the last announced entry are ignored. A first line announcing
  // more entries than a playlist can hold fails before any entry is read.
  PlaylistFileContent load() const;

  // Writes the entries, then one slot per path of reserved with an empty title. The new file is
  // written beside the old one and then put in its place, so a failed save, or a save of no slots
  // at all, leaves the old file whole. Returns the failure's description, empty on success.
  std::string save(const std::vector<PlaylistEntry>& entries,
                   const std::vector<std::string>& reserved = {}) const;

  // The first line's text for n: " 2 " for 2, "-1 " for -1.
  static std::string countLine(long n);

 private:
  std::filesystem::path file_;
  FileEncoding encoding_;
};

}  // namespace pvx

#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/player/PlayerPort.h"
#include "core/player/PlaylistFile.h"

namespace pvx {

// The music player's playlist: the entries the player window's list shows (each a title and the
// path it plays), the selection, and the playlist file it is loaded from and saved to. None of its
// operations touches playback.
//
// Besides its entries the playlist may hold reserved slots: places of the playlist file that have
// no entry yet. Clear (and removing the only entry) leaves one empty slot; a file that ends early
// leaves a slot for each entry it announced but did not hold, the first of them holding the path
// read without its title, if any. The next entries added fill the reserved slots first, and a save
// writes them after the entries, so a file that ended early is saved with the count it announced.
class Playlist {
 public:
  static constexpr std::int16_t kMaxEntries = PlaylistFile::kMaxEntries;
  static constexpr const char* kOpenFileFilter =
      "MP3  (*.mp3)|*.mp3|Windows Media Audio (*.wma)|*.wma|Wave (*.wav)|*.wav";

  // playlistFile: where loadPlaylist reads and save writes (PlaylistFile::in(programFolder)).
  // Whether a file is hidden from the user, so that adding a folder passes it over.
  using HiddenFileTest = std::function<bool(const std::filesystem::path&)>;
  // A name that begins with a dot, as most systems hide files.
  static bool dotFile(const std::filesystem::path& file);

  // isHidden: the system's own test (Windows has an attribute for it).
  // encoding: how the playlist file stores its lines.
  Playlist(PlayerPort& port, std::filesystem::path playlistFile, HiddenFileTest isHidden = dotFile,
           FileEncoding encoding = FileEncoding());

  // --- The list the player window shows ---
  std::int16_t count() const { return static_cast<std::int16_t>(entries_.size()); }
  const std::vector<PlaylistEntry>& entries() const { return entries_; }
  // Every entry's title, in order.
  std::vector<std::string> titles() const;
  // The title of entry i; empty for an index outside the list.
  std::string title(int i) const;
  // The selected index, -1 when nothing is selected.
  std::int16_t selection() const { return selection_; }
  // Selects entry index; an index outside the list selects nothing.
  void select(int index);

  // --- The slots of the playlist file ---
  // The path of slot i: an entry's, then a reserved slot's; empty for a slot that does not exist.
  std::string path(int i) const;
  // Every slot's path: the entries', then the reserved slots'.
  std::vector<std::string> paths() const;
  int reservedSlots() const { return static_cast<int>(reserved_.size()); }

  // "Add File": asks for a file in the open-file dialog and appends it. False when the dialog
  // was cancelled or the playlist is full (which the failure box reports).
  bool addFile();
  // Appends every ".wav", ".mp3" and ".wma" file of folder (exact lower-case extension; plain,
  // visible files only, in name order ignoring case). A folder that cannot be listed adds
  // nothing; a full playlist stops the scan. Reports nothing.
  void addFolder(const std::string& folder);
  // "Clear": no entries, one empty reserved slot.
  void clear();
  // "Remove": removes the selected entry and selects the one that moves into its place (nothing
  // when it was the last). Does nothing when nothing is selected.
  void remove();
  // Replaces the playlist with the content of the playlist file, nothing selected. A missing
  // file or folder is silent; any other failure shows the failure box and keeps what was read.
  void loadPlaylist();
  // "Save Playlist": writes the playlist file; a failure shows the failure box and leaves the
  // old file whole.
  void save();

 private:
  // Adds one entry, into the first reserved slot if there is one. False (and nothing added)
  // when full.
  bool append(std::string title, std::string path);

  PlayerPort& port_;
  PlaylistFile file_;
  HiddenFileTest isHidden_;
  std::vector<PlaylistEntry> entries_;
  std::int16_t selection_ = -1;
  // The reserved slots' paths, in file order.
  std::vector<std::string> reserved_;
};

}  // namespace pvx

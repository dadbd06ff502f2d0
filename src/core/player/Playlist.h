#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/player/PlayerPort.h"
#include "core/player/PlaylistFile.h"

namespace pvx {

// The music player's playlist: the titles the list lstPlay shows with its selection, the path of
// each entry at the same index (songPaths), the count the add operations keep (songCount), and
// the playlist file it is loaded from and saved to. None of its operations touches playback.
//
// Normally there are as many titles as songCount and as many path slots. After Clear (or after
// removing the only entry) there are no titles and one slot holding an empty path, which the next
// add fills. A file that ends early can leave more slots than titles.
class Playlist {
 public:
  static constexpr std::int16_t kMaxEntries = PlaylistFile::kMaxEntries;
  static constexpr const char* kOpenFileFilter =
      "MP3  (*.mp3)|*.mp3|Windows Media Audio (*.wma)|*.wma|Wave (*.wav)|*.wav";

  // playlistFile: where loadPlaylist reads and Save writes (PlaylistFile::in(programFolder)).
  // Whether a file is hidden from the user, so that adding a folder passes it over.
  using HiddenFileTest = std::function<bool(const std::filesystem::path&)>;
  // A name that begins with a dot, as most systems hide files.
  static bool dotFile(const std::filesystem::path& file);

  // isHidden: the system's own test (Windows has an attribute for it).
  Playlist(PlayerPort& port, std::filesystem::path playlistFile, HiddenFileTest isHidden = dotFile);

  // --- The list lstPlay ---
  std::int16_t count() const { return static_cast<std::int16_t>(titles_.size()); }
  const std::vector<std::string>& titles() const { return titles_; }
  // The title of entry i; empty for an index outside the list.
  std::string title(int i) const;
  // The selected index, -1 when nothing is selected.
  std::int16_t selection() const { return selection_; }
  // Selects entry index; an index outside the list selects nothing.
  void select(int index);

  // --- The entries' paths ---
  const std::vector<std::string>& songPaths() const { return songPaths_; }
  // The path in slot i; empty for a slot that does not exist.
  std::string path(int i) const;
  std::int16_t songCount() const { return songCount_; }
  // The folder addFolder scans; the folder picker sets it just before calling addFolder.
  std::string songDir;

  // "Add File": asks for a file in the open-file dialog and appends it. False when the dialog
  // was cancelled or the playlist is full (which the failure box reports).
  bool addFile();
  // Appends every ".wav", ".mp3" and ".wma" file of songDir (exact lower-case extension; plain,
  // visible files only, in name order ignoring case). A folder that cannot be listed adds
  // nothing; a full playlist stops the scan. Reports nothing.
  void addFolder();
  // "Clear": no titles, songCount 0, one empty path slot.
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
  // Adds one entry after the slots counted so far. False (and nothing added) when full.
  bool append(const std::string& title, const std::string& path);

  PlayerPort& port_;
  PlaylistFile file_;
  HiddenFileTest isHidden_;
  std::vector<std::string> titles_;
  std::int16_t selection_ = -1;
  std::vector<std::string> songPaths_;
  std::int16_t songCount_ = 0;
};

}  // namespace pvx

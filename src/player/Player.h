#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "console/modQ3.h"
#include "player/PlaybackEngine.h"
#include "player/PlayerPort.h"
#include "player/Playlist.h"
#include "player/TransportPort.h"

namespace pvx {

// The player window's behaviour, free of any window toolkit: the playlist, the playback
// engine and the transport that picks an entry and starts it (the Play button, nextSong, prevSong,
// playlist). nextSong announces each new track in the game's console. The Qt window shows the
// state kept here and forwards its clicks; the music chat commands call the public procedures.
class Player final : public TransportPort {
 public:
  static constexpr const char* kAnnouncement = "echo ^1Currently Playing: ^4";

  Player(MediaBackEnd& media, Clock& clock, modQ3& q3, PlayerPort& port,
         const std::filesystem::path& playlistFile);
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The window's own load step when it is created: loads the playlist file, volume slider at 10.
  void load();

  // --- The public members, in their order ---
  const std::string& mFile() const { return engine_.mFile; }
  bool mPlaying() const { return engine_.mPlaying; }
  bool PauseBb() const { return engine_.PauseBb; }
  // Appends the audio files of folder to the playlist.
  void addFolder(const std::string& folder) { playlist_.addFolder(folder); }
  void volumetune(std::int16_t volu) { engine_.volumetune(volu); }
  void Pause() { engine_.Pause(); }
  void loadPlaylist() { playlist_.loadPlaylist(); }
  // Starts entry lstIndex when the engine is idle (callers stop and select first); empty title
  // and nothing started for an index outside the playlist.
  std::string playlist(std::int16_t lstIndex);
  void mStop() { engine_.mStop(); }
  std::string play(const std::string& filename) { return engine_.play(filename); }
  // Selects the entry after the one last started (the first after the last), starts it and
  // announces it in the game; a paused track resumes instead and the title is empty. On an empty
  // playlist nothing is started or typed and the title is empty.
  std::string nextSong() override;
  // The same backwards (the last before the first), without the announcement.
  std::string prevSong();

  // --- The window's controls ---
  void cmdPlayClick();
  void cmdStopClick() { engine_.mStop(); }
  void cmdPauseClick() { engine_.Pause(); }
  void cmdAddFileClick() { playlist_.addFile(); }
  void cmdRemoveClick() { playlist_.remove(); }
  void cmdClearClick() { playlist_.clear(); }
  void cmdSaveClick() { playlist_.save(); }

  Playlist& list() { return playlist_; }
  PlaybackEngine& engine() { return engine_; }

 private:
  // Steps 1 to 4 of nextSong and prevSong, with the entry to select.
  std::string startSelected(int index);

  modQ3& q3_;
  int announcements_ = 0;
  Playlist playlist_;
  PlaybackEngine engine_;
};

}  // namespace pvx

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/player/PlaybackEngine.h"
#include "core/player/PlayerPort.h"
#include "core/player/PlayerViews.h"
#include "core/player/Playlist.h"
#include "core/player/TransportPort.h"

namespace pvx {

// The player window's behaviour, free of any window toolkit: the playlist, the playback engine
// and the transport that picks an entry and starts it (the Play button, nextSong, prevSong,
// playEntry). nextSong announces each new track in the game's console. The Qt window shows the
// state kept here and forwards its clicks; the music chat commands call the same operations.
class Player final : public TransportPort {
 public:
  static constexpr const char* kAnnouncement = "echo ^1Currently Playing: ^4";

  Player(MediaBackEnd& media, Clock& clock, ConsoleBridge& bridge, PlayerPort& port,
         const std::filesystem::path& playlistFile,
         Playlist::HiddenFileTest isHidden = Playlist::dotFile,
         FileEncoding encoding = FileEncoding());
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The window's own load step when it is created: loads the playlist file, volume slider at 10.
  void load();

  // --- Playback ---
  PlaybackState state() const { return engine_.state(); }
  // Playing or paused.
  bool isLoaded() const { return engine_.isLoaded(); }
  bool isPaused() const { return engine_.isPaused(); }
  // "Play": a playing track is stopped and the selected entry (the one last started when
  // nothing is selected) started from its beginning; a paused track resumes instead, whatever
  // is selected. Nothing on an empty playlist.
  void playSelected();
  // Starts entry index when the engine is idle (callers stop and select first); empty title
  // and nothing started for an index outside the playlist.
  std::string playEntry(int index);
  // Continues a paused track; nothing otherwise.
  void resume();
  void pause() { engine_.pause(); }
  void stop() { engine_.stop(); }
  // The chat volume, 0 (quietest) to 20 (loudest).
  void setChatVolume(std::int16_t volume) { engine_.setChatVolume(volume); }
  // Selects the entry after the one last started (the first after the last), starts it and
  // announces it in the game; a paused track resumes instead and the title is empty. On an empty
  // playlist nothing is started or typed and the title is empty.
  std::string nextSong() override;
  // The same backwards (the last before the first), without the announcement.
  std::string prevSong();

  // --- The playlist ---
  void loadPlaylist() { playlist_.loadPlaylist(); }
  // "Add File", "Add Folder" (with the folder chosen), "Remove", "Clear", "Save Playlist".
  void addFile() { playlist_.addFile(); }
  void addFolder(const std::string& folder) { playlist_.addFolder(folder); }
  void removeSelected() { playlist_.remove(); }
  void clear() { playlist_.clear(); }
  void savePlaylist() { playlist_.save(); }
  // The entries as the list shows them: how many, each one's title (empty outside the list).
  int count() const { return playlist_.count(); }
  std::string title(int index) const { return playlist_.title(index); }
  // The selected entry, -1 for none; an index outside the list selects nothing.
  int selection() const { return playlist_.selection(); }
  void select(int index) { playlist_.select(index); }
  // The entry the last successful start recorded (the selection then; may be -1).
  int currentIndex() const { return engine_.currentIndex(); }
  // The playlist as it stands, to read (its slots' paths among the rest).
  const Playlist& playlist() const { return playlist_; }
  // The engine, to read what it plays.
  PlaybackEngine& engine() { return engine_; }
  const PlaybackEngine& engine() const { return engine_; }

  // Someone besides the window follows the player's notifications, until unwatch.
  void watch(PlayerWatcher& watcher) { views_.watch(watcher); }
  void unwatch(PlayerWatcher& watcher) { views_.unwatch(watcher); }

  // --- The sliders and the position label ---
  const PlaybackEngine::PositionLabel& positionLabel() const { return engine_.positionLabel(); }
  int positionSliderValue() const { return engine_.positionSliderValue(); }
  int positionSliderMax() const { return engine_.positionSliderMax(); }
  int volumeSliderValue() const { return engine_.volumeSliderValue(); }
  // The user scrolled the position slider to value (whole seconds): a loaded track moves there.
  void positionSliderScrolled(int value) { engine_.positionSliderScrolled(value); }
  // The same to any point in time (seconds): a move onto the end ends the track.
  void moveTo(double seconds) { engine_.moveTo(seconds); }
  // The user moved the volume slider to value; a loaded track takes it when the mouse button
  // comes up on the slider.
  void setVolumeSlider(int value) { engine_.setVolumeSlider(value); }
  void volumeSliderReleased() { engine_.volumeSliderReleased(); }

 private:
  // Selects index, stops a playing track and starts the selection, as nextSong and prevSong do.
  std::string startSelected(int index);

  ConsoleBridge& bridge_;
  int announcements_ = 0;
  PlayerViews views_;
  Playlist playlist_;
  PlaybackEngine engine_;
};

}  // namespace pvx

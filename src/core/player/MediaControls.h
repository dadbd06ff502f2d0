#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/player/Player.h"

namespace pvx {

// What the keyboard's media keys and the desktop's media controls do to the music player, and
// what those controls show of it. Each operation is the one a control of the player window or a
// chat command runs: the same order of tracks, the same pause and resume rules, the same line
// typed into the game where the window's control types one (a new track by "next" is announced
// in the game's console; nothing else types anything). Whatever calls it, a key, the desktop or a
// test, is no concern of the player.
class MediaControls {
 public:
  // The media keys of a keyboard.
  enum class Key { PlayPause, Next, Previous, Stop };
  // How a key is called where the user reads it.
  static const char* keyName(Key key);

  // The track a desktop shows: the one the last start began.
  struct Track {
    // Counts the starts: a track played again is a new track.
    std::uint64_t number = 0;
    // As the playlist showed the entry.
    std::string title;
    std::string path;
    double seconds = 0;
  };

  explicit MediaControls(Player& player) : player_(player) {}
  MediaControls(const MediaControls&) = delete;
  MediaControls& operator=(const MediaControls&) = delete;

  void press(Key key);

  // "Play" where nothing plays: a paused track goes on, else the selected entry (the one last
  // started when none is selected) starts. Nothing while a track plays.
  void play();
  // "Pause": holds a playing track.
  void pause();
  // Pause while a track plays, play otherwise.
  void playPause();
  // "Stop".
  void stop() { player_.stop(); }
  // The next entry, announced in the game's console, as the end of a track or "!next" goes on.
  void next() { player_.nextSong(); }
  // The entry before, as "!prev" goes back.
  void previous() { player_.prevSong(); }
  // Moves the loaded track by seconds (back for less than 0, never before its beginning); past its
  // end it ends and the next entry follows. Nothing while no track is loaded.
  void seekBy(double seconds);
  // Moves the loaded track to seconds when it is the track numbered number and seconds lie within
  // it; nothing otherwise.
  void setPosition(std::uint64_t number, double seconds);

  // The volume slider as a level from 0.0 (its bottom, the quietest) to 1.0 (its top, the
  // loudest), in 20 even steps.
  double volume() const;
  // Moves the volume slider to the nearest step of level (kept within 0.0 to 1.0) and lets a
  // loaded track take it, as a move of the slider with the mouse does.
  void setVolume(double level);

  PlaybackState state() const { return player_.state(); }
  // None before the first start.
  std::optional<Track> track() const;
  // Where the loaded track is, in seconds; 0 while none is loaded.
  double position() { return player_.engine().currentPosition(); }
  // Whether there is anything to go to, play or pause, and a track to move in.
  bool canGoNext() const { return player_.count() > 0; }
  bool canGoPrevious() const { return player_.count() > 0; }
  bool canPlay() const { return player_.count() > 0 || player_.isLoaded(); }
  bool canPause() const { return canPlay(); }
  bool canSeek() const { return player_.isLoaded(); }

  // Whoever shows the player follows its notifications, until unwatch.
  void watch(PlayerWatcher& watcher) { player_.watch(watcher); }
  void unwatch(PlayerWatcher& watcher) { player_.unwatch(watcher); }

 private:
  Player& player_;
};

}  // namespace pvx

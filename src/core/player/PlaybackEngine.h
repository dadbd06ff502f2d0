#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/console/Clock.h"
#include "core/player/MediaBackEnd.h"
#include "core/player/PlayerPort.h"
#include "core/player/Playlist.h"
#include "core/player/TransportPort.h"

namespace pvx {

// The player's playback engine: one track at a time through a media graph, driven by the player
// window's buttons and sliders and by the music chat commands, with the music timer showing the
// position and handing over to the transport's nextSong when a track ends.
//
// States, as (mPlaying, PauseBb): idle (false, false), playing (true, false), paused (true, true).
// The engine also keeps what the window shows of it: the position label lblLength, the position
// slider Slider3 (value and maximum) and the volume slider sldVol; the window is told through
// PlayerPort::positionChanged and volumeChanged.
class PlaybackEngine {
 public:
  static constexpr std::int64_t kMusicIntervalMs = 100;
  static constexpr int kVolumeSliderMax = 20;
  // sldVol's value once the player window has been created.
  static constexpr int kVolumeAtCreation = 10;
  // Attenuation per step of sldVol, in hundredths of a decibel.
  static constexpr long kVolumePerStep = -125;
  // Slider3's maximum until the first track sets it.
  static constexpr int kPositionMaxAtCreation = 10;

  PlaybackEngine(MediaBackEnd& media, Clock& clock, Playlist& playlist, PlayerPort& port);
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Who receives the end of a track and the skip of an entry that cannot be played. Until one is
  // set, both simply leave the engine idle.
  void setTransport(TransportPort* transport) { transport_ = transport; }

  // Resumes a paused track (whatever filename says), or, when idle, starts filename from its
  // beginning in a fresh graph; while a track plays it only records filename in mFile. Returns
  // the title of the playlist's selected entry when a new track was started, else empty. A file
  // that cannot be started is skipped: nextSong tries the entry after it, and a run of such
  // entries is tried at most once around the playlist before the engine stays idle.
  std::string play(const std::string& filename);
  // "Stop": stops the track and rewinds it; idle afterwards. The graph stays until the next start.
  void mStop();
  // "Pause": holds a loaded track; nothing when idle.
  void Pause();
  // The chat volume volu, 0 (quietest) to 20 (loudest), applied to the slider and to the track
  // at once. A volu outside 0 to 20 is taken as the nearest end.
  void volumetune(std::int16_t volu);

  // The user moved sldVol to value (kept within 0 to 20); applied at the release.
  void setVolumeSlider(int value);
  // A mouse button was released on sldVol: a loaded track takes its volume.
  void volumeSliderReleased();
  // The user scrolled Slider3 to value (whole seconds, kept within the slider's range): a loaded
  // track moves there.
  void positionSliderScrolled(int value);
  // A tick of tmrMusic: shows the position and notices the end of the track.
  void tmrMusicTick();

  // True once a track's graph has been set up; the transport stops it before starting another.
  bool hasGraph() const { return hasGraph_; }
  Timer& tmrMusic() { return *tmrMusic_; }

  // --- What the player window shows ---
  const std::string& lengthCaption() const { return lengthCaption_; }
  int positionSliderValue() const { return positionValue_; }
  int positionSliderMax() const { return positionMax_; }
  int volumeSliderValue() const { return volumeValue_; }

  // --- Playback state ---
  // The track to start, or the one being played; emptied by Stop and at the end of a track.
  std::string mFile;
  bool mPlaying = false;
  bool PauseBb = false;
  // The playlist entry the last successful start recorded (the selection then; may be -1).
  std::int16_t curIndex = 0;
  // The current track's duration in seconds, rounded to 2 decimals.
  double mDuration = 0;

 private:
  // A fresh start of mFile; false when any of its steps failed.
  bool startFresh(std::string& title);
  // A start failed: moves on to the next entry unless the run of failures has gone once around.
  void skipFailedStart();
  // Calls the transport's nextSong; a failure inside it does not reach the caller.
  void callNextSong();
  bool applyVolume();
  void setPositionSlider(int value);
  void enableMusicTimer();

  MediaBackEnd& media_;
  Playlist& playlist_;
  PlayerPort& port_;
  TransportPort* transport_ = nullptr;
  std::unique_ptr<MediaGraph> graph_;
  bool hasGraph_ = false;
  std::unique_ptr<Timer> tmrMusic_;
  // How many skips are running nested inside one another.
  int skipDepth_ = 0;

  std::string lengthCaption_ = "Position:";
  int positionValue_ = 0;
  int positionMax_ = kPositionMaxAtCreation;
  int volumeValue_ = kVolumeAtCreation;
};

}  // namespace pvx

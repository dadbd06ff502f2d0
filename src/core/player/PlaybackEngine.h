#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/player/MediaBackEnd.h"
#include "core/player/PlayerPort.h"
#include "core/player/Playlist.h"
#include "core/player/TransportPort.h"
#include "core/time/Clock.h"

namespace pvx {

// Where the playback engine stands: no track loaded, a track sounding, or a track held.
enum class PlaybackState { Idle, Playing, Paused };

// The player's playback engine: one track at a time through a media graph, driven by the player
// window's buttons and sliders and by the music chat commands, with the music timer showing the
// position and handing over to the transport's nextSong when a track ends.
//
// The engine also keeps the numbers the window shows of it: what the position label shows, the
// position slider (value and maximum) and the volume slider; the window is told through
// PlayerPort::positionChanged and volumeChanged and writes the captions itself.
class PlaybackEngine {
 public:
  static constexpr std::int64_t kMusicIntervalMs = 100;
  static constexpr int kVolumeSliderMax = 20;
  // The volume slider's value once the player window has been created.
  static constexpr int kVolumeAtCreation = 10;
  // Attenuation per step of the volume slider, in hundredths of a decibel.
  static constexpr long kVolumePerStep = -125;
  // The position slider's maximum until the first track sets it.
  static constexpr int kPositionMaxAtCreation = 10;

  // What the position label shows: nothing before the first track; right after a track starts,
  // its duration rounded to 2 decimals; from the music timer's next tick on, the position and
  // the duration as the graph tells them. Stopping brings back the label's first text.
  struct PositionLabel {
    enum class Shows { kNothing, kDuration, kPosition };
    Shows shows = Shows::kNothing;
    double position = 0;  // seconds; kPosition only
    double duration = 0;  // seconds

    bool operator==(const PositionLabel&) const = default;
  };

  // transport: who moves on to the next entry when a track ends or an entry cannot be played
  // (the player that holds the engine, still being made itself: the engine calls it only later).
  PlaybackEngine(MediaBackEnd& media, Clock& clock, Playlist& playlist, PlayerPort& port,
                 TransportPort& transport);
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Resumes a paused track (whatever file says); when idle, starts file from its beginning in a
  // fresh graph; while a track plays, does nothing. Returns the title of the playlist's selected
  // entry when a new track was started, else empty. A file that cannot be started is skipped:
  // nextSong tries the entry after it, and a run of such entries is tried at most once around
  // the playlist before the engine stays idle.
  std::string play(const std::string& file);
  // "Stop": stops the track and rewinds it; idle afterwards. The graph stays until the next start.
  void stop();
  // "Pause": holds a playing track; nothing otherwise.
  void pause();
  // The chat volume, 0 (quietest) to 20 (loudest), applied to the slider and to the track at
  // once. A volume outside 0 to 20 is taken as the nearest end.
  void setChatVolume(std::int16_t volume);

  // The user moved the volume slider to value (kept within 0 to 20); applied at the release.
  void setVolumeSlider(int value);
  // A mouse button was released on the volume slider: a loaded track takes its volume.
  void volumeSliderReleased();
  // The user scrolled the position slider to value (whole seconds, kept within the slider's
  // range): a loaded track moves there.
  void positionSliderScrolled(int value);
  // The position slider's move to any point in time: a loaded track moves to seconds (0 for less),
  // and a move onto or past its end ends it there, as if it had played to it. The slider shows
  // the whole seconds, within its range. Nothing while no track is loaded.
  void moveTo(double seconds);
  // A tick of the music timer: shows the position and lets the graph tell of the track's end.
  void musicTick();

  PlaybackState state() const { return state_; }
  // Playing or paused.
  bool isLoaded() const { return state_ != PlaybackState::Idle; }
  bool isPaused() const { return state_ == PlaybackState::Paused; }
  // True once a track's graph has been set up; the transport stops it before starting another.
  bool hasGraph() const { return hasGraph_; }
  // The playlist entry the last successful start recorded (the selection then; may be -1).
  std::int16_t currentIndex() const { return currentIndex_; }
  // The current track's duration in seconds, rounded to 2 decimals.
  double duration() const { return duration_; }
  // Where the loaded track is, in seconds, as its graph tells it now; 0 while none is loaded.
  double currentPosition();
  // The track the last successful start began: its title as the playlist showed it and its path,
  // and how many tracks had started before it (each start a new track, the same file too). No
  // title, path or number until the first start.
  const std::string& startedTitle() const { return startedTitle_; }
  const std::string& startedPath() const { return startedPath_; }
  std::uint64_t starts() const { return starts_; }
  Timer& musicTimer() { return *musicTimer_; }

  // --- What the player window shows ---
  const PositionLabel& positionLabel() const { return positionLabel_; }
  int positionSliderValue() const { return positionValue_; }
  int positionSliderMax() const { return positionMax_; }
  int volumeSliderValue() const { return volumeValue_; }

 private:
  // play, before the port is told what changed.
  std::string start(const std::string& file);
  // A fresh start of file; false when any of its steps failed. A graph the back end builds on
  // its own thread counts as started, its title given, until it tells how the building ended.
  bool startFresh(const std::string& file, std::string& title);
  // The last steps of a start, once the track runs at its rate; false when one failed.
  bool finishStart();
  // A start that failed half-way: the track stopped, the engine idle; false.
  bool failStart();
  // The steps of a start once its graph, built on the back end's thread, is ready.
  bool takeRenderedGraph();
  void started(const std::string& title, const std::string& file);
  // The graph being built told how its building ended.
  void renderEnded(bool rendered);
  // Continues the paused track.
  void resume();
  // The graph told that its track has ended: the engine moves on to the next entry.
  void trackEnded();
  // The start of entry failed failed: moves on to the next entry unless the run of failures has
  // gone once around.
  void skipFailedStart(int failed);
  // Calls the transport's nextSong; a failure inside it does not reach the caller.
  void callNextSong();
  bool applyVolume();
  void setPositionSlider(int value);
  void enableMusicTimer();
  // Tells the port when the state or the track changed since the moment recorded in before.
  struct Moment {
    PlaybackState state;
    std::uint64_t starts;
  };
  Moment now() const { return {state_, starts_}; }
  void tellIfChanged(const Moment& before);

  MediaBackEnd& media_;
  Playlist& playlist_;
  PlayerPort& port_;
  TransportPort& transport_;
  std::unique_ptr<MediaGraph> graph_;
  bool hasGraph_ = false;
  std::unique_ptr<Timer> musicTimer_;
  // How many starts in a row failed, and whether a skip is under way (its starts go on counting).
  int failedInARow_ = 0;
  bool skipping_ = false;
  // The graph is being built on the back end's thread; the entry started before it.
  bool rendering_ = false;
  std::int16_t renderingFrom_ = 0;

  PlaybackState state_ = PlaybackState::Idle;
  std::int16_t currentIndex_ = 0;
  double duration_ = 0;
  std::string startedTitle_;
  std::string startedPath_;
  std::uint64_t starts_ = 0;

  PositionLabel positionLabel_;
  int positionValue_ = 0;
  int positionMax_ = kPositionMaxAtCreation;
  int volumeValue_ = kVolumeAtCreation;
};

}  // namespace pvx

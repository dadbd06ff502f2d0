#pragma once

#include <optional>
#include <string>

namespace pvx {

// The file chosen in the open-file dialog: its full path and its name without the folder.
struct ChosenFile {
  std::string path;
  std::string title;
};

// What the music player tells whoever shows it or follows it: the playlist and the engine keep
// the state (entries, selection, the numbers of the position label and slider, the volume slider,
// the track loaded and whether it plays); the notifications say which part to show again. They
// come on the user-interface thread, possibly in the middle of an operation: a watcher reads the
// player but changes nothing from inside one.
class PlayerWatcher {
 public:
  virtual ~PlayerWatcher() = default;
  // The playlist's titles changed (entries added, removed, cleared or loaded).
  virtual void titlesChanged() {}
  // The playlist's selection changed.
  virtual void selectionChanged() {}
  // The position label, or the position slider's value or maximum, changed.
  virtual void positionChanged() {}
  // The volume slider's value changed.
  virtual void volumeChanged() {}
  // A new track started, or the track went from playing to paused or stopped, or back.
  virtual void playbackChanged() {}
  // The loaded track was moved to another place (the position slider, the desktop's controls).
  virtual void positionMoved() {}
};

// What the music player's behaviour asks of its window, besides the notifications. The Qt window
// implements this; tests implement it in a few lines.
class PlayerPort : public PlayerWatcher {
 public:
  // Shows the platform's open-file dialog with a filter of "description|pattern" pairs joined
  // by "|", the first preselected, and waits until it closes. Empty when the user cancelled.
  virtual std::optional<ChosenFile> chooseFile(const std::string& filter) = 0;
  // The failure message box: modal, titled "Error", the critical-stop icon and one OK button,
  // showing the description. Returns once the user has closed it.
  virtual void showFailure(const std::string& description) = 0;
};

}  // namespace pvx

#pragma once

#include <optional>
#include <string>

namespace pvx {

// The file chosen in the open-file dialog: its full path and its name without the folder.
struct ChosenFile {
  std::string path;
  std::string title;
};

// What the music player's behaviour asks of its window. The playlist and the engine keep the
// state the window shows (entries, selection, the numbers of the position label and slider, the
// volume slider); the notifications tell the window to show it again. The Qt window implements
// this; tests implement it in a few lines.
class PlayerPort {
 public:
  virtual ~PlayerPort() = default;
  // Shows the platform's open-file dialog with a filter of "description|pattern" pairs joined
  // by "|", the first preselected, and waits until it closes. Empty when the user cancelled.
  virtual std::optional<ChosenFile> chooseFile(const std::string& filter) = 0;
  // The failure message box: modal, titled "Error", the critical-stop icon and one OK button,
  // showing the description. Returns once the user has closed it.
  virtual void showFailure(const std::string& description) = 0;

  // The playlist's titles changed (entries added, removed, cleared or loaded).
  virtual void titlesChanged() {}
  // The playlist's selection changed.
  virtual void selectionChanged() {}
  // The position label, or the position slider's value or maximum, changed.
  virtual void positionChanged() {}
  // The volume slider's value changed.
  virtual void volumeChanged() {}
};

}  // namespace pvx

#pragma once

#include <functional>

#include "core/player/FolderPickerPort.h"
#include "core/player/Player.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// "Add Folder": while the picker is open the main window and the player window are hidden, and
// however the picker closes (Ok, Cancel or its frame) both come back. Ok hands the chosen folder
// to the player, which appends the folder's audio files; nothing is saved until "Save Playlist".
// The picker window is made the first time it is needed and then kept, hidden, so a later
// opening shows the previous choice.
class FolderPicker {
 public:
  // picker: gives the picker window, making it on the first call.
  FolderPicker(Player& player, FormPort& playerWindow, FormPort& mainWindow,
               std::function<FolderPickerPort&()> picker);

  // Shows the picker (not modal) and hides the player window, then the main window.
  void open();
  // Appends the audio files of the chosen folder, hides the picker and brings both windows back.
  void ok();
  // Brings both windows back and hides the picker; the playlist is not touched.
  void cancel();
  // The picker's frame was closed: the same as Cancel, so the windows never stay out of reach.
  void closedByFrame() { cancel(); }

 private:
  FolderPickerPort& picker();
  void showOwners();

  Player& player_;
  FormPort& playerWindow_;
  FormPort& mainWindow_;
  std::function<FolderPickerPort&()> makePicker_;
  FolderPickerPort* picker_ = nullptr;
};

}  // namespace pvx

#include "core/player/FolderPicker.h"

namespace pvx {

FolderPicker::FolderPicker(Player& player, FormPort& playerWindow, FormPort& mainWindow,
                           std::function<FolderPickerPort&()> picker)
    : player_(player),
      playerWindow_(playerWindow),
      mainWindow_(mainWindow),
      makePicker_(std::move(picker)) {}

FolderPickerPort& FolderPicker::picker() {
  if (picker_ == nullptr) {
    picker_ = &makePicker_();
    picker_->create();
  }
  return *picker_;
}

void FolderPicker::open() {
  // The picker goes up first, so that for no moment is none of the program's windows on screen.
  picker().setVisible(true);
  playerWindow_.setVisible(false);
  mainWindow_.setVisible(false);
}

void FolderPicker::ok() {
  FolderPickerPort& window = picker();
  player_.addFolder(window.currentFolder());
  window.setVisible(false);
  showOwners();
}

void FolderPicker::cancel() {
  showOwners();
  picker().setVisible(false);
}

void FolderPicker::showOwners() {
  playerWindow_.setVisible(true);
  mainWindow_.setVisible(true);
}

}  // namespace pvx

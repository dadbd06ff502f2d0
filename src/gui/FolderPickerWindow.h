#pragma once

#include <QStringList>
#include <QWidget>

#include "core/player/FolderPickerPort.h"
#include "gui/QtFormPort.h"

class QComboBox;
class QFileSystemModel;
class QModelIndex;
class QTreeView;

namespace pvx {

class FolderPicker;

// The folder picker: a drive list (drv), the folder tree of the chosen drive (Dir) whose current
// folder is the choice, "Ok" and "Cancel". It is hidden, never destroyed, when it closes, so it
// shows the previous choice when opened again. It forwards its buttons and its frame's closing;
// Escape closes it as the frame does.
class FolderPickerWindow final : public QtFormPort<QWidget, FolderPickerPort> {
  Q_OBJECT

 public:
  // drives: the roots the drive list offers; by default the machine's own (platformDrives).
  explicit FolderPickerWindow(QStringList drives = platformDrives());

  // The machine's drives: every drive root on Windows; elsewhere "/" and the home folder stand
  // in for them.
  static QStringList platformDrives();

  // Forwards Ok, Cancel and the frame's closing to the picker's behaviour.
  void connectTo(FolderPicker& picker);

  // Makes folder the current one, choosing the drive it lies on; a folder that cannot be read
  // keeps the previous one. False in that case.
  bool setCurrentFolder(const std::string& folder);

  // FolderPickerPort
  std::string currentFolder() const override;

 signals:
  void okClicked();
  void cancelClicked();
  // Closed by its frame rather than by "Ok" or "Cancel".
  void closedByFrame();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The drive list's entry whose root holds folder (the longest such root); -1 for none.
  int driveOf(const QString& folder) const;
  // Shows the folder tree of drive entry index at that drive's folder; false (nothing changed)
  // when the drive cannot be read.
  bool showDrive(int index, const QString& folder);
  void hideOtherRoots();
  // Keeps the current folder in view while the tree is still filling in.
  void followCurrent();
  void driveChosen(int index);
  void openFolder(const QModelIndex& index);

  // The drive roots as Qt writes paths, and the folder each drive showed last.
  QStringList drives_;
  QStringList driveFolders_;
  int driveIndex_ = -1;
  bool following_ = false;
  QComboBox* driveList_ = nullptr;
  QTreeView* folderTree_ = nullptr;
  QFileSystemModel* model_ = nullptr;
};

}  // namespace pvx

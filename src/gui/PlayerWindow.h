#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "core/player/PlayerPort.h"
#include "core/windows/WindowPorts.h"
#include "gui/QtFormPort.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace pvx {

class Player;

// The player window: the playlist, the transport buttons, the position slider with its label and
// the volume slider. It shows the state the player keeps and forwards the user's clicks to it;
// it decides nothing itself. It lives hidden from start-up to the end and is kept docked below
// the main window. Object names are the control names.
class PlayerWindow final : public QtFormPort<QWidget, FormPort>, public PlayerPort {
  Q_OBJECT

 public:
  // dialogs: the open-file dialog of "Add File" and the failure message box.
  explicit PlayerWindow(DialogPort& dialogs);
  ~PlayerWindow() override;

  // Connects the controls to the player's behaviour; until then clicks do nothing.
  void bind(Player& player);
  // The window's tooltip names the media keys that another program holds, by their names; none
  // leaves it without a tooltip.
  void showRefusedMediaKeys(const std::vector<std::string>& names);

  // PlayerPort
  std::optional<ChosenFile> chooseFile(const std::string& filter) override;
  void showFailure(const std::string& description) override;
  void titlesChanged() override;
  void selectionChanged() override;
  void positionChanged() override;
  void volumeChanged() override;

  // FormPort. Creating the window runs its load step (the playlist file, the volume at 10) once.
  void create() override;

 signals:
  // "Add Folder": the folder picker is to be opened.
  void addFolderClicked();
  // The volume slider shows a new value, set by the program or moved by the user.
  void volumeSliderChanged(int value);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  DialogPort& dialogs_;
  Player* player_ = nullptr;
  bool created_ = false;
  int shownVolume_ = -1;
  bool positionShown_ = false;  // the slider and label show the engine's latest position

  QLabel* positionLabel_ = nullptr;
  QSlider* positionSlider_ = nullptr;
  QListWidget* playlist_ = nullptr;
  QPushButton* playButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QPushButton* pauseButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QSlider* volumeSlider_ = nullptr;
  QPushButton* removeButton_ = nullptr;
  QPushButton* addFileButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
};

}  // namespace pvx

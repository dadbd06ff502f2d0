#pragma once

#include <QMainWindow>
#include <functional>

#include "core/windows/WindowPorts.h"
#include "gui/QtFormPort.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pvx {

// The main window: three duel message templates, the newest console text, the status line,
// "Back to Game" and "Playlist", and the menus File and Customize Messages. It shows what the
// program's behaviour tells it and forwards clicks as signals; it decides nothing itself.
class MainWindow final : public QtFormPort<QMainWindow, MainWindowPort> {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Parlevox V1.1 by [ZB] ¬vendrix¬";

  MainWindow();

  // MainWindowPort
  // The main window keeps the size of its controls.
  void setWidth(float) override {}
  float screenWidth() const override;
  float screenHeight() const override;
  TwipsRect availableArea() const override;
  std::string statusLine() const override;
  void setStatusLine(const std::string& text) override;
  std::string chatText() const override;
  void setChatText(const std::string& text) override;
  bool backButtonVisible() const override;
  void setBackButtonVisible(bool visible) override;
  void setMaximized(bool maximized) override;
  void takeFocus() override;
  void setDuelText(DuelText which, const std::string& text) override;

  // Types text into a duel box as the user would.
  void editDuelText(DuelText which, const std::string& text);

 signals:
  void backClicked();
  void viewPlayClicked();
  void saveChosen();
  void openChosen();
  // File -> Exit, or the window closed in any other way.
  void exitChosen();
  // Customize Messages -> one of the four messages (0 to 3).
  void messageChosen(int index);
  // The user changed the text of a duel box.
  void duelTextEdited(pvx::DuelText which, const QString& text);
  // The status line now reads differently.
  void statusLineChanged(const QString& text);
  // The newest console text shown now reads differently.
  void chatTextChanged(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* duelBox(DuelText which) const;

  QLineEdit* engageBox_ = nullptr;
  QLineEdit* lostBox_ = nullptr;
  QLineEdit* wonBox_ = nullptr;
  QLabel* newestText_ = nullptr;
  QLabel* statusLine_ = nullptr;
  QPushButton* backButton_ = nullptr;
  QPushButton* playlistButton_ = nullptr;
};

}  // namespace pvx

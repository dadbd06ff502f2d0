#pragma once

#include <QWidget>
#include <string>

#include "core/console/PracticeConsole.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace pvx {

// The practice game's face: its console log as the game window shows it, a line to print text as
// the game would, a line to chat as the local player, quick buttons for typical events with the
// other player's name, a switch that starts and stops the game, and the state of the game's
// main window.
class PracticeConsoleWindow final : public QWidget, private PracticeConsole::Listener {
  Q_OBJECT

 public:
  explicit PracticeConsoleWindow(PracticeConsole& practice);
  ~PracticeConsoleWindow() override;

 private:
  void logChanged() override;
  void gameWindowVisibilityChanged(bool visible) override;
  void runningChanged(bool running) override;
  void printLine();
  void sayLine();
  void printForGame(const std::string& line);
  void showGameWindowState();

  PracticeConsole& practice_;
  QPlainTextEdit* log_ = nullptr;
  QLineEdit* printLine_ = nullptr;
  QLineEdit* sayLine_ = nullptr;
  QLineEdit* other_ = nullptr;
  QCheckBox* running_ = nullptr;
  QLabel* gameWindow_ = nullptr;
};

}  // namespace pvx

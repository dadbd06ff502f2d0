#pragma once

#include <QSize>
#include <QWidget>
#include <string>
#include <vector>

#include "core/console/PracticeConsole.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace pvx {

// The practice game's face: its console log as the game window shows it, a line to print text as
// the game would, a line to chat as the local player, quick buttons for typical events with the
// other player's name, a switch that starts and stops the game, and the state of the game's
// main window. Narrowed, it lays its buttons out in more rows.
class PracticeConsoleWindow final : public QWidget, private PracticeConsole::Listener {
  Q_OBJECT

 public:
  explicit PracticeConsoleWindow(PracticeConsole& practice);
  ~PracticeConsoleWindow() override;

  // The size it opens at where the screen has room.
  static QSize wantedSize() { return {760, 460}; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Controls laid out in rows of as many columns as the window's width holds, at least fewest.
  struct Rows {
    QGridLayout* grid;
    std::vector<QWidget*> controls;
    int fewest;
    int columns = 0;
  };
  void arrange(Rows& rows, int columns);
  void arrangeForWidth();
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
  Rows quick_{}, state_{};
};

}  // namespace pvx

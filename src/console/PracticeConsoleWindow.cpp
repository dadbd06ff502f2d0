#include "console/PracticeConsoleWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "console/Text.h"

namespace pvx {

PracticeConsoleWindow::PracticeConsoleWindow(PracticeConsole& practice) : practice_(practice) {
  setObjectName(QStringLiteral("PracticeConsoleWindow"));
  setWindowTitle(QStringLiteral("Practice game — Jedi Knight Academy MP Console"));

  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("practiceLog"));
  log_->setReadOnly(true);
  log_->setFont(QFont(QStringLiteral("Monospace")));

  printLine_ = new QLineEdit(this);
  printLine_->setObjectName(QStringLiteral("practicePrint"));
  printLine_->setPlaceholderText(
      QStringLiteral("A line as the game prints it, e.g. Bob entered the game"));
  auto* print = new QPushButton(QStringLiteral("Print"), this);
  print->setObjectName(QStringLiteral("practicePrintButton"));

  running_ = new QCheckBox(QStringLiteral("Game running"), this);
  running_->setObjectName(QStringLiteral("practiceRunning"));
  gameWindow_ = new QLabel(this);
  gameWindow_->setObjectName(QStringLiteral("practiceGameWindow"));

  auto* printRow = new QHBoxLayout;
  printRow->addWidget(printLine_, 1);
  printRow->addWidget(print);
  auto* stateRow = new QHBoxLayout;
  stateRow->addWidget(running_);
  stateRow->addStretch(1);
  stateRow->addWidget(gameWindow_);
  auto* column = new QVBoxLayout(this);
  column->addWidget(log_, 1);
  column->addLayout(printRow);
  column->addLayout(stateRow);
  resize(640, 420);

  connect(print, &QPushButton::clicked, this, &PracticeConsoleWindow::printLine);
  connect(printLine_, &QLineEdit::returnPressed, this, &PracticeConsoleWindow::printLine);
  connect(running_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      practice_.start();
    } else {
      practice_.stop();
    }
  });

  practice_.addListener(this);
  running_->setChecked(practice_.running());
  logChanged();
  showGameWindowState();
}

PracticeConsoleWindow::~PracticeConsoleWindow() {
  practice_.removeListener(this);
}

void PracticeConsoleWindow::printLine() {
  if (!practice_.running())
    return;
  practice_.game().print(printLine_->text().toStdString());
  printLine_->clear();
}

void PracticeConsoleWindow::logChanged() {
  QString shown = QString::fromStdString(text::fromCp1252(practice_.game().log()));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  log_->setPlainText(shown);
  log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void PracticeConsoleWindow::gameWindowVisibilityChanged(bool) {
  showGameWindowState();
}

void PracticeConsoleWindow::runningChanged(bool running) {
  running_->setChecked(running);
  showGameWindowState();
}

void PracticeConsoleWindow::showGameWindowState() {
  QString state = QStringLiteral("Game window: not running");
  if (practice_.running()) {
    state = practice_.gameWindowVisible() ? QStringLiteral("Game window: shown")
                                          : QStringLiteral("Game window: hidden");
  }
  gameWindow_->setText(state);
}

}  // namespace pvx

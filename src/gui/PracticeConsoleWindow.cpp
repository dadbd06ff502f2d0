#include "gui/PracticeConsoleWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "core/text/Text.h"
#include "gui/Look.h"

namespace pvx {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

// How wide the controls are at the least in rows of this many columns.
int rowsWidth(const std::vector<QWidget*>& controls, int columns, int spacing) {
  int width = spacing * (columns - 1);
  for (int column = 0; column < columns; ++column) {
    int widest = 0;
    for (std::size_t i = column; i < controls.size(); i += columns)
      widest = std::max(widest, controls[i]->minimumSizeHint().width());
    width += widest;
  }
  return width;
}

}  // namespace

PracticeConsoleWindow::PracticeConsoleWindow(PracticeConsole& practice) : practice_(practice) {
  setObjectName(QStringLiteral("PracticeConsoleWindow"));
  setWindowTitle(QStringLiteral("Practice game — Jedi Knight Academy MP Console"));
  setFont(look::sansSerif(font().family()));

  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("practiceLog"));
  log_->setReadOnly(true);
  // "Monospace" names the fixed-pitch face on Linux only; Windows has Consolas and Courier New,
  // Wine its own Courier and the Linux machine's faces.
  QFont fixed(QStringLiteral("Monospace"));
  fixed.setFamilies({QStringLiteral("Monospace"), QStringLiteral("Consolas"),
                     QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono")});
  fixed.setStyleHint(QFont::TypeWriter);
  log_->setFont(fixed);

  printLine_ = new QLineEdit(this);
  printLine_->setObjectName(QStringLiteral("practicePrint"));
  printLine_->setPlaceholderText(QStringLiteral("A line as the game prints it"));
  QPushButton* print = button(this, "practicePrintButton", QStringLiteral("Print"));

  sayLine_ = new QLineEdit(this);
  sayLine_->setObjectName(QStringLiteral("practiceSay"));
  sayLine_->setPlaceholderText(QStringLiteral("Say as the local player, e.g. !next"));
  QPushButton* say = button(this, "practiceSayButton", QStringLiteral("Say"));

  other_ = new QLineEdit(QStringLiteral("Bob"), this);
  other_->setObjectName(QStringLiteral("practiceOther"));
  other_->setToolTip(QStringLiteral("The other player's name in the lines below"));

  running_ = new QCheckBox(QStringLiteral("Game running"), this);
  running_->setObjectName(QStringLiteral("practiceRunning"));
  gameWindow_ = new QLabel(this);
  gameWindow_->setObjectName(QStringLiteral("practiceGameWindow"));

  auto* grid = new QGridLayout;
  grid->addWidget(printLine_, 0, 0);
  grid->addWidget(print, 0, 1);
  grid->addWidget(sayLine_, 1, 0);
  grid->addWidget(say, 1, 1);

  using Event = PracticeGame::Event;
  const struct {
    const char* name;
    const char* text;
    Event event;
  } quick[] = {
      {"practiceEnters", "Enters", Event::OtherEnters},
      {"practiceDuel", "Duel with you", Event::DuelWithYou},
      {"practiceWon", "You won", Event::YouWon},
      {"practiceLost", "You lost", Event::YouLost},
      {"practiceSelfKill", "You killed yourself", Event::YouKilledYourself},
      {"practiceTimelimit", "Timelimit hit.", Event::TimeLimit},
      {"practiceLoaded", "Finished loading", Event::FinishedLoading},
  };
  auto* quickRow = new QHBoxLayout;
  quickRow->addWidget(new QLabel(QStringLiteral("Other player:"), this));
  quickRow->addWidget(other_);
  quick_ = Rows{.grid = new QGridLayout, .controls = {}, .fewest = 2};
  for (const auto& q : quick) {
    QPushButton* b = button(this, q.name, QString::fromLatin1(q.text));
    quick_.controls.push_back(b);
    const Event event = q.event;
    connect(b, &QPushButton::clicked, this, [this, event] {
      printForGame(practice_.game().eventLine(event, other_->text().toStdString()));
    });
  }
  state_ = Rows{.grid = new QGridLayout, .controls = {running_, gameWindow_}, .fewest = 1};

  auto* column = new QVBoxLayout(this);
  column->addWidget(log_, 1);
  column->addLayout(grid);
  column->addLayout(quickRow);
  column->addLayout(quick_.grid);
  column->addLayout(state_.grid);
  // As narrow as its controls allow in the most rows; wider, they take fewer.
  arrange(quick_, quick_.fewest);
  arrange(state_, state_.fewest);
  setMinimumSize(column->totalMinimumSize());
  resize(wantedSize());
  arrangeForWidth();

  connect(print, &QPushButton::clicked, this, &PracticeConsoleWindow::printLine);
  connect(printLine_, &QLineEdit::returnPressed, this, &PracticeConsoleWindow::printLine);
  connect(say, &QPushButton::clicked, this, &PracticeConsoleWindow::sayLine);
  connect(sayLine_, &QLineEdit::returnPressed, this, &PracticeConsoleWindow::sayLine);
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

void PracticeConsoleWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  arrangeForWidth();
}

void PracticeConsoleWindow::arrangeForWidth() {
  const QMargins margins = layout()->contentsMargins();
  const int width = contentsRect().width() - margins.left() - margins.right();
  for (Rows* rows : {&quick_, &state_}) {
    const int spacing = rows->grid->horizontalSpacing();
    int columns = static_cast<int>(rows->controls.size());
    while (columns > rows->fewest && rowsWidth(rows->controls, columns, spacing) > width)
      --columns;
    arrange(*rows, columns);
  }
  // On a row of its own the game window's state lines up with the switch above it.
  gameWindow_->setAlignment(Qt::AlignVCenter |
                            (state_.columns > 1 ? Qt::AlignRight : Qt::AlignLeft));
}

void PracticeConsoleWindow::arrange(Rows& rows, int columns) {
  if (rows.columns == columns)
    return;
  rows.columns = columns;
  for (QWidget* control : rows.controls)
    rows.grid->removeWidget(control);
  for (std::size_t i = 0; i < rows.controls.size(); ++i) {
    const auto at = static_cast<int>(i);
    rows.grid->addWidget(rows.controls[i], at / columns, at % columns);
  }
}

void PracticeConsoleWindow::printForGame(const std::string& line) {
  // A game that is not running prints nothing.
  if (practice_.running())
    practice_.game().print(line);
}

void PracticeConsoleWindow::printLine() {
  printForGame(printLine_->text().toStdString());
  printLine_->clear();
}

void PracticeConsoleWindow::sayLine() {
  printForGame(practice_.game().chatLine(sayLine_->text().toStdString()));
  sayLine_->clear();
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
  // A longer state may no longer fit beside the switch.
  arrangeForWidth();
}

}  // namespace pvx

#include "gui/MessageEditorWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/Controls.h"
#include "gui/Look.h"

namespace pvx {

namespace {
constexpr const char* kMessageTip =
    "What is said in chat; in the greeting %d is the player who entered";
}  // namespace

MessageEditorWindow::MessageEditorWindow() {
  setObjectName(QStringLiteral("mnuCustomize"));
  // No title text: an empty title would have the platform show the program's name instead.
  setWindowTitle(QStringLiteral(" "));
  look::paintBackground(*this);
  setClientTwips(*this, 4680, 3090);

  using controls::Place;
  controls::label(*this, "Label1", QStringLiteral("Message:"), Place{240, 720, 1215, 255},
                  {.tip = kMessageTip, .align = Qt::AlignRight});
  messageBox_ =
      controls::textBox(*this, "txtMessage", Place{1560, 720, 2415, 375}, {.tip = kMessageTip});

  enabledBox_ = new QCheckBox(QStringLiteral("Message Enabled?"), this);
  enabledBox_->setObjectName(QStringLiteral("chkEnabled"));
  enabledBox_->setFont(look::boldSansSerif(9.75));
  QPalette p = enabledBox_->palette();
  p.setColor(QPalette::WindowText, look::labelText());
  p.setColor(QPalette::Window, look::background());
  enabledBox_->setPalette(p);
  placeTwips(*enabledBox_, 1680, 1200, 2775, 375);
  enabledBox_->setToolTip(QStringLiteral("Whether this message is said at all"));

  QPushButton* ok =
      controls::button(*this, "Command1", QStringLiteral("Ok"), 9.75, Place{1680, 2160, 1335, 495},
                       {.tip = "Keep the message and its setting"});
  connect(ok, &QPushButton::clicked, this, &MessageEditorWindow::okClicked);
  connect(messageBox_, &QLineEdit::textChanged, this, &MessageEditorWindow::messageEdited);
}

void MessageEditorWindow::setMessageNote(const std::string& note) {
  messageBox_->setToolTip(note.empty() ? QString::fromLatin1(kMessageTip)
                                       : QString::fromLatin1(kMessageTip) + QStringLiteral("\n") +
                                             QString::fromStdString(note));
}

std::string MessageEditorWindow::messageText() const {
  return messageBox_->text().toStdString();
}

void MessageEditorWindow::setMessageText(const std::string& text) {
  messageBox_->setText(QString::fromStdString(text));
}

int MessageEditorWindow::checkValue() const {
  switch (enabledBox_->checkState()) {
    case Qt::Unchecked:
      return 0;
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      break;
  }
  return 2;
}

void MessageEditorWindow::setCheckValue(int value) {
  // A flag read from a file may hold any value: shown greyed, like an undecided box.
  enabledBox_->setTristate(value != 0 && value != 1);
  enabledBox_->setCheckState(value == 0   ? Qt::Unchecked
                             : value == 1 ? Qt::Checked
                                          : Qt::PartiallyChecked);
}

void MessageEditorWindow::focusMessageText() {
  activateWindow();
  raise();
  messageBox_->setFocus(Qt::OtherFocusReason);
}

void MessageEditorWindow::keyPressEvent(QKeyEvent* event) {
  // Escape closes the editor as its frame's close button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MessageEditorWindow::closeEvent(QCloseEvent* event) {
  // Hidden, not destroyed: the editor lives until the program ends.
  event->ignore();
  emit closedByFrame();
}

}  // namespace pvx

#include "gui/MessageEditorWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/Look.h"
#include "gui/QtFormPort.h"

namespace pvx {

MessageEditorWindow::MessageEditorWindow() {
  setObjectName(QStringLiteral("mnuCustomize"));
  // No title text: an empty title would have the platform show the program's name instead.
  setWindowTitle(QStringLiteral(" "));
  look::paintBackground(*this);
  setClientTwips(*this, 4680, 3090);

  auto* label = new QLabel(QStringLiteral("Message:"), this);
  label->setObjectName(QStringLiteral("Label1"));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  look::styleLabel(*label);
  placeTwips(*label, 240, 720, 1215, 255);
  const QString messageTip =
      QStringLiteral("What is said in chat; in the greeting %d is the player who entered");
  label->setToolTip(messageTip);

  txtMessage_ = new QLineEdit(this);
  txtMessage_->setObjectName(QStringLiteral("txtMessage"));
  placeTwips(*txtMessage_, 1560, 720, 2415, 375);
  txtMessage_->setToolTip(messageTip);

  chkEnabled_ = new QCheckBox(QStringLiteral("Message Enabled?"), this);
  chkEnabled_->setObjectName(QStringLiteral("chkEnabled"));
  chkEnabled_->setFont(look::boldSansSerif(9.75));
  QPalette p = chkEnabled_->palette();
  p.setColor(QPalette::WindowText, look::labelText());
  p.setColor(QPalette::Window, look::background());
  chkEnabled_->setPalette(p);
  placeTwips(*chkEnabled_, 1680, 1200, 2775, 375);
  chkEnabled_->setToolTip(QStringLiteral("Whether this message is said at all"));

  command1_ = new QPushButton(QStringLiteral("Ok"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  look::styleButton(*command1_, 9.75);
  placeTwips(*command1_, 1680, 2160, 1335, 495);
  command1_->setToolTip(QStringLiteral("Keep the message and its setting"));

  connect(command1_, &QPushButton::clicked, this, &MessageEditorWindow::okClicked);
}

TwipsRect MessageEditorWindow::geometry() const {
  return frameTwips(*this);
}
void MessageEditorWindow::move(float left, float top) {
  moveFrameTwips(*this, left, top);
}
void MessageEditorWindow::setWidth(float width) {
  setFrameWidthTwips(*this, width);
}

std::string MessageEditorWindow::messageText() const {
  return txtMessage_->text().toStdString();
}

void MessageEditorWindow::setMessageText(const std::string& text) {
  txtMessage_->setText(QString::fromStdString(text));
}

int MessageEditorWindow::checkValue() const {
  switch (chkEnabled_->checkState()) {
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
  chkEnabled_->setTristate(value != 0 && value != 1);
  chkEnabled_->setCheckState(value == 0   ? Qt::Unchecked
                             : value == 1 ? Qt::Checked
                                          : Qt::PartiallyChecked);
}

void MessageEditorWindow::focusMessageText() {
  activateWindow();
  raise();
  txtMessage_->setFocus(Qt::OtherFocusReason);
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

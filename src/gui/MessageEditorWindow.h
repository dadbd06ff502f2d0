#pragma once

#include <QWidget>

#include "core/messages/MessageEditor.h"
#include "gui/QtFormPort.h"

class QCheckBox;
class QLineEdit;

namespace pvx {

// The message editor: a small window without a title in which one message of the message set
// and its flag are edited. It shows what the behaviour tells it and forwards "Ok" and closing
// (by its frame or by Escape).
class MessageEditorWindow final : public QtFormPort<QWidget, EditorWindowPort> {
  Q_OBJECT

 public:
  MessageEditorWindow();

  // EditorWindowPort
  std::string messageText() const override;
  void setMessageText(const std::string& text) override;
  int checkValue() const override;
  void setCheckValue(int value) override;
  void focusMessageText() override;
  void setMessageNote(const std::string& note) override;

 signals:
  void okClicked();
  // The message's text changed.
  void messageEdited();
  // Closed by its frame rather than by "Ok".
  void closedByFrame();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* messageBox_ = nullptr;
  QCheckBox* enabledBox_ = nullptr;
};

}  // namespace pvx

#pragma once

#include <QWidget>

#include "core/messages/MessageEditor.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pvx {

// The message editor: a small window without a title in which one message of the message set
// and its flag are edited. It shows what the behaviour tells it and forwards "Ok" and closing
// (by its frame or by Escape).
class MessageEditorWindow final : public QWidget, public EditorWindowPort {
  Q_OBJECT

 public:
  MessageEditorWindow();

  // EditorWindowPort
  void create() override { ensurePolished(); }
  TwipsRect geometry() const override;
  void move(float left, float top) override;
  void setWidth(float width) override;
  bool isVisible() const override { return QWidget::isVisible(); }
  void setVisible(bool visible) override { QWidget::setVisible(visible); }
  std::string messageText() const override;
  void setMessageText(const std::string& text) override;
  int checkValue() const override;
  void setCheckValue(int value) override;
  void focusMessageText() override;

 signals:
  void okClicked();
  // Closed by its frame rather than by "Ok".
  void closedByFrame();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* txtMessage_ = nullptr;
  QCheckBox* chkEnabled_ = nullptr;
  QPushButton* command1_ = nullptr;
};

}  // namespace pvx

#include "core/messages/MessageEditor.h"

namespace pvx {

std::optional<MessageKind> MessageEditor::kindOf(int index) {
  if (index < 0 || index > 3)
    return std::nullopt;
  return static_cast<MessageKind>(index);
}

void MessageEditor::open(int index) {
  if (const std::optional<MessageKind> kind = kindOf(index)) {
    const Message& message = messages_.message(*kind);
    editor_.setMessageText(message.text);
    editor_.setCheckValue(message.enabled);
  }
  editor_.setVisible(true);
  editor_.focusMessageText();
  editing_ = index;
  mainWindow_.setVisible(false);
}

void MessageEditor::ok() {
  if (const std::optional<MessageKind> kind = kindOf(editing_)) {
    const std::uint8_t enabled = editor_.checkValue() != 0 ? 1 : 0;
    messages_.setMessage(*kind, Message{editor_.messageText(), enabled});
  }
  backToMainWindow();
}

void MessageEditor::closedByFrame() {
  backToMainWindow();
}

void MessageEditor::backToMainWindow() {
  editor_.setMessageText("");
  editor_.setVisible(false);
  mainWindow_.setVisible(true);
}

}  // namespace pvx

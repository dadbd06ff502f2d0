#include "messages/MessageEditor.h"

namespace pvx {

bool MessageEditor::pair(int index, std::string*& message, std::uint8_t*& flag) {
  switch (index) {
    case 0:
      message = &form_.Greet;
      flag = &form_.GreetEn;
      return true;
    case 1:
      message = &form_.Death;
      flag = &form_.DeathEn;
      return true;
    case 2:
      message = &form_.Enter;
      flag = &form_.EnterEn;
      return true;
    case 3:
      message = &form_.limit;
      flag = &form_.Limiten;
      return true;
    default:
      return false;
  }
}

void MessageEditor::open(int index) {
  std::string* message = nullptr;
  std::uint8_t* flag = nullptr;
  if (pair(index, message, flag)) {
    editor_.setMessageText(*message);
    editor_.setCheckValue(*flag);
  }
  editor_.setVisible(true);
  msgIndex = static_cast<std::int16_t>(index);
  form_.context().window.setVisible(false);
}

void MessageEditor::ok() {
  std::string* message = nullptr;
  std::uint8_t* flag = nullptr;
  if (pair(msgIndex, message, flag)) {
    *flag = editor_.checkValue() != 0 ? 1 : 0;
    *message = editor_.messageText();
  }
  editor_.setMessageText("");
  editor_.setVisible(false);
  form_.context().window.setVisible(true);
}

void MessageEditor::closedByFrame() {
  editor_.setMessageText("");
  editor_.setVisible(false);
  form_.context().window.setVisible(true);
}

}  // namespace pvx

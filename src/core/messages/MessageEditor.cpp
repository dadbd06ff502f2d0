#include "core/messages/MessageEditor.h"

#include <algorithm>
#include <vector>

#include "core/text/Text.h"

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
  messageEdited();
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

void MessageEditor::messageEdited() {
  editor_.setMessageNote(unshownCharacters(editor_.messageText(), codePage_));
}

std::string MessageEditor::unshownCharacters(const std::string& text, const CodePage& codePage) {
  std::vector<std::string> lacked;
  for (std::size_t i = 0, n = text::length(text); i < n; ++i) {
    const std::string character = text::substring(text, i, 1);
    if (!codePage.holds(character) &&
        std::find(lacked.begin(), lacked.end(), character) == lacked.end())
      lacked.push_back(character);
  }
  if (lacked.empty())
    return {};
  std::string note = "The game will show ";
  for (std::size_t i = 0; i < lacked.size(); ++i) {
    if (i > 0)
      note += i + 1 == lacked.size() ? " and " : ", ";
    note += "\"" + lacked[i] + "\" as \"" + codePage.toUtf8(codePage.fromUtf8(lacked[i])) + "\"";
  }
  return note + " (its code page " + std::to_string(codePage.number()) + " lacks " +
         (lacked.size() == 1 ? "it" : "them") + ").";
}

void MessageEditor::backToMainWindow() {
  editor_.setMessageText("");
  editor_.setMessageNote("");
  editor_.setVisible(false);
  mainWindow_.setVisible(true);
}

}  // namespace pvx

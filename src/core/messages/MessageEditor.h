#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/messages/MessageSet.h"
#include "core/text/CodePage.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// The editor window MessageEditorWindow as the behaviour sees it.
class EditorWindowPort : public FormPort {
 public:
  virtual std::string messageText() const = 0;  // the message's text box
  virtual void setMessageText(const std::string& text) = 0;
  // The "Message Enabled?" box: 0 unticked, 1 ticked; any other value is shown without failing.
  virtual int checkValue() const = 0;
  virtual void setCheckValue(int value) = 0;
  // Puts the keyboard focus into the text box, so that what the user types goes into the message.
  virtual void focusMessageText() = 0;
  // What the text box says of its text, beside what the box is for (its tooltip); empty: nothing.
  virtual void setMessageNote(const std::string& note) = 0;
};

// Editing one message of the message set: the menu item opens the editor on the chosen message
// and hides the main window; "Ok" stores text and flag together and returns to the main window.
// The editor is not modal: the watch cycle keeps replying with what was stored before.
class MessageEditor {
 public:
  // gameCodePage: what the game shows of a message's characters.
  MessageEditor(Messages& messages, EditorWindowPort& editor, FormPort& mainWindow,
                const CodePage& gameCodePage = windows1252())
      : messages_(messages), editor_(editor), mainWindow_(mainWindow), codePage_(gameCodePage) {}

  // Customize Messages -> item index (0 greeting, 1 self-kill, 2 own entry, 3 limit). The
  // editor opens with the keyboard focus in its text box.
  void open(int index);
  // "Ok": stores the text, and the flag as 1 for any value but 0.
  void ok();
  // The editor closed by its frame: nothing is stored, the main window comes back.
  void closedByFrame();
  // The text box's text changed: the box says which of its characters the game cannot show, and
  // what it shows instead.
  void messageEdited();

  // What the game shows instead of the characters of text its code page lacks, as a sentence for
  // the user; empty when it shows every one of them.
  static std::string unshownCharacters(const std::string& text, const CodePage& codePage);

  // Which message is being edited (the menu item's index).
  int editing() const { return editing_; }

 private:
  // The message of a menu item's index; nothing for an index outside 0 to 3.
  static std::optional<MessageKind> kindOf(int index);
  void backToMainWindow();

  Messages& messages_;
  EditorWindowPort& editor_;
  FormPort& mainWindow_;
  const CodePage& codePage_;
  int editing_ = 0;
};

}  // namespace pvx

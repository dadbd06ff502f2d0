#pragma once

#include <cstdint>
#include <string>

#include "app/MainForm.h"
#include "app/WindowPorts.h"

namespace pvx {

// The editor window mnuCustomize as the behaviour sees it.
class EditorWindowPort : public FormPort {
 public:
  virtual std::string messageText() const = 0;  // txtMessage
  virtual void setMessageText(const std::string& text) = 0;
  // chkEnabled: 0 unticked, 1 ticked; any other value is shown without failing.
  virtual int checkValue() const = 0;
  virtual void setCheckValue(int value) = 0;
};

// Editing one message of the message set: the menu item opens the editor on the chosen message
// and hides the main window; "Ok" stores text and flag together and returns to the main window.
// The editor is not modal: the watch cycle keeps replying with what was stored before.
class MessageEditor {
 public:
  MessageEditor(MainForm& form, EditorWindowPort& editor) : form_(form), editor_(editor) {}

  // Customize Messages -> item index (0 greeting, 1 self-kill, 2 own entry, 3 limit).
  void open(int index);
  // "Ok": stores the text, and the flag as 1 for any value but 0.
  void ok();
  // The editor closed by its frame: nothing is stored, the main window comes back.
  void closedByFrame();

  // Which message is being edited.
  std::int16_t msgIndex = 0;

 private:
  // The message and flag of an index; false for an index outside 0 to 3.
  bool pair(int index, std::string*& message, std::uint8_t*& flag);

  MainForm& form_;
  EditorWindowPort& editor_;
};

}  // namespace pvx

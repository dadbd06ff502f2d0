#pragma once

#include <optional>
#include <string>

#include "core/windows/DuelText.h"
#include "core/windows/WindowGeometry.h"

namespace pvx {

// What the program's behaviour asks of its own windows. The Qt windows implement these; tests
// implement them in a few lines. Positions and sizes are in twips (15 per pixel), single
// precision, and describe the window's outer frame as the platform's form properties do.

// A top-level window of the program that can be shown, hidden and moved.
class FormPort {
 public:
  virtual ~FormPort() = default;
  // Brings the window into existence, hidden; its own load step runs here. The window then
  // lives, shown or hidden, until the program ends.
  virtual void create() = 0;
  virtual TwipsRect geometry() const = 0;
  // Moves the frame's top-left corner; the size stays.
  virtual void move(float left, float top) = 0;
  // Makes the frame this wide; the height stays.
  virtual void setWidth(float width) = 0;
  virtual bool isVisible() const = 0;
  virtual void setVisible(bool visible) = 0;
};

// The main window MainWindow.
class MainWindowPort : public FormPort {
 public:
  // Shows a duel message template in its box (the boxes of a duel engaged, won and lost). What
  // the user types there reaches the message set through the window's own signal.
  virtual void setDuelText(DuelText which, const std::string& text) = 0;
  // The size of the whole screen.
  virtual float screenWidth() const = 0;
  virtual float screenHeight() const = 0;
  // The part of the screen windows may take (the screen without task bars and docks), in the
  // screen's coordinates.
  virtual TwipsRect availableArea() const = 0;

  // The status line at the foot of the window.
  virtual std::string statusLine() const = 0;
  virtual void setStatusLine(const std::string& text) = 0;
  // The newest console text, in the line above the buttons.
  virtual std::string chatText() const = 0;
  virtual void setChatText(const std::string& text) = 0;
  // The "Back to Game" button's visibility.
  virtual bool backButtonVisible() const = 0;
  virtual void setBackButtonVisible(bool visible) = 0;
  // Maximised or normal; taking the input focus.
  virtual void setMaximized(bool maximized) = 0;
  virtual void takeFocus() = 0;
};

// The platform's standard dialogs. Each waits until the user has closed it.
class DialogPort {
 public:
  virtual ~DialogPort() = default;
  // A modal message box with one OK button and the critical-stop icon.
  virtual void criticalBox(const std::string& text, const std::string& title) = 0;
  // An input box; Cancel gives the empty answer.
  virtual std::string inputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultAnswer) = 0;
  // The common file-open dialog with a filter of "description|pattern" pairs joined by "|", the
  // first preselected, showing startFolder first (empty: where the platform chooses). The chosen
  // file's full path; nothing when the user cancelled.
  virtual std::optional<std::string> openFile(const std::string& filter,
                                              const std::string& startFolder) = 0;
};

}  // namespace pvx

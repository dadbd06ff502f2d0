#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/messages/MessageEditor.h"
#include "core/time/VirtualClock.h"
#include "core/windows/WindowPorts.h"

namespace pvx::testing {

// Twips to a pixel, and a rectangle given in pixels, in twips.
constexpr float kPx = 15.0f;
constexpr TwipsRect pixels(float left, float top, float width, float height) {
  return TwipsRect{left * kPx, top * kPx, width * kPx, height * kPx};
}

// A window of the program that remembers what it was told: the form part every fake window
// shares, over the port it stands in for.
template <class Port>
class FakeFormOf : public Port {
 public:
  explicit FakeFormOf(TwipsRect r = {}) : rect(r) {}
  void create() override { ++creations; }
  TwipsRect geometry() const override { return rect; }
  void move(float left, float top) override {
    rect.left = left;
    rect.top = top;
    ++moves;
  }
  void setWidth(float width) override { rect.width = width; }
  bool isVisible() const override { return visible; }
  void setVisible(bool v) override { visible = v; }

  TwipsRect rect;
  bool visible = false;
  int creations = 0;
  int moves = 0;
};

using FakeForm = FakeFormOf<FormPort>;

// The main window: a screen of 1024 x 768 pixels unless the test says otherwise, all of it
// available, the frame of the real window's size.
class FakeMainWindow : public FakeFormOf<MainWindowPort> {
 public:
  FakeMainWindow() : FakeFormOf({0, 0, 6555, 5610}) {}
  TwipsRect geometry() const override { return !visible && hiddenRect ? *hiddenRect : rect; }
  float screenWidth() const override { return screen.width; }
  float screenHeight() const override { return screen.height; }
  TwipsRect availableArea() const override { return available; }
  std::string statusLine() const override { return status; }
  void setStatusLine(const std::string& t) override { status = t; }
  std::string chatText() const override { return chat; }
  void setChatText(const std::string& t) override { chat = t; }
  bool backButtonVisible() const override { return backVisible; }
  void setBackButtonVisible(bool v) override { backVisible = v; }
  void setMaximized(bool m) override { states.push_back(m ? "maximized" : "normal"); }
  void takeFocus() override { states.push_back("focus"); }
  // What the duel boxes show.
  std::string duelText(DuelText which) const { return duel[static_cast<int>(which)]; }
  void setDuelText(DuelText which, const std::string& t) override {
    duel[static_cast<int>(which)] = t;
  }

  // What the platform reports while the window is hidden, where that differs (its frame gone).
  std::optional<TwipsRect> hiddenRect;
  TwipsRect screen = pixels(0, 0, 1024, 768);
  TwipsRect available = screen;
  std::string status, chat;
  std::string duel[3];
  std::vector<std::string> states;
  bool backVisible = true;
};

// The message editor: its text box and check box as the test left them.
class FakeEditorWindow : public FakeFormOf<EditorWindowPort> {
 public:
  FakeEditorWindow() : FakeFormOf({0, 0, 4800, 3500}) {}
  std::string messageText() const override { return text; }
  void setMessageText(const std::string& t) override { text = t; }
  int checkValue() const override { return check; }
  void setCheckValue(int value) override { check = value; }
  void focusMessageText() override { textFocused = visible; }
  void setMessageNote(const std::string& n) override { note = n; }

  std::string text;
  std::string note;
  int check = 0;
  // Whether the text box was given the focus while the editor was shown.
  bool textFocused = false;
};

// Dialogs answered by the test: boxes are recorded, the input box gives `answer`, the file
// dialog gives `file` (nothing = cancelled) and records where it started.
class FakeDialogs : public DialogPort {
 public:
  void criticalBox(const std::string& text, const std::string& title) override {
    boxes.push_back(title + ": " + text);
  }
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultAnswer) override {
    asked.push_back(title + ": " + prompt + " [" + defaultAnswer + "]");
    return answer ? *answer : defaultAnswer;
  }
  std::optional<std::string> openFile(const std::string& filter,
                                      const std::string& startFolder) override {
    filters.push_back(filter);
    startFolders.push_back(startFolder);
    return file;
  }

  std::vector<std::string> boxes, asked, filters, startFolders;
  std::optional<std::string> answer;
  std::optional<std::string> file;
};

}  // namespace pvx::testing

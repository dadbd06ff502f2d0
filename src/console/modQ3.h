#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/WindowSystem.h"

namespace pvx {

// The half of the console bridge that finds the game's console window and types commands into
// its input line. It is the program's only way of typing into the game.
class modQ3 {
 public:
  static constexpr const char* kConsoleTitle = "Jedi Knight Academy MP Console";

  explicit modQ3(WindowSystem& ws) : ws_(ws) {}

  // The top-level window titled exactly "Jedi Knight Academy MP Console", of any class; 0 when
  // the game is not running.
  Hwnd findConsoleWindow();
  // The top-level window with that exact title; an empty class filter matches any class.
  Hwnd findWindowByTitle(std::string_view classFilter, std::string_view title);
  // The n-th child (1 = first) in the platform's child order; 0 as soon as a step finds none.
  Hwnd nthChildWindow(Hwnd parent, int n);

  // Types the command and a carriage return into the first descendant of the console window
  // whose text is empty, provided no descendant with text comes before it; the walk ends at the
  // first descendant that has text. Every further empty descendant before that one receives an
  // empty line and a carriage return. Without a console window nothing happens; the caller
  // never learns whether the command was typed.
  void sendConsoleCommand(std::string_view command);

  // One step of the walk: 1 = go on with the next descendant, 0 = stop.
  long typeIntoEmptyChild(Hwnd child, long lParam);

  // The text up to its first NUL character (all of it without one).
  static std::string cutAtNul(std::string_view text);
  // The command bytes: one ANSI byte per character ('?' for a character with no code in the
  // code page) followed by one NUL.
  static std::vector<char> toAnsiBytes(std::string_view text);

  // The command being typed; emptied once typed. Exposed for tests.
  const std::string& pendingCommand() const { return pendingCommand_; }

 private:
  WindowSystem& ws_;
  std::string pendingCommand_;
};

}  // namespace pvx

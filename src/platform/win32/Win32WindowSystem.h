#pragma once

#include "core/console/WindowSystem.h"

namespace pvx {

// The window system of the running Windows session: every call goes straight to user32's "A"
// functions, and every message is sent synchronously, so a call returns only after the game's
// window has handled it. The game's windows belong to another process; a handle may go stale
// between two calls, and the platform then fails the call quietly.
//
// Beyond what the platform guarantees: handle 0 and the broadcast handle never reach a call (the
// platform would otherwise act on every top-level window for some of them); counts returned by
// a window are clamped to what fits the caller's buffer and the buffer always ends in a NUL; an
// exception thrown by an enumeration visitor is carried across user32 and rethrown to the
// caller. getWindowText asks the window for its text (WM_GETTEXT) also when it belongs to another
// process, where GetWindowTextA would give the text it was created with, not what was typed into
// it. This header does not pull in <windows.h>, whose macros clash with names of the seam.
//
// runsElevatedAboveUs compares the mandatory integrity levels of the two processes, the rule by
// which Windows isolates a program started as administrator from one that was not: a window
// takes the messages of a process of its own level or above only.
class Win32WindowSystem final : public WindowSystem {
 public:
  Hwnd findWindow(const char* className, const char* title) override;
  Hwnd getWindow(Hwnd hwnd, unsigned cmd) override;
  long getTextLength(Hwnd hwnd) override;
  long getText(Hwnd hwnd, long size, char* buffer) override;
  int getWindowText(Hwnd hwnd, char* buffer, int size) override;
  void enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                        long lParam) override;
  void setText(Hwnd hwnd, const char* bytes) override;
  void sendChar(Hwnd hwnd, unsigned charCode, long keyData) override;
  bool showWindow(Hwnd hwnd, int cmdShow) override;
  bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override;
  bool runsElevatedAboveUs(Hwnd hwnd) override;

 private:
  // The latest answer, for the window and the process it was given for: a process's rights stay
  // what they were when it started, and the watch cycle asks on every tick.
  Hwnd checkedWindow_ = 0;
  unsigned long checkedProcess_ = 0;
  bool checkedAbove_ = false;
};

}  // namespace pvx

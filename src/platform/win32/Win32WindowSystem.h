#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/console/WindowSystem.h"

namespace pvx {

// The window system of the running Windows session: every call goes straight to user32's "A"
// functions. The direct calls that send a message return once the game's window has handled it
// (a question given up on after a minute gives kNoAnswer); the questions asked through askInTurn()
// are answered later, from the asking thread's event loop. The game's windows belong to another
// process; a handle may go stale between two calls, and the platform then fails the call quietly.
//
// Beyond what the platform guarantees: handle 0 and the broadcast handle never reach a call (the
// platform would otherwise act on every top-level window for some of them); counts returned by
// a window are clamped to what fits the caller's buffer and the buffer always ends in a NUL; an
// exception thrown by an enumeration visitor is carried across user32 and rethrown to the
// caller. getWindowText asks the window for its text (WM_GETTEXT) also when it belongs to another
// process, where GetWindowTextA would give the text it was created with, not what was typed into
// it. This header does not pull in <windows.h>, whose macros clash with names of the seam.
//
// The game handles no message while it loads a map or renders a frame: a message to its windows
// waits until then, seconds on a map load. Made with a way to post work to the user-interface
// thread, this window system asks the questions of askInTurn() from a thread of its own, those of
// one call back to back (so that they reach the game in the same pass of its event loop), and
// posts their end back, so that the thread that asks never waits for the game, not even for a
// frame (SendMessageTimeout would not do: Wine waits for the answer whatever its
// timeout). Typing (reading the child's text to find where to type, WM_SETTEXT, WM_CHAR, a
// button's click) waits for the game in the direct calls, since a line given up on might still be
// run later, or twice: it belongs on a thread of its own (Win32TypingThread). The game's main
// window and the taskbar are shown, hidden and moved without waiting for their programs.
//
// runsElevatedAboveUs compares the mandatory integrity levels of the two processes, the rule by
// which Windows isolates a program started as administrator from one that was not: a window
// takes the messages of a process of its own level or above only.
class Win32WindowSystem final : public WindowSystem {
 public:
  // Hands work to the user-interface thread's event loop; callable from any thread.
  using Post = std::function<void(std::function<void()>)>;

  // post: where the answers of askInTurn() go; without it askInTurn() answers at once through the
  // direct calls, on the caller's thread.
  explicit Win32WindowSystem(Post post = {});
  ~Win32WindowSystem() override;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  Hwnd findWindow(const char* className, const char* title) override;
  Hwnd getWindow(Hwnd hwnd, unsigned cmd) override;
  long getTextLength(Hwnd hwnd) override;
  long getText(Hwnd hwnd, long size, char* buffer) override;
  int getWindowText(Hwnd hwnd, char* buffer, int size) override;
  void enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                        long lParam) override;
  void setText(Hwnd hwnd, const char* bytes) override;
  int getClassName(Hwnd hwnd, char* buffer, int size) override;
  void sendChar(Hwnd hwnd, unsigned charCode, long keyData) override;
  void clickButton(Hwnd button) override;
  bool showWindow(Hwnd hwnd, int cmdShow) override;
  bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override;
  bool runsElevatedAboveUs(Hwnd hwnd) override;
  long getLineCount(Hwnd hwnd) override;
  long getLineIndex(Hwnd hwnd, long line) override;
  long getLineLength(Hwnd hwnd, long charIndex) override;
  long getLineFromChar(Hwnd hwnd, long charIndex) override;
  long getLine(Hwnd hwnd, long line, char* buffer, long size) override;
  bool copiesLinesOut() const override { return copiesLines_; }
  void askInTurn(const Questions& questions, const std::function<void()>& answered) override;
  // Hooks the changes of every process's windows (SetWinEventHook, out of context, on the thread
  // that calls it, which must pump its messages) and tells of those of the game's console: its
  // windows made, shown, hidden or gone, a value changed. Whether the game's edit controls tell of
  // their own changes cannot be known beforehand (Wine's do not): it returns false, and
  // changesToldSince() says once the console's log has told of a change.
  bool tellChanges(const std::function<void()>& onChange) override;
  bool changesToldSince() override { return told_; }
  // Probes the log from the asking thread, between the questions of askInTurn(), and tells
  // through the onChange of tellChanges; only while something is told (and made with a way to
  // post).
  bool watchLines(Hwnd log, long knownLines, std::int64_t everyMs) override;
  long linesWatched() override;

 private:
  // Sends a question and waits for the answer: wParam as given, text (when not null) a buffer of
  // size bytes the answer is copied into, whose first word holds its size where sizeInBuffer
  // (EM_GETLINE). kNoAnswer when the window lives but gave up answering.
  static std::intptr_t send(Hwnd hwnd, unsigned msg, std::uintptr_t wParam, char* text,
                            std::size_t size, bool sizeInBuffer);

  // The thread that asks, shared with it: it may go on waiting for the game after this object is
  // gone.
  struct Asker;
  // Whether a line of another process's edit control can be copied out (EM_GETLINE): not under
  // Wine, whose copy of it across processes is unsound (see getLine).
  bool copiesLines_;
  std::shared_ptr<Asker> asker_;
  // The hooks and what they tell, while telling.
  void* windowsHook_ = nullptr;
  void* valueHook_ = nullptr;
  std::function<void()> onChange_;
  Hwnd console_ = 0;  // the console window the hooks last heard of
  bool told_ = false;
  friend struct WinEventHooks;
  // The latest answer, for the window and the process it was given for: a process's rights stay
  // what they were when it started, and the watch cycle asks on every tick.
  Hwnd checkedWindow_ = 0;
  unsigned long checkedProcess_ = 0;
  bool checkedAbove_ = false;
};

}  // namespace pvx

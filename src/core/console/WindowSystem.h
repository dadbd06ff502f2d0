#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pvx {

// The platform's 32-bit window handle; 0 means no window. The program never owns or closes the
// game's windows, and a handle may go stale at any time when the game closes a window.
using Hwnd = std::uint32_t;

// A question only the window's own thread can answer, as it handles the message: the game
// answers only between its frames, and not at all while it loads a map.
struct WindowQuestion {
  enum class Kind {
    TextLength,    // WM_GETTEXTLENGTH
    Text,          // WM_GETTEXT of at most size - 1 characters
    LineCount,     // EM_GETLINECOUNT
    LineIndex,     // EM_LINEINDEX of line arg
    LineLength,    // EM_LINELENGTH of the line that holds character index arg
    LineFromChar,  // EM_LINEFROMCHAR of character index arg
    Line,          // EM_GETLINE of line arg, at most size characters
  };
  Kind kind = Kind::TextLength;
  Hwnd hwnd = 0;
  long arg = 0;
  long size = 0;
};

// Its answer: what the call returns, and for Text and Line the characters copied.
struct WindowAnswer {
  long value = 0;
  std::string text;
};

// The platform calls through which the program reaches the game's windows and the taskbar, and
// nothing more. Texts are bytes in the platform's single-byte ANSI code page, as the "A" calls of
// user32 take and give them; conversion to the program's UTF-8 happens in the console bridge.
// Every call on a handle that is 0 or stale fails the way the platform fails: it returns 0 (or
// false) and does nothing.
class WindowSystem {
 public:
  // GetWindow and ShowWindow codes (named apart from the platform header's macros).
  enum : unsigned { kGwHwndNext = 2, kGwChild = 5 };
  enum : int { kSwHide = 0, kSwShow = 5 };
  // What a message to a window gives when the window's thread did not handle it in time: the
  // game handles no message while it loads a map or renders a frame, and a window system that
  // must not be held up by it stops waiting.
  static constexpr long kNoAnswer = -1;
  // What a line query gives where the window system has none: the caller reads the whole text.
  static constexpr long kNoLines = -2;

  virtual ~WindowSystem() = default;

  // FindWindowA: the first top-level window (in Z order) with this class and this exact title;
  // a null pointer matches any class or any title. An empty string is not null: it matches only
  // an empty class name or an empty title.
  virtual Hwnd findWindow(const char* className, const char* title) = 0;
  // GetWindow with GW_CHILD (first child) or GW_HWNDNEXT (next sibling); 0 at the end.
  virtual Hwnd getWindow(Hwnd hwnd, unsigned cmd) = 0;
  // SendMessageA WM_GETTEXTLENGTH: length of the window's text in characters; kNoAnswer when
  // the window did not answer in time.
  virtual long getTextLength(Hwnd hwnd) = 0;
  // SendMessageA WM_GETTEXT: copies at most size - 1 characters and a NUL into buffer and
  // returns the number copied (0 when size is 0; then nothing is written); kNoAnswer when the
  // window did not answer in time (the buffer then holds an empty text).
  virtual long getText(Hwnd hwnd, long size, char* buffer) = 0;
  // The lines of a multi-line edit control as it shows them (a long line wraps onto the next
  // without a line break): SendMessageA EM_GETLINECOUNT; EM_LINEINDEX, the character index where
  // line n begins (-1 for a line past the last); EM_LINELENGTH, the length of the line that holds
  // character index i (its line break not counted); EM_LINEFROMCHAR, the line that holds character
  // index i; EM_GETLINE, which copies at most size characters of line n, without a NUL, and
  // returns how many. Each asks the window nothing more than its answer: no text but the line's
  // is copied. kNoAnswer when the window did not answer in time; kNoLines where the window system
  // has no such queries, or (EM_LINEFROMCHAR, EM_GETLINE) cannot copy a line out soundly: then
  // the caller reads the whole text.
  virtual long getLineCount(Hwnd /*hwnd*/) { return kNoLines; }
  virtual long getLineIndex(Hwnd /*hwnd*/, long /*line*/) { return kNoLines; }
  virtual long getLineLength(Hwnd /*hwnd*/, long /*charIndex*/) { return kNoLines; }
  virtual long getLineFromChar(Hwnd /*hwnd*/, long /*charIndex*/) { return kNoLines; }
  virtual long getLine(Hwnd /*hwnd*/, long /*line*/, char* /*buffer*/, long /*size*/) {
    return kNoLines;
  }
  // GetClassNameA: copies at most size - 1 characters of the window's class name and a NUL;
  // returns the number copied. Asks the window nothing, so it never waits for the game.
  virtual int getClassName(Hwnd hwnd, char* buffer, int size) = 0;
  // GetWindowTextA: copies at most size - 1 characters of the window's current text and a NUL;
  // returns the number copied. (For another process's control the platform's GetWindowTextA
  // gives the text the control was created with, so the real implementation asks the window.)
  virtual int getWindowText(Hwnd hwnd, char* buffer, int size) = 0;
  // EnumChildWindows: calls visit for every descendant of parent (depth first, in child order)
  // until visit returns 0. lParam is passed through to every call.
  virtual void enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                                long lParam) = 0;
  // SendMessageA WM_SETTEXT with NUL-terminated bytes.
  virtual void setText(Hwnd hwnd, const char* bytes) = 0;
  // SendMessageA WM_CHAR with a character code and key data.
  virtual void sendChar(Hwnd hwnd, unsigned charCode, long keyData) = 0;
  // Presses a push button as a click does: its parent gets WM_COMMAND with the button's id and
  // BN_CLICKED, and handles it before the call returns.
  virtual void clickButton(Hwnd button) = 0;
  // ShowWindow; returns whether the window was visible before. A window of another program
  // changes when that program next handles its messages: the caller never waits for it.
  virtual bool showWindow(Hwnd hwnd, int cmdShow) = 0;
  // SetWindowPos; returns whether it succeeded (was asked for, for a window of another program,
  // which moves when it next handles its messages).
  virtual bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                            unsigned flags) = 0;
  // Whether the window's process runs with more rights than this one: started as administrator
  // (elevated) while this program was not. Windows then drops this program's messages to it
  // without an error, so its text can be neither read nor typed into. False for handle 0, a stale
  // handle, and wherever there is no such isolation.
  virtual bool runsElevatedAboveUs(Hwnd /*hwnd*/) { return false; }
  // Asks to be told of every change a look at the windows could find: a window made or gone, a
  // window's text changed (the game printed). onChange may be called on any thread and at any
  // moment, until it is replaced (an empty one stops the telling). Returns whether this window
  // system tells of every such change; where it cannot (another process's windows), it tells of
  // none and the caller looks for itself.
  virtual bool tellChanges(const std::function<void()>& /*onChange*/) { return false; }
  // For a window system that could not say at first whether it tells of every change (another
  // process's windows, whose controls may or may not tell of their own changes): whether it has
  // since heard the game's console log tell of a change, and so tells of them from now on.
  virtual bool changesToldSince() { return false; }
  // For a window system whose windows may not tell of their changes: watches how many lines a
  // multi-line edit control shows (EM_GETLINECOUNT), asking it every everyMs from a thread of its
  // own, and calls the onChange of tellChanges (on that thread) once the count is no longer
  // knownLines, then watches for the next change; log 0 ends the watch. Returns whether it
  // watches; where it does not, the caller looks for itself.
  virtual bool watchLines(Hwnd /*log*/, long /*knownLines*/, std::int64_t /*everyMs*/) {
    return false;
  }
  // The line count the watch's latest probe found (its knownLines until one found another); -1
  // where nothing watches.
  virtual long linesWatched() { return -1; }
  // Whether EM_LINEFROMCHAR and EM_GETLINE copy lines out (they give kNoLines where not).
  virtual bool copiesLinesOut() const { return true; }

  // Answers a question at once through the calls above.
  WindowAnswer answerNow(const WindowQuestion& question);

  // Questions asked one right after another, each chosen by the answers before it: the routine
  // asks each through the function it is given, which answers it at once.
  using AskNow = std::function<WindowAnswer(const WindowQuestion&)>;
  using Questions = std::function<void(const AskNow&)>;
  // Asks the questions, which may wait for the game, and then calls answered: before askInTurn
  // returns where the window system answers at once (the calls above, on the caller's thread);
  // otherwise the questions run on the asking thread, back to back, so that a game that answers
  // only between its frames answers them all in one pass of its event loop, and answered comes
  // later from the caller's event loop, while the caller goes on. The questions may then touch
  // nothing but what they own.
  virtual void askInTurn(const Questions& questions, const std::function<void()>& answered);
};

}  // namespace pvx

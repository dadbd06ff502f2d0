#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/console/WindowSystem.h"

namespace pvx {

// An in-memory window tree that behaves as the platform does towards the calls of the seam:
// Z order of top-level windows, child order, texts as ANSI bytes, stale handles failing
// quietly. Handles are never reused, so a handle kept after its window was destroyed stays
// stale. The practice game builds the game's windows in it; tests build odd trees in it.
class SimulatedWindowSystem : public WindowSystem {
 public:
  struct Placement {
    int x = 0, y = 0, cx = 0, cy = 0;
  };
  // SetWindowPos flags that the simulation honours.
  enum : unsigned {
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_SHOWWINDOW = 0x0040,
    SWP_HIDEWINDOW = 0x0080
  };

  // A new window at the top of the Z order (top-level) or after its parent's last child.
  Hwnd createWindow(std::string_view className, std::string_view text, Hwnd parent = 0,
                    bool visible = true);
  // Destroys the window and all its descendants; their handles go stale.
  void destroyWindow(Hwnd hwnd);
  bool exists(Hwnd hwnd) const { return windows_.count(hwnd) != 0; }
  bool isVisible(Hwnd hwnd) const;
  std::string text(Hwnd hwnd) const;
  // Changes a window's text as its owner does (the game writing its log), without a message.
  void setTextDirect(Hwnd hwnd, std::string_view bytes);
  Placement placement(Hwnd hwnd) const;

  // What the window does with WM_CHAR (the game's input line runs the line on a carriage
  // return). Without a handler a character changes nothing.
  void setCharHandler(Hwnd hwnd, std::function<void(unsigned charCode, long keyData)> handler);
  // What a click on the push button does (its parent's WM_COMMAND). Without a handler a click
  // changes nothing.
  void setClickHandler(Hwnd button, std::function<void()> handler);
  // Called whenever ShowWindow or SetWindowPos changes whether the window is visible.
  void setVisibilityHandler(Hwnd hwnd, std::function<void(bool visible)> handler);

  // Makes the top-level window and its descendants belong to a process that runs elevated above
  // the program, as Windows isolates one: messages to them (getting and setting text, characters)
  // are dropped, and runsElevatedAboveUs says so. Finding windows and walking the tree still work.
  void setElevatedAboveUs(Hwnd topLevel, bool elevated);

  // A top-level window whose thread handles no message for a while (the game loads a map): asked
  // for its text or its length, it and its descendants give no answer (kNoAnswer).
  void setAnswering(Hwnd topLevel, bool answering);
  // Questions asked through askInTurn() are answered when later calls its work, not at once: a
  // game that answers only between its frames (empty: at once again). The answers are what the
  // windows hold then.
  void answerLater(std::function<void(std::function<void()>)> later) { later_ = std::move(later); }
  void askInTurn(const Questions& questions, const std::function<void()>& answered) override;
  // watchLines() is handed to watch, a window system's own watch of the log's lines (empty: none),
  // and linesWatched() to seen.
  void watchLinesWith(std::function<bool(Hwnd, long, std::int64_t)> watch,
                      std::function<long()> seen) {
    watch_ = std::move(watch);
    seen_ = std::move(seen);
  }
  bool watchLines(Hwnd log, long knownLines, std::int64_t everyMs) override {
    return watch_ && watch_(log, knownLines, everyMs);
  }
  long linesWatched() override { return seen_ ? seen_() : -1; }

  // While recording, every WM_SETTEXT and WM_CHAR sent through the seam is kept, for tests:
  // "settext <hwnd> <bytes>", "char <hwnd> <code> <keydata>", "click <hwnd>". Off by default so
  // that a long session keeps nothing.
  void setRecording(bool on) { recording_ = on; }
  const std::vector<std::string>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }

  // A multi-line edit that wraps its lines at this many characters (0, the default: none), as a
  // window of that width shows them.
  void setWrapWidth(Hwnd hwnd, std::size_t characters);

  // What the program asked of the windows' texts through the seam (the lengths, texts and lines
  // asked for), and how many characters of text were copied out, since the last reset: what the
  // program costs the game.
  struct Cost {
    long questions = 0;
    long copied = 0;
  };
  const Cost& cost() const { return cost_; }
  void resetCost() { cost_ = {}; }

  // WindowSystem
  Hwnd findWindow(const char* className, const char* title) override;
  Hwnd getWindow(Hwnd hwnd, unsigned cmd) override;
  long getTextLength(Hwnd hwnd) override;
  long getText(Hwnd hwnd, long size, char* buffer) override;
  long getLineCount(Hwnd hwnd) override;
  long getLineIndex(Hwnd hwnd, long line) override;
  long getLineLength(Hwnd hwnd, long charIndex) override;
  long getLineFromChar(Hwnd hwnd, long charIndex) override;
  long getLine(Hwnd hwnd, long line, char* buffer, long size) override;
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
  // Tells of every window made or destroyed and every text set, on the thread that does it.
  bool tellChanges(const std::function<void()>& onChange) override;

 private:
  std::function<void(std::function<void()>)> later_;  // where answers of askInTurn() wait
  std::function<bool(Hwnd, long, std::int64_t)> watch_;
  std::function<long()> seen_;
  // A line as the window shows it: where it begins in the text and how long it is.
  struct Line {
    std::size_t start, length;
  };
  struct Window {
    std::string className;
    std::string text;
    Hwnd parent = 0;
    std::vector<Hwnd> children;
    bool visible = true;
    Placement placement;
    std::function<void(unsigned, long)> onChar;
    std::function<void()> onClick;
    std::function<void(bool)> onVisibility;
    bool elevated = false;  // top-level windows only
    bool answering = true;  // top-level windows only
    std::size_t wrap = 0;   // characters a shown line holds; 0: as long as the line
    // The lines as shown, worked out when first asked after the text or the wrap changed.
    mutable std::vector<Line> lines;
    mutable bool linesKnown = false;
  };
  static const std::vector<Line>& linesOf(const Window& w);
  // The line that holds the character (the first for one before the text).
  static std::size_t lineHolding(const Window& w, long charIndex);
  // The window when it answers a line query now; null otherwise (with the answer to give).
  const Window* lineWindow(Hwnd hwnd, long& answer);

  Window* find(Hwnd hwnd);
  const Window* find(Hwnd hwnd) const;
  // The window if it exists and takes this program's messages (its process is not elevated).
  Window* reachable(Hwnd hwnd);
  const Window* topLevelOf(Hwnd hwnd) const;
  // Whether the window's thread handles messages now.
  bool answers(Hwnd hwnd) const;
  void setVisible(Hwnd hwnd, Window& w, bool visible);
  long copyText(Hwnd hwnd, long size, char* buffer) const;
  // Returns false when the walk was told to stop.
  bool walk(Hwnd parent, const std::function<long(Hwnd, long)>& visit, long lParam);
  void changed() const;

  std::map<Hwnd, Window> windows_;
  std::vector<Hwnd> topLevel_;  // Z order, topmost first
  Hwnd nextHandle_ = 0x10010;
  std::vector<std::string> messages_;
  Cost cost_;
  bool recording_ = false;
  std::function<void()> onChange_;
};

}  // namespace pvx

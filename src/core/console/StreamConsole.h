#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "core/console/GameStream.h"
#include "core/console/RetailConsoleLog.h"
#include "core/console/SimulatedWindowSystem.h"

namespace pvx {

// A game without a console window, reached through its standard streams, presented behind the
// window-system seam exactly as the practice game is: while the game runs there is a console
// window (class "JAMP WinConsole", title "Jedi Knight Academy MP Console") with its five
// children (input line, "Copy", "Clear", "Quit", log), whose log is what the game printed as the
// retail console window shows it. A line typed into the input line and ended with a carriage
// return is echoed into the log and written to the game's standard input; Clear empties the log
// and Quit asks the game to quit, as on the retail console. When the game ends
// the console window is gone. The game's main window exists while the desktop shows it;
// showing and hiding it restores and iconifies the desktop window.
//
// What the game printed meanwhile, and its end, are taken in when a top-level window is searched
// for (as the watch cycle does first), never in the middle of a walk; and the log takes in the
// game's output with the echo of a typed line. So a reader that measures the log and then reads
// it sees the same text, as long as it types nothing in between.
class StreamConsole final : public WindowSystem {
 public:
  // desktop: the game's desktop window; null where there is none to be found.
  StreamConsole(GameStream& game, DesktopGameWindow* desktop);
  ~StreamConsole() override;
  StreamConsole(const StreamConsole&) = delete;
  StreamConsole& operator=(const StreamConsole&) = delete;

  bool running() const { return console_ != 0; }

  // WindowSystem
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
  // Tells, on the stream's thread, of everything the game printed and of its end; on the
  // caller's, of the console's own changes (the echo of a typed line).
  bool tellChanges(const std::function<void()>& onChange) override;

 private:
  void takeOutput();
  void noticeEnd();
  void followDesktopWindow();
  void onInputChar(unsigned charCode);

  GameStream& game_;
  DesktopGameWindow* desktop_;
  const std::string gameWindowClass_;  // in the game's code page
  SimulatedWindowSystem ws_;
  std::mutex logMutex_;  // the log is written on the stream's thread
  RetailConsoleLog log_;
  std::uint64_t shownVersion_ = 0;
  Hwnd console_ = 0, input_ = 0, logWindow_ = 0, gameWindow_ = 0;
};

}  // namespace pvx

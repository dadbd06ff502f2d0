#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "win32-practice-console/RetailGame.h"

namespace pvx {

// The retail game's console window and main window in real Win32 windows, run as the game runs
// them, so that the program's real window-system calls can be tried against it from another
// process: the console window (class "JAMP WinConsole", title "Jedi Knight Academy MP Console")
// with its children in the game's order (input line, "Copy", "Clear", "Quit", log), the game's
// main window (its class name holds the ANSI byte 0xAE), and the game's loop on this thread: its
// messages pumped, then its console input read and run, then a frame in which nothing is pumped.
// A hidden control window takes the commands of PracticeControl.h; the record it writes is
// described there too.
//
// The game's loop (the retail engine's WinMain and Com_Frame) pumps its messages in
// Com_EventLoop, which also reads the console input, and runs what was read: over and over while
// the frame is shorter than com_maxfps allows ("waiting for its frame rate"), then once more
// after the server's frame, and then renders the client's frame, during which nothing is pumped.
// A game that is not waiting for its frame rate, because rendering takes the whole frame, thus
// pumps twice a frame, the two passes separated only by the server's frame (nothing for a client
// of a remote server), and then renders. Both are modelled: by default the game waits for its
// frame rate most of an 8 ms frame and renders 2 ms; renderBound, it pumps twice and renders the
// rest of a 16 ms frame, so a message sent to any of its windows waits up to a frame.
class Win32PracticeConsole {
 public:
  struct Options {
    std::string name = practice::RetailGame::kDefaultName;  // UTF-8
    std::vector<std::string> lines;                         // printed at start, UTF-8
    bool hidden = false;     // the console hidden after start-up, as without viewlog
    std::string recordPath;  // UTF-8; empty: no record
    practice::RetailGame::Server server;
    // The game renders whole frames: it pumps its messages only twice a 16 ms frame.
    bool renderBound = false;
    // The log tells every change of its text (EVENT_OBJECT_VALUECHANGE), as Windows' edit control
    // does.
    bool tellsChanges = false;
  };

  // Registers the window classes and creates every window. False from ok() when the platform
  // refused one of them.
  Win32PracticeConsole(HINSTANCE instance, const Options& options);
  ~Win32PracticeConsole();
  Win32PracticeConsole(const Win32PracticeConsole&) = delete;
  Win32PracticeConsole& operator=(const Win32PracticeConsole&) = delete;

  bool ok() const { return console_ != nullptr && gameWindow_ != nullptr && control_ != nullptr; }

  // The game's loop until the game ends; returns the exit code.
  int run();

 private:
  static LRESULT CALLBACK consoleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK inputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The log's and the buttons' procedure: their own, with what other programs ask counted.
  static LRESULT CALLBACK countedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK gameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static Win32PracticeConsole* owner(HWND hwnd, UINT msg, LPARAM lParam);

  bool registerClasses();
  void openConsole();
  void closeConsole();
  void showConsole(bool shown);
  void quit();
  // Carries out one control command (UTF-8); false for a command not understood.
  bool control(std::string_view command);

  // One pass of the game's event loop: its messages pumped, its console input read and run, the
  // server's answers printed. False once the loop is over, with the game's exit code.
  bool eventLoop(int& exitCode);
  // Handles every message waiting; false once the game has ended.
  bool pump();
  // The player's next line of "player", typed once the server takes a command of his again.
  void playerTypesWhenAllowed();
  // The frame begun at frameStartMs: nothing is pumped, or the map load the test asked for.
  void frame(std::int64_t frameStartMs);
  void stall(DWORD ms);
  void fatalError(std::string_view ansiText);
  int waitAfterFatalError();

  void onEnter();
  void onCommand(WPARAM wParam);
  void appendLog(std::string_view ansiText);
  // The log's text changed: told to whoever hooks the changes, when the log tells them.
  void logChanged();
  LRESULT onInputMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  void record(std::string_view event, std::string_view details);
  std::int64_t nowMs() const;
  // What another program asked of one of the console's windows, and its answer: counted for the
  // second it came in; each second's counts are recorded once it is over.
  void count(HWND hwnd, UINT msg, LRESULT answer);
  void recordCosts();

  HINSTANCE instance_;
  ULONGLONG startTick_;
  HANDLE recordFile_ = INVALID_HANDLE_VALUE;
  practice::RetailGame game_;
  HWND console_ = nullptr;
  HWND input_ = nullptr;
  HWND log_ = nullptr;
  HWND errorBox_ = nullptr;
  HWND gameWindow_ = nullptr;
  HWND control_ = nullptr;
  WNDPROC editProc_ = nullptr;
  // The procedures the log and the buttons had before they were counted.
  std::map<HWND, WNDPROC> countedProcs_;
  // What other programs asked this second: by window, by message, how often; and the
  // characters copied out of each window.
  std::int64_t costSecond_ = -1;
  int handling_ = 0;  // how deep the windows' procedures are in one another
  std::map<std::string, std::map<std::string, long>> asked_;
  std::map<std::string, long> copied_;
  // The characters added to the log since it was last wiped, as the game counts them (the
  // Clear button leaves the count as it is).
  std::size_t addedChars_ = 0;
  // The log while the console window is closed.
  std::string closedLog_;
  DWORD stallMs_ = 0;
  std::deque<std::string> playerLines_;
  bool quitButton_ = false;
  bool quitOnClose_ = false;
  bool fatal_ = false;
  bool closeOnType_ = false;
  bool quitting_ = false;
  bool renderBound_ = false;
  bool tellsChanges_ = false;
};

}  // namespace pvx

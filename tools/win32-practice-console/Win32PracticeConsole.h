#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/console/PracticeGame.h"

namespace pvx {

// The practice game in real Win32 windows shaped like the game's, so that the program's real
// window-system calls can be tried against it from another process: the console window (class
// "JAMP WinConsole", title "Jedi Knight Academy MP Console") with its children created in the
// game's order (input line, "Copy", "Clear", "Quit", console log), and the game's main window,
// whose class name holds the ANSI byte 0xAE. A hidden control window takes the commands of
// PracticeControl.h. All windows live on the thread that made the object.
class Win32PracticeConsole {
 public:
  struct Options {
    std::string name = PracticeGame::kDefaultName;  // UTF-8
    std::vector<std::string> lines;                 // printed at start, UTF-8
    bool keepColours = false;
  };

  // Registers the window classes and creates every window, shown. False from ok() when the
  // platform refused one of them.
  Win32PracticeConsole(HINSTANCE instance, const Options& options);
  ~Win32PracticeConsole();
  Win32PracticeConsole(const Win32PracticeConsole&) = delete;
  Win32PracticeConsole& operator=(const Win32PracticeConsole&) = delete;

  bool ok() const { return console_ != nullptr && gameWindow_ != nullptr && control_ != nullptr; }

  // Handles window messages until the game ends; returns the exit code.
  int run();

  // Carries out one control command (UTF-8); false for a command not understood.
  bool control(std::string_view command);

  void openConsole();
  void closeConsole();
  // The game ends: every window goes and run() returns.
  void quit();

 private:
  static LRESULT CALLBACK consoleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK inputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK gameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static Win32PracticeConsole* owner(HWND hwnd, UINT msg, LPARAM lParam);

  bool registerClasses();
  void createChildren();
  void layout();
  void showLog();
  void onEnter();
  void onCommand(WORD id);
  LRESULT onInputMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  PracticeGame game_;
  HWND console_ = nullptr;
  HWND input_ = nullptr;
  HWND log_ = nullptr;
  HWND gameWindow_ = nullptr;
  HWND control_ = nullptr;
  WNDPROC editProc_ = nullptr;
  bool closeOnType_ = false;
  bool quitting_ = false;
};

}  // namespace pvx

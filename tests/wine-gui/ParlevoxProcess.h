#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pvx::testing {

// The real parlevox.exe of the release zip, running in a process of its own, watched and steered
// from outside as a user would: its windows found by title, clicked with the mouse and typed into
// with the keyboard (SendInput), its status line taken from what it reports on stderr when
// PARLEVOX_REPORT_STATUS is set. Destruction ends it (closing its main window first).
class ParlevoxProcess {
 public:
  // Bounds that tell a hang from an answer on a busy machine, never delays.
  static constexpr DWORD kBoundMs = 60000;

  // Starts exe with the working folder workFolder (not the program's own: the program must find
  // its files beside itself), stderr into a file there.
  ParlevoxProcess(const std::filesystem::path& exe, const std::filesystem::path& workFolder);
  ~ParlevoxProcess();
  ParlevoxProcess(const ParlevoxProcess&) = delete;
  ParlevoxProcess& operator=(const ParlevoxProcess&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  const std::string& failure() const { return failure_; }
  bool running() const;
  // Waits for the process to end; the exit code, or -1 when it still runs after timeoutMs.
  long waitForExit(DWORD timeoutMs);

  // Every status line reported so far, oldest first (UTF-8).
  std::vector<std::string> statusLines() const;
  // The status line now; empty before the first report.
  std::string statusLine() const;
  // Every line reported so far that begins with "parlevox: " and the word, without them.
  std::vector<std::string> reported(const std::string& word) const;

  // The program's visible top-level window with this title (0 when there is none).
  HWND window(const std::wstring& title) const;
  HWND mainWindow() const;
  // A visible top-level window of the program that is none of these (a menu, a dialog).
  HWND otherWindow(const std::vector<HWND>& known) const;

  // Polls until done() holds or the bound passes; true when it held.
  static bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs = kBoundMs);

  // A left click at a point of a window's client area, in pixels.
  static void click(HWND hwnd, int x, int y);
  // Types text (UTF-8) into whatever has the keyboard focus, then optionally Enter.
  static void type(const std::string& text);
  static void pressKey(WORD virtualKey, bool withControl = false, bool withAlt = false);

 private:
  PROCESS_INFORMATION process_{};
  std::filesystem::path errors_;
  std::string failure_;
};

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& wide);

}  // namespace pvx::testing

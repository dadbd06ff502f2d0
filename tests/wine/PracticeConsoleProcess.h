#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pvx::testing {

// The Win32 practice console running in a process of its own, beside the test program, for the
// life of this object: the game's windows as another process holds them, and the record of what
// the game did (PracticeControl.h). Destruction ends it.
class PracticeConsoleProcess {
 public:
  // One line of the record, its details unescaped (the game's bytes).
  struct Event {
    std::int64_t ms = 0;
    std::string event;
    std::string details;
  };
  // How long a wait for the game may take: it tells a game that never reads from one that does.
  static constexpr DWORD kBoundMs = 20000;

  // Starts the practice console with these command-line arguments and waits, for a bounded
  // time, until its windows are up. A practice console left over by an earlier test is ended
  // first, so that every window found by title or class is this one's.
  explicit PracticeConsoleProcess(const std::vector<std::string>& arguments);
  ~PracticeConsoleProcess();
  PracticeConsoleProcess(const PracticeConsoleProcess&) = delete;
  PracticeConsoleProcess& operator=(const PracticeConsoleProcess&) = delete;

  // Whether the windows came up; otherwise why not.
  bool started() const { return started_; }
  const std::string& failure() const { return failure_; }

  // Hands the practice console one control command (PracticeControl.h) and returns once it was
  // carried out: true when it was understood.
  bool send(std::string_view command);

  // The record so far.
  std::vector<Event> record() const;
  // Every corruption of the game's memory in the record, as its details.
  std::vector<std::string> corruptions() const;
  // Waits, for a bounded time, until the game has read every line entered and run what it read;
  // true when it has.
  bool waitForRead(DWORD timeoutMs = kBoundMs);

  // Whether the process still runs.
  bool running() const;
  // Waits, for a bounded time, until the process has ended; true when it has.
  bool waitForExit(DWORD timeoutMs);

  // The windows as the game shows them now (found afresh; 0 when gone).
  static HWND consoleWindow();
  static HWND gameWindow();

 private:
  static void endLeftover();
  bool waitForWindows(DWORD timeoutMs);

  std::string recordPath_;  // UTF-8
  PROCESS_INFORMATION process_{};
  bool started_ = false;
  std::string failure_;
};

}  // namespace pvx::testing

#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/console/WindowSystem.h"
#include "core/time/Clock.h"

namespace pvx::testing {

// Passes every call on to the real window system and remembers the ones by which the bridge
// reads a child's text and types into it, so a test can tell where the walk went. It can also
// leave one class of top-level windows unfound, hand every Enter typed to a hook (a test waits
// there for the game to read the line), hold every call back until real time has caught up with
// the program's virtual time (so that the game, which runs in real time, sees the calls as far
// apart as a real program makes them), and tell how long the longest call took.
class RecordingWindowSystem final : public WindowSystem {
 public:
  struct Call {
    enum Kind { kGetWindowText, kSetText, kSendChar, kClick } kind;
    Hwnd hwnd;
    std::string bytes;    // the text read or typed, as ANSI bytes
    unsigned code = 0;    // the character sent
    std::int64_t ms = 0;  // when, on the clock given to stampWith (0 without one)
    bool operator==(const Call&) const = default;
  };
  // One call that took long: when it began (GetTickCount64) and how long it took.
  struct Held {
    std::uint64_t beganTick = 0;
    std::int64_t ms = 0;
    const char* call = "";  // the window system's function
  };

  explicit RecordingWindowSystem(WindowSystem& real) : real_(real) {}

  std::vector<Call> calls() const;
  void clear();
  // From now on every call recorded carries the time of this clock.
  void stampWith(const Clock* clock) { clock_ = clock; }
  // From now on a top-level window of this class is not found, as on a desktop without one
  // (class names compare without regard to case, as the platform compares them).
  void hideClass(std::string className) { hiddenClass_ = std::move(className); }
  // Called after every carriage return sent, once the real call has returned.
  void onEnter(std::function<void()> hook) { afterEnter_ = std::move(hook); }
  // From now on no call is made before the real time since now has reached the clock's time
  // since now.
  void paceWith(const Clock* clock);
  // Waits until the real time has reached this moment of the pacing clock.
  void catchUp(std::int64_t virtualMs) const;
  // The moment of the pacing clock that the real time has reached.
  std::int64_t realNowMs() const;
  // The longest call begun at or after the tick, and when it began.
  Held longestCallSince(std::uint64_t tick) const;

  Hwnd findWindow(const char* className, const char* title) override;
  Hwnd getWindow(Hwnd hwnd, unsigned cmd) override;
  long getTextLength(Hwnd hwnd) override;
  long getText(Hwnd hwnd, long size, char* buffer) override;
  int getWindowText(Hwnd hwnd, char* buffer, int size) override;
  void enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                        long lParam) override;
  void setText(Hwnd hwnd, const char* bytes) override;
  int getClassName(Hwnd hwnd, char* buffer, int size) override {
    return real_.getClassName(hwnd, buffer, size);
  }
  void sendChar(Hwnd hwnd, unsigned charCode, long keyData) override;
  void clickButton(Hwnd button) override;
  bool showWindow(Hwnd hwnd, int cmdShow) override;
  bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override;
  bool runsElevatedAboveUs(Hwnd hwnd) override;
  // Questions go to the real window system as they are, answered as it answers them.
  void askInTurn(const Questions& questions, const std::function<void()>& answered) override {
    real_.askInTurn(questions, answered);
  }

 private:
  class Timed;
  std::int64_t now() const;
  void add(Call call);

  WindowSystem& real_;
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  std::vector<Held> held_;
  std::string hiddenClass_;
  const Clock* clock_ = nullptr;
  std::function<void()> afterEnter_;
  const Clock* pace_ = nullptr;
  std::int64_t paceVirtualStart_ = 0;
  std::uint64_t paceRealStart_ = 0;
};

}  // namespace pvx::testing

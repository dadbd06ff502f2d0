#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/console/WindowSystem.h"
#include "core/time/Clock.h"

namespace pvx::testing {

// Passes every call on to the real window system and remembers the ones by which the bridge
// reads a child's text and types into it, so a test can tell where the walk went. It can also
// leave one class of top-level windows unfound.
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

  explicit RecordingWindowSystem(WindowSystem& real) : real_(real) {}

  const std::vector<Call>& calls() const { return calls_; }
  void clear() { calls_.clear(); }
  // From now on every call recorded carries the time of this clock.
  void stampWith(const Clock* clock) { clock_ = clock; }
  // From now on a top-level window of this class is not found, as on a desktop without one
  // (class names compare without regard to case, as the platform compares them).
  void hideClass(std::string className) { hiddenClass_ = std::move(className); }

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
  bool runsElevatedAboveUs(Hwnd hwnd) override { return real_.runsElevatedAboveUs(hwnd); }

 private:
  std::int64_t now() const;

  WindowSystem& real_;
  std::vector<Call> calls_;
  std::string hiddenClass_;
  const Clock* clock_ = nullptr;
};

}  // namespace pvx::testing

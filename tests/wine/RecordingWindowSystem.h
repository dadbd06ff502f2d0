#pragma once

#include <string>
#include <vector>

#include "console/WindowSystem.h"

namespace pvx::testing {

// Passes every call on to the real window system and remembers the ones by which the bridge
// reads a child's text and types into it, so a test can tell where the walk went.
class RecordingWindowSystem final : public WindowSystem {
 public:
  struct Call {
    enum Kind { kGetWindowText, kSetText, kSendChar } kind;
    Hwnd hwnd;
    std::string bytes;  // the text read or typed, as ANSI bytes
    unsigned code = 0;  // the character sent
    bool operator==(const Call&) const = default;
  };

  explicit RecordingWindowSystem(WindowSystem& real) : real_(real) {}

  const std::vector<Call>& calls() const { return calls_; }
  void clear() { calls_.clear(); }

  Hwnd findWindow(const char* className, const char* title) override;
  Hwnd getWindow(Hwnd hwnd, unsigned cmd) override;
  long getTextLength(Hwnd hwnd) override;
  long getText(Hwnd hwnd, long size, char* buffer) override;
  int getWindowText(Hwnd hwnd, char* buffer, int size) override;
  void enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                        long lParam) override;
  void setText(Hwnd hwnd, const char* bytes) override;
  void sendChar(Hwnd hwnd, unsigned charCode, long keyData) override;
  bool showWindow(Hwnd hwnd, int cmdShow) override;
  bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                    unsigned flags) override;

 private:
  WindowSystem& real_;
  std::vector<Call> calls_;
};

}  // namespace pvx::testing

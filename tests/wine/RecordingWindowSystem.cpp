#include "wine/RecordingWindowSystem.h"

#include <string_view>

namespace pvx::testing {

namespace {

bool sameClass(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}

}  // namespace

Hwnd RecordingWindowSystem::findWindow(const char* className, const char* title) {
  if (className != nullptr && !hiddenClass_.empty() && sameClass(className, hiddenClass_))
    return 0;
  return real_.findWindow(className, title);
}

std::int64_t RecordingWindowSystem::now() const {
  return clock_ != nullptr ? clock_->nowMs() : 0;
}

Hwnd RecordingWindowSystem::getWindow(Hwnd hwnd, unsigned cmd) {
  return real_.getWindow(hwnd, cmd);
}

long RecordingWindowSystem::getTextLength(Hwnd hwnd) {
  return real_.getTextLength(hwnd);
}

long RecordingWindowSystem::getText(Hwnd hwnd, long size, char* buffer) {
  return real_.getText(hwnd, size, buffer);
}

int RecordingWindowSystem::getWindowText(Hwnd hwnd, char* buffer, int size) {
  const int copied = real_.getWindowText(hwnd, buffer, size);
  calls_.push_back({Call::kGetWindowText, hwnd,
                    std::string(buffer, static_cast<std::size_t>(copied > 0 ? copied : 0)), 0,
                    now()});
  return copied;
}

void RecordingWindowSystem::enumChildWindows(Hwnd parent,
                                             const std::function<long(Hwnd, long)>& visit,
                                             long lParam) {
  real_.enumChildWindows(parent, visit, lParam);
}

void RecordingWindowSystem::setText(Hwnd hwnd, const char* bytes) {
  calls_.push_back({Call::kSetText, hwnd, bytes, 0, now()});
  real_.setText(hwnd, bytes);
}

void RecordingWindowSystem::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  calls_.push_back({Call::kSendChar, hwnd, {}, charCode, now()});
  real_.sendChar(hwnd, charCode, keyData);
}

void RecordingWindowSystem::clickButton(Hwnd button) {
  calls_.push_back({Call::kClick, button, {}, 0, now()});
  real_.clickButton(button);
}

bool RecordingWindowSystem::showWindow(Hwnd hwnd, int cmdShow) {
  return real_.showWindow(hwnd, cmdShow);
}

bool RecordingWindowSystem::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                                         unsigned flags) {
  return real_.setWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
}

}  // namespace pvx::testing

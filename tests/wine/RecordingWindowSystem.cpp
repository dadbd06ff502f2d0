#include "wine/RecordingWindowSystem.h"

namespace pvx::testing {

Hwnd RecordingWindowSystem::findWindow(const char* className, const char* title) {
  return real_.findWindow(className, title);
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
                    std::string(buffer, static_cast<std::size_t>(copied > 0 ? copied : 0))});
  return copied;
}

void RecordingWindowSystem::enumChildWindows(Hwnd parent,
                                             const std::function<long(Hwnd, long)>& visit,
                                             long lParam) {
  real_.enumChildWindows(parent, visit, lParam);
}

void RecordingWindowSystem::setText(Hwnd hwnd, const char* bytes) {
  calls_.push_back({Call::kSetText, hwnd, bytes});
  real_.setText(hwnd, bytes);
}

void RecordingWindowSystem::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  calls_.push_back({Call::kSendChar, hwnd, {}, charCode});
  real_.sendChar(hwnd, charCode, keyData);
}

bool RecordingWindowSystem::showWindow(Hwnd hwnd, int cmdShow) {
  return real_.showWindow(hwnd, cmdShow);
}

bool RecordingWindowSystem::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                                         unsigned flags) {
  return real_.setWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
}

}  // namespace pvx::testing

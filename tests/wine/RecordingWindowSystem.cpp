#include "wine/RecordingWindowSystem.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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

// Around each call: first the wait for real time to catch up, then the call, timed.
class RecordingWindowSystem::Timed {
 public:
  Timed(RecordingWindowSystem& ws, const char* call) : ws_(ws), call_(call) {
    if (ws_.pace_ != nullptr)
      ws_.catchUp(ws_.pace_->nowMs());
    began_ = GetTickCount64();
  }
  ~Timed() {
    const std::lock_guard lock(ws_.mutex_);
    ws_.held_.push_back({began_, static_cast<std::int64_t>(GetTickCount64() - began_), call_});
  }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  RecordingWindowSystem& ws_;
  const char* call_;
  std::uint64_t began_ = 0;
};

std::vector<RecordingWindowSystem::Call> RecordingWindowSystem::calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

void RecordingWindowSystem::clear() {
  const std::lock_guard lock(mutex_);
  calls_.clear();
}

void RecordingWindowSystem::add(Call call) {
  const std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

void RecordingWindowSystem::paceWith(const Clock* clock) {
  pace_ = clock;
  paceVirtualStart_ = clock != nullptr ? clock->nowMs() : 0;
  paceRealStart_ = GetTickCount64();
}

void RecordingWindowSystem::catchUp(std::int64_t virtualMs) const {
  if (pace_ == nullptr)
    return;
  const std::int64_t due = virtualMs - paceVirtualStart_;
  const auto real = static_cast<std::int64_t>(GetTickCount64() - paceRealStart_);
  if (real < due)
    Sleep(static_cast<DWORD>(due - real));
}

std::int64_t RecordingWindowSystem::realNowMs() const {
  return paceVirtualStart_ + static_cast<std::int64_t>(GetTickCount64() - paceRealStart_);
}

RecordingWindowSystem::Held RecordingWindowSystem::longestCallSince(std::uint64_t tick) const {
  const std::lock_guard lock(mutex_);
  Held longest;
  for (const Held& h : held_) {
    if (h.beganTick >= tick && h.ms > longest.ms)
      longest = h;
  }
  return longest;
}

Hwnd RecordingWindowSystem::findWindow(const char* className, const char* title) {
  if (className != nullptr && !hiddenClass_.empty() && sameClass(className, hiddenClass_))
    return 0;
  const Timed timed(*this, "findWindow");
  return real_.findWindow(className, title);
}

std::int64_t RecordingWindowSystem::now() const {
  return clock_ != nullptr ? clock_->nowMs() : 0;
}

Hwnd RecordingWindowSystem::getWindow(Hwnd hwnd, unsigned cmd) {
  const Timed timed(*this, "getWindow");
  return real_.getWindow(hwnd, cmd);
}

long RecordingWindowSystem::getTextLength(Hwnd hwnd) {
  const Timed timed(*this, "getTextLength");
  return real_.getTextLength(hwnd);
}

long RecordingWindowSystem::getText(Hwnd hwnd, long size, char* buffer) {
  const Timed timed(*this, "getText");
  return real_.getText(hwnd, size, buffer);
}

int RecordingWindowSystem::getWindowText(Hwnd hwnd, char* buffer, int size) {
  int copied = 0;
  {
    const Timed timed(*this, "getWindowText");
    copied = real_.getWindowText(hwnd, buffer, size);
  }
  add({Call::kGetWindowText, hwnd,
       std::string(buffer, static_cast<std::size_t>(copied > 0 ? copied : 0)), 0, now()});
  return copied;
}

void RecordingWindowSystem::enumChildWindows(Hwnd parent,
                                             const std::function<long(Hwnd, long)>& visit,
                                             long lParam) {
  const Timed timed(*this, "enumChildWindows");
  real_.enumChildWindows(parent, visit, lParam);
}

void RecordingWindowSystem::setText(Hwnd hwnd, const char* bytes) {
  add({Call::kSetText, hwnd, bytes, 0, now()});
  const Timed timed(*this, "setText");
  real_.setText(hwnd, bytes);
}

void RecordingWindowSystem::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  add({Call::kSendChar, hwnd, {}, charCode, now()});
  {
    const Timed timed(*this, "sendChar");
    real_.sendChar(hwnd, charCode, keyData);
  }
  if (charCode == '\r' && afterEnter_)
    afterEnter_();
}

void RecordingWindowSystem::clickButton(Hwnd button) {
  add({Call::kClick, button, {}, 0, now()});
  const Timed timed(*this, "clickButton");
  real_.clickButton(button);
}

bool RecordingWindowSystem::showWindow(Hwnd hwnd, int cmdShow) {
  const Timed timed(*this, "showWindow");
  return real_.showWindow(hwnd, cmdShow);
}

bool RecordingWindowSystem::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                                         unsigned flags) {
  const Timed timed(*this, "setWindowPos");
  return real_.setWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
}

bool RecordingWindowSystem::runsElevatedAboveUs(Hwnd hwnd) {
  const Timed timed(*this, "runsElevatedAboveUs");
  return real_.runsElevatedAboveUs(hwnd);
}

}  // namespace pvx::testing

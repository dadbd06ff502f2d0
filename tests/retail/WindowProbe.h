#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

namespace pvx::testing::retail {

// Asks a window of another process, from a thread of its own, every intervalMs to answer a
// message (WM_NULL) and to paint itself again, and keeps how long each answer and each paint
// took: a user-interface thread that does not run its event loop answers neither.
class WindowProbe {
 public:
  static constexpr DWORD kIntervalMs = 50;

  explicit WindowProbe(HWND window, DWORD intervalMs = kIntervalMs)
      : window_(window), intervalMs_(intervalMs), thread_([this] { run(); }) {}
  ~WindowProbe() { stop(); }
  WindowProbe(const WindowProbe&) = delete;
  WindowProbe& operator=(const WindowProbe&) = delete;

  void stop() {
    stopping_ = true;
    if (thread_.joinable())
      thread_.join();
  }

  // After stop(): every wait for an answer and for a paint, in milliseconds.
  const std::vector<double>& answers() const { return answers_; }
  const std::vector<double>& paints() const { return paints_; }
  static double longest(const std::vector<double>& waits) {
    return waits.empty() ? 0 : *std::max_element(waits.begin(), waits.end());
  }
  // The value below which the share of the waits lies (0.5: the median, 0.99: the p99).
  template <typename T>
  static T percentile(std::vector<T> waits, double share) {
    if (waits.empty())
      return 0;
    std::sort(waits.begin(), waits.end());
    const auto at = static_cast<std::size_t>(static_cast<double>(waits.size()) * share);
    return waits[std::min(waits.size() - 1, at)];
  }
  static double p99(std::vector<double> waits) { return percentile(std::move(waits), 0.99); }

 private:
  double nowMs() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency_.QuadPart);
  }

  void run() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
    double nextPing = 0;
    double invalidatedAt = -1;
    while (!stopping_ && IsWindow(window_)) {
      const double now = nowMs();
      if (invalidatedAt >= 0 && GetUpdateRect(window_, nullptr, FALSE) == 0) {
        paints_.push_back(now - invalidatedAt);
        invalidatedAt = -1;
      }
      if (now >= nextPing) {
        DWORD_PTR result = 0;
        // Wine waits for the answer whatever the timeout: the bound only ends a probe of a
        // program that never answers.
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        const double answered = nowMs();
        answers_.push_back(answered - now);
        nextPing = now + intervalMs_;
        if (invalidatedAt < 0) {
          InvalidateRect(window_, nullptr, FALSE);
          invalidatedAt = answered;
        }
      }
      Sleep(2);
    }
    if (invalidatedAt >= 0)
      paints_.push_back(nowMs() - invalidatedAt);
  }

  HWND window_;
  DWORD intervalMs_;
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
  std::atomic<bool> stopping_{false};
  std::vector<double> answers_;
  std::vector<double> paints_;
  std::thread thread_;
};

}  // namespace pvx::testing::retail

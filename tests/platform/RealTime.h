#pragma once

// Waiting on what runs in real time (a media graph playing, a window manager) in tests that run on
// shared machines, where any step may be late by seconds: real time is bounded only to tell a hang
// from an answer, never to tell fast from slow.

#include <chrono>
#include <thread>

namespace pvx::testing {

using RealClock = std::chrono::steady_clock;

// Longer than any answer takes, however busy the machine: only a hang takes longer.
inline constexpr double kAnswerSeconds = 30;

inline double secondsSince(RealClock::time_point start) {
  return std::chrono::duration<double>(RealClock::now() - start).count();
}

// Polls until done() holds; false when it still does not after timeoutSeconds.
template <typename Done>
bool pollUntil(Done done, double timeoutSeconds = kAnswerSeconds) {
  const auto start = RealClock::now();
  while (!done()) {
    if (secondsSince(start) > timeoutSeconds)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Reads for the given time; false as soon as a value read differs from the first one. Being late
// only makes it read less often.
template <typename Read>
bool staysTheSame(Read read, double seconds) {
  const auto first = read();
  const auto start = RealClock::now();
  while (secondsSince(start) < seconds) {
    if (read() != first)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return read() == first;
}

}  // namespace pvx::testing

#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace pvx {

// A timer of one of the program's windows (the watch timer, the greeting timer, the music timer).
// Its ticks are events of the user-interface thread: they never run inside another handler, only
// between handlers or while a handler yields to pending events.
class Timer {
 public:
  virtual ~Timer() = default;
  // Arms the timer: the first tick comes intervalMs after this call; a single-shot timer then
  // stops, a repeating one ticks every intervalMs. Re-arming restarts the count.
  virtual void start(std::int64_t intervalMs, bool singleShot = false) = 0;
  virtual void stop() = 0;
  virtual bool isActive() const = 0;
};

// Time as the program sees it: the waits between typed commands and the timers. The real clock
// sleeps and ticks for real; the virtual one (tests, replay) makes every timing exact.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the clock was made.
  virtual std::int64_t nowMs() const = 0;
  // Blocks the whole thread: no timer ticks and no window events while it lasts.
  virtual void sleepMs(std::int64_t ms) = 0;
  // A stopped timer whose ticks call onTick. The timer must not outlive the clock.
  virtual std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) = 0;
};

}  // namespace pvx

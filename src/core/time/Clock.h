#pragma once

#include <coroutine>
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
  // A timer may be destroyed inside its own tick (a wait that ends destroys the timer that ended
  // it); its handler then touches nothing of it afterwards.
};

// Time as the program sees it: the waits between typed commands and the timers. The real clock
// ticks for real; the virtual one (tests, replay) makes every timing exact.
class Clock {
 public:
  class Sleep;
  class EventTurn;

  virtual ~Clock() = default;
  // Milliseconds since the clock was made.
  virtual std::int64_t nowMs() const = 0;
  // A stopped timer whose ticks call onTick. The timer must not outlive the clock.
  virtual std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) = 0;
  // A wait of a routine (Task): co_await clock.sleep(ms) suspends the routine and resumes it ms
  // later, from the event loop, which goes on meanwhile: windows paint, clicks and other timers
  // are handled. No wait at all for ms <= 0.
  Sleep sleep(std::int64_t ms);
  // Runs work from the event loop once it has handled the events waiting now (and, on the
  // virtual clock, the ticks already due), never from inside the caller. The real clock takes work
  // from any thread; the virtual clock from its own.
  virtual void post(std::function<void()> work) = 0;
  // A routine's yield to pending events: co_await clock.yieldToEvents() suspends the routine
  // until the event loop has run what was waiting, then resumes it. No event loop runs inside
  // the routine.
  EventTurn yieldToEvents();
};

class Clock::Sleep {
 public:
  Sleep(Clock& clock, std::int64_t ms) : clock_(clock), ms_(ms) {}
  bool await_ready() const noexcept { return ms_ <= 0; }
  void await_suspend(std::coroutine_handle<> routine) {
    // The timer lives in the routine's frame: a routine ended while it waits is never resumed.
    timer_ = clock_.makeTimer([routine] { routine.resume(); });
    timer_->start(ms_, true);
  }
  void await_resume() const noexcept {}

 private:
  Clock& clock_;
  std::int64_t ms_;
  std::unique_ptr<Timer> timer_;
};

inline Clock::Sleep Clock::sleep(std::int64_t ms) {
  return Sleep(*this, ms);
}

class Clock::EventTurn {
 public:
  explicit EventTurn(Clock& clock) : clock_(clock) {}
  EventTurn(const EventTurn&) = delete;
  EventTurn& operator=(const EventTurn&) = delete;
  // A routine ended while it waits for its turn is never resumed.
  ~EventTurn() {
    if (alive_)
      *alive_ = false;
  }
  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> routine) {
    alive_ = std::make_shared<bool>(true);
    clock_.post([routine, alive = alive_] {
      if (*alive)
        routine.resume();
    });
  }
  void await_resume() const noexcept {}

 private:
  Clock& clock_;
  std::shared_ptr<bool> alive_;
};

inline Clock::EventTurn Clock::yieldToEvents() {
  return EventTurn(*this);
}

}  // namespace pvx

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/time/Clock.h"

namespace pvx {

// Virtual time for tests and the replay: nothing ever sleeps for real. Time moves only through
// the run operations, which fire every timer tick that falls due (the end of a routine's wait
// among them), in time order, and through sleepMs, the time a busy thread takes, which fires
// nothing; ticks due at the same moment fire in the order their timers were armed.
class VirtualClock final : public Clock {
 public:
  VirtualClock();
  ~VirtualClock() override;
  VirtualClock(const VirtualClock&) = delete;
  VirtualClock& operator=(const VirtualClock&) = delete;

  std::int64_t nowMs() const override { return now_; }
  std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) override;
  // Work posted now runs as a tick due now, after the ticks already due.
  void post(std::function<void()> work) override;
  // Time that passes while the thread is busy (a question to a game that answers late): no timer
  // fires meanwhile; what fell due fires at the next run.
  void sleepMs(std::int64_t ms);

  // Fires the ticks already due at the current time (as a yield to pending events does).
  // A timer that re-arms itself inside its own tick fires again only once its new time is due.
  // Returns the number of ticks fired.
  int runDue();
  // Runs the event loop up to time t: fires every tick due until then, moving the time to each
  // tick's moment, and leaves the time at t (or later, when a tick slept past it).
  void runUntil(std::int64_t t);
  void runFor(std::int64_t ms) { runUntil(now_ + ms); }
  // The time of the next tick due, or -1 when no timer is armed.
  std::int64_t nextDueMs() const;
  // Fires the next due tick, moving the time to it if it lies ahead. False when none is armed.
  bool runNext();

 private:
  class VTimer;
  friend class VTimer;
  struct Entry;

  Entry* earliest(std::int64_t notAfter);
  void fire(Entry& e);

  std::int64_t now_ = 0;
  std::uint64_t armSeq_ = 0;
  std::vector<Entry*> timers_;
};

}  // namespace pvx

#include "core/time/VirtualClock.h"

#include <algorithm>
#include <utility>

namespace pvx {

struct VirtualClock::Entry {
  std::function<void()> onTick;
  bool active = false;
  bool singleShot = false;
  std::int64_t interval = 0;
  std::int64_t due = 0;
  std::uint64_t seq = 0;  // arming order, to break ties between ticks due at the same moment
  bool firing = false;
  bool orphaned = false;  // its timer was destroyed while it was firing
  bool posted = false;    // posted work, which the clock owns and frees once it has run
};

class VirtualClock::VTimer final : public Timer {
 public:
  VTimer(VirtualClock& clock, Entry* entry) : clock_(clock), entry_(entry) {}
  ~VTimer() override {
    auto& list = clock_.timers_;
    list.erase(std::remove(list.begin(), list.end(), entry_), list.end());
    if (entry_->firing) {
      entry_->orphaned = true;  // fire() deletes it once the tick has returned
    } else {
      delete entry_;
    }
  }
  VTimer(const VTimer&) = delete;
  VTimer& operator=(const VTimer&) = delete;

  void start(std::int64_t intervalMs, bool singleShot) override {
    entry_->interval = std::max<std::int64_t>(intervalMs, 1);
    entry_->singleShot = singleShot;
    entry_->due = clock_.now_ + entry_->interval;
    entry_->seq = ++clock_.armSeq_;
    entry_->active = true;
  }
  void stop() override { entry_->active = false; }
  bool isActive() const override { return entry_->active; }

 private:
  VirtualClock& clock_;
  Entry* entry_;
};

VirtualClock::VirtualClock() = default;

VirtualClock::~VirtualClock() {
  // Timers must not outlive the clock; whatever is left is freed here so nothing leaks.
  for (Entry* e : timers_)
    delete e;
}

void VirtualClock::sleepMs(std::int64_t ms) {
  if (ms <= 0)
    return;
  now_ += ms;
}

std::unique_ptr<Timer> VirtualClock::makeTimer(std::function<void()> onTick) {
  auto* entry = new Entry;
  entry->onTick = std::move(onTick);
  timers_.push_back(entry);
  return std::make_unique<VTimer>(*this, entry);
}

void VirtualClock::post(std::function<void()> work) {
  auto* entry = new Entry;
  entry->onTick = std::move(work);
  entry->posted = true;
  entry->singleShot = true;
  entry->active = true;
  entry->due = now_;
  entry->seq = ++armSeq_;
  timers_.push_back(entry);
}

VirtualClock::Entry* VirtualClock::earliest(std::int64_t notAfter) {
  Entry* best = nullptr;
  for (Entry* e : timers_) {
    if (!e->active || e->firing || e->due > notAfter)
      continue;
    if (best == nullptr || e->due < best->due || (e->due == best->due && e->seq < best->seq)) {
      best = e;
    }
  }
  return best;
}

void VirtualClock::fire(Entry& e) {
  if (e.singleShot) {
    e.active = false;
  } else {
    // Like a real timer, a late tick is not followed by a burst of the ticks it missed.
    e.due += e.interval;
    if (e.due <= now_)
      e.due = now_ + e.interval;
    e.seq = ++armSeq_;
  }
  if (e.posted) {
    // Taken off before it runs: the work may post again.
    timers_.erase(std::remove(timers_.begin(), timers_.end(), &e), timers_.end());
    const std::unique_ptr<Entry> owned(&e);
    owned->onTick();
    return;
  }
  e.firing = true;
  e.onTick();
  e.firing = false;
  if (e.orphaned)
    delete &e;
}

int VirtualClock::runDue() {
  // Only ticks due now; each timer at most once, so a handler that yields cannot recurse forever.
  int fired = 0;
  const std::int64_t now = now_;
  while (Entry* e = earliest(now)) {
    fire(*e);
    ++fired;
  }
  return fired;
}

void VirtualClock::runUntil(std::int64_t t) {
  while (Entry* e = earliest(t)) {
    now_ = std::max(now_, e->due);
    fire(*e);
  }
  now_ = std::max(now_, t);
}

std::int64_t VirtualClock::nextDueMs() const {
  std::int64_t best = -1;
  for (const Entry* e : timers_) {
    if (e->active && (best < 0 || e->due < best))
      best = e->due;
  }
  return best;
}

bool VirtualClock::runNext() {
  Entry* e = earliest(INT64_MAX);
  if (e == nullptr)
    return false;
  now_ = std::max(now_, e->due);
  fire(*e);
  return true;
}

}  // namespace pvx

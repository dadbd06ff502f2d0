#include "gui/QtClock.h"

#include <QTimer>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <map>
#endif

namespace pvx {

namespace {

// What a timer's tick reaches: it stays while a tick runs, also when the tick destroys the timer
// (a wait that ends destroys the timer that ended it).
struct TickState {
  explicit TickState(std::function<void()> tick) : onTick(std::move(tick)) {}
  std::function<void()> onTick;
  bool firing = false;

  static void fire(std::shared_ptr<TickState> state) {
    state->firing = true;
    state->onTick();
    state->firing = false;
  }
};

#ifdef _WIN32
// Qt runs a timer of 20 ms or less on a multimedia timer, which raises the resolution of the
// system's timer for every program on the machine (and costs power). The program's short timer
// (the watch timer's 1 ms) runs on a timer of the thread's message queue instead, as the
// original program's did: it comes at the system's tick, about every 15.6 ms.
class TickTimer final : public Timer {
 public:
  explicit TickTimer(std::shared_ptr<TickState> state) : state_(std::move(state)) {}
  ~TickTimer() override { stop(); }
  TickTimer(const TickTimer&) = delete;
  TickTimer& operator=(const TickTimer&) = delete;

  void start(std::int64_t intervalMs, bool singleShot) override {
    stop();
    singleShot_ = singleShot;
    id_ =
        SetTimer(nullptr, 0, static_cast<UINT>(intervalMs < 1 ? 1 : intervalMs), &TickTimer::fired);
    if (id_ != 0)
      running()[id_] = this;
  }
  void stop() override {
    if (id_ == 0)
      return;
    KillTimer(nullptr, id_);
    running().erase(id_);
    id_ = 0;
  }
  bool isActive() const override { return id_ != 0; }

 private:
  static std::map<UINT_PTR, TickTimer*>& running() {
    static std::map<UINT_PTR, TickTimer*> timers;
    return timers;
  }
  // Called by the message loop (Qt's dispatches the thread's WM_TIMER messages).
  static void CALLBACK fired(HWND, UINT, UINT_PTR id, DWORD) {
    const auto it = running().find(id);
    if (it == running().end())
      return;  // stopped, with its message already on the way
    TickTimer& timer = *it->second;
    if (timer.singleShot_)
      timer.stop();
    TickState::fire(timer.state_);
  }

  std::shared_ptr<TickState> state_;
  UINT_PTR id_ = 0;
  bool singleShot_ = false;
};
#endif

class QtTimer final : public Timer {
 public:
  explicit QtTimer(std::function<void()> onTick)
      : state_(std::make_shared<TickState>(std::move(onTick)))
#ifdef _WIN32
        ,
        tick_(state_)
#endif
  {
#ifdef _WIN32
    // Qt's precise timers are multimedia timers on Windows, whatever their interval.
    timer_->setTimerType(Qt::CoarseTimer);
#else
    // A 1 ms watch timer needs the precise kind; coarse timers may fire 5% late or early.
    timer_->setTimerType(Qt::PreciseTimer);
#endif
    QObject::connect(timer_, &QTimer::timeout, [state = state_] { TickState::fire(state); });
  }
  ~QtTimer() override {
    // A timer destroyed inside its own tick goes once the tick is over.
    timer_->stop();
    if (state_->firing) {
      timer_->deleteLater();
    } else {
      delete timer_;
    }
  }
  QtTimer(const QtTimer&) = delete;
  QtTimer& operator=(const QtTimer&) = delete;
  void start(std::int64_t intervalMs, bool singleShot) override {
#ifdef _WIN32
    // Short intervals go to the message queue's timer (see TickTimer).
    if (intervalMs <= kLongestTick) {
      timer_->stop();
      tick_.start(intervalMs, singleShot);
      return;
    }
    tick_.stop();
#endif
    timer_->setSingleShot(singleShot);
    timer_->start(static_cast<int>(intervalMs < 1 ? 1 : intervalMs));
  }
  void stop() override {
#ifdef _WIN32
    tick_.stop();
#endif
    timer_->stop();
  }
  bool isActive() const override {
#ifdef _WIN32
    if (tick_.isActive())
      return true;
#endif
    return timer_->isActive();
  }

 private:
  std::shared_ptr<TickState> state_;
  QTimer* timer_ = new QTimer;
#ifdef _WIN32
  // Qt's own timers take a multimedia timer up to this interval.
  static constexpr std::int64_t kLongestTick = 20;
  TickTimer tick_;
#endif
};

}  // namespace

QtClock::QtClock() {
  elapsed_.start();
}

std::int64_t QtClock::nowNs() const {
  return elapsed_.nsecsElapsed();
}

std::int64_t QtClock::nowMs() const {
  return elapsed_.elapsed();
}

std::unique_ptr<Timer> QtClock::makeTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimer>(std::move(onTick));
}

void QtClock::post(std::function<void()> work) {
  // A queued call is an event posted to the user-interface thread: it runs once the event loop
  // has handled what was waiting before it.
  QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

}  // namespace pvx

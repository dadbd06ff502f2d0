#include "gui/QtClock.h"

#include <QThread>
#include <QTimer>

namespace pvx {

namespace {

class QtTimer final : public Timer {
 public:
  QtTimer(std::function<void()> onTick, const std::function<void()>& handedOver) {
    // A 1 ms watch timer needs the precise kind; coarse timers may fire 5% late or early.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [tick = std::move(onTick), &handedOver] {
      if (handedOver)
        handedOver();
      tick();
    });
  }
  void start(std::int64_t intervalMs, bool singleShot) override {
    timer_.setSingleShot(singleShot);
    timer_.start(static_cast<int>(intervalMs < 1 ? 1 : intervalMs));
  }
  void stop() override { timer_.stop(); }
  bool isActive() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

}  // namespace

QtClock::QtClock(std::function<void()> handedOver) : handedOver_(std::move(handedOver)) {
  elapsed_.start();
}

std::int64_t QtClock::nowNs() const {
  return elapsed_.nsecsElapsed();
}

std::int64_t QtClock::nowMs() const {
  return elapsed_.elapsed();
}

void QtClock::sleepMs(std::int64_t ms) {
  if (ms > 0)
    QThread::msleep(static_cast<unsigned long>(ms));
}

std::unique_ptr<Timer> QtClock::makeTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimer>(std::move(onTick), handedOver_);
}

}  // namespace pvx

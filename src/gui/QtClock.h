#pragma once

#include <QElapsedTimer>

#include "core/console/Clock.h"

namespace pvx {

// Real time: Qt timers on the user-interface thread and real sleeps that block it.
class QtClock final : public Clock {
 public:
  QtClock();
  std::int64_t nowMs() const override;
  void sleepMs(std::int64_t ms) override;
  std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) override;

 private:
  QElapsedTimer elapsed_;
};

}  // namespace pvx

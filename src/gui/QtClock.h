#pragma once

#include <QElapsedTimer>
#include <functional>

#include "core/time/Clock.h"

namespace pvx {

// Real time: Qt timers on the user-interface thread; a routine's wait is one of them.
class QtClock final : public Clock {
 public:
  // handedOver, when given, is called each time the event loop calls a timer's handler, just
  // before it.
  explicit QtClock(std::function<void()> handedOver = {});
  // Nanoseconds since the clock was made.
  std::int64_t nowNs() const;
  std::int64_t nowMs() const override;
  std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) override;

 private:
  QElapsedTimer elapsed_;
  std::function<void()> handedOver_;
};

}  // namespace pvx

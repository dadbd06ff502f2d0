#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <functional>

#include "core/time/Clock.h"

namespace pvx {

// Real time: Qt timers on the user-interface thread; a routine's wait is one of them.
class QtClock final : public Clock {
 public:
  QtClock();
  // Nanoseconds since the clock was made.
  std::int64_t nowNs() const;
  std::int64_t nowMs() const override;
  std::unique_ptr<Timer> makeTimer(std::function<void()> onTick) override;
  // From any thread.
  void post(std::function<void()> work) override;

 private:
  QElapsedTimer elapsed_;
  QObject context_;  // of the user-interface thread, where posted work runs
};

}  // namespace pvx

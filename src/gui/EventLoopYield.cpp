#include "gui/EventLoopYield.h"

#include <utility>

namespace pvx {

EventLoopYield::EventLoopYield(std::function<std::int64_t()> nowNs, std::function<void()> pass)
    : nowNs_(std::move(nowNs)), pass_(std::move(pass)) {}

void EventLoopYield::handedOver() {
  handedOver_ = true;
  handedOverAtNs_ = nowNs_();
}

void EventLoopYield::yield() {
  // Only the first yield after a handover can be the loop's own pass still under way.
  const bool justHandedOver = handedOver_ && nowNs_() - handedOverAtNs_ < kHandoverNs;
  handedOver_ = false;
  if (!justHandedOver)
    pass_();
}

}  // namespace pvx

#pragma once

#include <cstdint>
#include <functional>

namespace pvx {

// Lets Qt handle the events that are waiting, each time the program yields in the middle of its
// work: one pass of the event loop.
//
// A yield made the moment the event loop handed over to a timer's handler is skipped. The loop
// polled for events an instant before and dispatches everything that poll found in this same
// pass; a second pass would only repeat that poll, a system call, and the watch timer's handler
// begins with a yield a thousand times a second. What arrived in that instant is handled as soon
// as the handler returns, or at its next yield, like anything that arrives while it works.
class EventLoopYield {
 public:
  // How long after the handover a yield counts as made "the moment" the loop handed over.
  static constexpr std::int64_t kHandoverNs = 100'000;

  // nowNs: a steady clock in nanoseconds; pass: one pass of the event loop.
  EventLoopYield(std::function<std::int64_t()> nowNs, std::function<void()> pass);

  // The event loop is calling a timer's handler now.
  void handedOver();
  void yield();

 private:
  std::function<std::int64_t()> nowNs_;
  std::function<void()> pass_;
  bool handedOver_ = false;
  std::int64_t handedOverAtNs_ = 0;
};

}  // namespace pvx

#pragma once

#include <functional>
#include <stdexcept>

#include "core/time/Task.h"

namespace pvx::testing {

// What a routine gives that ends without waiting: a question to a window system that answers at
// once (the simulated one, a game on pipes, user32 asked directly). Given pump, which hands the
// answers that came meanwhile to the routine, an answer that comes later is waited for, as long as
// only a hang would take (kMostPumps of them).
template <class T>
T answeredNow(Task<T> task, const std::function<void()>& pump = {}) {
  constexpr int kMostPumps = 20000;
  task.start();
  for (int i = 0; !task.done() && pump && i < kMostPumps; ++i)
    pump();
  if (!task.done())
    throw std::logic_error("the routine waits for an answer that never came");
  return task.result();
}

}  // namespace pvx::testing

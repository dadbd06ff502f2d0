#pragma once

#include <stdexcept>

#include "core/time/Task.h"

namespace pvx::testing {

// What a routine gives that ends without waiting: a question to a window system that answers at
// once (the simulated one, a game on pipes, user32 asked directly).
template <class T>
T answeredNow(Task<T> task) {
  task.start();
  if (!task.done())
    throw std::logic_error("the routine waits for an answer that comes later");
  return task.result();
}

}  // namespace pvx::testing

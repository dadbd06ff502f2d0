#pragma once

#include <atomic>
#include <coroutine>
#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

namespace pvx {

// A routine that can wait without holding the thread: a C++20 coroutine that suspends at each
// co_await of a wait (Clock::sleep) and resumes when the wait is over, while the event loop goes
// on meanwhile. A task starts only when it is awaited, by the routine that awaits it, or when its
// owner starts it; it then runs up to its first wait and hands the thread back. When it ends it
// resumes the routine that awaited it. An exception it lets out reaches that routine at its
// co_await, or, for a task its owner started, stays in the task (result() throws it) and is
// counted in unawaitedFailures(), since nobody may ever ask that task for its result.
//
// The task owns its routine: destroying the task ends a routine that still waits, and with it
// every task it awaits and the waits they are in, which then never resume.
template <class T = void>
class Task;

// How many routines that no routine awaited have let out an exception since the program
// started: a fault of the program's own, which the fuzz targets assert never happens.
inline std::atomic<std::uint64_t>& unawaitedFailures() {
  static std::atomic<std::uint64_t> count{0};
  return count;
}

namespace detail {

struct TaskPromiseBase {
  std::coroutine_handle<> continuation;
  std::exception_ptr error;

  // Hands the thread to the routine that awaited this one, if any, once this one has ended.
  struct Final {
    bool await_ready() noexcept { return false; }
    template <class Promise>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> done) noexcept {
      const std::coroutine_handle<> next = done.promise().continuation;
      return next ? next : std::noop_coroutine();
    }
    void await_resume() noexcept {}
  };

  std::suspend_always initial_suspend() noexcept { return {}; }
  Final final_suspend() noexcept { return {}; }
  void unhandled_exception() noexcept {
    error = std::current_exception();
    if (!continuation)
      ++unawaitedFailures();
  }
};

template <class Promise>
class TaskBase {
 public:
  using Handle = std::coroutine_handle<Promise>;

  TaskBase() = default;
  explicit TaskBase(Handle h) : h_(h) {}
  TaskBase(TaskBase&& other) noexcept : h_(std::exchange(other.h_, {})) {}
  TaskBase& operator=(TaskBase&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, {});
    }
    return *this;
  }
  TaskBase(const TaskBase&) = delete;
  TaskBase& operator=(const TaskBase&) = delete;
  ~TaskBase() { reset(); }

  // Runs a task no routine awaits up to its first wait (or to its end).
  void start() {
    if (h_ && !h_.done())
      h_.resume();
  }
  // Whether there is a routine and it has ended.
  bool done() const { return h_ && h_.done(); }
  // Whether there is a routine at all (begun or not).
  bool valid() const { return static_cast<bool>(h_); }
  // Ends the routine, wherever it waits.
  void reset() {
    if (h_)
      std::exchange(h_, {}).destroy();
  }

  // Awaiting a task starts it and resumes the awaiting routine once it has ended.
  bool await_ready() const noexcept { return !h_ || h_.done(); }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
    h_.promise().continuation = awaiting;
    return h_;
  }

 protected:
  void rethrow() const {
    if (h_ && h_.promise().error)
      std::rethrow_exception(h_.promise().error);
  }

  Handle h_;
};

}  // namespace detail

template <class T>
struct TaskPromise;

template <class T>
class [[nodiscard]] Task final : public detail::TaskBase<TaskPromise<T>> {
  using Base = detail::TaskBase<TaskPromise<T>>;

 public:
  using promise_type = TaskPromise<T>;
  using Base::Base;

  T await_resume() { return result(); }
  // What a task that has ended gave back (what it let out is thrown).
  T result() {
    this->rethrow();
    return std::move(*this->h_.promise().value);
  }
};

template <>
class [[nodiscard]] Task<void> final : public detail::TaskBase<TaskPromise<void>> {
  using Base = detail::TaskBase<TaskPromise<void>>;

 public:
  using promise_type = TaskPromise<void>;
  using Base::Base;

  void await_resume() { result(); }
  void result() { rethrow(); }
};

template <class T>
struct TaskPromise final : detail::TaskPromiseBase {
  std::optional<T> value;
  Task<T> get_return_object() {
    return Task<T>(std::coroutine_handle<TaskPromise>::from_promise(*this));
  }
  template <class U>
  void return_value(U&& v) {
    value.emplace(std::forward<U>(v));
  }
};

template <>
struct TaskPromise<void> final : detail::TaskPromiseBase {
  Task<void> get_return_object() {
    return Task<void>(std::coroutine_handle<TaskPromise>::from_promise(*this));
  }
  void return_void() noexcept {}
};

}  // namespace pvx

#include "platform/win32/Win32TypingThread.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/win32/Win32WindowSystem.h"

namespace pvx {

namespace {
// How long the owner waits, when it goes, for a walk that is still blocked in a message.
constexpr std::chrono::seconds kLeaveAfter{2};
}  // namespace

struct Win32TypingThread::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<Walk, Kind>> walks;
  // When the latest chat reached the game; none yet at first. How many chat walks are handed over
  // and not yet done.
  std::optional<std::chrono::steady_clock::time_point> chatAt;
  int chatOnItsWay = 0;
  bool walking = false;
  bool stopping = false;
  bool finished = false;
  Win32WindowSystem windows;  // waits for every answer

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return stopping || !walks.empty(); });
      if (stopping)
        break;
      auto [walk, kind] = std::move(walks.front());
      walks.pop_front();
      walking = true;
      lock.unlock();
      try {
        walk(windows);
      } catch (...) {
        // A walk that failed types nothing more; the next one goes on.
      }
      if (kind == Kind::Chat) {
        // The chat is with the game now; the server's second runs from here.
        const std::lock_guard<std::mutex> reached(mutex);
        --chatOnItsWay;
        chatAt = std::chrono::steady_clock::now();
      }
      // A press types no line: nothing waits to be read after it.
      if (kind != Kind::Press)
        Sleep(kSettleMs);
      lock.lock();
      walking = false;
      changed.notify_all();
    }
    finished = true;
    changed.notify_all();
  }
};

Win32TypingThread::Win32TypingThread() : shared_(std::make_shared<Shared>()) {
  std::thread([shared = shared_] { shared->run(); }).detach();
}

Win32TypingThread::~Win32TypingThread() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->stopping = true;
  shared_->walks.clear();
  shared_->changed.notify_all();
  shared_->changed.wait_for(lock, kLeaveAfter, [this] { return shared_->finished; });
}

void Win32TypingThread::type(Walk walk, Kind kind) {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  if (kind == Kind::Chat)
    ++shared_->chatOnItsWay;
  shared_->walks.emplace_back(std::move(walk), kind);
  shared_->changed.notify_all();
}

std::optional<std::int64_t> Win32TypingThread::chatTypedAgoMs() {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->chatOnItsWay > 0)
    return -1;
  if (!shared_->chatAt)
    return std::nullopt;
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               *shared_->chatAt)
      .count();
}

bool Win32TypingThread::idle() {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->walks.empty() && !shared_->walking;
}

}  // namespace pvx

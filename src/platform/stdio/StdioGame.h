#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/console/GameStream.h"

namespace pvx {

// The game as a child process whose standard input, output and error are pipes to this program.
// A thread of its own reads everything the game prints as soon as it is printed, so the game
// never waits on a full pipe, writes the lines typed to the game without ever blocking the
// caller, and collects the game's exit status once it ends (no zombie is left).
//
// The game reads its input in pieces and runs each piece as one line: lines that wait in the
// pipe together would be read together, cut apart at 256 bytes, and only the first would lose
// its leading "/". So a line is written, in one piece, only once the pipe is empty again.
class StdioGame final : public GameStream {
 public:
  // Lines typed while the game does not read are held up to this many bytes; more are lost.
  static constexpr std::size_t kMaxPendingInput = 1 << 20;
  // How long a game that is still running when the program closes gets to end on SIGTERM
  // before it is killed.
  static constexpr int kEndGraceMs = 3000;

  // Starts command[0] (searched in PATH when it has no "/") with the other elements as its
  // arguments. Null, with the reason in error, when it cannot be started.
  static std::unique_ptr<StdioGame> start(const std::vector<std::string>& command,
                                          std::string& error);
  // Ends a game that is still running and waits for it.
  ~StdioGame() override;
  StdioGame(const StdioGame&) = delete;
  StdioGame& operator=(const StdioGame&) = delete;

  void setSink(Sink sink) override;
  void setOnActivity(std::function<void()> onActivity) override;
  void sendLine(std::string_view bytes) override;
  bool ended() override { return ended_.load(std::memory_order_acquire); }
  bool waitForActivity(std::int64_t timeoutMs) override;

  pid_t pid() const { return pid_; }
  // The status as waitpid reported it, once ended.
  int waitStatus() const { return waitStatus_.load(); }

 private:
  StdioGame(pid_t pid, int input, int output, int wakeRead, int wakeWrite, int exitFd);
  void run();
  void deliver(const char* bytes, std::size_t n);
  bool drainOutput();
  // Writes the next line if the game has taken the one before; how long to wait before trying
  // again (-1: nothing is waiting).
  int writePending();
  void wake();
  void markActivity();

  pid_t pid_;
  int input_;   // write end of the game's standard input; -1 once closed
  int output_;  // read end of the game's standard output and error; -1 once closed
  int wakeRead_, wakeWrite_;
  int exitFd_;  // readable once the game has ended (a pidfd); -1 where the system has none

  std::mutex sinkMutex_;
  Sink sink_;
  std::string early_;  // output printed before a sink was set

  std::mutex inputMutex_;
  std::deque<std::string> pendingLines_;  // each with its line feed
  std::size_t pendingBytes_ = 0;
  bool inputClosed_ = false;
  int takeWaitMs_ = 0;  // the wait for the game to take the line written last

  std::mutex onActivityMutex_;
  std::function<void()> onActivity_;

  std::mutex activityMutex_;
  std::condition_variable activity_;
  std::uint64_t activityCount_ = 0;
  std::uint64_t reportedCount_ = 0;  // as far as waitForActivity has reported

  std::mutex processMutex_;  // a signal never reaches a process id reused after the reaping
  bool reaped_ = false;

  std::atomic<bool> stopping_{false};
  std::atomic<bool> ended_{false};
  std::atomic<int> waitStatus_{0};
  std::thread thread_;
};

}  // namespace pvx

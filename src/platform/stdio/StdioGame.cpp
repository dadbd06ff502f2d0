#include "platform/stdio/StdioGame.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

extern char** environ;

namespace pvx {

namespace {

// Output waits for the sink, and for the reader, at most this much: a game printing faster than
// the program takes its output keeps only what its console log would keep anyway.
constexpr std::size_t kMaxEarlyOutput = 1 << 20;
// Where the system cannot tell the game's end as it comes, the reader looks this often.
constexpr int kPollMs = 50;
// One turn of the reader reads at most this many pieces before it looks at the rest again.
constexpr int kReadsPerTurn = 16;
// While a line waits for the game to take the one before, the pipe is looked at after this
// many milliseconds, then ever less often up to kPollMs (a game reads once a frame; one that
// stopped reading costs next to nothing).
constexpr int kFirstTakeWaitMs = 1;
static_assert(GameStream::kMaxLineBytes + 1 <= PIPE_BUF, "a line must reach the pipe in one piece");

// A descriptor that becomes readable when the process ends, so that the reader sleeps until
// something happens; -1 where the system has none.
int exitDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = ::syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) {
    ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
  }
#else
  (void)pid;
#endif
  return -1;
}

// Bytes written to the pipe that its reader has not taken yet.
int unread(int fd) {
  int n = 0;
  return ::ioctl(fd, FIONREAD, &n) == 0 ? n : 0;
}

void closeFd(int& fd) {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

bool setNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Writing to a game that closed its input raises SIGPIPE in the writing thread. The reader
// blocks it there and takes it back, so the program is never ended by it.
sigset_t pipeSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  return set;
}

}  // namespace

std::unique_ptr<StdioGame> StdioGame::start(const std::vector<std::string>& command,
                                            std::string& error) {
  if (command.empty() || command.front().empty()) {
    error = "no game program given";
    return nullptr;
  }
  int in[2] = {-1, -1}, out[2] = {-1, -1}, wake[2] = {-1, -1};
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
      ::pipe2(wake, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    for (int* fd : {&in[0], &in[1], &out[0], &out[1], &wake[0], &wake[1]})
      closeFd(*fd);
    return nullptr;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  // The game starts with no signal blocked and SIGPIPE as the system has it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  const sigset_t pipe = pipeSignal();
  posix_spawnattr_setsigdefault(&attributes, &pipe);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  for (const std::string& arg : command)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  closeFd(in[0]);
  closeFd(out[1]);
  if (spawned != 0) {
    error = std::strerror(spawned);
    for (int* fd : {&in[1], &out[0], &wake[0], &wake[1]})
      closeFd(*fd);
    return nullptr;
  }
  setNonBlocking(in[1]);
  setNonBlocking(out[0]);
  setNonBlocking(wake[0]);
  setNonBlocking(wake[1]);
  return std::unique_ptr<StdioGame>(
      new StdioGame(pid, in[1], out[0], wake[0], wake[1], exitDescriptor(pid)));
}

StdioGame::StdioGame(pid_t pid, int input, int output, int wakeRead, int wakeWrite, int exitFd)
    : pid_(pid),
      input_(input),
      output_(output),
      wakeRead_(wakeRead),
      wakeWrite_(wakeWrite),
      exitFd_(exitFd) {
  thread_ = std::thread([this] { run(); });
}

StdioGame::~StdioGame() {
  // A game still running when the program closes cannot go on printing into pipes nobody
  // reads: it is asked to end, then made to.
  const auto waitEnded = [this](int ms) {
    std::unique_lock<std::mutex> lock(activityMutex_);
    activity_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended(); });
  };
  if (!ended()) {
    {
      const std::lock_guard<std::mutex> lock(processMutex_);
      if (!reaped_)
        ::kill(pid_, SIGTERM);
    }
    waitEnded(kEndGraceMs);
  }
  if (!ended()) {
    {
      const std::lock_guard<std::mutex> lock(processMutex_);
      if (!reaped_)
        ::kill(pid_, SIGKILL);
    }
    waitEnded(kEndGraceMs);
  }
  stopping_.store(true);
  wake();
  thread_.join();
  closeFd(input_);
  closeFd(output_);
  closeFd(wakeRead_);
  closeFd(wakeWrite_);
  closeFd(exitFd_);
}

void StdioGame::setSink(Sink sink) {
  const std::lock_guard<std::mutex> lock(sinkMutex_);
  sink_ = std::move(sink);
  if (sink_ && !early_.empty()) {
    sink_(early_);
    early_.clear();
  }
}

void StdioGame::setOnActivity(std::function<void()> onActivity) {
  const std::lock_guard<std::mutex> lock(onActivityMutex_);
  onActivity_ = std::move(onActivity);
}

void StdioGame::sendLine(std::string_view bytes) {
  std::string line(bytes.substr(0, kMaxLineBytes));
  line.push_back('\n');
  {
    const std::lock_guard<std::mutex> lock(inputMutex_);
    if (inputClosed_ || pendingBytes_ + line.size() > kMaxPendingInput)
      return;
    pendingBytes_ += line.size();
    pendingLines_.push_back(std::move(line));
  }
  wake();
}

bool StdioGame::waitForActivity(std::int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(activityMutex_);
  const bool seen = activity_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
    return activityCount_ != reportedCount_ || ended();
  });
  reportedCount_ = activityCount_;
  return seen;
}

void StdioGame::wake() {
  const char byte = 1;
  // A full wake pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1);
}

void StdioGame::markActivity() {
  {
    const std::lock_guard<std::mutex> lock(activityMutex_);
    ++activityCount_;
  }
  activity_.notify_all();
  const std::lock_guard<std::mutex> lock(onActivityMutex_);
  if (onActivity_)
    onActivity_();
}

void StdioGame::deliver(const char* bytes, std::size_t n) {
  {
    const std::lock_guard<std::mutex> lock(sinkMutex_);
    if (sink_) {
      sink_(std::string_view(bytes, n));
    } else {
      early_.append(bytes, n);
      if (early_.size() > kMaxEarlyOutput)
        early_.erase(0, early_.size() - kMaxEarlyOutput);
    }
  }
  markActivity();
}

bool StdioGame::drainOutput() {
  char buffer[65536];
  for (int i = 0; i < kReadsPerTurn && output_ >= 0; ++i) {
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n > 0) {
      deliver(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return false;
    } else {
      closeFd(output_);  // every writer has closed it
      return false;
    }
  }
  return output_ >= 0;
}

int StdioGame::writePending() {
  const std::lock_guard<std::mutex> lock(inputMutex_);
  while (!pendingLines_.empty() && input_ >= 0) {
    if (unread(input_) > 0) {
      takeWaitMs_ = takeWaitMs_ == 0 ? kFirstTakeWaitMs : std::min(2 * takeWaitMs_, kPollMs);
      return takeWaitMs_;
    }
    takeWaitMs_ = 0;
    std::string& line = pendingLines_.front();
    const ssize_t n = ::write(input_, line.data(), line.size());
    if (n > 0) {
      // A line no longer than PIPE_BUF goes into a pipe whole or not at all; should a system
      // ever take part of it, the rest follows as soon as the game has read that part.
      const auto written = static_cast<std::size_t>(n);
      pendingBytes_ -= written;
      if (written == line.size())
        pendingLines_.pop_front();
      else
        line.erase(0, written);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return kPollMs;
    } else {
      // The game closed its input: what it would have read is lost.
      const sigset_t pipe = pipeSignal();
      const timespec now{0, 0};
      ::sigtimedwait(&pipe, nullptr, &now);
      pendingLines_.clear();
      pendingBytes_ = 0;
      inputClosed_ = true;
      closeFd(input_);
    }
  }
  return -1;
}

void StdioGame::run() {
  const sigset_t pipe = pipeSignal();
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  int takeWaitMs = -1;
  while (!stopping_.load()) {
    pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {wakeRead_, POLLIN, 0};
    const int outputAt = output_ >= 0 ? static_cast<int>(count) : -1;
    if (output_ >= 0)
      fds[count++] = {output_, POLLIN, 0};
    if (exitFd_ >= 0)
      fds[count++] = {exitFd_, POLLIN, 0};
    // Nothing to do until the game prints, ends or is given a line: the reader sleeps. The pipe
    // tells when it has room, never when the game has read it empty: while a line waits for
    // that, the pipe is looked at again after a while.
    int timeoutMs = exitFd_ >= 0 ? -1 : kPollMs;
    if (takeWaitMs >= 0)
      timeoutMs = timeoutMs < 0 ? takeWaitMs : std::min(takeWaitMs, timeoutMs);
    ::poll(fds, count, timeoutMs);

    if (fds[0].revents != 0) {
      char drained[64];
      while (::read(wakeRead_, drained, sizeof drained) > 0) {
      }
    }
    // A flood is read in turns, so that input, the game's end and a stop are still seen.
    if (outputAt >= 0 && fds[outputAt].revents != 0)
      drainOutput();
    takeWaitMs = writePending();

    bool reapedNow = false;
    {
      const std::lock_guard<std::mutex> lock(processMutex_);
      int status = 0;
      if (!reaped_ && ::waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        reapedNow = true;
        waitStatus_.store(status);
      }
    }
    if (reapedNow) {
      // What the game printed before it ended is all in the pipe now (a process that outlived
      // it may hold the pipe open, so its end is not awaited).
      for (int turn = 0; turn < 64 && drainOutput(); ++turn) {
      }
      {
        const std::lock_guard<std::mutex> lock(inputMutex_);
        inputClosed_ = true;
        pendingLines_.clear();
        pendingBytes_ = 0;
        closeFd(input_);
      }
      ended_.store(true, std::memory_order_release);
      markActivity();
      return;
    }
  }
}

}  // namespace pvx

#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/time/Clock.h"
#include "core/time/Task.h"
#include "core/watcher/LogFollower.h"
#include "core/windows/PlayerDock.h"
#include "core/windows/StatusLine.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// How a step inside the cycle tells the cycle to go on.
enum class CycleFlow { Continue, EndNow };

// A part of the cycle that reads the new text: the game-event replies, the chat commands.
class WatchStep {
 public:
  virtual ~WatchStep() = default;
  // lines: the whole lines of the new text (empty when the log did not grow). playerName: the
  // current player name, empty while unknown; a step may change it (the player renamed himself).
  // A step may wait: the cycle waits with it.
  virtual Task<CycleFlow> run(std::string lines, std::string& playerName) = 0;
};

// What the watch cycle keeps from cycle to cycle.
struct WatchState {
  Hwnd consoleLog = 0;     // the game's console log; 0 while not found
  std::string playerName;  // as the game prints it, colour escapes included; empty: unknown
};

// The heartbeat: one pass on every tick of the watch timer. It keeps the player window docked,
// notices the game's console window coming and going, follows the growth of the console log and
// takes the newly appended text (through the log follower, at most its last 200 characters),
// hands it to the game-event replies and the chat commands, learns the local player's name from
// the game's answer to a name query, and keeps the status line and the newest console text shown.
// All reading and typing goes through the console bridge. The watch timer is a single-shot timer
// re-armed by each cycle's closing step, so cycles never overlap, even while one yields to pending
// events, waits, or waits for the game's answer.
//
// A cycle is a routine: where a reply or a command waits, the cycle is suspended and the program
// goes on (its windows paint, clicks, media keys and other timers are handled). What a wait means
// to the game stays: no other cycle starts, the waiting cycle takes no new text and types
// nothing until it resumes, and what others type meanwhile comes after what the cycle types.
class WatchCycle final : private LogReader {
 public:
  static constexpr int kConsoleLogChild = 5;
  static constexpr std::int64_t kIntervalMs = 1;
  // While the name is unknown, a name query goes out only when the one before was answered or
  // this long after it: a game that answers in other words is asked four times a second, not
  // on every cycle.
  static constexpr std::int64_t kNameQueryIntervalMs = 250;
  // A game that gave up answering is looked at again this much later.
  static constexpr std::int64_t kBusyGameLookMs = 25;

  // events runs on every cycle that reaches it (the replies, or the reply-on test while replies
  // are off or the name is unknown); commands next, only while the name is known.
  WatchCycle(ConsoleBridge& bridge, Clock& clock, MainWindowPort& window, PlayerDock& dock,
             StatusLine& status, WatchStep& events, WatchStep& commands);
  ~WatchCycle() override;
  WatchCycle(const WatchCycle&) = delete;
  WatchCycle& operator=(const WatchCycle&) = delete;

  // Start-up's first look for the console log, and the name query (dropped when the game is not
  // running).
  void findConsoleAtStart();
  // Arms the watch timer: from here on the cycle runs.
  void arm();
  bool armed() const { return timer_->isActive(); }

  // Waits for the console instead of looking at it every interval, for a window system that
  // tells of every change: after a cycle that found nothing to do, the next comes one interval
  // after wake() (the console changed), when a name query falls due, or idleMs later at the
  // latest. Without it (the replay and the tests) a cycle comes every interval, as ever.
  void waitForChanges(std::int64_t idleMs) { idleMs_ = idleMs; }
  // The console may have changed. User-interface thread only.
  void wake();
  // Looks sparingly, for a window system that does not tell of the console's changes (another
  // process's windows): after a cycle that found nothing to do the next comes kSparingLookMs
  // later, and asks the log only how many lines it shows, measuring it whole when that changed
  // or kFullLookMs after the last whole measure; such a cycle leaves the docking to the windows'
  // own moves and the error box to a cycle that found the log changed. The waits' looks ask the
  // same way. A window system that turns out to tell (waitForChanges) wakes the cycle, and its
  // quiet look once a second asks the log's line count alone.
  // For kBriskForMs after the log last changed, while a match goes on, the sparing cycle comes
  // every kBriskLookMs instead. Where the window system watches the log's lines itself
  // (WindowSystem::watchLines), a quiet cycle leaves the probes at that pace to it and the next
  // cycle comes when they found a change (wake()), or kFullLookMs later for a whole look; the
  // waits' looks still ask for themselves, since the watch may tell of a print a probe late.
  void lookSparingly() { sparing_ = true; }
  static constexpr std::int64_t kSparingLookMs = 60;
  static constexpr std::int64_t kBriskLookMs = 30;
  static constexpr std::int64_t kBriskForMs = 3000;
  static constexpr std::int64_t kFullLookMs = 1000;

  // Starts one watch cycle, which runs up to its first wait (or to its end); nothing while a
  // cycle is under way or what others handed over is still being typed.
  void cycle();
  // Whether a cycle has started and not yet ended (it may be waiting).
  bool inCycle() const { return inCycle_; }
  // Whether the next cycle waits for what others handed over to be typed first.
  bool waitingForTyping() const { return waitingForTyping_; }

  const WatchState& state() const { return state_; }
  // The player's name as the game's answer would set it (tests start from a known name).
  void setPlayerName(std::string name) { state_.playerName = std::move(name); }
  // The log as a cycle that took it up to logLength leaves it (a benchmark repeats one cycle
  // this way).
  void restartFrom(long logLength) { log_.restartFrom(logLength); }
  // The new text of the latest cycle (empty when the log did not grow in it).
  const std::string& newText() const { return log_.newText(); }
  // What the replies, the chat commands and the name discovery read of it: its whole lines.
  const std::string& wholeLines() const { return log_.wholeLines(); }
  // How many cycles have started and ended, for drivers that wait for a whole cycle.
  std::uint64_t cyclesStarted() const { return started_; }
  std::uint64_t cyclesEnded() const { return ended_; }
  // Called as each cycle starts (bench.sh measures the time to the first one).
  void setOnCycleStart(std::function<void()> onStart) { onStart_ = std::move(onStart); }

 private:
  Task<void> run();
  // Everything up to the closing step; returning ends the cycle at the closing step.
  Task<void> body();
  // LogReader: the looks at the log while a reply waits, and the typing free again.
  Task<std::optional<std::int64_t>> lookWhileWaiting() override;
  void typingFree() override;
  void forgetConsole();
  void askNameWhenDue();
  // The closing step's arming: an interval from now, or later while there is nothing to do.
  void armNext();
  Task<void> quoteScan(std::string answer);
  void type(const char* command);

  ConsoleBridge& bridge_;
  Clock& clock_;
  MainWindowPort& window_;
  PlayerDock& dock_;
  StatusLine& status_;
  WatchStep& events_;
  WatchStep& commands_;
  std::unique_ptr<Timer> timer_;
  Task<void> running_;  // the cycle under way, or the one that ended last
  std::function<void()> onStart_;
  WatchState state_;
  LogFollower log_;
  bool nameQueryOpen_ = false;  // a name query went out and no answer named the player yet
  bool gameBusy_ = false;       // the game gave up answering in this cycle
  Hwnd errorBox_ = 0;           // the error box shown in the status line
  std::int64_t nameQueryAtMs_ = 0;
  std::int64_t idleMs_ = 0;  // 0: a cycle every interval
  bool busy_ = true;         // the cycle found something, and the next may find more
  bool inCycle_ = false;
  bool woken_ = false;             // woken during the cycle
  bool idleArmed_ = false;         // armed for later than one interval
  bool waitingForTyping_ = false;  // a tick came while others' typing held the line
  bool sparing_ = false;
  bool watching_ = false;  // the window system watches the log's lines until the next cycle
  std::optional<long> linesWatched_;           // the count the watch found, until the cycle's look
  std::int64_t fullLookAtMs_ = INT64_MIN / 2;  // the cycle's last whole measure of the log
  std::int64_t changedAtMs_ = INT64_MIN / 2;   // when a cycle last found the log changed
  std::uint64_t wakes_ = 0;                    // how often the console told of a change
  std::uint64_t wakesAtLook_ = 0;              // as many as at the waits' last look
  std::uint64_t wakesAtCycle_ = 0;             // as many as when the last cycle began
  bool light_ = false;                         // this cycle only probes the log
  std::uint64_t started_ = 0;
  std::uint64_t ended_ = 0;
};

}  // namespace pvx

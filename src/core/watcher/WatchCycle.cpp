#include "core/watcher/WatchCycle.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "core/text/Text.h"
#include "core/watcher/ConsoleLines.h"

namespace pvx {

namespace {

// Splits UTF-8 text into its characters, one string each.
std::vector<std::string> characters(const std::string& s) {
  std::vector<std::string> out;
  const std::size_t n = text::length(s);
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    out.push_back(text::substring(s, i, 1));
  return out;
}

}  // namespace

WatchCycle::WatchCycle(ConsoleBridge& bridge, Clock& clock, MainWindowPort& window,
                       PlayerDock& dock, StatusLine& status, WatchStep& events, WatchStep& commands)
    : bridge_(bridge),
      clock_(clock),
      window_(window),
      dock_(dock),
      status_(status),
      events_(events),
      commands_(commands),
      timer_(clock.makeTimer([this] {
        if (onStart_)
          onStart_();
        cycle();
      })),
      log_(bridge) {
  bridge_.setReader(this);
}

WatchCycle::~WatchCycle() {
  if (watching_)
    bridge_.watchLines(0, 0, 0);
  bridge_.setReader(nullptr);
}

void WatchCycle::type(const char* command) {
  bridge_.sendConsoleCommand(command);
}

void WatchCycle::findConsoleAtStart() {
  const Hwnd console = bridge_.findWindowByTitle("", ConsoleBridge::kConsoleTitle);
  if (state_.consoleLog == 0) {
    state_.consoleLog = bridge_.nthChildWindow(console, kConsoleLogChild);
    type("name");
  }
}

void WatchCycle::arm() {
  idleArmed_ = false;
  timer_->start(kIntervalMs, true);
}

void WatchCycle::armNext() {
  std::int64_t delay = kIntervalMs;
  bool watch = false;
  if (gameBusy_) {
    // A game that did not answer is asked again a little later, not on every interval: each
    // question holds the program up for as long as it waits for the answer.
    delay = kBusyGameLookMs;
  } else if ((idleMs_ > 0 || sparing_) && !busy_ && !woken_) {
    const std::int64_t briskFor = changedAtMs_ + kBriskForMs - clock_.nowMs();
    const std::int64_t pace = briskFor > 0 ? kBriskLookMs : kSparingLookMs;
    delay = idleMs_ > 0 ? idleMs_ : pace;
    if (state_.consoleLog != 0 && state_.playerName.empty()) {
      // Until the name is known it is asked for on time.
      const std::int64_t due =
          nameQueryOpen_ ? nameQueryAtMs_ + kNameQueryIntervalMs - clock_.nowMs() : 0;
      delay = std::clamp(due, kIntervalMs, delay);
    } else if (idleMs_ == 0 && state_.consoleLog != 0 &&
               bridge_.watchLines(state_.consoleLog, log_.knownLines(), pace)) {
      // The window system probes the log at the same pace, on a thread of its own: the cycle
      // comes when the probe finds its lines changed, and for a whole look a second after this
      // (or when the brisk pace ends, to slow the probes).
      watch = true;
      delay = briskFor > 0 ? std::min(briskFor, kFullLookMs) : kFullLookMs;
    }
  }
  if (watching_ && !watch)
    bridge_.watchLines(0, 0, 0);
  watching_ = watch;
  woken_ = false;
  idleArmed_ = delay > kIntervalMs;
  timer_->start(delay, true);
}

void WatchCycle::wake() {
  ++wakes_;
  if (inCycle_) {
    woken_ = true;  // what changed may have come after the cycle looked
  } else if (idleArmed_) {
    idleArmed_ = false;
    timer_->start(kIntervalMs, true);
  }
}

void WatchCycle::cycle() {
  if (inCycle_)
    return;
  // What others handed over while the last cycle waited is typed first, in its turn.
  if (!bridge_.takeTyping()) {
    waitingForTyping_ = true;
    return;
  }
  waitingForTyping_ = false;
  // The cycle before has ended: it is not on the way to here.
  running_ = run();
  running_.start();
}

void WatchCycle::typingFree() {
  if (waitingForTyping_) {
    waitingForTyping_ = false;
    arm();
  }
}

Task<void> WatchCycle::run() {
  ++started_;
  inCycle_ = true;
  // A cycle that looks sparingly, after one that found nothing and with nothing told since, only
  // probes the log: the program's windows dock as they move, and a fatal error prints into the
  // log before its box shows.
  const bool woken = std::exchange(wakesAtCycle_, wakes_) != wakes_;
  // While the cycle runs, it looks at the log itself; woken by the watch, it takes the line count
  // the watch's probe found, and reads what the log gained without probing it again.
  linesWatched_.reset();
  if (std::exchange(watching_, false)) {
    if (const long seen = bridge_.linesWatched(); woken && seen >= 0 && seen != log_.knownLines())
      linesWatched_ = seen;
    bridge_.watchLines(0, 0, 0);
  }
  light_ = sparing_ && !busy_ && !woken && !gameBusy_ &&
           (idleMs_ > 0 || clock_.nowMs() - fullLookAtMs_ < kFullLookMs);
  busy_ = true;
  gameBusy_ = false;
  std::exception_ptr failure;
  try {
    // What the game printed while the cycle waited is taken in the pieces the waits' looks saw it
    // come in, each as a cycle that had not waited would have taken it, before the cycle ends.
    bool again = true;
    for (bool first = true; again; first = false) {
      const std::uint64_t taken = log_.piecesTaken();
      co_await body();
      again = log_.piecesLeft() && (first || log_.piecesTaken() != taken);
    }
  } catch (...) {
    // The closing step still runs, so that watching goes on; the fault is the routine's.
    failure = std::current_exception();
  }
  // The closing step runs however the cycle ends, so the watch timer is always re-armed.
  inCycle_ = false;
  armNext();
  if (!light_)
    dock_.dock();
  ++ended_;
  bridge_.releaseTyping();
  if (failure)
    std::rethrow_exception(failure);
}

void WatchCycle::forgetConsole() {
  log_.forget();
  state_.consoleLog = 0;
  state_.playerName.clear();
  nameQueryOpen_ = false;
}

void WatchCycle::askNameWhenDue() {
  const std::int64_t now = clock_.nowMs();
  if (nameQueryOpen_ && now - nameQueryAtMs_ < kNameQueryIntervalMs)
    return;
  // A game that handles no message yet has not even been asked the last time.
  if (!bridge_.typingDone())
    return;
  type("/name");
  nameQueryOpen_ = true;
  nameQueryAtMs_ = now;
}

Task<void> WatchCycle::body() {
  WatchState& s = state_;

  co_await bridge_.yieldToEvents();
  if (!light_)
    dock_.dock();
  timer_->stop();
  const Hwnd console = bridge_.findWindowByTitle("", ConsoleBridge::kConsoleTitle);

  // "Back to Game" is offered only while the game runs.
  if (window_.backButtonVisible() && console == 0)
    window_.setBackButtonVisible(false);
  if (console == 0) {
    forgetConsole();
    status_.showGameAbsent();
    busy_ = false;
    co_return;
  }
  if (!window_.backButtonVisible())
    window_.setBackButtonVisible(true);

  // A game started as administrator drops every message of a program that is not: nothing
  // could be read or typed, and the status line says why instead of showing a quiet game.
  if (bridge_.runsElevated(console)) {
    forgetConsole();
    status_.showGameElevated();
    busy_ = false;
    co_return;
  }

  // A game that stopped with a fatal error shows the error in its console window instead of its
  // input line: nothing can be typed, and the error box is no log to read.
  if (const Hwnd box = light_ && errorBox_ == 0 ? 0 : bridge_.errorBox(console); box != 0) {
    if (box != errorBox_) {
      const std::string error = co_await bridge_.readWindowText(box);
      status_.showGameStopped(error == ConsoleBridge::kNoText ? std::string() : error);
      // The game makes the box first and gives it its text after: a box read before that is
      // read again.
      if (error != ConsoleBridge::kNoText)
        errorBox_ = box;
    }
    forgetConsole();
    busy_ = false;
    co_return;
  }
  errorBox_ = 0;

  // A console just found is cleared; until the name is known, it is asked for again and again.
  const bool found = s.consoleLog == 0;
  if (found) {
    // What a console just found holds was written before: it is not read.
    s.consoleLog = bridge_.nthChildWindow(console, kConsoleLogChild);
    log_.consoleFound(s.consoleLog);
  } else if (s.playerName.empty()) {
    askNameWhenDue();
  }

  // Where nothing tells of a print, a quiet log is only probed, and measured whole now and then.
  const LogFollower::Found seen =
      co_await log_.next(s.consoleLog, light_ && !found, std::exchange(linesWatched_, {}));
  if ((seen == LogFollower::Found::Changed || seen == LogFollower::Found::Unchanged) &&
      !log_.probedOnly())
    fullLookAtMs_ = clock_.nowMs();
  switch (seen) {
    case LogFollower::Found::ClearOnItsWay:
      co_return;
    case LogFollower::Found::GameBusy:
      // The game handles no message now (it loads a map): nothing is taken until it answers.
      gameBusy_ = true;
      busy_ = false;
      co_return;
    case LogFollower::Found::Unchanged:
      // Nothing grew or shrank in a console already known: nothing to do until it changes.
      busy_ = found;
      break;
    case LogFollower::Found::Changed:
      changedAtMs_ = clock_.nowMs();
      break;
  }
  if (log_.took()) {
    window_.setChatText(log_.newText());
    // What the player did himself counts against the server's flood protection, as the
    // program's chat does: the next "say" keeps its distance from it.
    if (consolelines::holdsPlayersOwnDeed(log_.wholeLines(), s.playerName, bridge_.recentlySaid()))
      bridge_.playerActed(log_.printedByMs());
  }

  // (Copies: a step may take the cycle's turn, and a cycle of a wait's pieces reads anew.)
  const std::string lines = log_.wholeLines();
  if (co_await events_.run(lines, s.playerName) == CycleFlow::EndNow)
    co_return;

  if (!s.playerName.empty() && co_await commands_.run(lines, s.playerName) == CycleFlow::EndNow)
    co_return;

  // The game's answer to a name query stands at the start of its own line; a chat line that
  // merely holds the same words must not choose the player's name.
  if (const std::optional<std::string> answer =
          consolelines::firstBeginningWith(lines, consolelines::kNameAnswer)) {
    co_await quoteScan(*answer);
    if (!s.playerName.empty())
      nameQueryOpen_ = false;
    status_.showPlayer(s.playerName);
    window_.setChatText("");
  }
}

Task<std::optional<std::int64_t>> WatchCycle::lookWhileWaiting() {
  if (state_.consoleLog == 0 || state_.playerName.empty())
    co_return std::nullopt;
  // Where the console tells of its changes, a log that told of none has none to look at.
  if (idleMs_ > 0 && std::exchange(wakesAtLook_, wakes_) == wakes_)
    co_return std::nullopt;
  const std::string gained = co_await log_.look(state_.consoleLog, sparing_ && idleMs_ == 0);
  if (gained.empty() ||
      !consolelines::holdsPlayersOwnDeed(gained, state_.playerName, bridge_.recentlySaid()))
    co_return std::nullopt;
  co_return log_.printedByMs();
}

Task<void> WatchCycle::quoteScan(std::string answer) {
  // The game answers a name query with "name" is:"<name>" default:"...": the name stands
  // between the third and the fourth double quote of the answer's line, and never runs on into
  // the next line.
  co_await bridge_.yieldToEvents();
  std::string collected;
  const std::vector<std::string> chars = characters(answer);
  const std::size_t n = chars.size();
  int quoteCount = 0;
  for (std::size_t i = 0; i < n; ++i) {
    co_await bridge_.yieldToEvents();
    if (chars[i] != "\"")
      continue;
    ++quoteCount;
    if (quoteCount != 3)
      continue;
    ++i;  // the outer scan goes on after the name's first character
    for (std::size_t j = i; j < n; ++j) {
      co_await bridge_.yieldToEvents();
      collected += chars[j];
      if (chars[j] == "\"") {
        co_await bridge_.yieldToEvents();
        collected.pop_back();
        state_.playerName = collected;
        break;
      }
    }
  }
}

}  // namespace pvx

#include "core/watcher/WatchCycle.h"

#include <algorithm>
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
      })) {
  bridge_.setReader(this);
}

WatchCycle::~WatchCycle() {
  bridge_.setReader(nullptr);
}

void WatchCycle::yield() {
  // What the events type comes after what this cycle types.
  const ConsoleBridge::Aside aside(bridge_);
  window_.yieldToEvents();
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
  if (gameBusy_) {
    // A game that did not answer is asked again a little later, not on every interval: each
    // question holds the program up for as long as it waits for the answer.
    delay = kBusyGameLookMs;
  } else if (idleMs_ > 0 && !busy_ && !woken_) {
    delay = idleMs_;
    // Until the name is known it is asked for on time.
    if (state_.consoleLog != 0 && state_.playerName.empty()) {
      const std::int64_t due =
          nameQueryOpen_ ? nameQueryAtMs_ + kNameQueryIntervalMs - clock_.nowMs() : 0;
      delay = std::clamp(due, kIntervalMs, delay);
    }
  }
  woken_ = false;
  idleArmed_ = delay > kIntervalMs;
  timer_->start(delay, true);
}

void WatchCycle::wake() {
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
  busy_ = true;
  gameBusy_ = false;
  try {
    // What the game printed while the cycle waited is taken in the pieces the waits' looks saw it
    // come in, each as a cycle that had not waited would have taken it, before the cycle ends.
    bool again = true;
    for (bool first = true; again; first = false) {
      const std::uint64_t taken = piecesTaken_;
      co_await body();
      const auto read = static_cast<std::size_t>(state_.previousLogLength);
      while (!cuts_.empty() && cuts_.front() <= read)
        cuts_.pop_front();
      again = !cuts_.empty() && (first || piecesTaken_ != taken);
    }
  } catch (...) {
    // Nothing the game writes may end the program; the next cycle starts afresh.
  }
  // The closing step runs however the cycle ends, so the watch timer is always re-armed.
  inCycle_ = false;
  armNext();
  dock_.dock();
  ++ended_;
  bridge_.releaseTyping();
}

void WatchCycle::clearLog(std::size_t keepFrom) {
  // The press first, and what the log holds beyond keepFrom the moment before it is kept: the
  // game may have printed it since the cycle read the log.
  bridge_.pressClearButton(state_.consoleLog, keepFrom);
  type("/clear");
  clearing_ = true;
  cuts_.clear();
  looked_.clear();
}

void WatchCycle::forgetConsole() {
  clearing_ = false;
  fullLogCleared_ = false;
  keptBeforeClear_.clear();
  bridge_.textBeforeClear();  // of a console no longer there
  state_.consoleLog = 0;
  state_.previousLogLength = 0;
  state_.logLength = 0;
  measuredAtRead_ = 0;
  state_.playerName.clear();
  nameQueryOpen_ = false;
  lookedLength_ = -1;
  cuts_.clear();
  looked_.clear();
  lastLine_.clear();
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
  newText_.clear();
  wholeLines_.clear();

  yield();
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
  if (bridge_.windows().runsElevatedAboveUs(console)) {
    forgetConsole();
    status_.showGameElevated();
    busy_ = false;
    co_return;
  }

  // A game that stopped with a fatal error shows the error in its console window instead of its
  // input line: nothing can be typed, and the error box is no log to read.
  if (const Hwnd box = bridge_.errorBox(console); box != 0) {
    if (box != errorBox_) {
      const std::string error = bridge_.readWindowText(box);
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
    clearLog(std::string::npos);
  } else if (s.playerName.empty()) {
    askNameWhenDue();
  }

  // The log shrank (its latest measure is below the one it was read at): start afresh from what
  // it holds. Measures are compared with measures, what was read with what was read.
  if (s.logLength < measuredAtRead_) {
    clearLog(0);
    s.previousLogLength = 0;
    measuredAtRead_ = 0;
    lastLine_.clear();
  }

  // The log empties once the Clear button's press reaches the game: until then what the log
  // holds was looked at already.
  if (clearing_) {
    if (!bridge_.typingDone())
      co_return;
    clearing_ = false;
    keptBeforeClear_ += bridge_.textBeforeClear();
  }

  const long measured = bridge_.measureLog(s.consoleLog);
  if (measured == WindowSystem::kNoAnswer) {
    // The game handles no message now (it loads a map): nothing is taken until it answers.
    gameBusy_ = true;
    busy_ = false;
    co_return;
  }
  s.logLength = measured;
  const bool grew = measured > measuredAtRead_;
  lookedLength_ = measured;

  // Nothing grew or shrank in a console already known: there is nothing to do until it changes.
  busy_ = found || measured != measuredAtRead_;
  const bool piecesLeft =
      !cuts_.empty() && cuts_.back() > static_cast<std::size_t>(s.previousLogLength);
  if ((grew || piecesLeft || !keptBeforeClear_.empty()) && !takeNewText()) {
    gameBusy_ = true;
    busy_ = false;
    co_return;
  }

  // A log this long is emptied, once for each time it fills; what came with it is still read, so
  // that an event printed as the log filled up is answered.
  if (s.logLength < kLogLimit) {
    fullLogCleared_ = false;
  } else if (!fullLogCleared_) {
    fullLogCleared_ = true;
    clearLog(static_cast<std::size_t>(s.previousLogLength));
    s.logLength = s.previousLogLength = measuredAtRead_ = 0;
    lastLine_.clear();
    if (bridge_.typingDone()) {
      clearing_ = false;
      keptBeforeClear_ += bridge_.textBeforeClear();
      const long after = bridge_.measureLog(s.consoleLog);
      s.logLength = s.previousLogLength = measuredAtRead_ = after < 0 ? 0 : after;
      fullLogCleared_ = s.logLength >= kLogLimit;
    }
  }

  if (co_await events_.run(wholeLines_, s.playerName) == CycleFlow::EndNow)
    co_return;

  if (!s.playerName.empty() &&
      co_await commands_.run(wholeLines_, s.playerName) == CycleFlow::EndNow)
    co_return;

  // The game's answer to a name query stands at the start of its own line; a chat line that
  // merely holds the same words must not choose the player's name.
  if (const std::optional<std::string> answer =
          consolelines::firstBeginningWith(wholeLines_, consolelines::kNameAnswer)) {
    quoteScan(*answer);
    if (!s.playerName.empty())
      nameQueryOpen_ = false;
    status_.showPlayer(s.playerName);
    window_.setChatText("");
  }
}

bool WatchCycle::takeNewText() {
  WatchState& s = state_;
  yield();
  const auto previous = static_cast<std::size_t>(s.previousLogLength);
  // What the game printed while the cycle waited is taken in the pieces the waits' looks saw it
  // come in: events printed apart are answered apart, and a burst after one does not cut it from
  // the last 200 characters.
  while (!cuts_.empty() && cuts_.front() <= previous)
    cuts_.pop_front();
  // What the waits' looks read is taken from what they read, a piece at a time.
  if (!cuts_.empty() && keptBeforeClear_.empty() && cuts_.front() <= previous + looked_.size()) {
    const std::size_t n = cuts_.front() - previous;
    cuts_.pop_front();
    ++piecesTaken_;
    std::string rest = looked_.substr(n);
    const std::string piece = looked_.substr(0, n);
    takeGained(piece);
    looked_ = std::move(rest);
    return true;
  }
  // A log that only grew since it was last read is read from there on, line by line: the game
  // copies out what it gained and the line it gained it on, not the whole log.
  std::optional<std::string> gained;
  if (previous > 0 && keptBeforeClear_.empty() && cuts_.empty())
    gained = bridge_.readLogFrom(s.consoleLog, previous, lastLine_);
  if (gained) {
    takeGained(*gained);
    // The game may print between the questions of a measure: the log read up to where its lines
    // ended when they were read, which a measure a moment before may fall short of.
    measuredAtRead_ = s.logLength = std::max(s.logLength, s.previousLogLength);
    lookedLength_ = s.logLength;
    return true;
  }
  // The game's code page has one byte per character, so the last characters are the last
  // bytes: only they are converted, not the whole log.
  std::optional<std::string> read = bridge_.readLogWhole(s.consoleLog);
  if (!read)
    return false;
  if (*read == ConsoleBridge::kNoText && !keptBeforeClear_.empty())
    read->clear();
  if (!cuts_.empty()) {
    // A log emptied since, or one that has not grown since the last look, is one piece.
    if (!keptBeforeClear_.empty() || *read == ConsoleBridge::kNoText ||
        cuts_.front() >= read->size()) {
      cuts_.clear();
    } else {
      read->resize(cuts_.front());
      cuts_.pop_front();
      ++piecesTaken_;
    }
  }
  const std::string& log = *read;
  // A game on its own thread prints on between the measure and the read: the new text runs from
  // where the last one ended to the end of what was read, so that nothing printed in between is
  // lost; of a text that shrank meanwhile all of it is new. What the log held when its Clear
  // button emptied it, and the cycle had not read, comes first.
  const bool kept = !keptBeforeClear_.empty();
  const bool grew = log.size() >= previous;
  const std::string grown =
      std::exchange(keptBeforeClear_, std::string()) + (grew ? log.substr(previous) : log);
  const std::size_t start = grown.size() - std::min(grown.size(), kNewTextLimit);
  const bool midLine = start > 0 ? grown[start - 1] != '\n'
                                 : !kept && grew && previous > 0 && log[previous - 1] != '\n';
  const std::string_view known = log == ConsoleBridge::kNoText ? std::string_view() : log;
  took(grown, start, midLine, known.size(), lastLineOf(known));
  // In a code page of one byte a character, the bytes read are characters, which the measure
  // counts: a measure a moment before the read may fall short of where the read ended.
  if (bridge_.codePage().oneBytePerCharacter()) {
    measuredAtRead_ = s.logLength = std::max(s.logLength, s.previousLogLength);
    lookedLength_ = s.logLength;
  }
  return true;
}

bool WatchCycle::takeGained(const std::string& gained) {
  const auto previous = static_cast<std::size_t>(state_.previousLogLength);
  const std::size_t start = gained.size() - std::min(gained.size(), kNewTextLimit);
  const bool midLine =
      start > 0 ? gained[start - 1] != '\n' : !lastLine_.empty() && lastLine_.back() != '\n';
  took(gained, start, midLine, previous + gained.size(), lastLineOf(lastLine_ + gained));
  return true;
}

std::string WatchCycle::lastLineOf(std::string_view log) {
  // What the line that holds the next new text has before it: the last line (a line is never
  // longer than the window shows on one line times a few; its last 1024 bytes are plenty).
  const std::size_t feed = log.rfind('\n');
  std::string_view line = feed == std::string_view::npos ? log : log.substr(feed + 1);
  if (line.size() > 1024)
    line = line.substr(line.size() - 1024);
  return std::string(line);
}

void WatchCycle::took(const std::string& grown, std::size_t start, bool midLine,
                      std::size_t logSize, std::string lastLine) {
  WatchState& s = state_;
  newText_ = bridge_.codePage().toUtf8(std::string_view(grown).substr(start));
  // When the new text begins inside a line (the last 200 characters of a longer burst, or the
  // rest of a line the last read ended in), that piece is not a whole line: nobody can tell who
  // wrote it, and it is often the tail of the program's own echo. Events and commands are looked
  // for in whole lines only.
  wholeLines_ = newText_;
  if (midLine) {
    const std::size_t feed = wholeLines_.find('\n');
    wholeLines_.erase(0, feed == std::string::npos ? wholeLines_.size() : feed + 1);
  }
  // The log is known up to what was read.
  s.previousLogLength = static_cast<long>(logSize);
  measuredAtRead_ = s.logLength;
  lastLine_ = std::move(lastLine);
  looked_.clear();
  window_.setChatText(newText_);
  // What the player did himself counts against the server's flood protection, as the program's
  // chat does: the next "say" keeps its distance from it.
  if (consolelines::holdsPlayersOwnDeed(wholeLines_, s.playerName, bridge_.recentlySaid()))
    bridge_.playerActed();
}

bool WatchCycle::lookWhileWaiting() {
  const WatchState& s = state_;
  if (s.consoleLog == 0 || s.playerName.empty())
    return false;
  // Read again only when the log changed since the last measure.
  const long length = bridge_.measureLog(s.consoleLog);
  if (length == WindowSystem::kNoAnswer || length == lookedLength_)
    return false;
  lookedLength_ = length;
  // From where the cycle read up to, or from where an earlier look went: not again what an
  // earlier look saw. A log that only grew is read line by line from there on.
  const auto previous = static_cast<std::size_t>(s.previousLogLength);
  const std::size_t from = previous + looked_.size();
  std::optional<std::string> gained;
  if (from > 0 && keptBeforeClear_.empty())
    gained = bridge_.readLogFrom(s.consoleLog, from, lastLineOf(lastLine_ + looked_));
  const bool lineWise = gained.has_value();
  if (!gained) {
    const std::optional<std::string> read = bridge_.readLogWhole(s.consoleLog);
    if (!read || *read == ConsoleBridge::kNoText)
      return false;
    if (read->size() < previous) {
      // Emptied since: the cycle reads it afresh.
      cuts_.clear();
      looked_.clear();
      return false;
    }
    if (read->size() < from) {
      // Not what the looks saw: what the log holds beyond where the cycle read is all new.
      cuts_.clear();
      looked_.clear();
    }
    gained = read->substr(previous + looked_.size());
  }
  if (gained->empty())
    return false;
  looked_ += *gained;
  const std::size_t size = previous + looked_.size();
  if (lineWise)  // (a measure a moment before the read may fall short of where it ended)
    lookedLength_ = std::max(lookedLength_, static_cast<long>(size));
  // (A log whose Clear button's press is on its way is about to be emptied: no pieces of it.)
  if ((cuts_.empty() || size > cuts_.back()) && !clearing_)
    cuts_.push_back(size);
  return consolelines::holdsPlayersOwnDeed(bridge_.codePage().toUtf8(*gained), s.playerName,
                                           bridge_.recentlySaid());
}

void WatchCycle::quoteScan(const std::string& answer) {
  // The game answers a name query with "name" is:"<name>" default:"...": the name stands
  // between the third and the fourth double quote of the answer's line, and never runs on into
  // the next line.
  yield();
  std::string collected;
  const std::vector<std::string> chars = characters(answer);
  const std::size_t n = chars.size();
  int quoteCount = 0;
  for (std::size_t i = 0; i < n; ++i) {
    yield();
    if (chars[i] != "\"")
      continue;
    ++quoteCount;
    if (quoteCount != 3)
      continue;
    ++i;  // the outer scan goes on after the name's first character
    for (std::size_t j = i; j < n; ++j) {
      yield();
      collected += chars[j];
      if (chars[j] == "\"") {
        yield();
        collected.pop_back();
        state_.playerName = collected;
        break;
      }
    }
  }
}

}  // namespace pvx

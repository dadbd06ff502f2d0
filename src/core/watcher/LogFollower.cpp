#include "core/watcher/LogFollower.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace pvx {

void LogFollower::clear(Hwnd log, std::size_t keepFrom) {
  // The press first, and what the log holds beyond keepFrom the moment before it is kept: the
  // game may have printed it since the log was read. Then "/clear" empties the game's own
  // console.
  bridge_.pressClearButton(log, keepFrom);
  bridge_.sendConsoleCommand("/clear");
  clearing_ = true;
  cuts_.clear();
  looked_.clear();
}

void LogFollower::consoleFound(Hwnd log) {
  clear(log, std::string::npos);
}

void LogFollower::forget() {
  clearing_ = false;
  fullLogCleared_ = false;
  keptBeforeClear_.clear();
  bridge_.textBeforeClear();  // of a console no longer there
  readTo_ = 0;
  measuredAtRead_ = 0;
  measured_ = 0;
  lookedAt_ = -1;
  cycleLines_ = lookLines_ = -1;
  cuts_.clear();
  looked_.clear();
  lastLine_.clear();
}

void LogFollower::restartFrom(long length) {
  readTo_ = static_cast<std::size_t>(length);
  measuredAtRead_ = measured_ = length;
  lastLine_.clear();
}

bool LogFollower::piecesLeft() {
  while (!cuts_.empty() && cuts_.front() <= readTo_)
    cuts_.pop_front();
  return !cuts_.empty();
}

Task<LogFollower::Found> LogFollower::next(Hwnd log, bool probeFirst, std::optional<long> probed) {
  took_ = false;
  probedOnly_ = false;
  newText_.clear();
  wholeLines_.clear();

  // The log shrank (its latest measure is below the one it was read at): start afresh from what
  // it holds.
  if (measured_ < measuredAtRead_) {
    clear(log, 0);
    readTo_ = 0;
    measuredAtRead_ = 0;
    lastLine_.clear();
  }

  // The log empties once the Clear button's press reaches the game: until then what the log
  // holds was looked at already.
  if (clearing_) {
    if (!bridge_.typingDone())
      co_return Found::ClearOnItsWay;
    clearing_ = false;
    keptBeforeClear_ += bridge_.textBeforeClear();
  }

  // Nothing waits to be taken, and the log shows as many lines as at the last probe: no print.
  const bool probe = probeFirst && cuts_.empty() && keptBeforeClear_.empty();
  // Beside a game that answers only between its frames, what a growth of the log calls for is
  // read along with the measure, not a frame later.
  std::optional<ConsoleBridge::ReadBeyond> readBeyond;
  if (bridge_.answersLater() && cuts_.empty() && keptBeforeClear_.empty())
    readBeyond = ConsoleBridge::ReadBeyond{measuredAtRead_, readTo_, lastLine_};
  const std::size_t readFrom = readTo_;
  readAlong_.reset();
  // The probe is asked apart where the game answers between its frames: its answer tells the
  // moment by which a print came, a frame or two before the measure's.
  std::optional<long> lines;
  std::optional<std::int64_t> changeSeenMs;
  if (probed && cuts_.empty() && keptBeforeClear_.empty()) {
    lines = *probed;
    changeSeenMs = bridge_.nowMs();
  } else if (probe && bridge_.answersLater()) {
    const long probed = co_await bridge_.lineCount(log);
    if (probed >= 0 && probed == cycleLines_) {
      probedOnly_ = true;
      co_return Found::Unchanged;
    }
    changeSeenMs = bridge_.nowMs();
    if (probed >= 0)
      lines = probed;
  }
  ConsoleBridge::LogMeasure m = co_await bridge_.measureLogUnless(log, probe ? cycleLines_ : -1,
                                                                  std::move(readBeyond), lines);
  readAlong_ = std::move(m.read);
  readAlongFrom_ = readFrom;
  if (m.lines >= 0)
    cycleLines_ = m.lines;
  if (m.linesUnchanged) {
    probedOnly_ = true;
    co_return Found::Unchanged;
  }
  const long measured = m.length;
  if (measured == WindowSystem::kNoAnswer)
    co_return Found::GameBusy;  // it loads a map: nothing is taken until it answers
  measuredMs_ = changeSeenMs.value_or(bridge_.nowMs());
  measured_ = measured;
  lookedAt_ = measured;
  const bool changed = measured != measuredAtRead_;
  const bool piecesBeyond = !cuts_.empty() && cuts_.back() > readTo_;
  if ((measured > measuredAtRead_ || piecesBeyond || !keptBeforeClear_.empty()) &&
      !co_await takeNewText(log))
    co_return Found::GameBusy;
  // Measured up to where the lines the probe counted end, the log was read no further: what was
  // taken had been printed by the probe's answer. Read further, some of it came after.
  if (changeSeenMs && (m.lengthOfRead || !(bridge_.codePage().oneBytePerCharacter() &&
                                           readTo_ <= static_cast<std::size_t>(measured))))
    measuredMs_ = bridge_.nowMs();
  readAlong_.reset();
  readEnded();

  // A full log is emptied, once for each time it fills; what came with it is still read, so that
  // an event printed as the log filled up is answered.
  if (measured_ < kLogLimit) {
    fullLogCleared_ = false;
  } else if (!fullLogCleared_) {
    fullLogCleared_ = true;
    clear(log, readTo_);
    measured_ = measuredAtRead_ = 0;
    readTo_ = 0;
    lastLine_.clear();
    if (bridge_.typingDone()) {
      clearing_ = false;
      keptBeforeClear_ += bridge_.textBeforeClear();
      const long after = co_await bridge_.measureLog(log);
      measured_ = measuredAtRead_ = after < 0 ? 0 : after;
      readTo_ = static_cast<std::size_t>(measured_);
      fullLogCleared_ = measured_ >= kLogLimit;
    }
  }
  co_return changed ? Found::Changed : Found::Unchanged;
}

Task<std::optional<std::string>> LogFollower::readFrom(Hwnd log, std::size_t from,
                                                       std::string before, bool& lineWise) {
  // A log that only grew since it was last read is read from there on, line by line: the game
  // copies out what it gained and the line it gained it on, not the whole log. Where that cannot
  // be done soundly, or the log changed otherwise, the whole log is read.
  ConsoleBridge::LogRead read =
      co_await bridge_.readLog(log, keptBeforeClear_.empty() ? from : 0, std::move(before));
  lineWise = read.lineWise;
  co_return std::move(read.text);
}

Task<bool> LogFollower::takeNewText(Hwnd log) {
  co_await bridge_.yieldToEvents();
  const std::size_t previous = readTo_;
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
    takeGained(looked_.substr(0, n));
    looked_ = std::move(rest);
    co_return true;
  }
  bool lineWise = false;
  std::optional<std::string> read;
  if (readAlong_ && cuts_.empty() && keptBeforeClear_.empty() && readAlongFrom_ == previous) {
    lineWise = readAlong_->lineWise;
    read = std::move(readAlong_->text);
  } else {
    read = co_await readFrom(log, cuts_.empty() ? previous : 0, lastLine_, lineWise);
  }
  readAlong_.reset();
  if (!read)
    co_return false;
  if (lineWise) {
    takeGained(*read);
    // The game may print between the questions of a measure: the log was read up to where its
    // lines ended when they were read, which a measure a moment before may fall short of.
    measuredAtRead_ = measured_ = std::max(measured_, static_cast<long>(readTo_));
    lookedAt_ = measured_;
    co_return true;
  }
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
  const std::string& whole = *read;
  // A game on its own thread prints on between the measure and the read: the new text runs from
  // where the last one ended to the end of what was read, so that nothing printed in between is
  // lost; of a text that shrank meanwhile all of it is new. What the log held when its Clear
  // button emptied it, and had not been taken, comes first.
  const bool kept = !keptBeforeClear_.empty();
  const bool grew = whole.size() >= previous;
  const std::string grown =
      std::exchange(keptBeforeClear_, std::string()) + (grew ? whole.substr(previous) : whole);
  // The game's code page has one byte per character, so the last characters are the last bytes:
  // only they are converted, not the whole log.
  const std::size_t start = grown.size() - std::min(grown.size(), kNewTextLimit);
  const bool midLine = start > 0 ? grown[start - 1] != '\n'
                                 : !kept && grew && previous > 0 && whole[previous - 1] != '\n';
  const std::string_view known = whole == ConsoleBridge::kNoText ? std::string_view() : whole;
  take(grown, start, midLine, known.size(), lastLineOf(known));
  // In a code page of one byte a character, the bytes read are characters, which the measure
  // counts: a measure a moment before the read may fall short of where the read ended.
  if (bridge_.codePage().oneBytePerCharacter()) {
    measuredAtRead_ = measured_ = std::max(measured_, static_cast<long>(readTo_));
    lookedAt_ = measured_;
  }
  co_return true;
}

void LogFollower::takeGained(const std::string& gained) {
  const std::size_t start = gained.size() - std::min(gained.size(), kNewTextLimit);
  const bool midLine =
      start > 0 ? gained[start - 1] != '\n' : !lastLine_.empty() && lastLine_.back() != '\n';
  take(gained, start, midLine, readTo_ + gained.size(), lastLineOf(lastLine_ + gained));
}

std::string LogFollower::lastLineOf(std::string_view log) {
  // What the line that holds the next new text has before it: the last line (a line is never
  // longer than the window shows on one line times a few; its last 1024 bytes are plenty).
  const std::size_t feed = log.rfind('\n');
  std::string_view line = feed == std::string_view::npos ? log : log.substr(feed + 1);
  if (line.size() > 1024)
    line = line.substr(line.size() - 1024);
  return std::string(line);
}

void LogFollower::take(const std::string& grown, std::size_t start, bool midLine,
                       std::size_t logSize, std::string lastLine) {
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
  readTo_ = logSize;
  measuredAtRead_ = measured_;
  lastLine_ = std::move(lastLine);
  looked_.clear();
  took_ = true;
}

Task<std::string> LogFollower::look(Hwnd log, bool probeFirst) {
  if (log == 0)
    co_return std::string();
  // Read again only when the log changed since the last measure.
  const ConsoleBridge::LogMeasure m =
      co_await bridge_.measureLogUnless(log, probeFirst ? lookLines_ : -1);
  if (probeFirst && m.lines >= 0)
    lookLines_ = m.lines;
  const long length = m.length;
  if (m.linesUnchanged || length == WindowSystem::kNoAnswer || length == lookedAt_)
    co_return std::string();
  measuredMs_ = bridge_.nowMs();
  lookedAt_ = length;
  // From where the cycle read up to, or from where an earlier look went: not again what an
  // earlier look saw.
  const std::size_t from = readTo_ + looked_.size();
  bool lineWise = false;
  std::optional<std::string> gained =
      co_await readFrom(log, from, lastLineOf(lastLine_ + looked_), lineWise);
  if (!gained)
    co_return std::string();
  if (!lineWise) {
    const std::string& whole = *gained;
    if (whole == ConsoleBridge::kNoText)
      co_return std::string();
    if (whole.size() < readTo_) {
      // Emptied since: the cycle reads it afresh.
      cuts_.clear();
      looked_.clear();
      co_return std::string();
    }
    if (whole.size() < from) {
      // Not what the looks saw: what the log holds beyond where the cycle read is all new.
      cuts_.clear();
      looked_.clear();
    }
    gained = whole.substr(readTo_ + looked_.size());
  }
  if (gained->empty())
    co_return std::string();
  readEnded();
  looked_ += *gained;
  const std::size_t size = readTo_ + looked_.size();
  if (lineWise)  // (a measure a moment before the read may fall short of where it ended)
    lookedAt_ = std::max(lookedAt_, static_cast<long>(size));
  // (A log whose Clear button's press is on its way is about to be emptied: no pieces of it.)
  if ((cuts_.empty() || size > cuts_.back()) && !clearing_)
    cuts_.push_back(size);
  co_return bridge_.codePage().toUtf8(*gained);
}

}  // namespace pvx

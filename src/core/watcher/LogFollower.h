#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "core/console/ConsoleBridge.h"
#include "core/time/Task.h"

namespace pvx {

// Where the game's console log stands for the program, and what it gained: the one side that
// reads the log. It measures the log, reads what it gained since the last read (at most its last
// 200 characters), looks at it while a wait holds the cycle, and empties it with the console's
// Clear button when it is new or full.
//
// Every position counts the log's characters, which in the game's code page are its bytes (in a
// double-byte code page the count is of bytes, and the window's count may fall short of it); the
// log stands in one place: readTo_, up to where it has been taken, and measuredAtRead_, its
// measure when it was read. A measure is compared only with another measure, since the game may
// print between the questions of a measure and the read.
class LogFollower {
 public:
  // A log this long is emptied, once for each time it fills.
  static constexpr long kLogLimit = 30000;
  static constexpr std::size_t kNewTextLimit = 200;

  // What a cycle's look at the log found.
  enum class Found {
    ClearOnItsWay,  // the Clear button's press has not reached the game: nothing to read yet
    GameBusy,       // the game gave up answering: nothing was taken
    Unchanged,      // the log is as it was at the last read
    Changed,        // it grew or shrank (what it gained, if anything, is newText())
  };

  explicit LogFollower(ConsoleBridge& bridge) : bridge_(bridge) {}

  // A console just found: what its log holds was written before, and is emptied unread.
  void consoleFound(Hwnd log);
  // The console is gone: nothing of its log is kept.
  void forget();
  // The cycle's look: measures the log and takes what it gained. probeFirst: where nothing but
  // the log's lines changing can tell of a print, ask only how many lines it shows, and measure
  // it only when that changed. probed: how many lines a probe a moment before found it to show,
  // when more or fewer than at the cycle's last look (it is not asked again).
  Task<Found> next(Hwnd log, bool probeFirst = false, std::optional<long> probed = std::nullopt);
  // Whether the latest next() only probed the log (its line count had not changed).
  bool probedOnly() const { return probedOnly_; }
  // How many lines the log showed at the cycle's latest measure or probe; -1 when unknown.
  long knownLines() const { return cycleLines_; }
  // The look of a wait: what the log gained since the cycle's last read and the last look (UTF-8;
  // empty when nothing). The text is kept for the cycle, in the pieces the looks saw it come in.
  // probeFirst as for next().
  Task<std::string> look(Hwnd log, bool probeFirst = false);
  // Whether the waits' looks saw pieces beyond what the cycle has taken, and how many the cycle
  // has taken so far: a cycle that waited takes them one after the other before it ends.
  bool piecesLeft();
  std::uint64_t piecesTaken() const { return piecesTaken_; }

  // Whether the latest next() took text, and what: at most the last 200 characters of what the
  // log gained (UTF-8), and its whole lines, which the replies and the commands read.
  bool took() const { return took_; }
  // A moment by which what the latest next() took, or the latest look() gained, was printed: the
  // answer of the measure that found the log changed, or where the read came long after it (the
  // game stopped answering in between), kReadLateMs before the read's end. The server's second
  // after the player's own doing runs from then.
  std::int64_t printedByMs() const { return printedByMs_; }
  static constexpr std::int64_t kReadLateMs = 50;
  const std::string& newText() const { return newText_; }
  const std::string& wholeLines() const { return wholeLines_; }

  // As a read that took the log up to length leaves it (a benchmark repeats one read this way).
  void restartFrom(long length);

 private:
  // Presses the Clear button and types "/clear" (the game's own console); what the log holds
  // beyond keepFrom the moment before the press is read as new text (npos: none of it).
  void clear(Hwnd log, std::size_t keepFrom);
  // False when the game gave up answering: nothing was taken.
  Task<bool> takeNewText(Hwnd log);
  // What the log holds from from on (before: what it held up to there), read line by line where
  // it only grew; else the whole log. Nothing when the game gave up answering; lineWise tells
  // which it is.
  Task<std::optional<std::string>> readFrom(Hwnd log, std::size_t from, std::string before,
                                            bool& lineWise);
  // Takes grown, from start on, as the new text; the log is then known up to logSize, its last
  // line lastLine.
  void take(const std::string& grown, std::size_t start, bool midLine, std::size_t logSize,
            std::string lastLine);
  // What the log gained from where it was read up to.
  void takeGained(const std::string& gained);
  static std::string lastLineOf(std::string_view log);

  ConsoleBridge& bridge_;
  std::size_t readTo_ = 0;       // up to here the log has been taken
  long measuredAtRead_ = 0;      // its measure when it was taken
  long measured_ = 0;            // its latest measure
  long lookedAt_ = -1;           // its measure at the last look or measure; -1: none
  std::string lastLine_;         // its last line up to readTo_ (the game's bytes)
  std::string looked_;           // what the waits' looks read beyond readTo_
  std::string keptBeforeClear_;  // what a press emptied before it was taken
  // Where the log ended at each look that saw it grow while the cycle waited: what it gained
  // meanwhile is taken in these pieces, one after the other.
  std::deque<std::size_t> cuts_;
  std::uint64_t piecesTaken_ = 0;
  bool clearing_ = false;        // the Clear button was pressed, perhaps not yet reached
  bool fullLogCleared_ = false;  // emptied at its limit, and not below it since
  bool took_ = false;
  bool probedOnly_ = false;
  // The read that measuredMs_'s measure called for has ended.
  void readEnded() { printedByMs_ = std::max(measuredMs_, bridge_.nowMs() - kReadLateMs); }
  std::optional<ConsoleBridge::LogRead> readAlong_;  // read along with the latest measure
  std::size_t readAlongFrom_ = 0;                    // from where
  std::int64_t measuredMs_ = 0;  // when the latest measure that found a change was answered
  std::int64_t printedByMs_ = 0;
  long cycleLines_ = -1;  // the line count at the cycle's last probe; -1: none
  long lookLines_ = -1;   // at the waits' last probe
  std::string newText_;
  std::string wholeLines_;
};

}  // namespace pvx

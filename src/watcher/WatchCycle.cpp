#include "watcher/WatchCycle.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "console/Text.h"
#include "watcher/ConsoleLines.h"

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

WatchCycle::WatchCycle(MainForm& form) : form_(form) {}

void WatchCycle::yield() {
  form_.context().window.yieldToEvents();
}

void WatchCycle::type(const char* command) {
  form_.context().q3.sendConsoleCommand(command);
}

void WatchCycle::cycle() {
  ++started_;
  // The closing step runs however the cycle ends, so the watch timer is always re-armed.
  struct Closing {
    WatchCycle& w;
    ~Closing() {
      w.form_.timer1().start(MainForm::kWatchIntervalMs, true);
      w.form_.dockPlayerWindow();
      ++w.ended_;
    }
  } closing{*this};
  try {
    body();
  } catch (const std::exception&) {
    // Nothing the game writes may end the program; the next cycle starts afresh.
  }
}

void WatchCycle::body() {
  MainForm& f = form_;
  MainWindowPort& window = f.context().window;
  newText_.clear();
  wholeLines_.clear();

  yield();               // 1
  f.dockPlayerWindow();  // 2
  f.timer1().stop();     // 3
  const Hwnd console =   // 4
      f.context().q3.findWindowByTitle(window.consoleClassText(), window.consoleTitleText());

  if (window.backButtonVisible() && console == 0)
    window.setBackButtonVisible(false);  // 5
  if (console == 0) {                    // 6
    f.consoleLog = 0;
    f.previousLogLength = 0;
    f.logLength = 0;
    f.currentPlayerName.clear();
    window.setStatusLine(f.statusAbsent());
    return;
  }
  if (!window.backButtonVisible())
    window.setBackButtonVisible(true);  // 7

  if (f.consoleLog == 0) {  // 8
    f.consoleLog = f.context().q3.nthChildWindow(console, kConsoleLogChild);
    type("/clear");
  } else if (f.currentPlayerName.empty()) {
    type("/name");
  }

  if (f.previousLogLength > f.logLength) {  // 9: the log shrank
    type("/clear");
    f.previousLogLength = 0;
  }

  f.logLength = f.context().tarn.windowTextLength(f.consoleLog);  // 10

  if (f.logLength >= kLogLimit) {  // 11
    yield();
    type("/clear");
    f.logLength = f.context().tarn.windowTextLength(f.consoleLog);
    f.previousLogLength = f.logLength;
    return;
  }

  if (f.previousLogLength < f.logLength)
    takeNewText();  // 12

  if (gameEvents && gameEvents(wholeLines_) == CycleFlow::EndNow)
    return;  // 13

  if (!f.currentPlayerName.empty() && chatCommands &&  // 14
      chatCommands(wholeLines_) == CycleFlow::EndNow) {
    return;
  }

  // The game's answer to a name query stands at the start of its own line; a chat line that
  // merely holds the same words must not choose the player's name.
  if (const std::optional<std::string> answer =
          consolelines::firstBeginningWith(wholeLines_, kNameAnswer)) {
    quoteScan(*answer);
    window.setStatusLine(f.statusPresent());
    window.setChatText("");
  }
}

void WatchCycle::takeNewText() {
  MainForm& f = form_;
  yield();
  // The game's code page has one byte per character, so the last characters are the last
  // bytes: only they are converted, not the whole log.
  const std::string log = f.context().tarn.readWindowBytes(f.consoleLog);
  const auto grown = static_cast<std::size_t>(f.logLength - f.previousLogLength);
  const std::size_t keep = std::min({grown, kNewTextLimit, log.size()});
  const std::size_t start = log.size() - keep;
  newText_ = text::fromCp1252(std::string_view(log).substr(start));
  // When the new text begins inside a line (the last 200 characters of a longer burst), that
  // piece is not a whole line: nobody can tell who wrote it, and it is often the tail of the
  // program's own echo. Events and commands are looked for in whole lines only.
  wholeLines_ = newText_;
  if (start > 0 && log[start - 1] != '\n') {
    const std::size_t feed = wholeLines_.find('\n');
    wholeLines_.erase(0, feed == std::string::npos ? wholeLines_.size() : feed + 1);
  }
  f.previousLogLength = f.logLength;
  f.context().window.setChatText(newText_);
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
        form_.currentPlayerName = collected;
        break;
      }
    }
  }
}

}  // namespace pvx

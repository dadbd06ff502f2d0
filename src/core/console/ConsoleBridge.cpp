#include "core/console/ConsoleBridge.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <coroutine>
#include <exception>
#include <memory>
#include <utility>

#include "core/text/Text.h"

namespace pvx {

namespace {
constexpr unsigned kCarriageReturn = 13;
constexpr long kKeyData = 1;
constexpr int kWindowTextBuffer = 260;
}  // namespace

Hwnd ConsoleBridge::findConsoleWindow() {
  const std::string title = text::toCp1252(kConsoleTitle);
  return ws_.findWindow(nullptr, title.c_str());
}

Hwnd ConsoleBridge::findWindowByTitle(std::string_view classFilter, std::string_view title) {
  const std::string cls = text::toCp1252(classFilter);
  const std::string ttl = text::toCp1252(title);
  return ws_.findWindow(cls.empty() ? nullptr : cls.c_str(), ttl.c_str());
}

Hwnd ConsoleBridge::findWindowOfClass(std::string_view className) {
  const std::string cls = text::toCp1252(className);
  return ws_.findWindow(cls.c_str(), nullptr);
}

bool ConsoleBridge::showWindow(Hwnd hwnd, bool show) {
  return ws_.showWindow(hwnd, show ? WindowSystem::kSwShow : WindowSystem::kSwHide);
}

bool ConsoleBridge::setWindowPos(Hwnd hwnd, unsigned flags) {
  return ws_.setWindowPos(hwnd, 0, 0, 0, 0, 0, flags);
}

Hwnd ConsoleBridge::nthChild(WindowSystem& ws, Hwnd parent, int n) {
  if (n < 1)
    return 0;
  Hwnd h = ws.getWindow(parent, WindowSystem::kGwChild);
  for (int i = 1; i < n && h != 0; ++i)
    h = ws.getWindow(h, WindowSystem::kGwHwndNext);
  return h;
}

Hwnd ConsoleBridge::nthChildWindow(Hwnd parent, int n) {
  return nthChild(ws_, parent, n);
}

namespace {

constexpr std::string_view kSay = "say ";

bool isSay(std::string_view command) {
  return command.substr(0, kSay.size()) == kSay;
}

// Outside double quotes the game's tokenizer reads "//" and "/*" as the start of a comment.
bool holdsCommentStart(std::string_view text) {
  return text.find("//") != std::string_view::npos || text.find("/*") != std::string_view::npos;
}

}  // namespace

std::string ConsoleBridge::asLine(std::string_view command, const CodePage& codePage) {
  // The window takes its text up to the first NUL byte: nothing after one is ever typed.
  command = command.substr(0, command.find('\0'));
  std::string line(command);
  if (isSay(command) && holdsCommentStart(command.substr(kSay.size())))
    line = std::string(kSay) + "\"" + std::string(command.substr(kSay.size())) + "\"";
  if (codePage.fromUtf8(line).size() <= kMaxLineBytes)
    return line;
  // A character takes a byte at least (one in the single-byte code pages).
  std::size_t characters = std::min(text::length(line), kMaxLineBytes);
  while (characters > 0 &&
         codePage.fromUtf8(text::substring(line, 0, characters)).size() > kMaxLineBytes)
    --characters;
  return text::substring(line, 0, characters);
}

std::int64_t ConsoleBridge::chatHoldMs() const {
  // A game that handles no message (it loads a map) holds the typist up, and what was handed to
  // it reaches the game once the game answers again: a say still on its way starts the second
  // when it arrives.
  const std::optional<std::int64_t> typedAgo = typist_.chatTypedAgoMs();
  if (typedAgo && *typedAgo < 0)
    return kLookWhileWaitingMs;
  // The previous say and the player's own doing each started the server's second again.
  const std::int64_t now = clock_.nowMs();
  const std::int64_t since =
      std::max({saidMs_.value_or(INT64_MIN / 2), playerActedMs_.value_or(INT64_MIN / 2),
                typedAgo ? now - *typedAgo : INT64_MIN / 2});
  return since + kChatGapMs - now;
}

Task<void> ConsoleBridge::wait(std::int64_t ms) {
  if (ms <= 0)
    co_return;
  holderRunning_ = false;
  // The wait looks at the log now and then, as the cycle would: the player's own doing printed
  // meanwhile holds the next say from the moment it is seen, though the cycle reads it later.
  const std::int64_t end = clock_.nowMs() + ms;
  // Beside a game that answers only between its frames, the last look is asked a frame before
  // the wait ends, so that its answer does not hold up what comes after the wait.
  const std::int64_t ahead = answersLater_ ? kLookAheadMs : 0;
  bool lastLooked = false;
  std::int64_t lookedAtMs = clock_.nowMs();
  for (std::int64_t left = ms; left > 0 || lastLooked; left = end - clock_.nowMs()) {
    if (lastLooked) {
      if (left > 0)
        co_await clock_.sleep(left);
      // A busy machine may wake the routine late: what the player did meanwhile is looked for
      // again.
      if (clock_.nowMs() - lookedAtMs <= ahead || reader_ == nullptr)
        break;
      lastLooked = false;
      if (const std::optional<std::int64_t> printedBy = co_await reader_->lookWhileWaiting())
        playerActed(*printedBy);
      break;
    }
    const bool last = left <= kLookWhileWaitingMs + ahead;
    co_await clock_.sleep(last ? std::max<std::int64_t>(left - ahead, 0) : kLookWhileWaitingMs);
    lastLooked = last;
    if (reader_ == nullptr)
      continue;
    if (const std::optional<std::int64_t> printedBy = co_await reader_->lookWhileWaiting())
      playerActed(*printedBy);
    lookedAtMs = clock_.nowMs();
  }
  holderRunning_ = true;
}

Task<void> ConsoleBridge::waitSeconds(float seconds) {
  co_await wait(waitMilliseconds(seconds));
}

Task<void> ConsoleBridge::type(std::string command) {
  if (findConsoleWindow() == 0)
    co_return;
  std::string line = asLine(command, codePage_);
  if (isSay(line)) {
    // A say that waited is not typed blind: the player's own doing that the waits saw printed,
    // which the cycle has not read yet, started the server's second again, and so did a say that
    // reached the game only when a held-up typist got to it.
    while (chatHoldMs() > 0)
      co_await wait(chatHoldMs());
    saidMs_ = clock_.nowMs();
  }
  // The game may have gone during the wait.
  if (const Hwnd console = findConsoleWindow(); console != 0)
    typeNow(console, std::move(line));
}

bool ConsoleBridge::typesAtOnce(const std::string& line) const {
  if (!queued_.empty() || (holder_ != Holder::None && !holderRunning_))
    return false;
  return !isSay(line) || chatHoldMs() <= 0;
}

void ConsoleBridge::sendConsoleCommand(std::string_view command) {
  const Hwnd console = findConsoleWindow();
  if (console == 0)
    return;
  std::string line = asLine(command, codePage_);
  if (!typesAtOnce(line)) {
    queued_.push_back(std::string(command.substr(0, command.find('\0'))));
    if (holder_ == Holder::None)
      typeHandedOver();
    return;
  }
  if (isSay(line))
    saidMs_ = clock_.nowMs();
  typeNow(console, std::move(line));
}

bool ConsoleBridge::takeTyping() {
  if (holder_ != Holder::None)
    return false;
  holder_ = Holder::Cycle;
  holderRunning_ = true;
  return true;
}

void ConsoleBridge::releaseTyping() {
  holder_ = Holder::None;
  holderRunning_ = false;
  if (!queued_.empty())
    typeHandedOver();
}

void ConsoleBridge::typeHandedOver() {
  holder_ = Holder::HandedOver;
  holderRunning_ = true;
  // The routine before has ended: it is not on the way to here.
  handedOverRoutine_ = typeHandedOverRoutine();
  handedOverRoutine_.start();
}

Task<void> ConsoleBridge::typeHandedOverRoutine() {
  std::exception_ptr failure;
  try {
    while (!queued_.empty()) {
      std::string next = std::move(queued_.front());
      queued_.pop_front();
      co_await type(std::move(next));
    }
  } catch (...) {
    // The typing is given back whatever happened; what went wrong is reported as the routine's.
    queued_.clear();
    failure = std::current_exception();
  }
  holder_ = Holder::None;
  holderRunning_ = false;
  if (reader_ != nullptr)
    reader_->typingFree();
  if (failure)
    std::rethrow_exception(failure);
}

void ConsoleBridge::typeNow(Hwnd console, std::string line) {
  {
    const std::lock_guard<std::mutex> lock(pending_->mutex);
    pending_->command = line;
  }
  if (isSay(line) && line.size() > kSay.size()) {
    // What the game prints back: the text, without the quotes it was typed in.
    std::string words = line.substr(kSay.size());
    if (!words.empty() && words.front() == '"' && holdsCommentStart(words)) {
      words.erase(0, 1);
      if (!words.empty() && words.back() == '"')
        words.pop_back();
    }
    said_.push_back(std::move(words));
    if (said_.size() > kSaidKept)
      said_.pop_front();
  }
  const Typist::Kind kind = isSay(line) ? Typist::Kind::Chat : Typist::Kind::Local;

  typist_.type([pending = pending_, console, line = std::move(line), &codePage = codePage_](
                   WindowSystem& ws) { typeLine(ws, console, line, codePage, *pending); },
               kind);
}

void ConsoleBridge::typeLine(WindowSystem& ws, Hwnd console, const std::string& line,
                             const CodePage& codePage, Pending& pending) {
  std::string left = line;
  ws.enumChildWindows(
      console, [&](Hwnd child, long) { return typeIntoEmptyChild(ws, child, left, codePage); }, 0);
  if (left.empty()) {
    const std::lock_guard<std::mutex> lock(pending.mutex);
    if (pending.command == line)
      pending.command.clear();
  }
}

long ConsoleBridge::typeIntoEmptyChild(WindowSystem& ws, Hwnd child, std::string& pending,
                                       const CodePage& codePage) {
  std::array<char, kWindowTextBuffer> buffer{};
  const int copied = ws.getWindowText(child, buffer.data(), kWindowTextBuffer);
  const std::string childText =
      cutAtNul(std::string_view(buffer.data(), static_cast<std::size_t>(copied < 0 ? 0 : copied)));
  if (!childText.empty())
    return 0;
  const std::vector<char> bytes = toAnsiBytes(pending, codePage);
  ws.setText(child, bytes.data());
  ws.sendChar(child, kCarriageReturn, kKeyData);
  pending.clear();
  return 1;
}

std::string ConsoleBridge::pendingCommand() const {
  const std::lock_guard<std::mutex> lock(pending_->mutex);
  return pending_->command;
}

void ConsoleBridge::pressClearButton(Hwnd log, std::size_t keepFrom) {
  const Hwnd console = findConsoleWindow();
  if (console == 0)
    return;
  typist_.type(
      [console, log, keepFrom, pending = pending_](WindowSystem& ws) {
        // Only the button that says so: the one beside it quits the game.
        const Hwnd button = nthChild(ws, console, kClearButtonChild);
        std::array<char, kWindowTextBuffer> buffer{};
        const int copied = ws.getWindowText(button, buffer.data(), kWindowTextBuffer);
        if (button == 0 || copied <= 0 ||
            cutAtNul(std::string_view(buffer.data(), static_cast<std::size_t>(copied))) !=
                kClearButtonText)
          return;
        // The log's text the moment before it empties, as close to the press as can be.
        std::string text;
        if (log != 0 && keepFrom != std::string::npos) {
          const long n = ws.getTextLength(log);
          if (n > 0) {
            text.assign(static_cast<std::size_t>(n) + 1, '\0');
            const long got = ws.getText(log, n + 1, text.data());
            text.resize(got > 0 ? std::min(static_cast<std::size_t>(got), text.size() - 1) : 0);
          }
        }
        ws.clickButton(button);
        // A button that emptied nothing leaves the text to be read where it is.
        const long after = text.empty() ? 0 : ws.getTextLength(log);
        if (text.size() > keepFrom && after >= 0 && static_cast<std::size_t>(after) < text.size()) {
          const std::lock_guard<std::mutex> lock(pending->mutex);
          pending->beforeClear += text.substr(keepFrom);
        }
      },
      Typist::Kind::Press);
}

std::string ConsoleBridge::textBeforeClear() {
  const std::lock_guard<std::mutex> lock(pending_->mutex);
  return std::exchange(pending_->beforeClear, std::string());
}

Hwnd ConsoleBridge::errorBox(Hwnd console) {
  for (Hwnd child = ws_.getWindow(console, WindowSystem::kGwChild); child != 0;
       child = ws_.getWindow(child, WindowSystem::kGwHwndNext)) {
    std::array<char, kWindowTextBuffer> name{};
    const int length = ws_.getClassName(child, name.data(), kWindowTextBuffer);
    const std::string_view className(name.data(),
                                     static_cast<std::size_t>(length > 0 ? length : 0));
    // The system's class "Static", whatever letter case the game named it in.
    if (className.size() == 6 && text::findNoCase(className, "Static") == 0)
      return child;
  }
  return 0;
}

std::string ConsoleBridge::cutAtNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::vector<char> ConsoleBridge::toAnsiBytes(std::string_view text, const CodePage& codePage) {
  const std::string ansi = codePage.fromUtf8(text);
  std::vector<char> bytes(ansi.begin(), ansi.end());
  bytes.push_back('\0');
  return bytes;
}

namespace {

// Questions asked in turn, awaited: the routine that asks is suspended until the window system
// has answered them all (at once, where it answers at once).
class AnsweredInTurn {
 public:
  AnsweredInTurn(WindowSystem& ws, WindowSystem::Questions questions)
      : ws_(ws), questions_(std::move(questions)), state_(std::make_shared<State>()) {}
  AnsweredInTurn(const AnsweredInTurn&) = delete;
  AnsweredInTurn& operator=(const AnsweredInTurn&) = delete;
  // A routine ended while it waits for the answers is never resumed by them.
  ~AnsweredInTurn() { state_->routine = {}; }

  // Whether the routine was suspended for the answers.
  bool answeredLater() const { return suspended_; }

  bool await_ready() const noexcept { return false; }
  bool await_suspend(std::coroutine_handle<> routine) {
    ws_.askInTurn(questions_, [state = state_] {
      state->given = true;
      if (state->routine)
        std::exchange(state->routine, {}).resume();
    });
    if (state_->given)
      return false;  // answered at once: the routine goes on without being suspended
    state_->routine = routine;
    suspended_ = true;
    return true;
  }
  void await_resume() const noexcept {}

 private:
  struct State {
    bool given = false;
    std::coroutine_handle<> routine;
  };
  WindowSystem& ws_;
  WindowSystem::Questions questions_;
  std::shared_ptr<State> state_;
  bool suspended_ = false;
};

using Kind = WindowQuestion::Kind;
using AskNow = WindowSystem::AskNow;

// What the questions below find, each asked at once through ask. They may run on the window
// system's asking thread: they touch nothing but their arguments.

long textLengthNow(const AskNow& ask, Hwnd hwnd) {
  const long n = ask({.kind = Kind::TextLength, .hwnd = hwnd}).value;
  return n < 0 && n != WindowSystem::kNoAnswer ? 0 : n;
}

// lines: the log's line count, where it was asked a moment before.
ConsoleBridge::LogMeasure measureNow(const AskNow& ask, Hwnd log, long knownLines,
                                     std::optional<long> lines = std::nullopt) {
  ConsoleBridge::LogMeasure m;
  m.lines = lines ? *lines : ask({.kind = Kind::LineCount, .hwnd = log}).value;
  if (m.lines == WindowSystem::kNoAnswer) {
    m.length = WindowSystem::kNoAnswer;
    return m;
  }
  if (m.lines >= 0 && m.lines == knownLines) {
    m.linesUnchanged = true;
    return m;
  }
  if (m.lines < 1) {
    m.length = textLengthNow(ask, log);
    return m;
  }
  const long start = ask({.kind = Kind::LineIndex, .hwnd = log, .arg = m.lines - 1}).value;
  const long length =
      start < 0 ? start : ask({.kind = Kind::LineLength, .hwnd = log, .arg = start}).value;
  if (start == WindowSystem::kNoAnswer || length == WindowSystem::kNoAnswer)
    m.length = WindowSystem::kNoAnswer;
  else if (start < 0 || length < 0)
    m.length = textLengthNow(ask, log);
  else
    m.length = start + length;
  return m;
}

// measured: the log's measure a moment before (nothing: it is measured first). What it printed
// since is read too, as much as the room left for it holds: a text that fills the room is read
// again, measured.
std::optional<std::string> readLogWholeNow(const AskNow& ask, Hwnd log,
                                           std::optional<long> measured = std::nullopt) {
  constexpr long kRoomToGrow = 4096;
  const long n = measured ? *measured : measureNow(ask, log, -1).length;
  if (n == WindowSystem::kNoAnswer)
    return std::nullopt;
  if (n <= 0 && !measured)
    return std::string(ConsoleBridge::kNoText);
  // Room for a character of two bytes each (a double-byte code page), and a NUL.
  const long size = 2 * std::max(n, 0L) + 1 + (measured ? kRoomToGrow : 0);
  WindowAnswer read = ask({.kind = Kind::Text, .hwnd = log, .size = size});
  if (read.value == WindowSystem::kNoAnswer)
    return std::nullopt;
  if (measured && read.value >= size - 1)
    return readLogWholeNow(ask, log);
  if (read.text.empty())
    return std::string(ConsoleBridge::kNoText);
  return std::move(read.text);
}

std::optional<std::string> readLogFromNow(const AskNow& ask, Hwnd log, std::size_t from,
                                          std::string_view before);

// measured: as for readLogWholeNow.
ConsoleBridge::LogRead readLogNow(const AskNow& ask, Hwnd log, std::size_t from,
                                  std::string_view before,
                                  std::optional<long> measured = std::nullopt) {
  ConsoleBridge::LogRead read;
  if (from > 0) {
    read.text = readLogFromNow(ask, log, from, before);
    read.lineWise = read.text.has_value();
  }
  if (!read.lineWise)
    read.text = readLogWholeNow(ask, log, measured);
  return read;
}

std::optional<std::string> readLogFromNow(const AskNow& ask, Hwnd log, std::size_t from,
                                          std::string_view before) {
  // (No line queries, or no answer: nothing more is asked.)
  const long first =
      ask({.kind = Kind::LineFromChar, .hwnd = log, .arg = static_cast<long>(from)}).value;
  if (first < 0)
    return std::nullopt;
  const long lines = ask({.kind = Kind::LineCount, .hwnd = log}).value;
  if (lines <= first)
    return std::nullopt;
  std::string text;
  long begin = -1;  // where the first line read begins
  long end = -1;    // where the line read last ends
  for (long line = first; line < lines; ++line) {
    const long start = ask({.kind = Kind::LineIndex, .hwnd = log, .arg = line}).value;
    if (start < 0)
      return std::nullopt;
    if (end >= 0) {
      // A line break between the lines, or the wrap of a line too long for the window.
      if (start == end + 2)
        text += "\r\n";
      else if (start != end)
        return std::nullopt;
    } else {
      begin = start;
    }
    const long length = ask({.kind = Kind::LineLength, .hwnd = log, .arg = start}).value;
    if (length < 0)
      return std::nullopt;
    if (length > 0) {
      const WindowAnswer piece =
          ask({.kind = Kind::Line, .hwnd = log, .arg = line, .size = length});
      if (piece.value != length)
        return std::nullopt;
      text += piece.text;
    }
    end = start + length;
  }
  if (begin < 0 || static_cast<std::size_t>(begin) > from ||
      from - static_cast<std::size_t>(begin) > text.size())
    return std::nullopt;
  const std::string_view head = std::string_view(text).substr(0, from - begin);
  if (before.size() < head.size() || before.substr(before.size() - head.size()) != head)
    return std::nullopt;
  return text.substr(head.size());
}

// The questions of the reads below, made apart from the routines that ask them: a lambda made
// inside a routine may be destroyed twice.
std::function<WindowAnswer(const AskNow&)> asking(WindowQuestion question) {
  return [question](const AskNow& ask) { return ask(question); };
}
std::function<long(const AskNow&)> askingTextLength(Hwnd hwnd) {
  return [hwnd](const AskNow& ask) { return textLengthNow(ask, hwnd); };
}
std::function<std::optional<std::string>(const AskNow&)> readingText(Hwnd hwnd) {
  return [hwnd](const AskNow& ask) -> std::optional<std::string> {
    const long n = ask({.kind = Kind::TextLength, .hwnd = hwnd}).value;
    if (n == WindowSystem::kNoAnswer)
      return std::nullopt;
    if (n <= 0)
      return std::string(ConsoleBridge::kNoText);
    WindowAnswer read = ask({.kind = Kind::Text, .hwnd = hwnd, .size = n + 1});
    if (read.value == WindowSystem::kNoAnswer)
      return std::nullopt;
    read.text.resize(std::min(read.text.size(), static_cast<std::size_t>(n)));
    return std::move(read.text);
  };
}
// Where no line is copied out, the growth a line count found is read whole at once, in one byte a
// character (so that the text's length is the log's measure): nothing when it did not fit.
std::optional<ConsoleBridge::LogMeasure> readInsteadOfMeasureNow(
    const AskNow& ask, Hwnd log, long lines, const ConsoleBridge::ReadBeyond& beyond) {
  constexpr long kRoomToGrow = 4096;
  const long size = 2 * std::max(beyond.measure, 0L) + 1 + kRoomToGrow;
  WindowAnswer read = ask({.kind = Kind::Text, .hwnd = log, .size = size});
  ConsoleBridge::LogMeasure m;
  m.lines = lines;
  m.length = read.value;
  if (read.value == WindowSystem::kNoAnswer)
    return m;
  if (read.value >= size - 1)
    return std::nullopt;
  m.lengthOfRead = true;
  m.read = ConsoleBridge::LogRead{
      .text = read.text.empty() ? std::string(ConsoleBridge::kNoText) : std::move(read.text),
      .lineWise = false};
  return m;
}

std::function<ConsoleBridge::LogMeasure(const AskNow&)> measuring(
    Hwnd log, long knownLines, std::optional<ConsoleBridge::ReadBeyond> beyond,
    std::optional<long> lines, bool readInstead) {
  return [log, knownLines, beyond = std::move(beyond), lines, readInstead](const AskNow& ask) {
    if (readInstead && beyond && lines && *lines != knownLines) {
      if (std::optional<ConsoleBridge::LogMeasure> m =
              readInsteadOfMeasureNow(ask, log, *lines, *beyond))
        return std::move(*m);
    }
    ConsoleBridge::LogMeasure m = measureNow(ask, log, knownLines, lines);
    if (beyond && !m.linesUnchanged && m.length > beyond->measure)
      m.read = readLogNow(ask, log, beyond->from, beyond->before, m.length);
    return m;
  };
}
std::function<ConsoleBridge::LogRead(const AskNow&)> reading(Hwnd log, std::size_t from,
                                                             std::string before) {
  return [log, from, before = std::move(before)](const AskNow& ask) {
    return readLogNow(ask, log, from, before);
  };
}
std::function<std::optional<std::string>(const AskNow&)> readingWhole(Hwnd log) {
  return [log](const AskNow& ask) { return readLogWholeNow(ask, log); };
}
std::function<std::optional<std::string>(const AskNow&)> readingFrom(Hwnd log, std::size_t from,
                                                                     std::string before) {
  return [log, from, before = std::move(before)](const AskNow& ask) {
    return readLogFromNow(ask, log, from, before);
  };
}

// Questions that keep what asked found in result.
template <class T>
WindowSystem::Questions storingIn(std::shared_ptr<T> result,
                                  std::function<T(const AskNow&)> asked) {
  return [result = std::move(result), asked = std::move(asked)](const AskNow& ask) {
    *result = asked(ask);
  };
}

}  // namespace

template <class T>
Task<T> ConsoleBridge::askedInTurn(std::function<T(const WindowSystem::AskNow&)> asked) {
  // While the game has not answered, what others hand over waits, as it does during a wait.
  const Aside aside(*this);
  auto result = std::make_shared<T>();
  // (Made apart from the routine: a lambda made inside a co_await may be destroyed twice.)
  WindowSystem::Questions questions = storingIn(result, std::move(asked));
  AnsweredInTurn answered(ws_, std::move(questions));
  co_await answered;
  answersLater_ = answered.answeredLater();
  co_return std::move(*result);
}

Task<WindowAnswer> ConsoleBridge::ask(WindowQuestion question) {
  co_return co_await askedInTurn<WindowAnswer>(asking(question));
}

Task<void> ConsoleBridge::yieldToEvents() {
  const Aside aside(*this);
  co_await clock_.yieldToEvents();
}

Task<long> ConsoleBridge::windowTextLength(Hwnd hwnd) {
  if (hwnd == 0)
    co_return 0;
  co_return co_await askedInTurn<long>(askingTextLength(hwnd));
}

Task<std::optional<std::string>> ConsoleBridge::readWindowBytes(Hwnd hwnd) {
  co_return co_await askedInTurn<std::optional<std::string>>(readingText(hwnd));
}

Task<long> ConsoleBridge::lineCount(Hwnd log) {
  if (log == 0)
    co_return 0;
  co_return (co_await ask({.kind = Kind::LineCount, .hwnd = log})).value;
}

Task<ConsoleBridge::LogMeasure> ConsoleBridge::measureLogUnless(
    Hwnd log, long knownLines, std::optional<ReadBeyond> readBeyond, std::optional<long> lines) {
  if (log == 0)
    co_return LogMeasure{.lines = 0, .length = 0, .linesUnchanged = false, .read = std::nullopt};
  const bool readInstead = !ws_.copiesLinesOut() && codePage_.oneBytePerCharacter();
  co_return co_await askedInTurn<LogMeasure>(
      measuring(log, knownLines, std::move(readBeyond), lines, readInstead));
}

Task<ConsoleBridge::LogRead> ConsoleBridge::readLog(Hwnd log, std::size_t from,
                                                    std::string before) {
  co_return co_await askedInTurn<LogRead>(reading(log, from, std::move(before)));
}

Task<long> ConsoleBridge::measureLog(Hwnd log) {
  co_return (co_await measureLogUnless(log, -1)).length;
}

Task<std::optional<std::string>> ConsoleBridge::readLogWhole(Hwnd log) {
  co_return co_await askedInTurn<std::optional<std::string>>(readingWhole(log));
}

Task<std::optional<std::string>> ConsoleBridge::readLogFrom(Hwnd log, std::size_t from,
                                                            std::string before) {
  co_return co_await askedInTurn<std::optional<std::string>>(
      readingFrom(log, from, std::move(before)));
}

Task<std::string> ConsoleBridge::readWindowText(Hwnd hwnd) {
  co_return codePage_.toUtf8((co_await readWindowBytes(hwnd)).value_or(kNoText));
}

long long ConsoleBridge::waitMilliseconds(float seconds) {
  const double ms = std::floor(static_cast<double>(seconds) * 1000.0);
  return ms > 0 ? static_cast<long long>(ms) : 0;
}

}  // namespace pvx

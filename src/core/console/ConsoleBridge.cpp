#include "core/console/ConsoleBridge.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
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
  // The previous say and the player's own doing each started the server's second again.
  const std::int64_t since =
      std::max(saidMs_.value_or(INT64_MIN / 2), playerActedMs_.value_or(INT64_MIN / 2));
  return since + kChatGapMs - clock_.nowMs();
}

Task<void> ConsoleBridge::wait(std::int64_t ms) {
  if (ms <= 0)
    co_return;
  holderRunning_ = false;
  // The wait looks at the log now and then, as the cycle would: the player's own doing printed
  // meanwhile holds the next say from the moment it is seen, though the cycle reads it later.
  const std::int64_t end = clock_.nowMs() + ms;
  for (std::int64_t left = ms; left > 0; left = end - clock_.nowMs()) {
    co_await clock_.sleep(std::min(left, kLookWhileWaitingMs));
    if (reader_ != nullptr && reader_->lookWhileWaiting())
      playerActed();
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
    // which the cycle has not read yet, started the server's second again.
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
  while (!queued_.empty()) {
    std::string next = std::move(queued_.front());
    queued_.pop_front();
    co_await type(std::move(next));
  }
  holder_ = Holder::None;
  holderRunning_ = false;
  if (reader_ != nullptr)
    reader_->typingFree();
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

long ConsoleBridge::windowTextLength(Hwnd hwnd) {
  if (hwnd == 0)
    return 0;
  const long n = ws_.getTextLength(hwnd);
  return n < 0 && n != WindowSystem::kNoAnswer ? 0 : n;
}

std::optional<std::string> ConsoleBridge::readWindowBytes(Hwnd hwnd) {
  const long n = ws_.getTextLength(hwnd);
  if (n == WindowSystem::kNoAnswer)
    return std::nullopt;
  if (n <= 0)
    return kNoText;
  std::string buffer(static_cast<std::size_t>(n) + 1, '\0');
  long copied = ws_.getText(hwnd, n + 1, buffer.data());
  if (copied == WindowSystem::kNoAnswer)
    return std::nullopt;
  if (copied < 0)
    copied = 0;
  if (copied > n)
    copied = n;
  buffer.resize(static_cast<std::size_t>(copied));
  return buffer;
}

long ConsoleBridge::measureLog(Hwnd log) {
  if (log == 0)
    return 0;
  const long lines = ws_.getLineCount(log);
  if (lines == WindowSystem::kNoAnswer)
    return WindowSystem::kNoAnswer;
  if (lines < 1)
    return windowTextLength(log);
  const long start = ws_.getLineIndex(log, lines - 1);
  if (start == WindowSystem::kNoAnswer)
    return WindowSystem::kNoAnswer;
  const long length = start < 0 ? start : ws_.getLineLength(log, start);
  if (length == WindowSystem::kNoAnswer)
    return WindowSystem::kNoAnswer;
  return start < 0 || length < 0 ? windowTextLength(log) : start + length;
}

std::optional<std::string> ConsoleBridge::readLogWhole(Hwnd log) {
  const long n = measureLog(log);
  if (n == WindowSystem::kNoAnswer)
    return std::nullopt;
  if (n <= 0)
    return kNoText;
  // Room for a character of two bytes each (a double-byte code page), and a NUL.
  const long size = 2 * n + 1;
  std::string buffer(static_cast<std::size_t>(size), '\0');
  const long copied = ws_.getText(log, size, buffer.data());
  if (copied == WindowSystem::kNoAnswer)
    return std::nullopt;
  buffer.resize(static_cast<std::size_t>(std::clamp(copied, 0L, size - 1)));
  return buffer;
}

std::optional<std::string> ConsoleBridge::readLogFrom(Hwnd log, std::size_t from,
                                                      std::string_view before) {
  const long first = ws_.getLineFromChar(log, static_cast<long>(from));
  const long lines = first < 0 ? -1 : ws_.getLineCount(log);
  if (lines <= first)
    return std::nullopt;
  std::string text;
  long begin = -1;  // where the first line read begins
  long end = -1;    // where the line read last ends
  for (long line = first; line < lines; ++line) {
    const long start = ws_.getLineIndex(log, line);
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
    const long length = ws_.getLineLength(log, start);
    if (length < 0)
      return std::nullopt;
    std::string piece(static_cast<std::size_t>(length), '\0');
    if (length > 0 && ws_.getLine(log, line, piece.data(), length) != length)
      return std::nullopt;
    text += piece;
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

std::string ConsoleBridge::readWindowText(Hwnd hwnd) {
  return codePage_.toUtf8(readWindowBytes(hwnd).value_or(kNoText));
}

long long ConsoleBridge::waitMilliseconds(float seconds) {
  const double ms = std::floor(static_cast<double>(seconds) * 1000.0);
  return ms > 0 ? static_cast<long long>(ms) : 0;
}

}  // namespace pvx

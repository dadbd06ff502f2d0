#include "core/console/RetailConsoleLog.h"

#include "core/console/PracticeGame.h"

namespace pvx {

namespace {

constexpr char kChatEscape = 0x19;
constexpr char kEscape = 0x1b;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// A terminal control sequence ESC [ parameters final-byte, as the engine prints colours when its
// terminal colours are on; the length of the one starting at i, 0 when there is none.
std::size_t controlSequenceAt(std::string_view s, std::size_t i) {
  if (s[i] != kEscape || i + 1 >= s.size() || s[i + 1] != '[')
    return 0;
  for (std::size_t j = i + 2; j < s.size(); ++j) {
    const unsigned char c = static_cast<unsigned char>(s[j]);
    if (c >= 0x40 && c <= 0x7e)
      return j + 1 - i;
    if (c < 0x20 || c > 0x3f)
      return 0;
  }
  return 0;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The open-source engine starts every line it prints with the date and time
// ("2026-12-07 10:00:00 ") while its com_timestamps is on; the retail window shows no such
// stamp, and a chat line must begin with the player's name.
std::string_view withoutTimeStamp(std::string_view line) {
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd ";
  if (line.size() < kShape.size())
    return line;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == 'd' ? !isDigit(line[i]) : line[i] != kShape[i])
      return line;
  }
  return line.substr(kShape.size());
}

}  // namespace

std::string RetailConsoleLog::shown(std::string_view line) {
  std::string plain;
  plain.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (const std::size_t n = controlSequenceAt(line, i); n != 0) {
      i += n - 1;
    } else if (line[i] == '\r') {
      // The window shows a lone carriage return as a line break; one before the line feed is
      // part of the line end.
      if (i + 1 < line.size())
        plain += "\r\n";
    } else if (line[i] != kChatEscape) {
      plain.push_back(line[i]);
    }
  }
  return PracticeGame::stripColours(plain, '9');
}

bool RetailConsoleLog::isClearCommand(std::string_view line) {
  while (!line.empty() && isBlank(line.front()))
    line.remove_prefix(1);
  if (!line.empty() && (line.front() == '/' || line.front() == '\\'))
    line.remove_prefix(1);
  while (!line.empty() && isBlank(line.front()))
    line.remove_prefix(1);
  const std::string_view word = line.substr(0, line.find_first_of(" \t"));
  if (word.size() != 5)
    return false;
  for (std::size_t i = 0; i < 5; ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != "clear"[i])
      return false;
  }
  return true;
}

void RetailConsoleLog::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos) {
      partial_.append(bytes);
      // A line that never ends is shown once it alone would fill the window, so that the text
      // held back stays small; a "^" at its end waits for the character after it.
      if (partial_.size() >= kWipeAfter) {
        const bool caretLast = partial_.back() == '^';
        std::string rest = caretLast ? "^" : "";
        if (caretLast)
          partial_.pop_back();
        add(shown(midLine_ ? std::string_view(partial_) : withoutTimeStamp(partial_)));
        partial_ = std::move(rest);
        midLine_ = true;
      }
      return;
    }
    if (partial_.empty()) {
      takeLine(bytes.substr(0, lf), false);
    } else {
      partial_.append(bytes.substr(0, lf));
      std::string line = std::move(partial_);
      partial_.clear();
      takeLine(line, false);
    }
    bytes.remove_prefix(lf + 1);
  }
}

void RetailConsoleLog::finish() {
  if (partial_.empty())
    return;
  std::string line = std::move(partial_);
  partial_.clear();
  takeLine(line, true);
}

void RetailConsoleLog::takeLine(std::string_view line, bool ended) {
  std::string text = shown(midLine_ ? line : withoutTimeStamp(line));
  midLine_ = false;
  if (!ended)
    text += "\r\n";
  add(std::move(text));
}

void RetailConsoleLog::enterLine(std::string_view bytes) {
  std::string echoed = "]";
  echoed += bytes;
  const bool midLine = midLine_;  // the echo stands on a line of its own
  takeLine(echoed, false);
  midLine_ = midLine;
  if (isClearCommand(bytes))
    clear();
}

void RetailConsoleLog::clear() {
  text_.clear();
  addedSinceWipe_ = 0;
  ++version_;
}

void RetailConsoleLog::add(std::string shownText) {
  if (shownText.empty())
    return;
  // The window holds a limited text: once it would pass 32767 characters added since it was
  // last emptied, it starts afresh with the new text; of a text longer than that alone it
  // keeps the end.
  if (shownText.size() > kWipeAfter)
    shownText.erase(0, shownText.size() - kWipeAfter);
  if (addedSinceWipe_ + shownText.size() > kWipeAfter) {
    text_.clear();
    addedSinceWipe_ = 0;
  }
  text_ += shownText;
  addedSinceWipe_ += shownText.size();
  ++version_;
}

}  // namespace pvx

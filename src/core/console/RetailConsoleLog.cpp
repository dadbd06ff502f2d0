#include "core/console/RetailConsoleLog.h"

#include <optional>
#include <string>

#include "core/text/Text.h"

namespace pvx {

namespace {

constexpr char kChatEscape = 0x19;
constexpr char kEscape = 0x1b;

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

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The retail game names the library it loads ("cgame"); OpenJK names the file it loaded
// ("cgamex86_64.so", "uiarm64.dylib").
std::string_view libraryName(std::string_view file) {
  for (const std::string_view name : {"cgame", "jampgame", "ui"}) {
    if (startsWith(file, name))
      return name;
  }
  return file.substr(0, file.rfind('.'));
}

// The value of OpenJK's answer to a cvar typed alone, `Cvar name = "Padawan", the default` or
// `Cvar name = "Bob", default = "Padawan"` (colour escapes removed), in the retail game's words,
// `"name" is:"Padawan" default:"Padawan"`. Values never hold a double quote.
std::optional<std::string> retailNameAnswer(std::string_view line) {
  static constexpr std::string_view kAnswer = "Cvar name = \"";
  static constexpr std::string_view kTheDefault = ", the default";
  static constexpr std::string_view kDefault = ", default = \"";
  if (!startsWith(line, kAnswer))
    return std::nullopt;
  line.remove_prefix(kAnswer.size());
  const std::size_t end = line.find('"');
  if (end == std::string_view::npos)
    return std::nullopt;
  const std::string_view value = line.substr(0, end);
  const std::string_view rest = line.substr(end + 1);
  std::string retail = "\"name\" is:\"" + std::string(value) + "\"";
  if (rest == kTheDefault) {
    retail += " default:\"" + std::string(value) + "\"";
  } else if (startsWith(rest, kDefault) && endsWith(rest, "\"") && rest.size() > kDefault.size()) {
    const std::string_view reset = rest.substr(kDefault.size(), rest.size() - kDefault.size() - 1);
    retail += " default:\"" + std::string(reset) + "\"";
  }
  return retail;
}

// OpenJK, the open-source engine, says some things in other words than the retail game whose
// console window this log shows; the retail words are shown, so that a reader of the log knows
// one game. A line is given without its line end and colour escapes.
std::string inRetailWords(std::string line) {
  if (std::optional<std::string> answer = retailNameAnswer(line))
    return std::move(*answer);
  // A game library loaded: "VM_Create: cgamex86_64.so succeeded" (developers see the address
  // after it) where the retail game printed "Loading dll file cgame.".
  for (const std::string_view create : {"VM_Create: ", "VM_CreateLegacy: "}) {
    static constexpr std::string_view kSucceeded = " succeeded";
    if (!startsWith(line, create))
      continue;
    const std::string_view rest = std::string_view(line).substr(create.size());
    const std::size_t at = rest.find(kSucceeded);
    const std::size_t after = at + kSucceeded.size();
    if (at == std::string_view::npos || at == 0 || (after < rest.size() && rest[after] != ' '))
      return line;
    return "Loading dll file " + std::string(libraryName(rest.substr(0, at))) + ".";
  }
  // A map's client game has loaded: the retail game had just set up its renderer afresh.
  if (startsWith(line, "CL_InitCGame: ") && endsWith(line, " seconds"))
    return "----- finished R_Init -----";
  return line;
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
  return text::stripColours(plain, '9');
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
  std::string text = midLine_ ? shown(line) : inRetailWords(shown(withoutTimeStamp(line)));
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
}

void RetailConsoleLog::clear() {
  text_.clear();
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

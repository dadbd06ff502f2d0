#include "core/console/PracticeGame.h"

#include <algorithm>

#include "core/text/Text.h"

namespace pvx {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The game's tokenizer takes a quoted argument without its quotes.
std::string_view unquote(std::string_view s) {
  while (!s.empty() && isBlank(s.back()))
    s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
    return s.substr(1, s.size() - 2);
  return s;
}

}  // namespace

PracticeGame::PracticeGame(std::string_view name) : name_(text::toCp1252(name)) {}

std::string PracticeGame::playerName() const {
  return text::fromCp1252(name_);
}

void PracticeGame::setPlayerName(std::string_view utf8Name) {
  name_ = text::toCp1252(utf8Name);
}

std::string PracticeGame::eventLine(Event event, std::string_view other) const {
  const std::string you = playerName() + "^7";
  const std::string them = std::string(other) + "^7";
  switch (event) {
    case Event::OtherEnters:
      return them + " entered the game";
    case Event::DuelWithYou:
      return them + " has become engaged in a duel with " + you + "!";
    case Event::YouWon:
      return them + " was sabered by " + you;
    case Event::YouLost:
      return you + " was sabered by " + them;
    case Event::YouKilledYourself:
      return you + " killed himself.";
    case Event::TimeLimit:
      return "Timelimit hit.";
    case Event::FinishedLoading:
      return "----- finished R_Init -----";
  }
  return {};
}

std::string PracticeGame::chatLine(std::string_view message) const {
  return playerName() + "^7: " + std::string(message);
}

void PracticeGame::print(std::string_view utf8Line) {
  printAnsi(text::toCp1252(utf8Line));
}

void PracticeGame::printAnsi(std::string_view ansiLine) {
  std::string shown = keepColours_ ? std::string(ansiLine) : text::stripColours(ansiLine);
  shown += "\r\n";
  // The game's console window holds a limited text: once about 32767 characters were added it
  // wipes itself and starts afresh.
  if (addedSinceWipe_ + shown.size() > kWipeAfter) {
    log_.clear();
    addedSinceWipe_ = 0;
  }
  log_ += shown;
  addedSinceWipe_ += shown.size();
  if (onLogChanged)
    onLogChanged();
}

void PracticeGame::clearLog() {
  log_.clear();
  if (onLogChanged)
    onLogChanged();
}

void PracticeGame::freshConsole() {
  addedSinceWipe_ = 0;
  clearLog();
}

void PracticeGame::enterLine(std::string_view ansiLine) {
  longestLine_ = std::max(longestLine_, ansiLine.size());
  if (ansiLine.size() >= kFieldBytes)
    ++corruptingLines_;
  std::string echoed = "]";
  echoed += ansiLine;
  printAnsi(echoed);
  std::string_view line = ansiLine;
  if (!line.empty() && (line.front() == '/' || line.front() == '\\'))
    line.remove_prefix(1);
  run(line);
}

void PracticeGame::run(std::string_view line) {
  line = trimLeft(line);
  if (line.empty())
    return;
  const std::size_t wordEnd = line.find_first_of(" \t");
  const std::string_view word = line.substr(0, wordEnd);
  const std::string_view args =
      wordEnd == std::string_view::npos ? std::string_view() : trimLeft(line.substr(wordEnd));
  const std::string command = lowerAscii(word);

  if (command == "clear") {
    // The game's own console empties; the window's log stays as it is.
  } else if (command == "name") {
    const std::string_view newName = unquote(args);
    if (newName.empty()) {
      printAnsi("\"name\" is:\"" + name_ + "^7\" default:\"" + kDefaultName + "^7\"");
    } else {
      const std::string old = name_;
      name_ = std::string(newName);
      printAnsi(old + "^7 renamed to " + name_);
    }
  } else if (command == "say") {
    if (!args.empty())
      printAnsi(name_ + "^7: " + std::string(args));
  } else if (command == "echo") {
    printAnsi(args);
  } else {
    printAnsi("Unknown command \"" + std::string(word) + "\"");
  }
}

}  // namespace pvx

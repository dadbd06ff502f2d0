#include "core/watcher/ConsoleLines.h"

#include "core/text/Text.h"

namespace pvx::consolelines {

std::vector<std::string_view> split(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

bool beginsWithNoCase(std::string_view line, std::string_view prefix) {
  // The first occurrence is at the start exactly when the line begins with it.
  return text::findNoCase(line, prefix) == 0;
}

std::optional<std::string> firstBeginningWith(std::string_view text, std::string_view prefix) {
  for (const std::string_view line : split(text)) {
    if (beginsWithNoCase(line, prefix))
      return std::string(line);
  }
  return std::nullopt;
}

std::optional<std::string> firstHolding(std::string_view text, std::string_view needle) {
  for (const std::string_view line : split(text)) {
    if (text::containsNoCase(line, needle))
      return std::string(line);
  }
  return std::nullopt;
}

namespace {

// Whether the line, without its line break, is a chat line saying one of the texts.
bool saysOneOf(std::string_view line, const std::deque<std::string>& said) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  const std::string shown = text::stripColours(line, '9');
  for (const std::string& words : said) {
    const std::string chat = ": " + text::stripColours(words, '9');
    if (shown.size() > chat.size() &&
        shown.compare(shown.size() - chat.size(), chat.size(), chat) == 0)
      return true;
  }
  return false;
}

}  // namespace

std::string withoutOwnWords(std::string_view text, std::string_view playerName,
                            const std::deque<std::string>& said) {
  const std::string ownChat = std::string(playerName) + ": ";
  std::string kept;
  kept.reserve(text.size());
  for (const std::string_view line : split(text)) {
    if (!line.empty() && line.front() == ']')
      continue;
    if (beginsWithNoCase(line, kNameAnswer))
      continue;
    if (!playerName.empty() && beginsWithNoCase(line, ownChat))
      continue;
    if (!said.empty() && saysOneOf(line, said))
      continue;
    kept += line;
  }
  return kept;
}

bool holdsPlayersOwnDeed(std::string_view text, std::string_view playerName,
                         const std::deque<std::string>& said) {
  if (playerName.empty())
    return false;
  const std::string name(playerName);
  const std::string engagedWithHim = " has become engaged in a duel with " + name;
  for (const std::string_view line : split(text)) {
    if (beginsWithNoCase(line, name + ": ")) {
      if (!saysOneOf(line, said))
        return true;
      continue;
    }
    for (const char* deed : {" killed himself", " has become engaged in a duel with ",
                             " renamed to ", " entered the game", " joined the "}) {
      if (beginsWithNoCase(line, name + deed))
        return true;
    }
    if (text::containsNoCase(line, engagedWithHim))
      return true;
  }
  return false;
}

}  // namespace pvx::consolelines

#include "core/watcher/MusicChatCommands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "core/text/Text.h"

namespace pvx {

namespace {

constexpr const char* kNowPlaying = "say ^4Currently playing: ^3";
constexpr int kColumns = 4;
// Ten blanks before every column but a line's first.
constexpr std::string_view kColumnGap = "          ";

// The colour escape of a column of the listing: ^1 to ^4.
std::string columnColour(int column) {
  return "^" + std::to_string(column + 1);
}

// The listing's lines for one row of entries: "echo ^1"a          ^2b          ^3c          ^4d"",
// or, where that is longer than the game takes, the row split between its columns into lines
// that each keep their columns' colours; an entry too long for a line of its own is cut.
std::vector<std::string> listingLines(const std::vector<std::string>& row) {
  std::vector<std::string> lines;
  std::string line;
  const auto fits = [](const std::string& l, std::size_t extra) {
    return text::length(l) + extra + 1 <= ConsoleBridge::kMaxLineBytes;  // and the closing quote
  };
  for (int column = 0; column < static_cast<int>(row.size()); ++column) {
    const std::string& entry = row[static_cast<std::size_t>(column)];
    const std::string piece = std::string(kColumnGap) + columnColour(column) + entry;
    if (!line.empty() && fits(line, text::length(piece))) {
      line += piece;
      continue;
    }
    if (!line.empty()) {
      lines.push_back(line + "\"");
      // The empty columns after the last entry have nothing to list on a line of their own.
      if (std::all_of(row.begin() + column, row.end(),
                      [](const std::string& e) { return e.empty(); }))
        return lines;
    }
    line = "echo " + columnColour(column) + "\"";
    const std::size_t room = ConsoleBridge::kMaxLineBytes - text::length(line) - 1;
    line += text::length(entry) <= room ? entry : text::substring(entry, 0, room);
  }
  lines.push_back(line + "\"");
  return lines;
}

}  // namespace

Task<CycleFlow> MusicChatCommands::stop() {
  if (player_.isLoaded()) {
    player_.stop();
    co_await bridge_.type("say ^1Stopped");
  }
  co_return CycleFlow::Continue;
}

std::string MusicChatCommands::playing(const std::string& title, std::uint64_t startsBefore) const {
  // An entry that could not be played was skipped for the next one that could: the announcement
  // names what plays, as the player's own announcement did.
  const PlaybackEngine& engine = player_.engine();
  return engine.starts() > startsBefore && engine.isLoaded() ? engine.startedTitle() : title;
}

Task<CycleFlow> MusicChatCommands::announce(std::string title, std::uint64_t startsBefore) {
  co_await bridge_.waitSeconds(1.0f);
  co_await bridge_.type(kNowPlaying + text::makeInert(playing(title, startsBefore)));
  co_return CycleFlow::Continue;
}

Task<CycleFlow> MusicChatCommands::next() {
  // With nothing to play there is nothing to announce.
  if (player_.count() == 0)
    co_return CycleFlow::Continue;
  const std::uint64_t before = player_.engine().starts();
  co_return co_await announce(player_.nextSong(), before);
}

Task<CycleFlow> MusicChatCommands::prev() {
  if (player_.count() == 0)
    co_return CycleFlow::Continue;
  const std::uint64_t before = player_.engine().starts();
  co_return co_await announce(player_.prevSong(), before);
}

std::optional<std::int16_t> MusicChatCommands::volumeNumber(const std::string& argument) {
  std::size_t begin = 0, end = argument.size();
  while (begin < end && (argument[begin] == ' ' || argument[begin] == '\t'))
    ++begin;
  while (end > begin && (argument[end - 1] == ' ' || argument[end - 1] == '\t'))
    --end;
  std::string number = argument.substr(begin, end - begin);
  if (!number.empty() && number.front() == '+') {
    number.erase(0, 1);
    if (!number.empty() && number.front() == '-')
      return std::nullopt;  // one sign at most
  }
  // Digits with at most one decimal point, and at least one digit.
  std::size_t digits = 0, points = 0;
  for (std::size_t i = 0; i < number.size(); ++i) {
    const char c = number[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else if (!(c == '-' && i == 0)) {
      return std::nullopt;
    }
  }
  if (digits == 0 || points > 1)
    return std::nullopt;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::fixed);
  if (ec != std::errc() || ptr != number.data() + number.size())
    return std::nullopt;
  const double whole = std::floor(value);
  if (whole < -32768 || whole > 32767)
    return std::nullopt;
  return static_cast<std::int16_t>(whole);
}

Task<CycleFlow> MusicChatCommands::vol(std::string command) {
  // Unlike the other arguments, a line cut short keeps what it has: "!vol15" works without a
  // line break too.
  std::string argument = text::substring(command, text::findNoCase(command, " !vol") + 5);
  if (text::length(argument) >= 2)
    argument = text::dropRight(argument, 2);
  if (const std::optional<std::int16_t> volu = volumeNumber(argument))
    player_.setChatVolume(*volu);
  co_return CycleFlow::Continue;
}

Task<CycleFlow> MusicChatCommands::pause() {
  if (player_.state() == PlaybackState::Playing) {
    player_.pause();
    co_await bridge_.waitSeconds(1.0f);
    co_await bridge_.type("say ^1Paused");
  }
  co_return CycleFlow::Continue;
}

Task<CycleFlow> MusicChatCommands::listSongs() {
  co_await bridge_.type("/clear");
  const int n = player_.count();
  for (int i = 0; i <= n - 1; i += kColumns) {
    std::vector<std::string> row;
    row.reserve(kColumns);
    for (int column = 0; column < kColumns; ++column)
      row.push_back(text::makeInert(player_.title(i + column)));
    for (const std::string& line : listingLines(row))
      co_await bridge_.type(line);
  }
  co_return CycleFlow::Continue;
}

Task<CycleFlow> MusicChatCommands::play(std::string command) {
  // The command begins with ": !play"; bare when only its line break follows.
  if (text::length(command) == text::length(": !play") + 2) {
    if (!player_.isPaused())
      co_return CycleFlow::EndNow;
    player_.resume();
    co_await bridge_.waitSeconds(1.0f);
    co_await bridge_.type("say ^1Resumed");
    co_return CycleFlow::Continue;
  }

  const std::optional<std::string> search = CommandChain::argument(command, ": !play", 8);
  if (!search)
    co_return CycleFlow::Continue;  // cut short before its line break: ignored
  for (int i = 0; i < player_.count(); ++i) {
    if (!text::containsNoCase(player_.title(i), *search))
      continue;
    co_await bridge_.waitSeconds(1.0f);
    player_.stop();
    player_.select(i);
    const std::uint64_t before = player_.engine().starts();
    player_.playEntry(i);
    co_await bridge_.type(kNowPlaying + text::makeInert(playing(player_.title(i), before)));
    co_return CycleFlow::Continue;
  }
  co_await bridge_.waitSeconds(1.0f);
  co_await bridge_.type("say ^5No matches for " + text::makeInert(*search));
  co_return CycleFlow::Continue;
}

}  // namespace pvx

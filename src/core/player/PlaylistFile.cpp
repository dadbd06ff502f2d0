#include "core/player/PlaylistFile.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <system_error>

#include "core/text/Text.h"
#include "core/text/TextFile.h"

namespace pvx {

namespace fs = std::filesystem;

namespace {

enum class CountParse { kOk, kNotANumber, kNegative, kOverflow };

// Line 1: a whole number, blanks allowed around it.
CountParse parseCount(const std::string& line, long long& n) {
  const std::string_view number = text::numberText(line);
  if (number.empty())
    return CountParse::kNotANumber;
  const char* last = number.data() + number.size();
  const auto result = std::from_chars(number.data(), last, n);
  if (result.ec == std::errc::result_out_of_range)
    return number.front() == '-' ? CountParse::kNegative : CountParse::kOverflow;
  if (result.ec != std::errc{} || result.ptr != last)
    return CountParse::kNotANumber;
  if (n < 0)
    return CountParse::kNegative;
  // The count line holds the last index; the playlist holds at most kMaxEntries entries.
  if (n >= PlaylistFile::kMaxEntries)
    return CountParse::kOverflow;
  return CountParse::kOk;
}

}  // namespace

fs::path PlaylistFile::in(const fs::path& programFolder) {
  return programFolder / "Saves" / "playlist.lst";
}

std::string PlaylistFile::countLine(long n) {
  return (n >= 0 ? " " : "") + std::to_string(n) + " ";
}

PlaylistFileContent PlaylistFile::load() const {
  PlaylistFileContent content;
  const std::string name = "The playlist file \"" + textfile::pathText(file_) + "\"";

  std::error_code ec;
  const fs::file_status status = fs::status(file_, ec);
  if (status.type() == fs::file_type::not_found)
    return content;
  content.present = true;
  if (ec) {
    content.failure = name + " cannot be read: " + ec.message() + ".";
    return content;
  }
  if (fs::is_directory(status)) {
    content.failure = name + " is a folder.";
    return content;
  }
  errno = 0;
  std::ifstream in(file_, std::ios::binary);
  if (!in) {
    content.failure = name + " cannot be opened: " + textfile::systemReason() + ".";
    return content;
  }

  const auto endedEarly = [&](const std::string& what) {
    content.failure = in.bad() ? name + " cannot be read: " + textfile::systemReason() + "."
                               : name + " ends early: " + what + ".";
  };
  std::string line;
  if (!textfile::readLine(in, line, encoding_)) {
    endedEarly("it has no first line with the number of entries");
    return content;
  }
  long long last = 0;
  switch (parseCount(line, last)) {
    case CountParse::kOk:
      break;
    case CountParse::kNotANumber:
      content.failure = name + " does not begin with the number of entries: \"" + line + "\".";
      return content;
    case CountParse::kNegative:
      content.failure = name + " announces a negative number of entries: \"" + line + "\".";
      return content;
    case CountParse::kOverflow:
      content.failure = "Overflow: " + name + " announces more than " +
                        std::to_string(kMaxEntries) + " entries (\"" + line +
                        "\"); a playlist holds at most " + std::to_string(kMaxEntries) + ".";
      return content;
  }
  const auto entries = static_cast<std::int16_t>(last + 1);
  content.announced = entries;

  for (std::int16_t i = 0; i < entries; ++i) {
    const std::string progress = "it holds " + std::to_string(i) + " of the " +
                                 std::to_string(entries) + " entries it announces";
    if (!textfile::readLine(in, line, encoding_)) {
      endedEarly(progress);
      return content;
    }
    content.paths.push_back(line);
    if (!textfile::readLine(in, line, encoding_)) {
      endedEarly(progress + ", the last of them without its title");
      return content;
    }
    content.titles.push_back(line);
  }
  return content;
}

std::string PlaylistFile::save(const std::vector<PlaylistEntry>& entries,
                               const std::vector<std::string>& reserved) const {
  const std::string failure =
      "The playlist cannot be saved to \"" + textfile::pathText(file_) + "\": ";
  const std::size_t slots = entries.size() + reserved.size();
  if (slots == 0)
    return failure + "it has no entries to save. The saved playlist was left as it was.";
  std::vector<std::string> lines;
  lines.reserve(2 * slots + 1);
  lines.push_back(countLine(static_cast<long>(slots) - 1));
  for (const PlaylistEntry& entry : entries) {
    lines.push_back(entry.path);
    lines.push_back(entry.title);
  }
  for (const std::string& path : reserved) {
    lines.push_back(path);
    lines.emplace_back();
  }
  const std::string reason = textfile::writeWhole(file_, lines, encoding_);
  return reason.empty() ? std::string() : failure + reason + ".";
}

}  // namespace pvx

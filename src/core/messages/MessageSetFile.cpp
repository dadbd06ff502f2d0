#include "core/messages/MessageSetFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <vector>

#include "core/text/Text.h"
#include "core/text/TextFile.h"

namespace pvx {

namespace fs = std::filesystem;

fs::path MessageSetFile::named(const std::string& name) const {
  // Joined as text, as the name was typed: "Saves/" + name + ".pvx".
  return textfile::fromPathText(textfile::pathText(programFolder_) + "/Saves/" + name + ".pvx");
}

std::string MessageSetFile::savesFolder() const {
  return textfile::pathText(programFolder_) + "/Saves";
}

std::string MessageSetFile::flagLine(std::uint8_t flag) {
  return " " + std::to_string(flag) + " ";
}

bool MessageSetFile::parseFlag(const std::string& line, std::uint8_t& flag) {
  const std::string_view number = text::numberText(line);
  if (number.empty())
    return false;
  double value = 0;
  const char* last = number.data() + number.size();
  const auto [ptr, ec] = std::from_chars(number.data(), last, value, std::chars_format::fixed);
  if (ec != std::errc() || ptr != last)
    return false;
  const double rounded = std::nearbyint(value);  // half to even, the default rounding
  if (!(rounded >= 0 && rounded <= 255))
    return false;
  flag = static_cast<std::uint8_t>(rounded);
  return true;
}

std::string MessageSetFile::write(const fs::path& file) {
  const MessageSet& set = messages_.current();
  const std::vector<std::string> lines = {
      kHeader,           set.duelEngage,
      set.duelWon,       set.duelLost,
      set.greeting.text, flagLine(set.greeting.enabled),
      set.selfKill.text, flagLine(set.selfKill.enabled),
      set.ownEntry.text, flagLine(set.ownEntry.enabled),
      set.limit.text,    flagLine(set.limit.enabled),
  };
  const std::string reason = textfile::writeWhole(file, lines, encoding_);
  if (reason.empty())
    return {};
  return "The message set cannot be saved to \"" + textfile::pathText(file) + "\": " + reason + ".";
}

MessageSetFile::ReadResult MessageSetFile::read(const fs::path& file, std::string& failure) {
  const std::string where = "\"" + textfile::pathText(file) + "\"";
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    failure = "The message set " + where + " does not exist.";
    return ReadResult::Failed;
  }
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    failure = "The message set " + where + " cannot be read: " + textfile::systemReason() + ".";
    return ReadResult::Failed;
  }
  std::string line;
  if (!textfile::readLine(in, line, encoding_)) {
    failure = "The message set " + where + " is empty.";
    return ReadResult::Failed;
  }
  if (line != kHeader)
    return ReadResult::WrongHeader;

  // The lines after the header: the three duel templates, then each message and its flag. Each
  // value is stored as soon as its line is read, so a failure keeps what came before it.
  constexpr DuelText kDuels[] = {DuelText::Engage, DuelText::Won, DuelText::Lost};
  constexpr MessageKind kMessages[] = {MessageKind::Greeting, MessageKind::SelfKill,
                                       MessageKind::OwnEntry, MessageKind::Limit};
  for (int number = 2; number <= 12; ++number) {
    if (!textfile::readLine(in, line, encoding_)) {
      failure = "The message set " + where + " ends before its line " + std::to_string(number) +
                " (input past end of file).";
      return ReadResult::Failed;
    }
    if (number <= 4) {
      messages_.setDuel(kDuels[number - 2], line);
      continue;
    }
    const MessageKind kind = kMessages[(number - 5) / 2];
    Message message = messages_.message(kind);
    if (number % 2 == 1) {
      message.text = line;
    } else if (!parseFlag(line, message.enabled)) {
      failure = "Line " + std::to_string(number) + " of the message set " + where +
                " is not a number from 0 to 255: \"" + line + "\".";
      return ReadResult::Failed;
    }
    messages_.setMessage(kind, std::move(message));
  }
  return ReadResult::Loaded;
}

void MessageSetFile::save() {
  DialogPort& dialogs = dialogs_;
  const std::string name = dialogs.inputBox(kSavePrompt, kSaveTitle, "main");
  const std::string failure = write(named(name));
  if (!failure.empty())
    dialogs.criticalBox(failure, "Error");
}

void MessageSetFile::open() {
  DialogPort& dialogs = dialogs_;
  const std::optional<std::string> chosen = dialogs.openFile(kFilter, savesFolder());
  if (!chosen)
    return;
  std::string failure;
  switch (read(textfile::fromPathText(*chosen), failure)) {
    case ReadResult::Loaded:
      break;
    case ReadResult::WrongHeader:
      dialogs.criticalBox(kHeaderMessage, "Error");
      break;
    case ReadResult::Failed:
      dialogs.criticalBox(failure, "Error");
      break;
  }
}

bool MessageSetFile::loadMessageSet(const std::string& name) {
  // A name from the game's chat is a plain file name: nothing may reach outside "Saves".
  if (name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos) {
    return false;
  }
  std::string failure;
  switch (read(named(name), failure)) {
    case ReadResult::Loaded:
      return true;
    case ReadResult::WrongHeader:
      dialogs_.criticalBox(kHeaderMessage, "Error");
      return false;
    case ReadResult::Failed:
      break;
  }
  return false;
}

}  // namespace pvx

#include "win32-practice-console/RetailGame.h"

#include <algorithm>
#include <utility>

namespace pvx::practice {

namespace {

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The game compares plain chars, which are signed where it was built: a byte from 0x80 up is
// below the blank there.
bool blankForTheGame(char c) {
  return static_cast<signed char>(c) <= ' ';
}

bool startsComment(std::string_view t, std::size_t i, char second) {
  return t[i] == '/' && i + 1 < t.size() && t[i + 1] == second;
}

std::string joined(const std::vector<std::string>& args, std::size_t from) {
  std::string out;
  for (std::size_t i = from; i < args.size(); ++i) {
    if (i > from)
      out += ' ';
    out += args[i];
  }
  return out;
}

}  // namespace

RetailGame::RetailGame(std::string_view ansiName, Server server, Record record, Print print)
    : name_(ansiName), server_(server), record_(std::move(record)), print_(std::move(print)) {}

void RetailGame::enter(std::string_view ansiLine) {
  record_("enter", std::to_string(ansiLine.size()) + " " + std::string(ansiLine));

  // The line joins the lines not yet read, bounded as long as the buffer holds at most 507
  // bytes; past that the bound the game computes wraps around and the copy has none.
  const std::size_t held = unread_.size();
  if (held <= kUnreadBound)
    unread_.append(ansiLine.substr(0, std::min(kUnreadBound - held, ansiLine.size())));
  else
    unread_.append(ansiLine);
  unread_ += '\n';
  if (unread_.size() + 1 > kUnreadSize)
    record_("corrupt", "unread-buffer " + std::to_string(unread_.size() + 1 - kUnreadSize));

  print_("]" + std::string(ansiLine) + "\n");

  // The whole line and its NUL go into the console field; what does not fit lands on the key
  // bindings behind it.
  if (ansiLine.size() + 1 > kFieldSize)
    record_("corrupt", "key-bindings " + std::to_string(ansiLine.size() + 1 - kFieldSize));
}

void RetailGame::readInput(std::int64_t nowMs) {
  if (unread_.empty())
    return;
  std::string text;
  text.swap(unread_);
  const auto lines = std::count(text.begin(), text.end(), '\n');
  record_("read", std::to_string(lines) + (lines > 1 ? " joined " : " single ") + text);
  // One slash or backslash is dropped from the front of what was read, not from each line.
  if (!text.empty() && (text.front() == '/' || text.front() == '\\'))
    text.erase(0, 1);
  runText(text, nowMs);
}

void RetailGame::runText(std::string_view text, std::int64_t nowMs) {
  // The command buffer: a line ends at a line break, or at ";" outside double quotes.
  while (!text.empty() && !quitAsked_) {
    int quotes = 0;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
      if (text[i] == '"')
        ++quotes;
      if ((quotes & 1) == 0 && text[i] == ';')
        break;
      if (text[i] == '\n' || text[i] == '\r')
        break;
    }
    i = std::min(i, kCommandLineMax);
    const std::string line(text.substr(0, i));
    text.remove_prefix(i == text.size() ? i : i + 1);
    execute(line, nowMs);
  }
}

std::vector<std::string> RetailGame::tokenize(std::string_view t) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  for (;;) {
    // Blanks and comments before a word.
    for (;;) {
      while (i < t.size() && blankForTheGame(t[i]))
        ++i;
      if (i >= t.size() || startsComment(t, i, '/'))
        return tokens;
      if (!startsComment(t, i, '*'))
        break;
      while (i < t.size() && !(t[i] == '*' && i + 1 < t.size() && t[i + 1] == '/'))
        ++i;
      if (i >= t.size())
        return tokens;
      i += 2;
    }
    std::string token;
    if (t[i] == '"') {
      ++i;
      while (i < t.size() && t[i] != '"')
        token += t[i++];
      tokens.push_back(token);
      if (i >= t.size())
        return tokens;
      ++i;
      continue;
    }
    // A word ends at a blank, a quote or a comment; here bytes from 0x80 up belong to it.
    while (i < t.size() && static_cast<unsigned char>(t[i]) > ' ' && t[i] != '"' &&
           !startsComment(t, i, '/') && !startsComment(t, i, '*'))
      token += t[i++];
    tokens.push_back(token);
    if (i >= t.size())
      return tokens;
  }
}

void RetailGame::execute(std::string_view line, std::int64_t nowMs) {
  const std::vector<std::string> args = tokenize(line);
  if (args.empty())
    return;
  record_("run", line);
  const std::string command = lowerAscii(args[0]);
  if (command == "clear") {
    // The in-game console is emptied; the console window's log stays as it is.
    record_("clear-command", "");
  } else if (command == "echo") {
    std::string out;
    for (std::size_t i = 1; i < args.size(); ++i)
      out += args[i] + " ";
    print_(out + "\n");
  } else if (command == "name" && args.size() == 1) {
    print_("\"name\" is:\"" + name_ + "^7\" default:\"" + kDefaultName + "^7\"\n");
  } else if (command == "quit") {
    record_("quit", "");
    quitAsked_ = true;
  } else {
    if (args[0].front() == '/' || args[0].front() == '\\')
      record_("slashed", line);
    toServer(line, args, nowMs);
  }
}

void RetailGame::toServer(std::string_view line, const std::vector<std::string>& args,
                          std::int64_t nowMs) {
  // Every client command restarts the second, whether the server takes it or not.
  const bool taken = !server_.floodProtect || !anyServerCommand_ || nowMs >= nextReliableMs_;
  anyServerCommand_ = true;
  nextReliableMs_ = nowMs + kFloodMs;
  const std::string command = lowerAscii(args[0]);
  if (command == "name") {
    // The new name is the game's at once; the server hears it as the client's userinfo, which
    // it applies even when it ignores the command, and tells every player.
    record_("server", std::string(taken ? "taken " : "ignored ") + std::string(line));
    const std::string old = name_;
    name_ = args[1];
    if (name_ != old)
      answerLater(old + "^7 renamed to " + name_ + "\n", nowMs);
    return;
  }
  record_("server", std::string(taken ? "taken " : "ignored ") + std::string(line));
  if (taken && command == "say" && args.size() > 1)
    answerLater(name_ + "^7: ^2" + joined(args, 1) + "\n", nowMs);
}

void RetailGame::answerLater(std::string ansiText, std::int64_t nowMs) {
  if (server_.roundTripMs <= 0) {
    print_(ansiText);
    return;
  }
  answers_.push_back({nowMs + server_.roundTripMs, std::move(ansiText)});
}

void RetailGame::serverAnswers(std::int64_t nowMs) {
  while (!answers_.empty() && answers_.front().dueMs <= nowMs) {
    const std::string text = std::move(answers_.front().text);
    answers_.pop_front();
    print_(text);
  }
}

std::int64_t RetailGame::nextAnswerMs() const {
  return answers_.empty() ? -1 : answers_.front().dueMs;
}

}  // namespace pvx::practice

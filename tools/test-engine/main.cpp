// A stand-in for OpenJK's client on pipes (the game's open-source engine), for the tests of the
// bridge that reaches a game through its standard streams. It reads, answers and prints as that
// client does with its standard input not a terminal:
//
// - Input is read once a frame, in read()s of at most 256 bytes until the pipe is empty; the
//   last byte of each read is taken for its line feed and dropped, one leading "/" or "\" of
//   the read is dropped, and the rest runs line by line (";" outside quotes separates commands
//   too). So lines that wait in the pipe together share a read: only the first loses its slash,
//   and a read that ends inside a line cuts it in two and loses a byte.
// - Its console goes to standard error, colour escapes included; every line begins with the
//   date and time (its com_timestamps is on by default), and a "*" at the start of a line is
//   dropped (every chat line has one).
// - It answers a name query as `^9Cvar ^7name = ^9"^7Padawan^9"^7, ^7the default`, or with
//   `, ^7default = ^9"^7Padawan^9"^7` once the name differs from the default.
// - A word that is no command is forwarded to the server (a connected client's way); the server
//   answers nothing the console shows, so it only goes into the record.
// - The tokenizer reads "//" and "/*" outside double quotes as the start of a comment: `say see
//   http://x` says `see http:`.
// - The server's side, as a dedicated server keeps it (sv_floodProtect): it ignores a command of
//   the client that comes less than a second after the client's previous one, and every
//   command, ignored or not, starts the second again. Commands that reach the server: say, kill,
//   engage_duel, team, a rename and every word that is no command; the name query, echo and clear
//   stay with the client. A say the server takes is printed back after the round trip
//   (--round-trip-ms); one it ignores is never printed, and the record says "ignored" before it.
//
//   parlevox_test_engine [--name NAME] [--control FIFO] [--script FILE] [--record FILE]
//                        [--timestamps 0|1] [--frame-ms N] [--stamp 0|1]
//                        [--flood-protect 0|1] [--round-trip-ms N]
//
// Commands: name, name NEW, say TEXT, echo TEXT, clear, quit; anything else is forwarded.
//
// Control lines, from the named pipe FIFO (kept open, so writers may come and go) or, first,
// from the lines of a script FILE:
//   print TEXT    prints TEXT and a line feed, as it is (escapes, byte 0x19 and all)
//   write TEXT    prints TEXT without a line feed
//   load          prints what the client prints while a map loads (its libraries, its client game)
//   forcename NEW the player's name becomes NEW without a word, as a server makes a joining
//                 player take another name when his is taken
//   flood BYTES   prints about BYTES bytes of numbered lines at once, then "flood done"
//   player LINE   the player runs LINE in the game's console himself (his chat, "kill",
//                 "engage_duel"), as soon as the server takes a command of his again: a player
//                 reads the answer before he types on. Recorded as "player LINE".
//   hang          stops reading, printing and answering, until it is killed
//   exit CODE     ends with that exit code
//   kill          ends killed by SIGKILL
// --record FILE appends every command to FILE as it is run (forwarded ones too), one a line;
// with --stamp 1 each begins with "@NS " (the monotonic clock's nanoseconds when it was read), and
// the control line "mark TEXT" prints TEXT after recording "@NS printed": how long the program
// took to answer a line, from outside.
// --frame-ms N: how long a frame lasts, from input arriving to its being read (default 8, the
// client's 125 frames a second).
// --flood-protect 1 (the default) keeps the server's rule; 0 lets every command through.
// --round-trip-ms N: how long a say takes to come back from the server (default 0).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kDefaultName = "Padawan";
constexpr std::size_t kMaxEditLine = 256;

std::string playerName = kDefaultName;
std::FILE* record = nullptr;
bool stamps = false;
bool timestamps = true;
bool atLineStart = true;
int frameMs = 8;
bool floodProtect = true;
int roundTripMs = 0;

constexpr std::chrono::milliseconds kFloodSecond{1000};
// When the client's previous command reached the server; none yet at first.
std::optional<std::chrono::steady_clock::time_point> lastServerCommand;
// Chat the server took, printed back once its round trip is over.
struct Echo {
  std::chrono::steady_clock::time_point due;
  std::string line;
};
std::deque<Echo> echoes;
// The player's own commands, each waiting until the server takes a command of his again.
std::deque<std::string> playerLines;

// The engine's print: a time stamp before every line, and a leading "*" of a line dropped.
void printRaw(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (atLineStart) {
      if (timestamps) {
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", std::localtime(&now));
        out += stamp;
      }
      atLineStart = false;
      if (c == '*')
        continue;
    }
    out.push_back(c);
    atLineStart = c == '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

void printLine(std::string_view line) {
  std::string out(line);
  out.push_back('\n');
  printRaw(out);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string_view unquote(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
    return s.substr(1, s.size() - 2);
  return s;
}

void splitWord(std::string_view line, std::string_view& word, std::string_view& rest) {
  const std::size_t end = line.find_first_of(" \t");
  word = line.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : trim(line.substr(end));
}

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

// "@NS " where records are stamped: the monotonic clock, as the measuring side reads it too.
std::string stamp() {
  if (!stamps)
    return {};
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return "@" + std::to_string(ns.count()) + " ";
}

std::string readStamp;  // when the input being run was read

// The command without what the tokenizer takes for a comment: from "//" or "/*" outside double
// quotes to the end.
std::string_view withoutComment(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else if (!quoted && line[i] == '/' && (line[i + 1] == '/' || line[i + 1] == '*'))
      return line.substr(0, i);
  }
  return line;
}

void writeRecord(std::string_view prefix, std::string_view line) {
  if (record == nullptr)
    return;
  std::fputs(readStamp.c_str(), record);
  std::fwrite(prefix.data(), 1, prefix.size(), record);
  std::fwrite(line.data(), 1, line.size(), record);
  std::fputc('\n', record);
  std::fflush(record);
}

// Whether the server would take a command of the client now.
bool serverWouldTake() {
  return !floodProtect || !lastServerCommand ||
         std::chrono::steady_clock::now() - *lastServerCommand >= kFloodSecond;
}

// A command reaches the server: whether the server takes it. Taken or not, it starts the
// server's second again.
bool serverTakes() {
  const bool taken = serverWouldTake();
  lastServerCommand = std::chrono::steady_clock::now();
  return taken;
}

void printEchoesDue() {
  const auto now = std::chrono::steady_clock::now();
  while (!echoes.empty() && echoes.front().due <= now) {
    printLine(echoes.front().line);
    echoes.pop_front();
  }
}

// prefix: how the record tells whose command it was ("" for what the console read).
void runCommand(std::string_view command, std::string_view prefix = "") {
  std::string_view line = trim(withoutComment(command));
  if (line.empty())
    return;
  writeRecord(prefix, line);
  std::string_view word, rest;
  splitWord(line, word, rest);
  if (word == "clear")
    return;
  const bool local = word == "echo" || word == "quit" || (word == "name" && rest.empty());
  // A rename is the player's settings, which the server takes whatever the second.
  const bool rename = word == "name" && !rest.empty();
  if (!local && !serverTakes() && !rename) {
    writeRecord("ignored " + std::string(prefix), line);
    return;
  }
  if (word == "name") {
    if (rest.empty()) {
      std::string answer = "^9Cvar ^7name = ^9\"^7" + playerName + "^9\"^7";
      if (sameNoCase(playerName, kDefaultName))
        answer += ", ^7the default";
      else
        answer += std::string(", ^7default = ^9\"^7") + kDefaultName + "^9\"^7";
      printLine(answer);
    } else {
      // The server tells every player of the new name.
      const std::string old = playerName;
      playerName = std::string(unquote(rest));
      printLine(old + "^7 renamed to " + playerName);
    }
  } else if (word == "say") {
    if (!rest.empty()) {
      echoes.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(roundTripMs),
                        "*" + playerName + "^7\x19: ^2" + std::string(unquote(rest))});
      printEchoesDue();
    }
  } else if (word == "echo") {
    printLine(rest);
  } else if (word == "quit") {
    std::exit(0);
  }
  // Anything else goes to the server, which shows nothing here.
}

// The command buffer: lines, and commands within a line separated by ";" outside quotes.
void runText(std::string_view text) {
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\n';
    if (c == '"')
      quoted = !quoted;
    if (c == '\n' || c == '\r' || (c == ';' && !quoted)) {
      runCommand(text.substr(start, i - start));
      start = i + 1;
      if (c != ';')
        quoted = false;
    }
  }
}

void printMapLoading() {
  printLine("------ Server Initialization ------");
  printLine("Server: mp/ffa3");
  printLine("VM_Create: jampgamex86_64.so succeeded");
  printRaw("VM_Create: cgamex86_64.so");
  printRaw(" succeeded\n");
  printLine("CL_InitCGame:  0.52 seconds");
}

void flood(long bytes) {
  std::string chunk;
  long printed = 0;
  for (long n = 0; printed < bytes; ++n) {
    char line[128];
    const int len =
        std::snprintf(line, sizeof line, "flood %08ld ^1the quick brown fox ^7jumps over\n", n);
    chunk.append(line, static_cast<std::size_t>(len));
    printed += len;
    if (chunk.size() >= 65536) {
      printRaw(chunk);
      chunk.clear();
    }
  }
  printRaw(chunk);
  printLine("flood done");
}

void runControl(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  std::string_view word, rest;
  const std::size_t end = line.find(' ');
  word = line.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
  if (word == "print") {
    printLine(rest);
  } else if (word == "write") {
    printRaw(rest);
  } else if (word == "mark") {
    if (record != nullptr) {
      std::fputs((stamp() + "printed\n").c_str(), record);
      std::fflush(record);
    }
    printLine(rest);
  } else if (word == "load") {
    printMapLoading();
  } else if (word == "player") {
    playerLines.emplace_back(rest);
  } else if (word == "forcename") {
    playerName = std::string(rest);
  } else if (word == "flood") {
    flood(std::atol(std::string(rest).c_str()));
  } else if (word == "hang") {
    for (;;)
      pause();
  } else if (word == "exit") {
    std::fflush(stderr);
    std::_Exit(std::atoi(std::string(rest).c_str()));
  } else if (word == "kill") {
    ::kill(::getpid(), SIGKILL);
  }
}

bool readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP)) != 0;
}

// One frame's look at standard input, as the client makes it: read after read of at most 256
// bytes while there is input, each read one console line. False once the input has ended.
bool readConsoleInput() {
  while (readable(STDIN_FILENO)) {
    char text[kMaxEditLine];
    const ssize_t len = ::read(STDIN_FILENO, text, sizeof text);
    readStamp = stamp();
    if (len == 0)
      return false;
    if (len < 0)
      return errno == EINTR || errno == EAGAIN;
    text[len - 1] = 0;  // taken for the line feed
    std::string_view line(text);
    if (!line.empty() && (line.front() == '/' || line.front() == '\\'))
      line.remove_prefix(1);
    runText(line);
  }
  return true;
}

// Lines of a descriptor, read as they come; calls handle for every complete line.
struct LineReader {
  int fd = -1;
  std::string pending;
  template <class F>
  void readSome(F&& handle) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0)
      return;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t lf;
    while ((lf = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, lf);
      pending.erase(0, lf + 1);
      handle(line);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  const char* control = nullptr;
  const char* script = nullptr;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--name") == 0) {
      playerName = argv[i + 1];
    } else if (std::strcmp(argv[i], "--control") == 0) {
      control = argv[i + 1];
    } else if (std::strcmp(argv[i], "--script") == 0) {
      script = argv[i + 1];
    } else if (std::strcmp(argv[i], "--timestamps") == 0) {
      timestamps = std::strcmp(argv[i + 1], "0") != 0;
    } else if (std::strcmp(argv[i], "--stamp") == 0) {
      stamps = std::strcmp(argv[i + 1], "0") != 0;
    } else if (std::strcmp(argv[i], "--frame-ms") == 0) {
      frameMs = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--flood-protect") == 0) {
      floodProtect = std::strcmp(argv[i + 1], "0") != 0;
    } else if (std::strcmp(argv[i], "--round-trip-ms") == 0) {
      roundTripMs = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--record") == 0) {
      record = std::fopen(argv[i + 1], "ab");
    } else {
      std::fprintf(stderr, "parlevox_test_engine: unknown option %s\n", argv[i]);
      return 2;
    }
  }

  printLine("tty console mode disabled");
  printLine("^3Parlevox test engine^7 ready");
  if (script != nullptr) {
    std::ifstream in(script, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
      runControl(line);
  }

  LineReader controlLines;
  if (control != nullptr) {
    // Opened for writing too, so that the pipe never reports an end between two writers.
    controlLines.fd = ::open(control, O_RDWR | O_NONBLOCK);
    if (controlLines.fd < 0) {
      std::fprintf(stderr, "parlevox_test_engine: cannot open %s\n", control);
      return 2;
    }
  }
  bool inputOpen = true;
  for (;;) {
    pollfd fds[2] = {{inputOpen ? STDIN_FILENO : -1, POLLIN, 0}, {controlLines.fd, POLLIN, 0}};
    // Chat on its way back from the server is printed when it arrives.
    // So is the player's next command, once the server takes one of his again.
    int timeoutMs = -1;
    const auto waitFor = [&](std::chrono::steady_clock::time_point due) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          due - std::chrono::steady_clock::now());
      const int ms = static_cast<int>(std::max<std::int64_t>(0, left.count()) + 1);
      timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
    };
    if (!echoes.empty())
      waitFor(echoes.front().due);
    if (!playerLines.empty())
      waitFor(lastServerCommand ? *lastServerCommand + kFloodSecond
                                : std::chrono::steady_clock::now());
    if (::poll(fds, 2, timeoutMs) < 0 && errno != EINTR)
      return 1;
    printEchoesDue();
    while (!playerLines.empty() && serverWouldTake()) {
      runCommand(playerLines.front(), "player ");
      playerLines.pop_front();
    }
    if (fds[1].revents != 0)
      controlLines.readSome([](const std::string& line) { runControl(line); });
    if (fds[0].revents != 0) {
      // The rest of the frame passes before the input is looked at.
      if (frameMs > 0)
        ::poll(nullptr, 0, frameMs);
      inputOpen = readConsoleInput();
    }
    // Without input and without control nothing can ever happen again.
    if (!inputOpen && controlLines.fd < 0 && echoes.empty())
      return 0;
  }
}

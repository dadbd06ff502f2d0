// A stand-in for the game's open-source client on pipes, for the tests of the bridge that
// reaches a game through its standard streams. Like the real client with its standard input
// not a terminal, it runs every line read from standard input as a console command and prints
// its console, colour escapes included, to standard error; it echoes nothing of what it reads.
//
//   parlevox_test_engine [--name NAME] [--control FIFO] [--script FILE] [--record FILE]
//                        [--timestamps 1]
//
// Commands (one leading "/" or "\" dropped): name, name NEW, say TEXT, echo TEXT, clear, quit;
// anything else is an unknown command.
//
// Control lines, from the named pipe FIFO (kept open, so writers may come and go) or, first,
// from the lines of a script FILE:
//   print TEXT    prints TEXT and a line feed, as it is (escapes, byte 0x19 and all)
//   write TEXT    prints TEXT without a line feed
//   flood BYTES   prints about BYTES bytes of numbered lines at once, then "flood done"
//   hang          stops reading, printing and answering, until it is killed
//   exit CODE     ends with that exit code
//   kill          ends killed by SIGKILL
// --record FILE appends every line read from standard input to FILE as it is run.
// --timestamps 1 starts every printed line with the date and time, as the engine does while its
// com_timestamps is on.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string playerName = "Padawan";
std::FILE* record = nullptr;
bool timestamps = false;
bool atLineStart = true;

void printRaw(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    if (atLineStart && timestamps) {
      char stamp[32];
      const std::time_t now = std::time(nullptr);
      std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", std::localtime(&now));
      out += stamp;
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

void runCommand(std::string_view raw) {
  if (record != nullptr) {
    std::fwrite(raw.data(), 1, raw.size(), record);
    std::fputc('\n', record);
    std::fflush(record);
  }
  std::string_view line = trim(raw);
  if (!line.empty() && (line.front() == '/' || line.front() == '\\'))
    line.remove_prefix(1);
  std::string_view word, rest;
  splitWord(line, word, rest);
  if (word.empty() || word == "clear")
    return;
  if (word == "name") {
    if (rest.empty()) {
      printLine("\"name\" is:\"" + playerName + "^7\" default:\"Padawan^7\"");
    } else {
      const std::string old = playerName;
      playerName = std::string(unquote(rest));
      printLine(old + "^7 renamed to " + playerName);
    }
  } else if (word == "say") {
    if (!rest.empty())
      printLine(playerName + "^7: ^2" + std::string(unquote(rest)));
  } else if (word == "echo") {
    printLine(rest);
  } else if (word == "quit") {
    std::exit(0);
  } else {
    printLine("Unknown command \"" + std::string(word) + "^7\"");
  }
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

// Lines of a descriptor, read as they come; calls handle for every complete line.
struct LineReader {
  int fd = -1;
  std::string pending;
  // False once the descriptor has ended.
  template <class F>
  bool readSome(F&& handle) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0)
      return false;
    if (n < 0)
      return errno == EINTR || errno == EAGAIN;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t lf;
    while ((lf = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, lf);
      pending.erase(0, lf + 1);
      handle(line);
    }
    return true;
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
    } else if (std::strcmp(argv[i], "--record") == 0) {
      record = std::fopen(argv[i + 1], "ab");
    } else {
      std::fprintf(stderr, "parlevox_test_engine: unknown option %s\n", argv[i]);
      return 2;
    }
  }

  printLine("^3Parlevox test engine^7 ready");
  if (script != nullptr) {
    std::ifstream in(script, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
      runControl(line);
  }

  LineReader input{STDIN_FILENO, {}};
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
    if (::poll(fds, 2, -1) < 0 && errno != EINTR)
      return 1;
    if (fds[1].revents != 0)
      controlLines.readSome([](const std::string& line) { runControl(line); });
    if (fds[0].revents != 0)
      inputOpen = input.readSome([](const std::string& line) { runCommand(line); });
    // Without input and without control nothing can ever happen again.
    if (!inputOpen && controlLines.fd < 0)
      return 0;
  }
}

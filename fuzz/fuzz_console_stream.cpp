// The console log of a game on pipes fed arbitrary output in arbitrary pieces, with typed lines
// between them. The first byte of the input chooses the size of the pieces; a byte 0xFF starts
// a typed line that runs to the next line feed. Checks:
//  - the text never passes the window's limit and holds every line end as CR LF;
//  - no chat escape character and no terminal colour sequence's escape survive;
//  - the same output in pieces of one byte gives the same text as in the chosen pieces;
//  - the version changes whenever the text does.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/console/RetailConsoleLog.h"

namespace {

using pvx::RetailConsoleLog;

[[noreturn]] void fail(const char* why) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n", why);
  std::abort();
}

void check(const RetailConsoleLog& log) {
  const std::string& t = log.text();
  if (t.size() > RetailConsoleLog::kWipeAfter)
    fail("the log passed the window's limit");
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r'))
      fail("a line feed without its carriage return");
    if (t[i] == '\r' && (i + 1 == t.size() || t[i + 1] != '\n'))
      fail("a carriage return without its line feed");
    if (t[i] == 0x19)
      fail("the chat escape character survived");
  }
}

// Feeds the input to log in pieces of the given size; returns the text.
std::string feed(RetailConsoleLog& log, std::string_view input, std::size_t piece) {
  while (!input.empty()) {
    const std::size_t typed = input.find('\xFF');
    const std::string_view output = input.substr(0, typed);
    for (std::size_t at = 0; at < output.size(); at += piece) {
      const std::string before = log.text();
      const auto version = log.version();
      log.append(output.substr(at, piece));
      if (log.text() != before && log.version() == version)
        fail("the text changed and the version did not");
      check(log);
    }
    if (typed == std::string_view::npos)
      break;
    input.remove_prefix(typed + 1);
    const std::size_t end = input.find('\n');
    log.enterLine(input.substr(0, end));
    check(log);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  }
  log.finish();
  check(log);
  return log.text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  RetailConsoleLog chosen, byByte;
  // Lines shorter than the window's limit show the same however they arrive (the inputs here
  // are far shorter).
  if (feed(chosen, input, piece) != feed(byByte, input, 1))
    fail("the pieces the output came in changed the text");
  return 0;
}

// The chat's arguments and the command chain. The first byte of an input picks what the rest
// feeds:
//   0  the argument rule: an offset byte, then the key up to the first NUL, then the new text
//   1  the "!vol" number
//   2  the command chain on the rest as a cycle's new text, the player's name known
//   3  the same with the rest after "Rookie: !<command>", the command picked by the next byte,
//      and a line break after it
//   4  the same with the player's name taken from the rest up to its first NUL
//   5  "!load" of the rest as a set name
// Checks: the argument has the length its rule gives; a "!vol" number is the rounded-down value
// of the text; no command the game receives holds a line break, a ";" or a double quote that the
// program did not put there itself; no set outside "Saves" is ever loaded.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "TypedCommandCheck.h"
#include "core/text/Text.h"
#include "core/time/Task.h"
#include "support/CoreRig.h"

namespace {

namespace fs = std::filesystem;
using pvx::testing::PracticeRig;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n", why.c_str());
  std::abort();
}

void argumentRule(std::string_view in) {
  if (in.empty())
    return;
  const std::size_t offset = static_cast<unsigned char>(in[0]) % 16;
  in.remove_prefix(1);
  const std::size_t nul = in.find('\0');
  const std::string key(in.substr(0, nul));
  const std::string newText(nul == std::string_view::npos ? std::string_view()
                                                          : in.substr(nul + 1));
  const std::optional<std::string> arg = pvx::CommandChain::argument(newText, key, offset);
  const std::size_t at = pvx::text::findNoCase(newText, key);
  if (at == pvx::text::npos) {
    if (!arg || !arg->empty())
      fail("an absent key gave an argument");
    return;
  }
  const std::size_t length = pvx::text::length(newText);
  const std::size_t left = at + offset >= length ? 0 : length - at - offset;
  if (left < 2 ? arg.has_value() : (!arg || pvx::text::length(*arg) != left - 2))
    fail("the argument does not have the length its rule gives");
}

// The number as the chat means it: blanks around an optional sign, digits and at most one
// decimal point, at least one digit. Nothing when the text is not such a number.
std::optional<double> chatNumber(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  const std::string number(s);
  std::string_view body = s;
  if (!body.empty() && (body.front() == '+' || body.front() == '-'))
    body.remove_prefix(1);
  std::size_t digits = 0, points = 0;
  for (char c : body) {
    if (c >= '0' && c <= '9')
      ++digits;
    else if (c == '.')
      ++points;
    else
      return std::nullopt;
  }
  if (digits == 0 || points > 1)
    return std::nullopt;
  return std::strtod(number.c_str(), nullptr);
}

void volumeNumber(std::string_view in) {
  const std::optional<std::int16_t> volu = pvx::MusicChatCommands::volumeNumber(std::string(in));
  const std::optional<double> number = chatNumber(in);
  if (volu && !number)
    fail("a text that is no number gave a volume");
  if (!number)
    return;
  const double whole = std::floor(*number);
  const bool fits = whole >= -32768 && whole <= 32767;
  if (fits != volu.has_value() || (volu && whole != *volu))
    fail("the volume is not the number rounded down, or a number that fits gave none");
}

void checkTyped(const PracticeRig& rig) {
  for (const std::string& command : rig.commands()) {
    if (const std::string leak = pvx::rig::leakIn(command); !leak.empty())
      fail("the game received " + leak + " in [" + command + "]");
  }
  if (pvx::unawaitedFailures() != 0)
    fail("a routine nobody awaits let out an exception");
}

// The messages full of placeholders, a few odd playlist entries, the player's name known.
void prepare(PracticeRig& rig) {
  rig.setAllMessages("%s %d %S %D");
  rig.addTrack("Intro", 3);
  rig.addTrack("semi;colon \"quoted\"", 4);
  rig.addTrack("broken\r\nline", 2);
  rig.addUnplayable("cannot play");
  if (!rig.startKnowingName())
    fail("the practice game's player name was never learned");
  rig.typed.clear();
}

void chain(std::string_view newText, const std::string& name = PracticeRig::kPlayerName) {
  PracticeRig rig({.programFolder = pvx::rig::fuzzFolder()});
  prepare(rig);
  std::string playerName = name;
  pvx::testing::runToEnd(rig.clock, rig.core().commands().run(std::string(newText), playerName));
  rig.clock.runFor(20);  // the music timer's next ticks
  checkTyped(rig);
}

void load(std::string_view name) {
  PracticeRig rig({.programFolder = pvx::rig::fuzzFolder()});
  const fs::path outside = pvx::rig::fuzzFolder() / "outside.pvx";
  if (!fs::exists(outside)) {
    std::ofstream out(outside, std::ios::binary);
    out << "Parlevocs [ZB] Vendrix\r\n";
    for (int i = 0; i < 11; ++i)
      out << (i % 2 == 0 ? "OUTSIDE\r\n" : " 1 \r\n");
  }
  if (rig.sets().loadMessageSet(std::string(name)) &&
      rig.core().messages().message(pvx::MessageKind::Greeting).text == "OUTSIDE")
    fail("a set outside \"Saves\" was loaded");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  static constexpr const char* kCommands[] = {"load", "stop",  "next",      "prev", "mini",
                                              "vol",  "pause", "listsongs", "play"};
  switch (data[0] % 6) {
    case 0:
      argumentRule(in);
      break;
    case 1:
      volumeNumber(in);
      break;
    case 2:
      chain(in);
      break;
    case 3: {
      if (in.empty())
        return 0;
      const char* command = kCommands[static_cast<unsigned char>(in[0]) % 9];
      chain(std::string(PracticeRig::kPlayerName) + ": !" + command + std::string(in.substr(1)) +
            "\r\n");
      break;
    }
    case 4: {
      const std::size_t nul = in.find('\0');
      if (nul == 0 || nul == std::string_view::npos)
        return 0;
      chain(in.substr(nul + 1), std::string(in.substr(0, nul)));
      break;
    }
    case 5:
      load(in);
      break;
  }
  return 0;
}

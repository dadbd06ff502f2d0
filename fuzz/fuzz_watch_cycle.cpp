// The whole watch cycle fed arbitrary console text: the practice game, virtual time, a message set
// whose every message and duel template is full of placeholders (all flags on) and a playlist on
// the fake media back end whose entries are as odd as files get: titles with ";", quotes, a line
// break and characters outside the game's code page, a file that cannot be played, one that is
// gone, one of no length and one whose length the back end reports as absurd. After every step
// of an input:
//  - no command the game received holds a line break, or a ";" or double quote that the program
//    did not put there itself (the user's texts here hold neither);
//  - the heartbeat goes on: every cycle that started has ended, but for one suspended in a wait,
//    and the watch timer is armed again (or waits for what others handed over to be typed);
//  - nothing escaped as an exception (it would end the program), and no routine that nobody
//    awaits (a watch cycle, the typing of what others handed over) let one out;
//  - no chat command ran (nothing typed, no window state, volume, playback or message set
//    changed by the command chain) unless a line of that cycle's text begins with the current
//    player name and a command's literal, and the replies were switched off or on only by such a
//    line of the player's (or, while the name is unknown, by any ": !ReplyON");
//  - a new text made only of the console's echoes of what the program typed triggers nothing;
//  - no line another player makes the game print (his chat, his rename, what he does) changes
//    the local player's name, except to the name the game itself gives when asked.
//
// An input is lines split at LF. A line that starts with one of these bytes is an event:
//   \x01  one whole watch cycle runs
//   \x02N the event loop runs N ms (decimal, at most 1000; 100 without N)
//   \x03  the game ends (its windows vanish)      \x04  the game starts again
//   \x05  the playing track plays to its end      \x06  colour codes kept / stripped in the log
//   \x07T raw bytes T and CR LF land in the log window behind the game's back
//   \x08T the log window suddenly shows exactly the bytes T (it shrank or changed)
//   \x09  the 15-second greeting timer ticks      \x0bT the player is renamed T in the game
//   \x0cN:T the game prints line T N times (N at most 2000)
//   \x0e  once the program is quiet, the log receives the echo of the last commands it typed
//   \x0fS:T another player named S says T     \x10S:T another player named S renames himself T
//   \x11S:T another player named S does T: the game prints his name, a blank and T ("entered the
//         game", "was sabered by Bob"...) (each skipped where S is the local player's name); the
//         program then reads it
// Any other line is printed by the game as it stands. One cycle runs at the end.
// With PARLEVOX_FUZZ_TRACE set, every command the game receives is printed with its time, to see
// what an input does.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "FuzzFolder.h"
#include "TypedCommandCheck.h"
#include "core/text/Text.h"
#include "core/time/Task.h"
#include "core/watcher/ConsoleLines.h"
#include "support/CoreRig.h"

namespace {

using pvx::testing::PracticeRig;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n", why.c_str());
  std::abort();
}

long numberIn(std::string_view s, long fallback, long most) {
  long n = 0;
  bool any = false;
  for (char c : s) {
    if (c < '0' || c > '9')
      break;
    any = true;
    n = n * 10 + (c - '0');
    if (n > most)
      return most;
  }
  return any ? n : fallback;
}

// A step of the watch cycle that goes through a check of its own, which runs the real step.
class CheckedStep final : public pvx::WatchStep {
 public:
  using Check = std::function<pvx::Task<pvx::CycleFlow>(std::string, std::string&)>;
  explicit CheckedStep(Check check) : check_(std::move(check)) {}
  pvx::Task<pvx::CycleFlow> run(std::string lines, std::string& playerName) override {
    return check_(std::move(lines), playerName);
  }

 private:
  Check check_;
};

class Session {
 public:
  Session() {
    rig_.setAllMessages("%s %d %S %D");
    rig_.addTrack("Intro", 3);
    rig_.addTrack("Morning Star", 200);
    rig_.addTrack("semi;colon \"quoted\"", 4);
    rig_.addTrack("broken\r\nline", 2);
    rig_.addUnplayable("cannot play");
    rig_.addMissing("gone away");
    rig_.addTrack("Ünïcödé ☃ ^1red", 5);
    rig_.addTrack("empty track", 0);
    // A damaged file whose length the back end reports as absurdly long.
    rig_.addTrack("absurd length", 1e300);
    if (!rig_.startKnowingName())
      fail("the practice game's player name was never learned");
    check("start-up");
  }

  void step(std::string_view line) {
    const std::string_view rest = line.empty() ? line : line.substr(1);
    switch (line.empty() ? '\0' : line.front()) {
      case '\x01':
        cycle();
        break;
      case '\x02':
        rig_.clock.runFor(numberIn(rest, 100, 1000));
        break;
      case '\x03':
        rig_.practice.stop();
        break;
      case '\x04':
        rig_.practice.start();
        break;
      case '\x05':
        rig_.media.finishNewest();
        break;
      case '\x06':
        rig_.game.setKeepColours(!rig_.game.keepColours());
        break;
      case '\x07':
        if (rig_.practice.running()) {
          const pvx::Hwnd log = rig_.practice.logWindow();
          rig_.ws.setTextDirect(log, rig_.ws.text(log) + std::string(rest) + "\r\n");
        }
        break;
      case '\x08':
        if (rig_.practice.running())
          rig_.ws.setTextDirect(rig_.practice.logWindow(), rest);
        break;
      case '\x09':
        rig_.replies().greetingTimerTick();
        break;
      case '\x0b':
        rig_.game.setPlayerName(rest);
        break;
      case '\x0c': {
        const long times = numberIn(rest, 1, 2000);
        const std::size_t colon = rest.find(':');
        const std::string_view printed =
            colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        for (long i = 0; i < times; ++i)
          rig_.game.print(printed);
        break;
      }
      case '\x0e':
        echoesTriggerNothing();
        break;
      case '\x0f':
        anotherPlayersLine(rest, "^7: ");
        break;
      case '\x10':
        anotherPlayersLine(rest, "^7 renamed to ");
        break;
      case '\x11':
        anotherPlayersLine(rest, "^7 ");
        break;
      default:
        rig_.game.print(line);
        break;
    }
    check("after a step");
  }

  void finish() {
    cycle();
    rig_.clock.runFor(50);
    check("at the end");
  }

 private:
  void cycle() {
    if (!rig_.runOneCycle())
      fail("no watch cycle ran within a minute of program time: the heartbeat stopped");
  }

  // What a chat command can change, to tell whether one ran.
  auto effects() {
    pvx::Player& player = rig_.player();
    return std::make_tuple(rig_.typed.size(), rig_.window.states.size(), player.volumeSliderValue(),
                           player.state(), player.currentIndex(), player.selection(),
                           rig_.core().messages().current(), rig_.practice.gameWindowVisible());
  }

  static bool lineBegins(const std::string& text, const std::string& name, const char* literal) {
    return pvx::consolelines::firstBeginningWith(text, name + literal).has_value();
  }

  // The chat commands, run only where a line of the player's commands.
  pvx::Task<pvx::CycleFlow> checkedCommands(std::string text, std::string& name) {
    bool commanded = false;
    for (const char* literal : {": !load", ": !stop", ": !next", ": !prev", ": !mini", ": !vol",
                                ": !pause", ": !listsongs", ": !play"})
      commanded = commanded || lineBegins(text, name, literal);
    const auto before = effects();
    const pvx::CycleFlow flow = co_await rig_.core().commands().run(text, name);
    if (!commanded && effects() != before)
      fail(
          "a chat command ran, but no line of the new text begins with the player's name "
          "and a command: [" +
          text + "]");
    co_return flow;
  }

  // The replies to game events, switched off and on only by the player's own lines.
  pvx::Task<pvx::CycleFlow> checkedEvents(std::string text, std::string& name) {
    pvx::GameEventReplies& replies = rig_.replies();
    const bool wasOn = replies.repliesOn();
    const bool off = lineBegins(text, name, ": !replyoff");
    const bool on = !name.empty() ? lineBegins(text, name, ": !ReplyON")
                                  : pvx::text::containsNoCase(text, ": !ReplyON");
    const pvx::CycleFlow flow = co_await replies.run(text, name);
    if (wasOn && !replies.repliesOn() && !off)
      fail("the replies were switched off by another line than the player's own: [" + text + "]");
    if (!wasOn && replies.repliesOn() && !on)
      fail("the replies were switched on by another line than the player's own: [" + text + "]");
    co_return flow;
  }

  // Lets the program finish what it is answering, then shows it only the console's echo of its
  // own last commands: nothing may come of it.
  void echoesTriggerNothing() {
    for (int i = 0; i < 5; ++i) {
      const std::size_t typedBefore = rig_.typed.size();
      cycle();
      if (rig_.typed.size() == typedBefore)
        break;
    }
    const std::vector<std::string> typed = rig_.commands();
    const std::vector<std::string> own(typed.size() > 30 ? typed.end() - 30 : typed.begin(),
                                       typed.end());
    if (own.empty() || !rig_.practice.running())
      return;
    for (const std::string& command : own)
      rig_.game.print("]" + command);
    const std::size_t typedBefore = rig_.typed.size();
    const auto states = rig_.window.states.size();
    const bool replies = rig_.replies().repliesOn();
    const int volume = rig_.player().volumeSliderValue();
    cycle();
    for (std::size_t i = typedBefore; i < rig_.typed.size(); ++i) {
      const std::string& command = rig_.typed[i].command;
      // The cycle's own housekeeping and a track that ended meanwhile are no answer.
      if (command == "/name" || command == "/clear" ||
          command.rfind("echo ^1Currently Playing: ", 0) == 0)
        continue;
      fail("the echo of the program's own commands was answered with [" + command + "]");
    }
    if (rig_.window.states.size() != states || rig_.replies().repliesOn() != replies ||
        rig_.player().volumeSliderValue() != volume)
      fail("the echo of the program's own commands changed the program's state");
  }

  // The lines another player can make the game print never name the local player: only the
  // game's answer to a name query does.
  void anotherPlayersLine(std::string_view rest, const std::string& between) {
    const std::size_t colon = rest.find(':');
    const std::string speaker(rest.substr(0, colon));
    const std::string said(colon == std::string_view::npos ? "" : rest.substr(colon + 1));
    const auto same = [](const std::string& a, const std::string& b) {
      const std::string x = pvx::text::stripColours(a, '9');
      const std::string y = pvx::text::stripColours(b, '9');
      return x.size() == y.size() && pvx::text::findNoCase(x, y) == 0;
    };
    cycle();  // what the game printed before is read first
    const std::string before = rig_.watch().state().playerName;
    if (same(speaker, before) || same(speaker, rig_.game.playerName()))
      return;
    const std::string printed = speaker + between + said;
    rig_.game.print(printed);
    for (int i = 0; i < 3; ++i)
      cycle();
    const std::string after = rig_.watch().state().playerName;
    // The answer ends the name at a double quote, which no real name holds.
    const std::string answered = rig_.game.playerName().substr(0, rig_.game.playerName().find('"'));
    if (after != before && !same(after, answered))
      fail("another player's line [" + printed + "] changed the player's name from [" + before +
           "] to [" + after + "]");
  }

  void check(const char* when) {
    for (; checked_ < rig_.typed.size(); ++checked_) {
      const std::string& command = rig_.typed[checked_].command;
      if (trace_)
        std::fprintf(stderr, "%8lld  %s\n", static_cast<long long>(rig_.clock.nowMs()),
                     command.c_str());
      const std::string leak = pvx::rig::leakIn(command);
      if (!leak.empty())
        fail(std::string(when) + ": the game received " + leak + " in [" + command + "]");
    }
    // One cycle at most is under way (suspended in a wait); when none is, the next is on its way.
    const pvx::WatchCycle& watch = rig_.watch();
    if (watch.cyclesStarted() - watch.cyclesEnded() > (watch.inCycle() ? 1u : 0u))
      fail(std::string(when) + ": a watch cycle started and never ended");
    if (!watch.inCycle() && !watch.armed() && !watch.waitingForTyping())
      fail(std::string(when) + ": the watch timer is no longer armed");
    if (pvx::unawaitedFailures() != 0)
      fail(std::string(when) + ": a routine nobody awaits let out an exception");
  }

  CheckedStep events_{
      [this](std::string text, std::string& name) { return checkedEvents(std::move(text), name); }};
  CheckedStep commands_{[this](std::string text, std::string& name) {
    return checkedCommands(std::move(text), name);
  }};
  PracticeRig rig_{{.programFolder = pvx::rig::fuzzFolder(),
                    .standIns = {.events = &events_, .commands = &commands_}}};
  std::size_t checked_ = 0;
  const bool trace_ = std::getenv("PARLEVOX_FUZZ_TRACE") != nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    Session session;
    std::size_t begin = 0;
    while (begin <= input.size()) {
      std::size_t end = input.find('\n', begin);
      if (end == std::string_view::npos)
        end = input.size();
      if (end > begin || end < input.size())
        session.step(input.substr(begin, end - begin));
      begin = end + 1;
    }
    session.finish();
  } catch (const std::exception& e) {
    fail(std::string("an exception escaped and would end the program: ") + e.what());
  } catch (...) {
    fail("an exception escaped and would end the program");
  }
  return 0;
}

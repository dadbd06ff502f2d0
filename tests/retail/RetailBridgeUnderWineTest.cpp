// The program's behaviour over the real user32 calls beside the retail game's console: the Win32
// practice console run as the game runs it (it reads what was typed only after a pump of its
// messages, copies every line into its 256-byte console field, leaves its log to "clear", pumps
// nothing while it loads a map, hides its console without viewlog), in another process. The
// program's events run on its virtual clock held to real time, so the game sees every call as far
// apart as the real program makes it. Each case runs with the console shown and hidden.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/text/Text.h"
#include "platform/win32/Win32TypingThread.h"
#include "wine/WineWatchFixture.h"
// After the core's headers, which windows.h must not precede.
#include "retail/RetailRecord.h"
#include "support/AnsweredNow.h"

using pvx::DuelText;
using pvx::testing::retail::Console;
using pvx::testing::retail::Events;
using pvx::testing::retail::figure;
using pvx::testing::retail::first;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// Typing on a thread of its own, as the program types beside the real game.
struct TypingThread {
  pvx::Win32TypingThread typist;
  // The game's answers, handed over by the window system's asking thread to the test's own: its
  // event loop, step(), runs them.
  struct Posted {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
  } posted;
  pvx::Win32WindowSystem::Post post() {
    return [p = &posted](std::function<void()> work) {
      const std::lock_guard<std::mutex> lock(p->mutex);
      p->work.push_back(std::move(work));
    };
  }
  // Hands what was posted to the clock; whether there was anything.
  bool takePosted(pvx::VirtualClock& clock) {
    std::deque<std::function<void()>> work;
    {
      const std::lock_guard<std::mutex> lock(posted.mutex);
      work.swap(posted.work);
    }
    for (std::function<void()>& w : work)
      clock.post(std::move(w));
    return !work.empty();
  }
};

class RetailBridgeUnderWine : private TypingThread,
                              public pvx::testing::WineWatchFixture,
                              public ::testing::WithParamInterface<Console> {
 public:
  // The player's name as the game holds it.
  static inline const std::string kPlayerAnsi = pvx::text::toCp1252(kPlayer);
  RetailBridgeUnderWine() : WineWatchFixture(&typist, post()) {
    awaitEachRead = false;
    pump = [this] {
      Sleep(1);
      takePosted(clock);
      clock.runDue();
    };
  }

  std::vector<std::string> gameArguments() const override {
    return pvx::testing::retail::consoleArguments(GetParam(), WineWatchFixture::gameArguments());
  }

  void SetUp() override {
    WineWatchFixture::SetUp();
    if (HasFatalFailure())
      return;
    ws.paceWith(&clock);
  }

  // One event of the program (a timer's tick), once its time has come in real time; the
  // program's time never falls behind the real time either (its timers' ticks missed meanwhile
  // come once, as a real timer's do). How long the event held the program beyond its own waits
  // is noted. False when no timer is armed.
  bool step() {
    const std::int64_t real = ws.realNowMs();
    if (clock.nowMs() < real)
      clock.sleepMs(real - clock.nowMs());
    const bool answered = takePosted(clock);
    const std::int64_t due = clock.nextDueMs();
    if (due < 0)
      return false;
    // An answer of the game that comes meanwhile is taken at once.
    while (!answered && ws.realNowMs() < due) {
      {
        const std::lock_guard<std::mutex> lock(posted.mutex);
        if (!posted.work.empty())
          return true;
      }
      Sleep(1);
    }
    const std::int64_t from = std::max(due, clock.nowMs());
    const ULONGLONG began = GetTickCount64();
    clock.runNext();
    const auto took = static_cast<std::int64_t>(GetTickCount64() - began);
    holds_.push_back({began, took - (clock.nowMs() - from)});
    return true;
  }

  // Runs the program until done() holds (looked at every few milliseconds) or the bound of real
  // time has passed.
  bool runUntil(const std::function<bool()>& done,
                DWORD boundMs = pvx::testing::PracticeConsoleProcess::kBoundMs) {
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    ULONGLONG nextLook = 0;
    for (;;) {
      if (GetTickCount64() >= nextLook) {
        if (done())
          return true;
        nextLook = GetTickCount64() + kLookMs;
      }
      if (GetTickCount64() >= deadline || !step())
        return done();
    }
  }
  void runFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    runUntil([end] { return GetTickCount64() >= end; }, ms + kLookMs);
  }

  // Start-up, then the program's events until it knows the player's name.
  void learnName() {
    core().start();
    ASSERT_TRUE(runUntil([this] { return !playerName().empty(); }))
        << "the name was never learned; status: " << window.status;
    ASSERT_EQ(playerName(), kPlayer);
  }

  // The longest the program was held, beyond its own waits, by an event begun from the tick on.
  std::int64_t longestHoldSince(ULONGLONG tick) const {
    std::int64_t longest = 0;
    for (const Hold& h : holds_) {
      if (h.beganTick >= tick)
        longest = std::max(longest, h.ms);
    }
    return longest;
  }

  // The player types a line into the game's console.
  void playerTypes(const std::string& line) { ASSERT_TRUE(game->send("enter " + line)) << line; }

  // Runs the program until the game's log shows the text (UTF-8).
  ::testing::AssertionResult gameShows(const std::string& text) {
    if (runUntil([&] { return gameLog().find(text) != std::string::npos; }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the game never showed \"" << text << "\"";
  }

  // Runs the program until the game has run a command beginning with the text (the game's
  // bytes) since the moment fromMs of the record.
  ::testing::AssertionResult gameRan(
      const std::string& text, std::int64_t fromMs = 0,
      DWORD boundMs = pvx::testing::PracticeConsoleProcess::kBoundMs) {
    if (runUntil([&] { return first(game->record(), "run", text, fromMs) != nullptr; }, boundMs))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the game never ran \"" << text << "\"";
  }

  // The moment after the record's newest event.
  std::int64_t recordNow() const {
    const Events events = game->record();
    return events.empty() ? 0 : events.back().ms + 1;
  }

  void writeSet(const std::string& name, const std::string& content) {
    std::filesystem::create_directories(programFolder() / "Saves");
    std::ofstream(programFolder() / "Saves" / (name + ".pvx"), std::ios::binary) << content;
  }

  std::string duelLine(const std::string& other) const {
    return other + "^7 has become engaged in a duel with " + kPlayer + "^7!";
  }

  static constexpr DWORD kLookMs = 20;

 private:
  struct Hold {
    ULONGLONG beganTick;
    std::int64_t ms;
  };
  std::vector<Hold> holds_;
};

// --- Start, the OS and the game going away ----------------------------------------------------

class RetailBridgeStartUnderWine : public RetailBridgeUnderWine {};

TEST_P(RetailBridgeStartUnderWine, TheNameIsLearnedAndTheTrueWindowsNamed) {
  learnName();
  EXPECT_EQ(window.status, "[ Current Player: " + kPlayer + "  OS: Windows 7 Build 7601 ]");
}

TEST_P(RetailBridgeStartUnderWine, TheGameQuittingIsShownAsNotRunning) {
  learnName();
  ASSERT_TRUE(game->send("quit"));
  ASSERT_TRUE(game->waitForExit(pvx::testing::PracticeConsoleProcess::kBoundMs));
  EXPECT_TRUE(runUntil([this] {
    return window.status.rfind("[ Current Player: <JKA is not running>  OS: ", 0) == 0;
  })) << window.status;
  EXPECT_EQ(playerName(), "");
}

TEST_P(RetailBridgeStartUnderWine, AFatalErrorIsShownNothingIsTypedAndTheErrorBoxIsNoLog) {
  static const std::string kError = "CM_LoadMap: couldn't load maps/mp/duel9.bsp";
  learnName();
  const std::int64_t from = recordNow();
  ASSERT_TRUE(game->send("fatal " + kError));

  const std::string stopped = "[ JKA stopped with an error: " + kError + " ]";
  EXPECT_TRUE(runUntil([&] { return window.status == stopped; }, 10000))
      << "status \"" << window.status << "\", not \"" << stopped << "\"";
  // Nothing typed, and the error box (now the fifth child) not read as the log.
  runFor(500);
  EXPECT_THAT(pvx::testing::retail::entered(game->record(), from), IsEmpty());
  const pvx::Hwnd errorBox = bridge.nthChildWindow(bridge.findConsoleWindow(), 5);
  ASSERT_EQ(className(errorBox), "Static");
  EXPECT_NE(watch().state().consoleLog, errorBox) << "the error box was taken for the log";
}

// --- Long lines -------------------------------------------------------------------------------

class RetailBridgeLongLinesUnderWine : public RetailBridgeUnderWine {};

TEST_P(RetailBridgeLongLinesUnderWine, AGreetingAndADuelReplyFromALoadedSetCorruptNothing) {
  // A greeting of 315 characters and a duel reply of 580, once the names are in.
  const std::string greetingStart = "Hi %d, ";
  const std::string engageStart = "%s vs %d, ";
  writeSet("long", pvx::testing::retail::messageSet(
                       engageStart + pvx::testing::retail::words(580 - 16), "%s beat %d",
                       greetingStart + pvx::testing::retail::words(315 - 8)));
  learnName();
  playerTypes("say !load long");
  ASSERT_TRUE(gameShows(kPlayer + ": long loaded successfully"));

  ASSERT_TRUE(game->send("print " + duelLine("Bob")));
  EXPECT_TRUE(gameShows(kPlayer + ": " + kPlayer + " vs Bob, May the Force"));
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the duel reply corrupted the game";

  ASSERT_TRUE(runUntil([this] { return replies().greetingGateOpen(); }, 30000));
  ASSERT_TRUE(game->send("print Cid^7 entered the game"));
  EXPECT_TRUE(gameShows(kPlayer + ": Hi Cid, May the Force"));
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the greeting corrupted the game";

  const std::size_t longest = pvx::testing::retail::longestEntered(game->record());
  figure("longest line typed: " + std::to_string(longest) + " bytes");
  EXPECT_LE(longest, 255u);
}

TEST_P(RetailBridgeLongLinesUnderWine, ListsongsWithLongTitlesListsEveryTitle) {
  const std::vector<std::string> titles = pvx::testing::retail::longTitles();
  for (const std::string& title : titles)
    addTrack(title, 120);
  learnName();
  playerTypes("say !listsongs");

  const auto allListed = [&] {
    const std::string log = gameLog();
    for (const std::string& title : titles) {
      if (log.find(title) == std::string::npos)
        return false;
    }
    return true;
  };
  EXPECT_TRUE(runUntil(allListed)) << gameLog();
  const std::size_t longest = pvx::testing::retail::longestEntered(game->record());
  figure("longest !listsongs line typed: " + std::to_string(longest) + " bytes");
  EXPECT_LE(longest, 255u);
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the list corrupted the game";
}

// --- A full log ---------------------------------------------------------------------------------

class RetailBridgeFullLogUnderWine : public RetailBridgeUnderWine {};

TEST_P(RetailBridgeFullLogUnderWine, IsEmptiedByTheClearButtonWithOneClearAndTheDuelAnswered) {
  core().messages().setDuel(DuelText::Engage, "%s vs %d");
  learnName();
  const std::int64_t fillFrom = recordNow();
  // Past 30000 characters, short of the game's own wipe; a duel right after.
  for (int i = 0; i < 31; ++i)
    ASSERT_TRUE(game->send("print " + std::to_string(i) + std::string(998, '.')));
  ASSERT_TRUE(game->send("print " + duelLine("Bob")));

  const bool answered = gameRan("say " + kPlayerAnsi + " vs Bob", fillFrom, 10000);
  runFor(2000);
  const Events events = game->record();
  long clears = 0;
  for (const std::string& line : pvx::testing::retail::entered(events, fillFrom))
    clears += line == "/clear" ? 1 : 0;
  figure("/clear typed for one full log: " + std::to_string(clears));
  EXPECT_TRUE(answered) << "the duel right after the fill was never answered";
  EXPECT_LE(clears, 1) << "/clear typed " << clears << " times for one full log";
  EXPECT_THAT(pvx::testing::retail::eventsOf(events, "clear-button", fillFrom),
              ::testing::Not(IsEmpty()))
      << "the console's Clear button was never pressed";
  EXPECT_LT(pvx::testing::answeredNow(bridge.windowTextLength(child(5)), pump), 30000)
      << "the log never emptied";
}

// --- The game loading a map -------------------------------------------------------------------

class RetailBridgeStallUnderWine : public RetailBridgeUnderWine {};

TEST_P(RetailBridgeStallUnderWine, HoldsNothingMusicPlaysOnAndTheLinesArriveOnceEachInOrder) {
  core().messages().setDuel(DuelText::Engage, "%s vs %d");
  core().messages().setDuel(DuelText::Won, "%s beat %d");
  addTrack("First", 1.5);
  addTrack("Second", 60);
  learnName();
  ASSERT_TRUE(game->send("print " + duelLine("Bob")));
  ASSERT_TRUE(gameRan("say " + kPlayerAnsi + " vs Bob"));
  player().playEntry(0);
  ASSERT_TRUE(runUntil([this] { return player().currentIndex() == 0; })) << "no music";
  const ULONGLONG firstBegan = GetTickCount64();
  ASSERT_TRUE(gameRan("echo ^1Currently Playing: ^4First"));

  // The duel is won and the game loads a map at once: the program answers after its wait and
  // the first track ends, all while the game pumps nothing.
  const std::int64_t recordFrom = recordNow();
  const ULONGLONG stallTick = GetTickCount64();
  ASSERT_TRUE(game->send("print Bob^7 was sabered by " + kPlayer + "^7"));
  ASSERT_TRUE(game->send("stall 4000"));
  ULONGLONG secondBegan = 0;
  const auto over = [&] {
    if (secondBegan == 0 && player().currentIndex() == 1)
      secondBegan = GetTickCount64();
    const Events events = game->record();
    return pvx::testing::retail::stallEnd(events) >= 0 &&
           first(events, "run", "say " + kPlayerAnsi + " beat Bob", recordFrom) != nullptr &&
           first(events, "run", "echo ^1Currently Playing: ^4Second", recordFrom) != nullptr;
  };
  EXPECT_TRUE(runUntil(over)) << "the won duel or the second track never reached the game" << [&] {
    std::string all = "duel underway: " + std::to_string(replies().duelUnderway()) +
                      ", chat: " + window.chat + "\n";
    for (const auto& e : game->record())
      if (e.ms >= recordFrom)
        all += std::to_string(e.ms) + " " + e.event + " " + e.details + "\n";
    return all;
  }();
  runFor(500);

  const std::int64_t held = longestHoldSince(stallTick);
  figure("longest time the game held the program during a 4 s stall: " + std::to_string(held) +
         " ms");
  const auto call = ws.longestCallSince(stallTick);
  EXPECT_LT(held, 2000) << "a message to the stalled game held the program " << held
                        << " ms (the longest call: " << call.call << ", " << call.ms << " ms)";
  ASSERT_NE(secondBegan, 0u) << "the second track never began";
  EXPECT_LT(secondBegan - firstBegan, 3000u) << "the music stopped with the game";

  // What was typed arrived once each, in the order typed, none joined to another.
  const Events events = game->record();
  std::vector<std::string> typed;
  for (const std::string& line : pvx::testing::retail::entered(events, recordFrom))
    typed.push_back(!line.empty() && (line[0] == '/' || line[0] == '\\') ? line.substr(1) : line);
  std::vector<std::string> ran;
  for (const auto& e : pvx::testing::retail::eventsOf(events, "run", recordFrom))
    ran.push_back(e.details);
  EXPECT_EQ(ran, typed);
  for (const auto& e : pvx::testing::retail::eventsOf(events, "read", recordFrom))
    EXPECT_THAT(e.details, ::testing::Not(::testing::HasSubstr(" joined "))) << e.details;
  EXPECT_THAT(pvx::testing::retail::eventsOf(events, "slashed", recordFrom), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(, RetailBridgeStartUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailBridgeLongLinesUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailBridgeFullLogUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailBridgeStallUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);

}  // namespace

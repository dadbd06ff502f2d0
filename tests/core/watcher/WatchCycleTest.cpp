#include "core/watcher/WatchCycle.h"

#include "core/text/Text.h"
#include "support/WatcherHarness.h"

using namespace pvx;
using pvx::testing::WatcherHarness;

namespace {

// A console whose Enter only records the line: "/clear" empties nothing and "/name" is never
// answered, so the log holds exactly what a test puts there. Its Clear button, pressed, is
// recorded as "[Clear]" and empties the log while clearWorks.
struct BareConsole : WatcherHarness {
  void SetUp() override {
    practice.stop();
    console = ws.createWindow("JAMP WinConsole", ConsoleBridge::kConsoleTitle);
    input = ws.createWindow("Edit", "", console);
    ws.createWindow("Button", "Copy", console);
    const Hwnd clear = ws.createWindow("Button", "Clear", console);
    ws.createWindow("Button", "Quit", console);
    log = ws.createWindow("Edit", "", console);
    ws.setCharHandler(input, [this](unsigned, long) {
      entered.push_back(ws.text(input));
      ws.setTextDirect(input, "");
    });
    ws.setClickHandler(clear, [this] {
      entered.emplace_back("[Clear]");
      if (clearWorks)
        setLog("");
    });
    core().start();
  }
  void setLog(const std::string& ansi) { ws.setTextDirect(log, ansi); }
  void cycle() {
    entered.clear();
    runOneCycle();
  }
  // A log of n characters whose last ones are easy to recognise.
  static std::string logOf(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
      s += static_cast<char>('a' + i % 26);
    return s;
  }

  Hwnd console = 0, input = 0, log = 0;
  std::vector<std::string> entered;
  bool clearWorks = true;
};

// Typing that waits, as a thread blocked in a message to a game that handles none does, until
// the test lets it through.
struct HeldTypist final : Typist {
  void type(Walk walk, Kind kind) override {
    if (holding) {
      held.push_back(std::move(walk));
      chatHeld = chatHeld || kind == Kind::Chat;
    } else {
      walk(*ws);
    }
  }
  // Chat reaches the game when it is let through.
  std::optional<std::int64_t> chatTypedAgoMs() override {
    if (chatHeld)
      return -1;
    if (!chatArrivedMs)
      return std::nullopt;
    return clock->nowMs() - *chatArrivedMs;
  }
  bool idle() override { return held.empty(); }
  void release() {
    if (std::exchange(chatHeld, false))
      chatArrivedMs = clock->nowMs();
    holding = false;
    for (const Walk& walk : held)
      walk(*ws);
    held.clear();
  }
  WindowSystem* ws = nullptr;
  VirtualClock* clock = nullptr;
  bool holding = false;
  bool chatHeld = false;
  std::optional<std::int64_t> chatArrivedMs;
  std::vector<Walk> held;
};
struct TypistFirst {
  HeldTypist typist;
};
struct HeldTyping : TypistFirst, WatcherHarness {
  HeldTyping() : WatcherHarness(nullptr, &typist) {
    typist.ws = &ws;
    typist.clock = &clock;
  }
};

// A watch cycle of its own, beside the program's (which is never started), whose replies and
// commands the test writes.
struct OwnSteps : WatcherHarness {
  struct Step final : WatchStep {
    std::function<CycleFlow(const std::string&)> body = [](const std::string&) {
      return CycleFlow::Continue;
    };
    // A wait before the body, as a reply waits; none when empty.
    std::function<Task<void>()> wait;
    Task<CycleFlow> run(std::string lines, std::string&) override {
      if (wait)
        co_await wait();
      co_return body(lines);
    }
  };
  void runOwnCycle() {
    const std::uint64_t target = own.cyclesStarted() + 1;
    while (own.cyclesEnded() < target && clock.runNext()) {
    }
  }
  Step events, commands;
  WatchCycle own{core().bridge(), clock, window, core().dock(), core().status(), events, commands};
};

}  // namespace

TEST_F(WatcherHarness, GameNotRunningShowsTheAbsentFormAndTypesNothing) {
  practice.stop();
  core().start();
  runOneCycle();
  EXPECT_EQ(window.status, "[ Current Player: <JKA is not running>  OS: Windows 2000 Build 2195 ]");
  EXPECT_FALSE(window.backVisible);
  EXPECT_TRUE(typed.empty());
  EXPECT_EQ(watch().state().consoleLog, 0u);
}

TEST_F(WatcherHarness, ConsoleComingUpIsFoundClearedAndAskedForTheName) {
  practice.stop();
  core().start();
  runOneCycle();
  practice.start();
  runOneCycle();
  EXPECT_EQ(commands(), (std::vector<std::string>{"/clear"}));
  EXPECT_TRUE(window.backVisible);
  EXPECT_EQ(watch().state().consoleLog, practice.logWindow());
  runOneCycle();  // asks; the answer lands in the log at once
  runOneCycle();  // reads the answer
  EXPECT_EQ(commands(), (std::vector<std::string>{"/clear", "/name"}));
  EXPECT_EQ(playerName(), "Rookie");
  EXPECT_EQ(window.status, "[ Current Player: Rookie  OS: Windows 2000 Build 2195 ]");
  EXPECT_EQ(window.chat, "");
}

TEST_F(WatcherHarness, GameEndingResetsEverythingAndItIsPickedUpAgain) {
  startKnowingName();
  practice.stop();
  runOneCycle();
  EXPECT_EQ(playerName(), "");
  EXPECT_EQ(watch().state().consoleLog, 0u);
  EXPECT_FALSE(window.backVisible);
  practice.start();
  clock.runFor(5);
  EXPECT_EQ(playerName(), "Rookie");
  EXPECT_TRUE(window.backVisible);
}

TEST_F(WatcherHarness, GameRunningAsAdministratorIsToldInsteadOfSeemingQuiet) {
  // Windows drops every message to it: nothing can be read or typed.
  ws.setElevatedAboveUs(practice.consoleWindow(), true);
  core().start();
  clock.runFor(5);
  EXPECT_EQ(window.status, "[ JKA runs as administrator: start Parlevox as administrator too ]");
  EXPECT_EQ(watch().state().consoleLog, 0u);
  EXPECT_EQ(playerName(), "");
  // Once both run alike, the game is picked up as usual.
  ws.setElevatedAboveUs(practice.consoleWindow(), false);
  clock.runFor(5);
  EXPECT_EQ(playerName(), "Rookie");
  EXPECT_EQ(window.status, "[ Current Player: Rookie  OS: Windows 2000 Build 2195 ]");
}

TEST_F(WatcherHarness, ASayWaitsForTheServersSecondAfterThePlayersOwnDoingAndNothingElseWaits) {
  // The server ignores a command that comes within a second of the player's previous one.
  constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;
  startKnowingName();
  replies().setRepliesOn(false);  // no replies of their own to these lines
  const struct {
    const char* line;
    bool held;
  } cases[] = {
      {"Rookie: hi", true},
      {"Rookie killed himself.", true},
      {"Rookie has become engaged in a duel with Bob!", true},
      {"Bob has become engaged in a duel with Rookie!", true},
      {"Rookie entered the game", true},
      {"Rookie joined the red team.", true},
      {"Bob: Rookie: hi", false},
      {"Bob entered the game", false},
      {"Rookie was sabered by Bob", false},
      {"]say Rookie: hi", false},
      {"Rookie renamed to Cid", true},
  };
  for (const auto& c : cases) {
    clock.runFor(kGap);
    const std::int64_t t0 = happen({c.line});
    core().bridge().sendConsoleCommand("echo local");
    core().bridge().sendConsoleCommand("say x");
    clock.runFor(kGap);
    EXPECT_EQ(typedSince(t0), (Lines{{0, "echo local"}, {c.held ? kGap : 0, "say x"}})) << c.line;
  }
  // A say right after a say waits too; the program's own chat coming back is not the player's.
  clock.runFor(kGap);
  const std::int64_t t1 = clock.nowMs();
  core().bridge().sendConsoleCommand("say mine");
  clock.runFor(1000);
  game.print(game.chatLine("mine"));
  runOneCycle();
  core().bridge().sendConsoleCommand("say more");
  clock.runFor(kGap);
  EXPECT_EQ(typedSince(t1), (Lines{{0, "say mine"}, {kGap, "say more"}}));
}

// While the cycle waits the program goes on: a click on Next plays the next track at once, but
// what it and "Back to Game" type comes after what the waiting cycle types.
TEST_F(WatcherHarness, AUserActionDuringAWaitActsAtOnceAndTypesAfterTheWaitingCycle) {
  constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;
  addTrack("A", 60);
  addTrack("B", 60);
  addTrack("C", 60);
  startKnowingName();
  const std::int64_t t0 = clock.nowMs() + 1;
  game.print(game.chatLine("!next"));
  clock.runUntil(t0 + 500);
  ASSERT_TRUE(watch().inCycle());
  player().nextSong();  // the player window's Next
  EXPECT_EQ(player().title(player().currentIndex()), "C");
  core().gameWindow().backToGame();
  clock.runFor(3000);
  // The announcement after the wait names what plays then.
  EXPECT_EQ(typedSince(t0), (Lines{{0, "echo ^1Currently Playing: ^4B"},
                                   {kGap, "say ^4Currently playing: ^3C"},
                                   {kGap, "echo ^1Currently Playing: ^4C"},
                                   {2 * kGap, "say ^1Maximized"}}));
}

// A say that waited is not typed blind: the player's chat printed during the wait, which the
// cycle reads only later, holds it 1.2 s from the moment it was seen.
TEST_F(WatcherHarness, ThePlayersChatPrintedDuringAWaitMovesTheSayAfterIt) {
  constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;
  addTrack("A", 60);
  startKnowingName();
  const struct {
    std::int64_t chatAt;  // after the command's line; 0: no chat
    std::int64_t saidAt;
  } cases[] = {
      {0, kGap},            // the command's own line holds the say
      {520, 550 + kGap},    // seen by the wait's look at 550
      {990, 1000 + kGap},   // seen at the end of the wait
      {1120, 1150 + kGap},  // seen while the say is held for the command's line
      {2500, kGap},         // after the say: it holds only the next one
  };
  for (const auto& c : cases) {
    clock.runFor(3 * kGap);
    const std::int64_t t0 = clock.nowMs() + 1;
    game.print(game.chatLine("!next"));
    if (c.chatAt > 0) {
      clock.runUntil(t0 + c.chatAt);
      game.print(game.chatLine("gg"));
    }
    clock.runUntil(t0 + 3000);
    const Lines said = typedSince(t0);
    ASSERT_GE(said.size(), 2u) << c.chatAt;
    EXPECT_EQ(said[1],
              (std::pair<std::int64_t, std::string>{c.saidAt, "say ^4Currently playing: ^3A"}))
        << c.chatAt;
  }
}

// What the game printed at different moments while the cycle waited is answered as if the cycle
// had not waited: each piece its own cycle, none cut off by what came after it. The looks copy
// out of the game what it printed and the line it printed it on, never the whole log again.
TEST_F(WatcherHarness, WhatIsPrintedApartWhileTheCycleWaitsIsAnsweredApart) {
  constexpr std::size_t kWidth = 40;
  core().messages().setMessage(MessageKind::Greeting, Message{"Hi %d", 1});
  core().messages().setDuel(DuelText::Engage, "%s vs %d");
  startKnowingName();
  ws.setWrapWidth(practice.logWindow(), kWidth);
  game.print(std::string(2000, '.'));
  clock.runUntil(15000);  // the greeting gate opens
  const std::size_t before = game.log().size();
  ws.resetCost();
  const std::int64_t t0 = clock.nowMs() + 1;
  game.print(game.chatLine("!load nothing"));
  clock.runUntil(t0 + 300);
  game.print("Bob^7 entered the game");
  clock.runUntil(t0 + 600);
  game.print("Cid^7 has become engaged in a duel with Rookie^7!");
  clock.runUntil(t0 + 700);
  game.print("Dan^7: " + std::string(250, 'x'));
  clock.runUntil(t0 + 6000);
  std::vector<std::string> said;
  for (const auto& [ms, command] : typedSince(t0))
    said.push_back(command);
  EXPECT_EQ(said, (std::vector<std::string>{"say ^1Error opening file ^7nothing", "say Hi Bob",
                                            "say Rookie vs Cid"}));
  EXPECT_LE(ws.cost().copied, static_cast<long>(game.log().size() - before + 8 * kWidth));
}

// The log costs the game nothing while it prints nothing, and a cycle after a print copies out
// what the log gained and the line it began on, wrapped lines put together again, not the log.
TEST_F(WatcherHarness, TheLogIsReadOnlyWhenItGrewAndOnlyWhatItGained) {
  constexpr std::size_t kWidth = 40;
  startKnowingName();
  ws.setWrapWidth(practice.logWindow(), kWidth);
  game.print(std::string(1000, '.'));  // a long log before
  clock.runFor(100);
  ws.resetCost();
  clock.runFor(2000);
  EXPECT_EQ(ws.cost().copied, 0);
  const std::vector<std::vector<std::string>> bursts = {
      {"Bob^7: hi"}, {"Bob^7: " + std::string(100, 'x')}, {"Cid^7: one", "Dan^7: two"}};
  for (const std::vector<std::string>& burst : bursts) {
    const std::size_t before = game.log().size();
    ws.resetCost();
    happen(burst);
    const std::size_t gained = game.log().size() - before;
    EXPECT_LE(ws.cost().copied, static_cast<long>(gained + kWidth)) << burst.front();
    std::string expected;
    for (const std::string& line : burst)
      expected += text::stripColours(line) + "\r\n";
    EXPECT_EQ(watch().wholeLines(), expected);
  }
}

TEST_F(WatcherHarness, AGameStoppedWithAnErrorIsToldAndItsErrorBoxIsNoLog) {
  // A program started after the error finds the error box where the log was.
  practice.failWithError("Couldn't load map mp/ffa9");
  core().start();
  clock.runFor(5);
  EXPECT_EQ(window.status, "[ JKA stopped with an error: Couldn't load map mp/ffa9 ]");
  EXPECT_EQ(watch().state().consoleLog, 0u);
  EXPECT_TRUE(typed.empty());
  practice.stop();
  practice.start();
  clock.runFor(5);
  EXPECT_EQ(playerName(), "Rookie");
  practice.failWithError("");
  clock.runFor(5);
  EXPECT_EQ(window.status, "[ JKA stopped with an error:  ]");
  EXPECT_EQ(playerName(), "");
  // The game gives the box its text after making it.
  ws.setTextDirect(core().bridge().errorBox(practice.consoleWindow()), "Hunk_Alloc failed");
  clock.runFor(5);
  EXPECT_EQ(window.status, "[ JKA stopped with an error: Hunk_Alloc failed ]");
}

TEST_F(WatcherHarness, AGameThatHandlesNoMessageIsLookedAtLessOftenAndNothingIsLost) {
  startKnowingName();
  ws.setAnswering(practice.consoleWindow(), false);  // it loads a map
  game.print("Bob^7: hi");
  const std::uint64_t before = watch().cyclesStarted();
  clock.runFor(1000);
  EXPECT_LE(watch().cyclesStarted() - before,
            static_cast<std::uint64_t>(1000 / WatchCycle::kBusyGameLookMs + 1));
  EXPECT_EQ(watch().newText(), "");
  ws.setAnswering(practice.consoleWindow(), true);
  clock.runFor(WatchCycle::kBusyGameLookMs);
  EXPECT_EQ(window.chat, "Bob: hi\r\n");
}

// Where nothing tells of the console's changes, a quiet game is asked a question a look (twenty a
// second at most, a whole measure among them each second), and a print is still answered within a
// look.
namespace {

// Looking sparingly, on the cycle's own timer, or (true) beside a window system that watches the
// log's lines from a thread of its own, modelled on the virtual clock: it probes at the pace
// asked for and tells of a change as the program's wake-up does.
struct LookingSparingly : WatcherHarness, ::testing::WithParamInterface<bool> {
  void SetUp() override {
    if (!GetParam())
      return;
    probe = clock.makeTimer([this] {
      if (const long lines = ws.getLineCount(watched); lines != known) {
        known = lines;
        watch().wake();
      }
      probe->start(every, true);
    });
    ws.watchLinesWith(
        [this](Hwnd log, long lines, std::int64_t everyMs) {
          watched = log;
          known = lines;
          every = everyMs;
          if (log == 0)
            probe->stop();
          else
            probe->start(everyMs, true);
          return true;
        },
        [this] { return known; });
  }
  std::unique_ptr<Timer> probe;
  Hwnd watched = 0;
  long known = 0;
  std::int64_t every = 0;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(OnItsOwnOrWatched, LookingSparingly, ::testing::Bool());

TEST_P(LookingSparingly, AQuietGameIsAskedLittleAndAPrintIsStillAnsweredSoon) {
  startKnowingName();
  ws.setWrapWidth(practice.logWindow(), 80);
  watch().lookSparingly();
  clock.runFor(2000 + WatchCycle::kBriskForMs);
  ws.resetCost();
  const std::uint64_t cycles = watch().cyclesEnded();
  clock.runFor(10000);
  EXPECT_LE(ws.cost().questions, 10 * 20);
  EXPECT_EQ(ws.cost().copied, 0);
  // Watched, a quiet game costs the program a whole look a second.
  if (GetParam()) {
    EXPECT_LE(watch().cyclesEnded() - cycles, 10u);
  }
  const std::int64_t t0 = clock.nowMs();
  game.print("Bob^7 has become engaged in a duel with Rookie^7!");
  clock.runFor(2000);
  // (The duel is the player's own doing: the reply keeps the server's second from it.)
  const Lines typed = typedSince(t0);
  ASSERT_EQ(typed.size(), 1u);
  EXPECT_LE(typed.front().first, WatchCycle::kSparingLookMs + 2 + ConsoleBridge::kChatGapMs);
  // While the log has changed lately, a print is looked for more often.
  addTrack("A", 60);
  addTrack("B", 60);
  const std::int64_t t1 = clock.nowMs();
  game.print(game.chatLine("!next"));
  clock.runFor(200);
  ASSERT_FALSE(typedSince(t1).empty());
  EXPECT_LE(typedSince(t1).front().first, WatchCycle::kBriskLookMs + 2);
  // A fatal error is shown within a whole look.
  practice.failWithError("Hunk_Alloc failed");
  clock.runFor(WatchCycle::kFullLookMs + WatchCycle::kSparingLookMs);
  EXPECT_EQ(window.status, "[ JKA stopped with an error: Hunk_Alloc failed ]");
}

// A game that answers only between its frames: the cycle awaits each answer while the program goes
// on, and what others type meanwhile comes after what the cycle types.
TEST_F(WatcherHarness, AGameThatAnswersBetweenItsFramesIsAwaitedAndOthersTypeAfterTheCycle) {
  startKnowingName();
  constexpr std::int64_t kFrameMs = 8;
  std::vector<std::unique_ptr<Timer>> frames;
  ws.answerLater([&](std::function<void()> answer) {
    frames.push_back(clock.makeTimer(std::move(answer)));
    frames.back()->start(kFrameMs, true);
  });
  const std::int64_t t0 = clock.nowMs() + 1;
  game.print("Bob^7 has become engaged in a duel with Rookie^7!");
  clock.runFor(3);
  ASSERT_TRUE(watch().inCycle());  // waiting for the game's answer
  core().gameWindow().backToGame();
  clock.runFor(4000);
  ws.answerLater({});
  std::vector<std::string> said;
  for (const auto& [ms, command] : typedSince(t0))
    said.push_back(command);
  // The duel's reply (its template is empty here), then the click's.
  EXPECT_EQ(said, (std::vector<std::string>{"say ", "say ^1Maximized"}));
  // The duel's reply, held a second from the moment the game's answer showed its line.
  EXPECT_LE(typedSince(t0).front().first, kFrameMs + 2 + ConsoleBridge::kChatGapMs + kFrameMs);

  // What a print calls for is read along with the measure that found it: a frame for both, then
  // the echo of a chat command.
  addTrack("A", 60);
  addTrack("B", 60);
  ws.answerLater([&](std::function<void()> answer) {
    frames.push_back(clock.makeTimer(std::move(answer)));
    frames.back()->start(kFrameMs, true);
  });
  clock.runFor(100);
  const std::int64_t t1 = clock.nowMs() + 1;
  game.print(game.chatLine("!next"));
  clock.runFor(100);
  ws.answerLater({});
  ASSERT_FALSE(typedSince(t1).empty());
  EXPECT_EQ(typedSince(t1).front().second, "echo ^1Currently Playing: ^4B");
  EXPECT_LE(typedSince(t1).front().first, kFrameMs + 1);
}

// A say held up with the typist reached the game only when the typist got to it: the next one
// keeps the server's second from then.
TEST_F(HeldTyping, ASayThatReachedTheGameLateStartsTheServersSecondWhenItArrived) {
  startKnowingName();
  typist.holding = true;
  core().bridge().sendConsoleCommand("say one");
  clock.runFor(3000);  // the game loads a map
  const std::int64_t t0 = clock.nowMs();
  typist.release();
  core().bridge().sendConsoleCommand("say two");
  clock.runFor(2000);
  EXPECT_EQ(typedSince(t0), (Lines{{0, "say one"}, {ConsoleBridge::kChatGapMs, "say two"}}));
}

TEST_F(HeldTyping, TypingThatWaitsForTheGameArrivesInOrderAndTheLogIsReadOnceItIsEmptied) {
  startKnowingName();
  constexpr std::int64_t kGap = ConsoleBridge::kChatGapMs;
  typist.holding = true;
  // The log fills up: what came with it is read, and the log is emptied once the game takes the
  // Clear button's press.
  for (int i = 0; i < 300; ++i)
    game.print(std::string(98, 'x'));
  game.print("Bob^7: hi");
  runOneCycle();
  EXPECT_TRUE(watch().wholeLines().ends_with("\r\nBob: hi\r\n"));
  game.print("Cid^7: meanwhile");
  runOneCycle();
  EXPECT_EQ(watch().newText(), "");
  core().bridge().sendConsoleCommand("say one");
  core().bridge().sendConsoleCommand("say two");
  clock.runFor(ConsoleBridge::kChatGapMs);  // the second waits for the server's second
  EXPECT_TRUE(typed.empty());
  const std::int64_t released = clock.nowMs();
  typist.release();
  game.print("Dan^7: after");
  runOneCycle();
  // The second say keeps the server's second from when the first reached the game.
  EXPECT_EQ(typedSince(released), (Lines{{0, "/clear"}, {0, "say one"}, {kGap, "say two"}}));
  // What the game printed after the cycle read the full log and before the press is not lost.
  EXPECT_EQ(watch().newText(),
            "Cid: meanwhile\r\n]/clear\r\n]say one\r\nRookie: one\r\nDan: "
            "after\r\n]say two\r\nRookie: two\r\n");
}

TEST_F(BareConsole, AnUnansweredNameQueryIsRepeatedFourTimesASecond) {
  std::vector<std::int64_t> asked;
  ws.setCharHandler(input, [&](unsigned, long) {
    if (ws.text(input) == "/name")
      asked.push_back(clock.nowMs());
    ws.setTextDirect(input, "");
  });
  // Start-up found the log already, so no "/clear": the name is asked for at once, then again
  // only a quarter of a second later, as long as no answer names the player.
  clock.runFor(1000);
  EXPECT_EQ(asked, (std::vector<std::int64_t>{1, 251, 501, 751}));
  setLog("\"name\" is:\"\" default:\"Padawan\"\r\n");
  clock.runFor(200);
  EXPECT_EQ(asked.size(), 5u);
  // Once an answer named the player, a name lost again is asked for at once.
  setLog(ws.text(log) + "\"name\" is:\"Rookie\" default:\"Padawan\"\r\n");
  runOneCycle();
  EXPECT_EQ(playerName(), "Rookie");
  const std::int64_t lost = clock.nowMs() + 1;
  setLog(ws.text(log) + "\"name\" is:\"\" default:\"Padawan\"\r\n");
  runOneCycle();
  runOneCycle();
  EXPECT_EQ(asked.back(), lost + 1);
}

TEST_F(BareConsole, GrowthTakesTheLast200CharactersAtMost) {
  watch().setPlayerName("Rookie");
  setLog(logOf(1000));
  cycle();
  setLog(logOf(1350));
  cycle();
  EXPECT_EQ(watch().newText(), logOf(1350).substr(1150));
  EXPECT_EQ(window.chat, watch().newText());

  setLog(logOf(1400));
  cycle();
  EXPECT_EQ(watch().newText(), logOf(1400).substr(1350));
  cycle();
  EXPECT_EQ(watch().newText(), "");                  // no growth, no text
  EXPECT_EQ(window.chat, logOf(1400).substr(1350));  // keeps its caption
}

TEST_F(BareConsole, NewTextIsReadAsTheGamesCharacters) {
  watch().setPlayerName("Rookie");
  cycle();
  setLog(
      "Bob: \xAC"
      "hi\xAC\r\n");
  cycle();
  EXPECT_EQ(watch().newText(), "Bob: ¬hi¬\r\n");
}

TEST_F(BareConsole, LogAtTheLimitIsReadThenEmptiedOnceEachTimeItFills) {
  watch().setPlayerName("Rookie");
  cycle();
  setLog(logOf(29999));
  cycle();
  EXPECT_EQ(text::length(watch().newText()), 200u);
  EXPECT_TRUE(entered.empty());

  // What came as the log filled is still looked at; "/clear" empties only the game's own
  // console, the Clear button the log.
  setLog(logOf(29999) + "\r\nTimelimit hit.\r\n");
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"[Clear]", "/clear"}));
  EXPECT_EQ(watch().wholeLines(), "Timelimit hit.\r\n");
  // The emptied log is read from its start.
  setLog("Bob entered the game\r\n");
  cycle();
  EXPECT_EQ(watch().newText(), "Bob entered the game\r\n");

  // A log the button could not empty is not cleared again until it has been below the limit.
  clearWorks = false;
  setLog(logOf(30100));
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"[Clear]", "/clear"}));
  setLog(logOf(30200));
  cycle();
  EXPECT_TRUE(entered.empty());
  EXPECT_EQ(watch().newText(), logOf(30200).substr(30100));
  setLog(logOf(100));
  cycle();
  cycle();
  setLog(logOf(30100));
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"[Clear]", "/clear"}));
}

TEST_F(BareConsole, ShrinkingLogIsClearedAndReadAfresh) {
  watch().setPlayerName("Rookie");
  setLog(logOf(5000));
  cycle();
  setLog(logOf(3000));
  cycle();
  EXPECT_EQ(watch().newText(), "");
  EXPECT_TRUE(entered.empty());
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"[Clear]", "/clear"}));
  // What the log held when its Clear button emptied it is read all the same.
  EXPECT_EQ(watch().newText(), logOf(3000).substr(2800));
  clearWorks = false;
  setLog(logOf(3000));
  cycle();
  setLog(logOf(1000));
  cycle();
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"[Clear]", "/clear"}));
  EXPECT_EQ(watch().newText(), logOf(1000).substr(800));
  // Read afresh: what comes next is only what the log gained.
  setLog(logOf(1000) + "xyz");
  cycle();
  EXPECT_EQ(watch().newText(), "xyz");
}

TEST_F(BareConsole, NameIsTakenBetweenTheThirdAndFourthQuote) {
  cycle();
  setLog("\"name\" is:\"Rookie^7\" default:\"Padawan^7\"\r\n");
  cycle();
  EXPECT_EQ(playerName(), "Rookie^7");
  EXPECT_EQ(window.status, "[ Current Player: Rookie^7  OS: Windows 2000 Build 2195 ]");
  EXPECT_EQ(window.chat, "");
}

TEST_F(BareConsole, QuotesAreCountedFromTheStartOfTheAnswersLine) {
  cycle();
  // A quote in a chat line before the answer does not shift the count.
  setLog("Bob: say \"hi\r\n\"name\" is:\"Rookie^7\" default:\"Padawan^7\"\r\n");
  cycle();
  EXPECT_EQ(playerName(), "Rookie^7");
}

TEST_F(BareConsole, OnlyTheGamesOwnAnswerNamesThePlayer) {
  watch().setPlayerName("Rookie");
  cycle();
  // Chat that holds the answer's words, and an answer whose fourth quote is on the next line.
  setLog("Eve: \"name\" is:\"Eve\" default:\"x\"\r\n\"name\" is:\"Ann\r\n\"\r\n");
  cycle();
  EXPECT_EQ(playerName(), "Rookie");
}

TEST_F(BareConsole, ThreeQuotesOnlyLeaveTheNameButRewriteTheStatus) {
  watch().setPlayerName("Rookie");
  cycle();
  window.status = "old";
  setLog("\"name\" is:\"Rooki\r\n");
  cycle();
  EXPECT_EQ(playerName(), "Rookie");
  EXPECT_EQ(window.status, "[ Current Player: Rookie  OS: Windows 2000 Build 2195 ]");
  EXPECT_EQ(window.chat, "");
}

TEST_F(BareConsole, EmptyNameBetweenQuotesMakesTheNameUnknownAgain) {
  watch().setPlayerName("Rookie");
  cycle();
  setLog("\"name\" is:\"\" default:\"Padawan^7\"\r\n");
  cycle();
  EXPECT_EQ(playerName(), "");
  cycle();
  EXPECT_EQ(entered, (std::vector<std::string>{"/name"}));
}

TEST_F(BareConsole, ConsoleVanishingInTheMiddleOfACycleEndsItNormally) {
  watch().setPlayerName("");
  cycle();
  // The game quits on the next command it receives, the name query a quarter of a second later:
  // the rest of that cycle finds stale handles.
  ws.setCharHandler(input, [this](unsigned, long) { ws.destroyWindow(console); });
  clock.runFor(WatchCycle::kNameQueryIntervalMs + 1);
  EXPECT_TRUE(watch().armed());
  runOneCycle();
  EXPECT_EQ(watch().state().consoleLog, 0u);
  EXPECT_FALSE(window.backVisible);
}

TEST_F(WatcherHarness, PlayerWindowMovedByTheUserIsPutBack) {
  startKnowingName();
  playerWindow.rect.left += 1500;
  playerWindow.rect.top += 300;
  runOneCycle();
  EXPECT_FLOAT_EQ(playerWindow.rect.left, window.rect.left);
  EXPECT_FLOAT_EQ(playerWindow.rect.top, window.rect.top + window.rect.height);
}

TEST_F(OwnSteps, CyclesNeverOverlapEvenWhenOneYieldsAndWaits) {
  int depth = 0, deepest = 0, ticks = 0, ticksInWaits = 0;
  auto other = clock.makeTimer([&] {
    ++ticks;
    ticksInWaits += depth;
  });
  other->start(1);
  events.wait = [&]() -> Task<void> {
    deepest = std::max(deepest, ++depth);
    co_await core().bridge().waitSeconds(0.05f);  // the event loop runs on, never a second cycle
    co_await core().bridge().yieldToEvents();
    --depth;
  };
  own.arm();
  clock.runFor(200);
  EXPECT_EQ(deepest, 1);
  EXPECT_GT(ticksInWaits, 40);  // the other timer ticked on through the waits
  EXPECT_EQ(own.cyclesStarted(), own.cyclesEnded() + (own.inCycle() ? 1 : 0));
  EXPECT_LE(own.cyclesStarted(), 5u);  // each cycle waits 50 ms
}

TEST_F(OwnSteps, EndingTheCycleEarlySkipsTheRestButReArmsTheTimer) {
  own.setPlayerName("Rookie");
  own.arm();
  runOwnCycle();
  int commandsRun = 0;
  events.body = [](const std::string&) { return CycleFlow::EndNow; };
  commands.body = [&](const std::string&) {
    ++commandsRun;
    return CycleFlow::Continue;
  };
  game.print("\"name\" is:\"Other\" default:\"x\"");
  runOwnCycle();
  EXPECT_EQ(commandsRun, 0);
  EXPECT_EQ(own.state().playerName, "Rookie");  // no name discovery either
  EXPECT_TRUE(own.armed());
}

TEST_F(OwnSteps, ChatCommandsRunOnlyWhileTheNameIsKnown) {
  int commandsRun = 0;
  commands.body = [&](const std::string&) {
    ++commandsRun;
    return CycleFlow::Continue;
  };
  practice.stop();
  own.arm();
  runOwnCycle();
  EXPECT_EQ(commandsRun, 0);
  practice.start();
  clock.runFor(5);
  EXPECT_GT(commandsRun, 0);
}

namespace {

// One run of the program against the practice game, looking every millisecond or waiting for
// the console to tell of its changes.
struct Session final : pvx::testing::PracticeRig {
  explicit Session(bool waits) {
    if (waits) {
      ws.tellChanges([this] { watch().wake(); });
      watch().waitForChanges(1000);
    }
    core().messages().setMessage(MessageKind::Greeting, Message{"Hi %d", 1});
    core().messages().setDuel(DuelText::Engage, "%s vs %d");
    EXPECT_TRUE(startKnowingName());
    typed.clear();
    statuses.push_back(window.status);
  }
  ~Session() override { ws.tellChanges({}); }
  // At each moment, what the game and the player do.
  void play(const std::vector<std::pair<std::int64_t, std::function<void(Session&)>>>& script) {
    for (const auto& [at, step] : script) {
      while (clock.nowMs() < at) {
        clock.runFor(1);
        if (statuses.back() != window.status)
          statuses.push_back(window.status);
      }
      step(*this);
    }
  }
  std::vector<std::string> statuses;
};

}  // namespace

TEST(WaitingForChanges, ActsOnEverythingAtTheSameMomentsAsLookingEveryMillisecond) {
  const std::vector<std::pair<std::int64_t, std::function<void(Session&)>>> script = {
      {15100, [](Session& s) { s.game.print("Bob^7 entered the game"); }},
      {17000,
       [](Session& s) { s.game.print("Bob^7 has become engaged in a duel with Rookie^7!"); }},
      {18500, [](Session& s) { s.game.print("Rookie^7: !replyoff"); }},
      {21000, [](Session& s) { s.practice.stop(); }},
      {23000, [](Session& s) { s.practice.start(); }},
      {23500, [](Session& s) { s.game.print("Rookie^7: !ReplyON"); }},
      {24000, [](Session& s) { s.playerWindow.move(500, 500); }},
      {27000, [](Session&) {}},
  };
  Session looking(false);
  Session waiting(true);

  looking.play(script);
  waiting.play(script);
  EXPECT_EQ(waiting.typed, looking.typed);
  EXPECT_EQ(waiting.statuses, looking.statuses);
  EXPECT_EQ(waiting.playerWindow.geometry(), looking.playerWindow.geometry());
  EXPECT_GE(looking.typed.size(), 6u);
  // A quiet game costs a look a second, not a thousand.
  EXPECT_GT(looking.watch().cyclesEnded(), 20000u);
  EXPECT_LT(waiting.watch().cyclesEnded(), 200u);
}

TEST(WaitingForChanges, AnUnknownNameIsStillAskedForOnTime) {
  Session waiting(true);
  // The game's answer names no one.
  waiting.game.setPlayerName("");
  waiting.core().bridge().sendConsoleCommand("name");
  waiting.clock.runFor(1000);
  std::vector<std::int64_t> asked;
  for (const auto& t : waiting.typed) {
    if (t.command == "/name")
      asked.push_back(t.ms - waiting.typed.front().ms);
  }
  EXPECT_EQ(asked, (std::vector<std::int64_t>{2, 252, 502, 752}));
}

namespace {

// A game that prints on its own thread: right after the watch cycle measured its log, it prints
// one more line, before the cycle reads the text.
struct PrintsWhileRead final : SimulatedWindowSystem {
  long getLineLength(Hwnd hwnd, long charIndex) override {
    const long length = SimulatedWindowSystem::getLineLength(hwnd, charIndex);
    if (!line.empty()) {
      setTextDirect(hwnd, text(hwnd) + line);
      line.clear();
    }
    return length;
  }
  std::string line;
};

}  // namespace

TEST(GrowingLog, WhatIsPrintedBetweenTheMeasureAndTheReadIsTakenToo) {
  PrintsWhileRead ws;
  VirtualClock clock;
  PracticeGame game("Rookie");
  PracticeConsole practice(ws, game);
  practice.start();
  pvx::testing::CoreRig rig({.windows = ws, .clock = clock});
  ASSERT_TRUE(rig.startKnowingName("Rookie"));
  game.print("Bob^7: first");
  ws.line = "Cid: second\r\n";
  rig.runOneCycle();
  EXPECT_EQ(rig.watch().wholeLines(), "Bob: first\r\nCid: second\r\n");
  ws.resetCost();
  rig.runOneCycle();
  EXPECT_EQ(rig.watch().newText(), "");  // nothing is taken twice
  // Nor read again: the log is known up to where the read ended, not where the measure did.
  const long after = ws.cost().questions;
  ws.resetCost();
  rig.runOneCycle();
  EXPECT_EQ(after, ws.cost().questions) << "the cycle after the read cost more than an idle one";
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/console/ConsoleBridge.h"
#include "core/console/PracticeConsole.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/time/VirtualClock.h"
#include "core/windows/WindowGeometry.h"
#include "support/AnsweredNow.h"
#include "support/CoreRig.h"

using pvx::ConsoleBridge;
using pvx::Hwnd;
using pvx::SimulatedWindowSystem;

namespace {

// A console window whose descendants carry the given texts, in walk order.
struct Console {
  explicit Console(const std::vector<std::string>& childTexts) {
    ws.setRecording(true);
    window = ws.createWindow("JAMP WinConsole", ConsoleBridge::kConsoleTitle);
    for (const std::string& t : childTexts)
      children.push_back(ws.createWindow("Edit", t, window));
  }
  std::string settext(Hwnd h, const std::string& bytes) {
    return "settext " + std::to_string(h) + " " + bytes;
  }
  std::string cr(Hwnd h) { return "char " + std::to_string(h) + " 13 1"; }

  SimulatedWindowSystem ws;
  Hwnd window = 0;
  std::vector<Hwnd> children;
  pvx::VirtualClock clock;
  ConsoleBridge bridge{ws, clock};
};

}  // namespace

TEST(SendConsoleCommand, WithoutConsoleWindowDoesNothingAndKeepsThePendingCommand) {
  Console c({"typing", ""});
  c.bridge.sendConsoleCommand("first");  // not typed: the input line holds text
  c.ws.destroyWindow(c.window);
  c.bridge.sendConsoleCommand("say ^1Maximized");
  EXPECT_TRUE(c.ws.messages().empty());
  EXPECT_EQ(c.bridge.pendingCommand(), "first");

  SimulatedWindowSystem empty;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(empty, clock);
  bridge.sendConsoleCommand("say ^1Maximized");  // returns normally
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  EXPECT_EQ(bridge.pendingCommand(), "");
}

TEST(SendConsoleCommand, TypesIntoTheFirstEmptyChildAndStopsAtTheFirstWithText) {
  Console c({"", "Copy", "", "log"});
  c.bridge.sendConsoleCommand("say ^1Maximized");
  EXPECT_EQ(c.ws.messages(), (std::vector<std::string>{c.settext(c.children[0], "say ^1Maximized"),
                                                       c.cr(c.children[0])}));
  EXPECT_EQ(c.ws.text(c.children[0]), "say ^1Maximized");
  EXPECT_EQ(c.ws.text(c.children[2]), "");
  EXPECT_EQ(c.bridge.pendingCommand(), "");
}

TEST(SendConsoleCommand, FirstChildWithTextStopsTheWalkBeforeAnything) {
  Console c({"half-typed", "", ""});
  c.bridge.sendConsoleCommand("say hello");
  EXPECT_TRUE(c.ws.messages().empty());
  EXPECT_EQ(c.ws.text(c.children[0]), "half-typed");
  // Not typed, so still pending until the next command overwrites it.
  EXPECT_EQ(c.bridge.pendingCommand(), "say hello");
}

TEST(SendConsoleCommand, SecondEmptyChildGetsAnEmptyLine) {
  Console c({"", "", "Copy", ""});
  c.bridge.sendConsoleCommand("name");
  EXPECT_EQ(c.ws.messages(),
            (std::vector<std::string>{c.settext(c.children[0], "name"), c.cr(c.children[0]),
                                      c.settext(c.children[1], ""), c.cr(c.children[1])}));
}

TEST(SendConsoleCommand, EmptyCommandTypesAnEmptyLine) {
  Console c({"", "Copy"});
  c.bridge.sendConsoleCommand("");
  EXPECT_EQ(c.ws.messages(),
            (std::vector<std::string>{c.settext(c.children[0], ""), c.cr(c.children[0])}));
}

TEST(SendConsoleCommand, WalksGrandchildrenDepthFirst) {
  Console c({});
  const Hwnd panel = c.ws.createWindow("Panel", "", c.window);
  const Hwnd inner = c.ws.createWindow("Edit", "", panel);
  c.ws.createWindow("Button", "Copy", c.window);
  c.bridge.sendConsoleCommand("x");
  // The panel (empty) receives the command; its child the empty line; "Copy" ends the walk.
  EXPECT_EQ(c.ws.messages(), (std::vector<std::string>{c.settext(panel, "x"), c.cr(panel),
                                                       c.settext(inner, ""), c.cr(inner)}));
}

TEST(SendConsoleCommand, ChildTextLongerThanTheBufferStillCountsAsText) {
  Console c({std::string(600, 'a'), ""});
  c.bridge.sendConsoleCommand("x");
  EXPECT_TRUE(c.ws.messages().empty());
}

TEST(CommandBytes, AreOneAnsiBytePerCharacterAndOneNul) {
  const std::vector<char> bytes = ConsoleBridge::toAnsiBytes("say ¬vendrix¬");
  ASSERT_EQ(bytes.size(), 14u);  // 13 characters and the NUL
  EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0xACu);
  EXPECT_EQ(static_cast<unsigned char>(bytes[12]), 0xACu);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\0'), 1);

  EXPECT_EQ(ConsoleBridge::toAnsiBytes(""), std::vector<char>{'\0'});
  // No Windows-1252 code: typed as "?".
  const std::vector<char> cjk = ConsoleBridge::toAnsiBytes("a中b");
  EXPECT_EQ(std::string(cjk.data()), "a?b");
}

TEST(CommandBytes, TypedCommandArrivesAsTheBytesOfTheCodePage) {
  Console c({"", "Copy"});
  c.bridge.sendConsoleCommand("say ^3¬^5vendrix^3¬");
  EXPECT_EQ(c.ws.text(c.children[0]), "say ^3\xAC^5vendrix^3\xAC");
}

TEST(CommandBytes, ALineLongerThanTheGameTakesIsCutAtACharacterBoundary) {
  // The game copies a typed line into a field of 256 bytes, its terminating NUL included.
  Console c({"", "Copy"});
  c.bridge.sendConsoleCommand("say " + std::string(250, 'x') + "é¬€and more");
  EXPECT_EQ(c.ws.text(c.children[0]), "say " + std::string(250, 'x') + "\xE9");
  c.bridge.sendConsoleCommand("say " + std::string(251, 'y'));
  c.clock.runFor(ConsoleBridge::kChatGapMs);  // the server's second after the say before
  EXPECT_EQ(c.ws.text(c.children[0]).size(), 255u);
  EXPECT_EQ(c.bridge.recentlySaid().back(), std::string(251, 'y'));
}

TEST(CommandBytes, ChatHoldingACommentStartIsTypedInQuotes) {
  // Outside double quotes the game's tokenizer reads "//" and "/*" as the start of a comment.
  const std::pair<std::string_view, const char*> cases[] = {
      {"say see http://clan.example.org", "say \"see http://clan.example.org\""},
      {"say a /* b", "say \"a /* b\""},
      {"say a / b", "say a / b"},
      {std::string_view("say a\0//b", 10), "say a"},  // nothing after a NUL is typed
      {"echo http://x", "echo http://x"},
      {"say", "say"},
  };
  for (const auto& [command, typed] : cases) {
    Console c({"", "Copy"});
    c.bridge.sendConsoleCommand(command);
    EXPECT_EQ(c.ws.text(c.children[0]), typed) << command;
  }
  Console c({"", "Copy"});
  c.bridge.sendConsoleCommand("say see http://x");
  EXPECT_EQ(c.bridge.recentlySaid().back(), "see http://x");  // as the game prints it back
}

TEST(ClearButton, IsPressedOnlyWhereTheThirdChildSaysClear) {
  struct Case {
    std::vector<std::string> children;
    bool pressed;
  } cases[] = {
      {{"", "Copy", "Clear", "Quit", "log"}, true},
      {{"", "Copy", "Quit", "Clear", "log"}, false},  // never the button that quits the game
      {{"", "Copy"}, false},
      {{"", "Copy", "", "Quit"}, false},
  };
  for (const Case& k : cases) {
    Console c(k.children);
    int clicks = 0;
    for (const Hwnd child : c.children)
      c.ws.setClickHandler(child, [&] { ++clicks; });
    c.bridge.pressClearButton();
    EXPECT_EQ(clicks, k.pressed ? 1 : 0) << k.children.size();
    // Nothing but the press reaches the console.
    EXPECT_EQ(c.ws.messages().size(), k.pressed ? 1u : 0u);
  }
}

TEST(CommandBytes, CutAtNul) {
  EXPECT_EQ(ConsoleBridge::cutAtNul(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(ConsoleBridge::cutAtNul("abc"), "abc");
  EXPECT_EQ(ConsoleBridge::cutAtNul(std::string("\0x", 2)), "");
}

TEST(FindingWindows, ByTitleWithAndWithoutClassFilter) {
  Console c({});
  EXPECT_EQ(c.bridge.findWindowByTitle("", ConsoleBridge::kConsoleTitle), c.window);
  EXPECT_EQ(c.bridge.findWindowByTitle("JAMP WinConsole", ConsoleBridge::kConsoleTitle), c.window);
  EXPECT_EQ(c.bridge.findWindowByTitle("Other", ConsoleBridge::kConsoleTitle), 0u);
  EXPECT_EQ(c.bridge.findWindowByTitle("", "Jedi Knight Academy MP Console "), 0u);  // exact title
  EXPECT_EQ(c.bridge.findConsoleWindow(), c.window);
}

TEST(FindingWindows, NthChildCountsSiblingsAndFailsQuietly) {
  Console c({"", "Copy", "Clear", "Quit", "log"});
  EXPECT_EQ(c.bridge.nthChildWindow(c.window, 1), c.children[0]);
  EXPECT_EQ(c.bridge.nthChildWindow(c.window, 5), c.children[4]);
  EXPECT_EQ(c.bridge.nthChildWindow(c.window, 6), 0u);
  EXPECT_EQ(c.bridge.nthChildWindow(0, 5), 0u);

  Console few({"", "Copy", "Clear"});
  EXPECT_EQ(few.bridge.nthChildWindow(few.window, 5), 0u);

  c.ws.destroyWindow(c.window);  // the handle went stale
  EXPECT_EQ(c.bridge.nthChildWindow(c.window, 5), 0u);
}

TEST(ReadingText, EmptyWindowGivesTheNoTextLiteral) {
  SimulatedWindowSystem ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  const Hwnd empty = ws.createWindow("Edit", "");
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(empty)), ">No text for this class<");
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(empty)), 0);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(0)), ">No text for this class<");
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(0)), 0);
}

TEST(ReadingText, WholeTextIsReadAndConvertedFromTheCodePage) {
  SimulatedWindowSystem ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  std::string five00;
  for (int i = 0; i < 500; ++i)
    five00 += static_cast<char>('a' + i % 26);
  const Hwnd log = ws.createWindow("Edit", five00);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)), 500);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), five00);

  const Hwnd ansi = ws.createWindow("Edit",
                                    "\xAC"
                                    "vendrix\xAC\r\n");
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(ansi)), 11);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(ansi)), "¬vendrix¬\r\n");
}

TEST(ReadingText, StaleHandleReadsAsNoWindowABusyGameAsNoAnswer) {
  SimulatedWindowSystem ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  const Hwnd log = ws.createWindow("Edit", "text");
  ws.setAnswering(log, false);  // the game loads a map
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)), pvx::WindowSystem::kNoAnswer);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowBytes(log)), std::nullopt);
  ws.setAnswering(log, true);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowBytes(log)), "text");
  ws.destroyWindow(log);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)), 0);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), ">No text for this class<");
}

namespace {
// A window whose text shrinks between the length query and the copy, as the game's log may.
class ShrinkingText : public SimulatedWindowSystem {
 public:
  long getTextLength(Hwnd) override { return 10; }
  long getText(Hwnd, long size, char* buffer) override {
    EXPECT_EQ(size, 11);
    std::memcpy(buffer, "abcd", 5);
    return 4;
  }
};
}  // namespace

TEST(ReadingText, TextThatShrankInBetweenIsCutToWhatWasCopied) {
  ShrinkingText ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(42)), "abcd");
}

namespace {
// Lines counted and measured, none copied out (as Wine's edit control is read): each question the
// game answers only between its frames, so none is asked in vain.
class LinesNotCopied : public SimulatedWindowSystem {
 public:
  long getLineFromChar(Hwnd, long) override { return kNoLines; }
  long getLine(Hwnd, long, char*, long) override { return kNoLines; }
  bool copiesLinesOut() const override { return false; }
  long getLineIndex(Hwnd hwnd, long line) override {
    ++lineQuestions;
    return SimulatedWindowSystem::getLineIndex(hwnd, line);
  }
  long getLineLength(Hwnd hwnd, long charIndex) override {
    ++lineQuestions;
    return SimulatedWindowSystem::getLineLength(hwnd, charIndex);
  }
  int lineQuestions = 0;
};
}  // namespace

TEST(ReadingText, WhereNoLineIsCopiedOutWhatTheLogGainedIsReadWholeAlongWithItsMeasure) {
  LinesNotCopied ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  const Hwnd log = ws.createWindow("Edit", "one\r\ntwo\r\n");
  const ConsoleBridge::LogRead read =
      pvx::testing::answeredNow(bridge.readLog(log, 5, std::string("one\r\n")));
  EXPECT_EQ(read.text, "one\r\ntwo\r\n");
  EXPECT_FALSE(read.lineWise);
  // The measure of the whole read: its last line's start and length, nothing more.
  EXPECT_EQ(ws.lineQuestions, 2);
  // Read along with a measure, the log is measured once.
  ws.lineQuestions = 0;
  const ConsoleBridge::LogMeasure m = pvx::testing::answeredNow(
      bridge.measureLogUnless(log, -1, ConsoleBridge::ReadBeyond{5, 5, "one\r\n"}));
  EXPECT_EQ(m.length, 10);
  ASSERT_TRUE(m.read);
  EXPECT_EQ(m.read->text, "one\r\ntwo\r\n");
  EXPECT_EQ(ws.lineQuestions, 2);
  // Where a line count just asked found it grew, the log is read at once, and the text read is
  // its measure.
  ws.lineQuestions = 0;
  const ConsoleBridge::LogMeasure read2 = pvx::testing::answeredNow(
      bridge.measureLogUnless(log, 2, ConsoleBridge::ReadBeyond{5, 5, "one\r\n"}, 3));
  EXPECT_EQ(read2.length, 10);
  ASSERT_TRUE(read2.read);
  EXPECT_EQ(read2.read->text, "one\r\ntwo\r\n");
  EXPECT_EQ(ws.lineQuestions, 0);
}

TEST(Waiting, WaitsTheWholeMillisecondsOfSinglePrecisionSecondsWhileTheLoopRunsOn) {
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(0.7f), 699);
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(1.0f), 1000);
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(0.5f), 500);
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(0.9f), 899);
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(0.6f), 600);
  EXPECT_EQ(ConsoleBridge::waitMilliseconds(0.0f), 0);

  SimulatedWindowSystem ws;
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  int ticks = 0;
  auto timer = clock.makeTimer([&] { ++ticks; });
  timer->start(100);
  std::vector<std::pair<std::int64_t, int>> resumed;
  auto routine = [&]() -> pvx::Task<void> {
    co_await bridge.waitSeconds(0.7f);
    resumed.emplace_back(clock.nowMs(), ticks);
    co_await bridge.waitSeconds(1.0f);
    resumed.emplace_back(clock.nowMs(), ticks);
  };
  pvx::testing::runToEnd(clock, routine());
  // The other timer ticked on through the waits.
  EXPECT_EQ(resumed, (std::vector<std::pair<std::int64_t, int>>{{699, 6}, {1699, 16}}));
}

TEST(Centring, OnTheScreen) {
  const pvx::TwipsRect w{100, 200, 6000, 4000};
  const pvx::TwipsRect onScreen = pvx::centerForm(w, 15360, 11520);
  EXPECT_FLOAT_EQ(onScreen.left, 4680);
  EXPECT_FLOAT_EQ(onScreen.top, 3760);
  EXPECT_FLOAT_EQ(onScreen.width, 6000);
  EXPECT_FLOAT_EQ(onScreen.height, 4000);
}

TEST(PracticeGameThroughTheBridge, TypedCommandIsEchoedAndRun) {
  SimulatedWindowSystem ws;
  pvx::PracticeGame game("Rookie");
  pvx::PracticeConsole practice(ws, game);
  practice.start();
  pvx::VirtualClock clock;
  ConsoleBridge bridge(ws, clock);
  bridge.sendConsoleCommand("say ^1Maximized");
  EXPECT_EQ(game.log(), "]say Maximized\r\nRookie: Maximized\r\n");
  EXPECT_EQ(ws.text(practice.inputLine()), "");  // Enter emptied it for the next command
  EXPECT_EQ(ws.text(bridge.nthChildWindow(practice.consoleWindow(), 5)), game.log());
}

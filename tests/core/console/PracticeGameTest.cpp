#include "core/console/PracticeGame.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/console/ConsoleBridge.h"
#include "core/console/PracticeConsole.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/time/VirtualClock.h"

// The log of a game that has just been fed these lines, each as the window shows it.
static std::string practiceLogOf(const std::vector<std::string>& lines) {
  std::string log;
  for (const std::string& line : lines)
    log += line + "\r\n";
  return log;
}

// ---------------------------------------------------------------------------------------------
// What the game prints

TEST(PracticeGameLog, PrintedLinesEndInCrLfWithTheColourEscapesRemoved) {
  pvx::PracticeGame game;
  game.print("^1Vendrix^7 has joined the game");
  game.print("^^2x^");
  EXPECT_EQ(game.log(), practiceLogOf({"Vendrix has joined the game", "^x^"}));
}

TEST(PracticeGameLog, OnlyTheEightGameColoursAreEscapes) {
  pvx::PracticeGame game;
  game.print("^0a^1b^2c^3d^4e^5f^6g^7h ^8i ^9j ^ak ^Z");
  EXPECT_EQ(game.log(), practiceLogOf({"abcdefgh ^8i ^9j ^ak ^Z"}));
}

TEST(PracticeGameLog, KeptColoursShowAsPrinted) {
  pvx::PracticeGame game;
  game.setKeepColours(true);
  game.print("^1Vendrix^7 has joined the game");
  EXPECT_EQ(game.log(), practiceLogOf({"^1Vendrix^7 has joined the game"}));
}

TEST(PracticeGameLog, TheLogHoldsTheGamesSingleByteCharacters) {
  pvx::PracticeGame game;
  game.print("¬Vendrix¬ é€");
  EXPECT_EQ(game.log(), "\xACVendrix\xAC \xE9\x80\r\n");
}

TEST(PracticeGameLog, EveryChangeIsAnnounced) {
  pvx::PracticeGame game;
  int changes = 0;
  game.onLogChanged = [&] { ++changes; };
  game.print("a");
  game.enterLine("say b");
  game.clearLog();
  EXPECT_EQ(changes, 4);  // the print, the echo, the chat line, the clearing
}

TEST(PracticeGameLog, IsWipedOnceAbout32767CharactersWereAdded) {
  pvx::PracticeGame game;
  const std::string line(98, 'x');  // 100 characters with its CR LF
  for (int i = 0; i < 327; ++i)
    game.print(line);
  ASSERT_EQ(game.log().size(), 32700u);  // nothing lost below the limit

  const std::string crossing = "the line that crosses the limit" + std::string(37, 'y');
  game.print(crossing);  // 70 characters: 32770 were added
  EXPECT_EQ(game.log(), practiceLogOf({crossing}));

  // Counting starts afresh after the wipe.
  for (int i = 0; i < 300; ++i)
    game.print(line);
  EXPECT_EQ(game.log().size(), 70u + 30000u);
}

TEST(PracticeGameLog, TheClearButtonKeepsTheCountAFreshConsoleStartsItAgain) {
  pvx::PracticeGame game;
  const std::string line(98, 'x');  // 100 characters with the line end
  for (int i = 0; i < 300; ++i)
    game.print(line);
  game.clearLog();
  for (int i = 0; i < 27; ++i)
    game.print(line);
  EXPECT_EQ(game.log().size(), 2700u);  // 32700 counted
  game.print(line);                     // 32800: the window starts afresh
  EXPECT_EQ(game.log().size(), 100u);

  game.freshConsole();
  for (int i = 0; i < 300; ++i)
    game.print(line);
  EXPECT_EQ(game.log().size(), 30000u);
}

// ---------------------------------------------------------------------------------------------
// The input line

TEST(PracticeGameInputLine, EchoesTheLineAsTypedThenRunsIt) {
  pvx::PracticeGame game;
  game.enterLine("/say hi");
  game.enterLine("\\say ho");
  game.enterLine("say hey");
  EXPECT_EQ(game.log(), practiceLogOf({"]/say hi", "Padawan: hi", "]\\say ho", "Padawan: ho",
                                       "]say hey", "Padawan: hey"}));
}

TEST(PracticeGameInputLine, DropsOnlyOneLeadingSlash) {
  pvx::PracticeGame game;
  game.enterLine("//say hi");
  game.enterLine("/\\say hi");
  EXPECT_EQ(game.log(), practiceLogOf({"]//say hi", "Unknown command \"/say\"", "]/\\say hi",
                                       "Unknown command \"\\say\""}));
}

TEST(PracticeGameInputLine, AnEmptyLineIsOnlyEchoed) {
  pvx::PracticeGame game;
  game.enterLine("");
  game.enterLine("/");
  EXPECT_EQ(game.log(), practiceLogOf({"]", "]/"}));
}

// ---------------------------------------------------------------------------------------------
// The commands the practice game knows

TEST(PracticeGameCommands, ClearLeavesTheWindowsLog) {
  // It empties the game's own console; only the window's Clear button empties its log.
  pvx::PracticeGame game;
  game.print("something");
  game.enterLine("clear");
  game.enterLine("/CLEAR");
  EXPECT_EQ(game.log(), practiceLogOf({"something", "]clear", "]/CLEAR"}));
}

TEST(PracticeGameInputLine, ALineTooLongForTheGamesFieldCorruptsIt) {
  pvx::PracticeGame game;
  for (const std::size_t length : {255u, 12u, 256u, 600u})
    game.enterLine("echo " + std::string(length - 5, 'x'));
  EXPECT_EQ(game.corruptingLines(), 2u);
  EXPECT_EQ(game.longestLine(), 600u);
}

TEST(PracticeGameCommands, NameShowsTheCurrentAndDefaultName) {
  pvx::PracticeGame game;
  game.enterLine("name");
  EXPECT_EQ(game.log(), practiceLogOf({"]name", "\"name\" is:\"Padawan\" default:\"Padawan\""}));
}

TEST(PracticeGameCommands, NameShowsTheColourResetWhenColoursAreKept) {
  pvx::PracticeGame game;
  game.setKeepColours(true);
  game.enterLine("name");
  EXPECT_EQ(game.log(),
            practiceLogOf({"]name", "\"name\" is:\"Padawan^7\" default:\"Padawan^7\""}));
}

TEST(PracticeGameCommands, NameWithAnArgumentRenames) {
  pvx::PracticeGame game;
  game.enterLine("name Bob");
  EXPECT_EQ(game.log(), practiceLogOf({"]name Bob", "Padawan renamed to Bob"}));
  EXPECT_EQ(game.playerName(), "Bob");
  game.clearLog();
  game.enterLine("name");
  game.enterLine("say hi");
  EXPECT_EQ(game.log(), practiceLogOf({"]name", "\"name\" is:\"Bob\" default:\"Padawan\"",
                                       "]say hi", "Bob: hi"}));
}

TEST(PracticeGameCommands, AQuotedNameMayHoldBlanks) {
  pvx::PracticeGame game;
  game.enterLine("name \"Bob Smith\"");
  EXPECT_EQ(game.playerName(), "Bob Smith");
}

TEST(PracticeGameCommands, TheNameIsKeptAsUtf8OutsideAndAnsiInTheLog) {
  pvx::PracticeGame game("¬Vendrix¬");
  EXPECT_EQ(game.playerName(), "¬Vendrix¬");
  game.enterLine("say hi");
  EXPECT_EQ(game.log(), practiceLogOf({"]say hi", "\xACVendrix\xAC: hi"}));
  game.enterLine("name \xE9ric");
  EXPECT_EQ(game.playerName(), "éric");
}

TEST(PracticeGameCommands, SayPrintsTheChatLine) {
  pvx::PracticeGame game;
  game.enterLine("say hi there");
  EXPECT_EQ(game.log(), practiceLogOf({"]say hi there", "Padawan: hi there"}));
}

TEST(PracticeGameCommands, EchoPrintsItsArgument) {
  pvx::PracticeGame game;
  game.enterLine("echo ^1red and plain");
  EXPECT_EQ(game.log(), practiceLogOf({"]echo red and plain", "red and plain"}));
}

TEST(PracticeGameCommands, AnUnknownWordIsReported) {
  pvx::PracticeGame game;
  game.enterLine("frobnicate now");
  EXPECT_EQ(game.log(), practiceLogOf({"]frobnicate now", "Unknown command \"frobnicate\""}));
}

TEST(PracticeGameCommands, CommandWordsIgnoreCase) {
  pvx::PracticeGame game;
  game.enterLine("SAY hi");
  game.enterLine("Echo x");
  game.enterLine("NaMe Bob");
  EXPECT_EQ(game.log(), practiceLogOf({"]SAY hi", "Padawan: hi", "]Echo x", "x", "]NaMe Bob",
                                       "Padawan renamed to Bob"}));
}

// ---------------------------------------------------------------------------------------------
// The practice game's windows

// Every notification of the practice console, in order.
class PracticeConsoleEvents final : public pvx::PracticeConsole::Listener {
 public:
  std::vector<std::string> lines;
  std::vector<bool> visibility;
  std::vector<bool> running;
  int logChanges = 0;
  int clearPresses = 0;

  void logChanged() override { ++logChanges; }
  void clearPressed() override { ++clearPresses; }
  void lineEntered(std::string_view line) override { lines.emplace_back(line); }
  void gameWindowVisibilityChanged(bool visible) override { visibility.push_back(visible); }
  void runningChanged(bool on) override { running.push_back(on); }
};

class PracticeConsoleWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    console.addListener(&events);
    console.start();
  }

  // What the user does in the input line: type the text, then press Enter.
  void typeLine(const std::string& ansi) {
    ws.setText(console.inputLine(), ansi.c_str());
    ws.sendChar(console.inputLine(), 13, 1);
  }

  std::string windowText(pvx::Hwnd h) {
    char buffer[512] = {};
    ws.getWindowText(h, buffer, sizeof buffer);
    return buffer;
  }
  pvx::ConsoleBridge& bridge() { return bridge_; }

  pvx::SimulatedWindowSystem ws;
  pvx::PracticeGame game;
  PracticeConsoleEvents events;  // before the console: it hears the console's last words
  pvx::PracticeConsole console{ws, game};
  pvx::VirtualClock clock_;
  pvx::ConsoleBridge bridge_{ws, clock_};
};

TEST_F(PracticeConsoleWindows, TheConsoleWindowIsFoundByItsClassAndExactTitle) {
  const pvx::Hwnd found = ws.findWindow("JAMP WinConsole", "Jedi Knight Academy MP Console");
  ASSERT_NE(found, 0u);
  EXPECT_EQ(found, console.consoleWindow());
  EXPECT_EQ(ws.findWindow(nullptr, "Jedi Knight Academy MP Console"), found);
  EXPECT_EQ(ws.findWindow(nullptr, "Jedi Knight Academy MP Console "), 0u);
  EXPECT_EQ(ws.findWindow(nullptr, "Jedi Knight Academy MP"), 0u);
}

TEST_F(PracticeConsoleWindows, TheConsoleHasFiveChildrenAndTheLogIsTheFifth) {
  std::vector<pvx::Hwnd> children;
  for (pvx::Hwnd h = ws.getWindow(console.consoleWindow(), pvx::WindowSystem::kGwChild); h != 0;
       h = ws.getWindow(h, pvx::WindowSystem::kGwHwndNext)) {
    children.push_back(h);
  }
  ASSERT_EQ(children.size(), 5u);
  EXPECT_EQ(children[0], console.inputLine());
  EXPECT_EQ(windowText(children[0]), "");
  EXPECT_EQ(windowText(children[1]), "Copy");
  EXPECT_EQ(windowText(children[2]), "Clear");
  EXPECT_EQ(windowText(children[3]), "Quit");
  EXPECT_EQ(children[4], console.logWindow());

  pvx::VirtualClock bridgeClock;
  pvx::ConsoleBridge bridge(ws, bridgeClock);
  EXPECT_EQ(bridge.nthChildWindow(bridge.findConsoleWindow(), 5), console.logWindow());
}

TEST_F(PracticeConsoleWindows, TheGameWindowHasTheRegisteredSignInItsClassAndNoTitle) {
  const pvx::Hwnd found = ws.findWindow("Jedi Knight\xAE: Jedi Academy (MP)", "");
  ASSERT_NE(found, 0u);
  EXPECT_EQ(found, console.gameWindow());
  EXPECT_EQ(ws.getTextLength(found), 0);
  EXPECT_TRUE(console.gameWindowVisible());
}

TEST_F(PracticeConsoleWindows, EnterInTheInputLineRunsTheLine) {
  ws.setText(console.inputLine(), "say hi");
  ws.sendChar(console.inputLine(), 'x', 1);  // only Enter runs the line
  EXPECT_EQ(game.log(), "");
  ws.sendChar(console.inputLine(), 13, 1);
  EXPECT_EQ(game.log(), practiceLogOf({"]say hi", "Padawan: hi"}));
  EXPECT_EQ(ws.text(console.inputLine()), "");
  EXPECT_EQ(ws.text(console.logWindow()), game.log());
}

TEST_F(PracticeConsoleWindows, TheLogWindowMirrorsEveryChangeOfTheLogAndClearEmptiesIt) {
  game.print("^1Vendrix^7 has joined the game");
  typeLine("clear");
  EXPECT_EQ(ws.text(console.logWindow()), practiceLogOf({"Vendrix has joined the game", "]clear"}));
  EXPECT_EQ(events.clearPresses, 0);
  ws.clickButton(bridge().nthChildWindow(console.consoleWindow(), 3));
  EXPECT_EQ(ws.text(console.logWindow()), "");
  EXPECT_EQ(ws.getTextLength(console.logWindow()), 0);
  EXPECT_EQ(events.clearPresses, 1);
  EXPECT_GE(events.logChanges, 3);
}

TEST_F(PracticeConsoleWindows, QuitEndsTheGameAFatalErrorTakesTheInputLine) {
  const pvx::Hwnd input = console.inputLine();
  console.failWithError("Couldn't load map");
  EXPECT_FALSE(ws.exists(input));
  EXPECT_EQ(bridge().errorBox(console.consoleWindow()),
            bridge().nthChildWindow(console.consoleWindow(), 5));
  EXPECT_EQ(windowText(bridge().nthChildWindow(console.consoleWindow(), 5)), "Couldn't load map");
  EXPECT_EQ(windowText(bridge().nthChildWindow(console.consoleWindow(), 1)), "Copy");

  ws.clickButton(bridge().nthChildWindow(console.consoleWindow(), 3));
  EXPECT_FALSE(console.running());
  EXPECT_EQ(events.running, (std::vector<bool>{true, false}));
}

TEST_F(PracticeConsoleWindows, LinesEnteredReachTheListenerAsUtf8) {
  typeLine("say \xAChi\xAC \xE9");
  EXPECT_EQ(events.lines, (std::vector<std::string>{"say ¬hi¬ é"}));
}

TEST_F(PracticeConsoleWindows, StoppingMakesEveryHandleStale) {
  const std::vector<pvx::Hwnd> handles = {console.consoleWindow(), console.inputLine(),
                                          console.logWindow(), console.gameWindow()};
  typeLine("say hi");
  console.stop();
  EXPECT_FALSE(console.running());
  for (pvx::Hwnd h : handles) {
    EXPECT_FALSE(ws.exists(h)) << h;
    EXPECT_EQ(ws.getTextLength(h), 0) << h;
  }
  EXPECT_EQ(ws.findWindow(nullptr, "Jedi Knight Academy MP Console"), 0u);
  EXPECT_FALSE(console.gameWindowVisible());
  EXPECT_EQ(events.running, (std::vector<bool>{true, false}));
}

TEST_F(PracticeConsoleWindows, StartingAgainGivesAFreshLogAndKeepsTheName) {
  typeLine("name Bob");
  const pvx::Hwnd oldLog = console.logWindow();
  console.stop();
  console.start();
  ASSERT_TRUE(console.running());
  EXPECT_NE(console.logWindow(), oldLog);
  EXPECT_FALSE(ws.exists(oldLog));
  EXPECT_EQ(game.log(), "");
  EXPECT_EQ(ws.text(console.logWindow()), "");
  EXPECT_EQ(game.playerName(), "Bob");
  typeLine("say hi");
  EXPECT_EQ(ws.text(console.logWindow()), practiceLogOf({"]say hi", "Bob: hi"}));
}

TEST_F(PracticeConsoleWindows, ShowingAndHidingTheGameWindowReachesTheListener) {
  events.visibility.clear();
  ws.showWindow(console.gameWindow(), pvx::WindowSystem::kSwHide);
  EXPECT_FALSE(console.gameWindowVisible());
  ws.showWindow(console.gameWindow(), pvx::WindowSystem::kSwHide);  // no change, no news
  ws.showWindow(console.gameWindow(), pvx::WindowSystem::kSwShow);
  EXPECT_TRUE(console.gameWindowVisible());
  ws.setWindowPos(console.gameWindow(), 0, 0, 0, 0, 0,
                  pvx::SimulatedWindowSystem::SWP_NOMOVE | pvx::SimulatedWindowSystem::SWP_NOSIZE |
                      pvx::SimulatedWindowSystem::SWP_HIDEWINDOW);
  EXPECT_EQ(events.visibility, (std::vector<bool>{false, true, false}));
}

TEST_F(PracticeConsoleWindows, ACommandTypedByTheBridgeLandsInTheLogAsTheGameShowsIt) {
  pvx::VirtualClock bridgeClock;
  pvx::ConsoleBridge bridge(ws, bridgeClock);
  bridge.sendConsoleCommand("say ¬hi¬");
  EXPECT_EQ(game.log(), practiceLogOf({"]say \xAChi\xAC", "Padawan: \xAChi\xAC"}));
  EXPECT_EQ(ws.text(console.logWindow()), game.log());
  EXPECT_EQ(ws.text(console.inputLine()), "");
  EXPECT_EQ(events.lines, (std::vector<std::string>{"say ¬hi¬"}));
}

TEST_F(PracticeConsoleWindows, AListenerMayEndTheGameWhenALineIsEntered) {
  struct Quitter final : pvx::PracticeConsole::Listener {
    pvx::PracticeConsole* console = nullptr;
    void lineEntered(std::string_view) override { console->stop(); }
  } quitter;
  quitter.console = &console;
  console.addListener(&quitter);
  const pvx::Hwnd input = console.inputLine();
  typeLine("say bye");
  console.removeListener(&quitter);
  EXPECT_FALSE(console.running());
  EXPECT_FALSE(ws.exists(input));
  EXPECT_EQ(game.log(), practiceLogOf({"]say bye", "Padawan: bye"}));
}

TEST_F(PracticeConsoleWindows, AListenerMayLeaveWhileBeingToldWithoutOthersMissingTheNews) {
  struct Leaver final : pvx::PracticeConsole::Listener {
    pvx::PracticeConsole* console = nullptr;
    void runningChanged(bool) override { console->removeListener(this); }
  } leaver;
  leaver.console = &console;
  PracticeConsoleEvents after;
  console.removeListener(&events);
  console.addListener(&leaver);
  console.addListener(&events);
  console.addListener(&after);
  console.stop();
  EXPECT_EQ(events.running, (std::vector<bool>{true, false}));  // started in SetUp
  EXPECT_EQ(after.running, (std::vector<bool>{false}));
}

TEST(PracticeGameEvents, LinesNameBothPlayersAsTheGamePrintsThem) {
  pvx::PracticeGame game("Ann");
  using E = pvx::PracticeGame::Event;
  EXPECT_EQ(game.eventLine(E::OtherEnters, "Bob"), "Bob^7 entered the game");
  EXPECT_EQ(game.eventLine(E::DuelWithYou, "Bob"),
            "Bob^7 has become engaged in a duel with Ann^7!");
  EXPECT_EQ(game.eventLine(E::YouWon, "Bob"), "Bob^7 was sabered by Ann^7");
  EXPECT_EQ(game.eventLine(E::YouLost, "Bob"), "Ann^7 was sabered by Bob^7");
  EXPECT_EQ(game.eventLine(E::YouKilledYourself, "Bob"), "Ann^7 killed himself.");
  EXPECT_EQ(game.eventLine(E::TimeLimit, "Bob"), "Timelimit hit.");
  EXPECT_NE(game.eventLine(E::FinishedLoading, "").find("finished R_Init"), std::string::npos);
  EXPECT_EQ(game.chatLine("!next"), "Ann^7: !next");
}

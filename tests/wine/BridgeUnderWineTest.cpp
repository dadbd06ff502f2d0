// The console bridge over the real user32 calls, against the game's console window as another
// process holds it (the Win32 practice console under Wine).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "core/text/Text.h"
#include "wine/WineConsoleFixture.h"

using pvx::Hwnd;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using Call = pvx::testing::RecordingWindowSystem::Call;

namespace {

bool isMultiLine(Hwnd hwnd) {
  const LONG_PTR style =
      GetWindowLongPtrA(pvx::testing::WineConsoleFixture::toHwnd(hwnd), GWL_STYLE);
  return (style & ES_MULTILINE) != 0;
}

std::string captionOf(Hwnd hwnd) {
  char caption[64] = {};
  GetWindowTextA(pvx::testing::WineConsoleFixture::toHwnd(hwnd), caption, sizeof caption);
  return caption;
}

}  // namespace

// --- Finding the console window and its log ---------------------------------------------------

class ConsoleWindowUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(ConsoleWindowUnderWine, TheLogIsTheFifthChildInTheGamesOrder) {
  const Hwnd log = child(5);
  ASSERT_NE(log, 0u);
  EXPECT_EQ(bridge.readWindowText(log), kFirstLineShown);
  EXPECT_TRUE(isMultiLine(log));

  EXPECT_FALSE(isMultiLine(child(1)));  // the input line
  EXPECT_EQ(captionOf(child(2)), "Copy");
  EXPECT_EQ(captionOf(child(3)), "Clear");
  EXPECT_EQ(captionOf(child(4)), "Quit");
  EXPECT_EQ(child(6), 0u);
}

TEST_F(ConsoleWindowUnderWine, FoundByTitleWithAnyClassAndNotUnderAnotherClass) {
  EXPECT_EQ(className(console), "JAMP WinConsole");
  EXPECT_EQ(bridge.findWindowByTitle("", pvx::ConsoleBridge::kConsoleTitle), console);
  EXPECT_EQ(bridge.findWindowByTitle("JAMP WinConsole", pvx::ConsoleBridge::kConsoleTitle),
            console);
  EXPECT_EQ(bridge.findWindowByTitle("Notepad", pvx::ConsoleBridge::kConsoleTitle), 0u);
  EXPECT_EQ(bridge.findWindowByTitle("", "Jedi Knight Academy MP"),
            0u);  // the title must match whole
}

TEST_F(ConsoleWindowUnderWine, AGameOfTheSameRightsIsNotTakenForElevated) {
  // Both processes run with the same rights, as the game and Parlevox mostly do (Wine has no
  // isolation to show the other answer); neither is a stale handle or none taken for elevated.
  EXPECT_FALSE(real.runsElevatedAboveUs(console));
  EXPECT_FALSE(real.runsElevatedAboveUs(child(5)));
  EXPECT_FALSE(real.runsElevatedAboveUs(0));
  const Hwnd gone = console;
  game.reset();
  EXPECT_FALSE(real.runsElevatedAboveUs(gone));
}

// --- Typing a command ---------------------------------------------------------------------------

class TypingUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(TypingUnderWine, TheCommandLandsInTheInputLineAndTheWalkStopsAtCopy) {
  const Hwnd input = child(1);
  const Hwnd copy = child(2);
  ws.clear();

  bridge.sendConsoleCommand("say hello there");

  EXPECT_EQ(ws.calls(), (std::vector<Call>{{Call::kGetWindowText, input, ""},
                                           {Call::kSetText, input, "say hello there"},
                                           {Call::kSendChar, input, "", 13},
                                           {Call::kGetWindowText, copy, "Copy"}}));
  // The game took the line: echoed with "]", ran it, and emptied the input line.
  EXPECT_EQ(bridge.readWindowText(child(5)), std::string(kFirstLineShown) +
                                                 "]say hello there\r\n"
                                                 "Padawan: hello there\r\n");
  EXPECT_EQ(rawText(input), "");
  EXPECT_EQ(bridge.pendingCommand(), "");
}

TEST_F(TypingUnderWine, CommandsFollowOneAnotherAsTheGameRunsThem) {
  bridge.sendConsoleCommand("/name");
  bridge.sendConsoleCommand("name Ann");
  bridge.sendConsoleCommand("\\say hi");
  EXPECT_EQ(bridge.readWindowText(child(5)), std::string(kFirstLineShown) +
                                                 "]/name\r\n"
                                                 "\"name\" is:\"Padawan\" default:\"Padawan\"\r\n"
                                                 "]name Ann\r\n"
                                                 "Padawan renamed to Ann\r\n"
                                                 "]\\say hi\r\n"
                                                 "Ann: hi\r\n");
}

TEST_F(TypingUnderWine, NotSignArrivesAsByte0xAC) {
  const Hwnd input = child(1);
  ws.clear();
  bridge.sendConsoleCommand("echo a\u00ACb");

  ASSERT_GE(ws.calls().size(), 2u);
  EXPECT_EQ(ws.calls()[1], (Call{Call::kSetText, input,
                                 "echo a\xAC"
                                 "b"}));
  // The game took the byte 0xAC, and it stands for the character "¬" on the platform's side
  // (the game's echo puts a blank after each word).
  EXPECT_THAT(rawText(child(5)), EndsWith("]echo a\xAC"
                                          "b\r\na\xAC"
                                          "b \r\n"));
  wchar_t wide[256] = {};
  SendMessageW(toHwnd(child(5)), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(wide));
  EXPECT_THAT(std::wstring(wide), EndsWith(L"a\u00ACb \r\n"));
  EXPECT_THAT(bridge.readWindowText(child(5)), EndsWith("a\u00ACb \r\n"));
}

TEST_F(TypingUnderWine, NothingIsTypedWhileTheInputLineHoldsText) {
  const Hwnd input = child(1);
  // The player is half-way through a line of his own, typed key by key.
  for (const char c : std::string("half"))
    SendMessageA(toHwnd(input), WM_CHAR, static_cast<WPARAM>(c), 1);
  ASSERT_EQ(rawText(input), "half");
  ws.clear();

  bridge.sendConsoleCommand("say hello");

  EXPECT_EQ(ws.calls(), (std::vector<Call>{{Call::kGetWindowText, input, "half"}}));
  EXPECT_EQ(rawText(input), "half");
  EXPECT_EQ(bridge.readWindowText(child(5)), kFirstLineShown);
}

// --- Reading the log ----------------------------------------------------------------------------

class ReadingUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(ReadingUnderWine, ReadWindowTextReturnsWhatTheGameWrote) {
  // 500 characters, some beyond ASCII, with a colour escape the game removes.
  std::string line = "^1Caf\u00E9 d\u00E9j\u00E0 vu \u00AC ";
  std::string shown = "Caf\u00E9 d\u00E9j\u00E0 vu \u00AC ";
  while (pvx::text::length(shown) < 500) {
    line += "x";
    shown += "x";
  }
  ASSERT_TRUE(game->send("print " + line));

  const Hwnd log = child(5);
  const std::string expected = std::string(kFirstLineShown) + shown + "\r\n";
  EXPECT_EQ(bridge.windowTextLength(log), static_cast<long>(pvx::text::length(expected)));
  EXPECT_EQ(bridge.readWindowText(log), expected);
}

TEST_F(ReadingUnderWine, AWholeLogNearTheWipeIsReadInOnePiece) {
  std::string expected = kFirstLineShown;
  for (int i = 0; i < 30; ++i) {
    const std::string line = std::to_string(i) + std::string(998, '.');
    ASSERT_TRUE(game->send("print " + line));
    expected += line + "\r\n";
  }
  ASSERT_GT(expected.size(), 30000u);

  const Hwnd log = child(5);
  EXPECT_EQ(bridge.windowTextLength(log), static_cast<long>(expected.size()));
  EXPECT_EQ(bridge.readWindowText(log), expected);
}

TEST_F(ReadingUnderWine, ALogEmptiedByItsClearButtonReadsAsNoText) {
  // Typing "clear" empties the game's own console, never the window's log.
  bridge.sendConsoleCommand("clear");
  const Hwnd log = child(5);
  EXPECT_EQ(bridge.readWindowText(log), std::string(kFirstLineShown) + "]clear\r\n");
  bridge.pressClearButton();
  EXPECT_EQ(bridge.windowTextLength(log), 0);
  EXPECT_EQ(bridge.readWindowText(log), pvx::ConsoleBridge::kNoText);
}

// --- The console window going away
// ----------------------------------------------------------------

class ConsoleClosingUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(ConsoleClosingUnderWine, HandlesLeftFromBeforeTheCloseAreHarmless) {
  const Hwnd log = child(5);
  ASSERT_TRUE(game->send("close-console"));
  ws.clear();

  EXPECT_EQ(bridge.windowTextLength(log), 0);
  EXPECT_EQ(bridge.readWindowText(log), pvx::ConsoleBridge::kNoText);
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  bridge.sendConsoleCommand("say nobody hears this");
  EXPECT_TRUE(ws.calls().empty());

  // The game itself ran on and never got the line.
  ASSERT_TRUE(game->running());
  ASSERT_TRUE(game->send("open-console"));
  const Hwnd reopened = bridge.nthChildWindow(bridge.findConsoleWindow(), 5);
  EXPECT_EQ(bridge.readWindowText(reopened), kFirstLineShown);
}

TEST_F(ConsoleClosingUnderWine, ClosingWhileACommandIsTypedTypesNothing) {
  ASSERT_TRUE(game->send("close-console-on-type"));

  bridge.sendConsoleCommand("say too late");  // the window goes between the text and the Enter

  ASSERT_TRUE(game->running());
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  ASSERT_TRUE(game->send("open-console"));
  const std::string log =
      bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5));
  EXPECT_THAT(log, Not(HasSubstr("too late")));
  EXPECT_EQ(log, kFirstLineShown);
}

TEST_F(ConsoleClosingUnderWine, TheGameEndingLeavesNothingToTypeInto) {
  const Hwnd log = child(5);
  ASSERT_TRUE(game->send("quit"));
  ASSERT_TRUE(game->waitForExit(10000));
  ws.clear();

  EXPECT_EQ(bridge.readWindowText(log), pvx::ConsoleBridge::kNoText);
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  bridge.sendConsoleCommand("say hello");
  EXPECT_TRUE(ws.calls().empty());
  EXPECT_EQ(bridge.pendingCommand(), "");
}

// The console bridge over the real user32 calls, against the game's console window as another
// process holds it (the Win32 practice console under Wine).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/text/Text.h"
#include "support/AnsweredNow.h"
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
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), kFirstLineShown);
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
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(child(5))),
            std::string(kFirstLineShown) +
                "]say hello there\r\n"
                "Padawan: hello there\r\n");
  EXPECT_EQ(rawText(input), "");
  EXPECT_EQ(bridge.pendingCommand(), "");
}

TEST_F(TypingUnderWine, CommandsFollowOneAnotherAsTheGameRunsThem) {
  bridge.sendConsoleCommand("/name");
  bridge.sendConsoleCommand("name Ann");
  bridge.sendConsoleCommand("\\say hi");
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(child(5))),
            std::string(kFirstLineShown) +
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
  EXPECT_THAT(pvx::testing::answeredNow(bridge.readWindowText(child(5))),
              EndsWith("a\u00ACb \r\n"));
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
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(child(5))), kFirstLineShown);
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
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)),
            static_cast<long>(pvx::text::length(expected)));
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), expected);
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
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)),
            static_cast<long>(expected.size()));
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), expected);
}

TEST_F(ReadingUnderWine, ALogEmptiedByItsClearButtonReadsAsNoText) {
  // Typing "clear" empties the game's own console, never the window's log.
  bridge.sendConsoleCommand("clear");
  const Hwnd log = child(5);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)),
            std::string(kFirstLineShown) + "]clear\r\n");
  bridge.pressClearButton();
  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)), 0);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), pvx::ConsoleBridge::kNoText);
}

// A log that tells nothing of its changes (Wine's edit control) is watched from the asking
// thread: each change of its line count is told once, and nothing once the watch has ended.
TEST_F(ReadingUnderWine, TheLogsLinesWatchedFromTheAskingThreadTellEachChangeOnce) {
  pvx::Win32WindowSystem windows([](const std::function<void()>&) {});
  std::atomic<int> told{0};
  windows.tellChanges([&told] { ++told; });
  const Hwnd log = child(5);
  ASSERT_TRUE(windows.watchLines(log, real.getLineCount(log), 10));
  // (A watch that told of every probe would have told many times by the end of each pause.)
  constexpr DWORD kPauseMs = 300;
  Sleep(kPauseMs);
  EXPECT_EQ(told, 0) << "a quiet log was told of";
  ASSERT_TRUE(game->send("print Bob^7: one"));
  EXPECT_TRUE(eventually([&] { return told > 0; })) << "the print was never told of";
  Sleep(kPauseMs);
  EXPECT_EQ(told, 1);
  windows.watchLines(0, 0, 0);
  ASSERT_TRUE(game->send("print Bob^7: two"));
  Sleep(kPauseMs);
  EXPECT_EQ(told, 1) << "told after the watch ended";
  windows.tellChanges({});
}

// --- The console window going away
// ----------------------------------------------------------------

class ConsoleClosingUnderWine : public pvx::testing::WineConsoleFixture {};

TEST_F(ConsoleClosingUnderWine, HandlesLeftFromBeforeTheCloseAreHarmless) {
  const Hwnd log = child(5);
  ASSERT_TRUE(game->send("close-console"));
  ws.clear();

  EXPECT_EQ(pvx::testing::answeredNow(bridge.windowTextLength(log)), 0);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), pvx::ConsoleBridge::kNoText);
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  bridge.sendConsoleCommand("say nobody hears this");
  EXPECT_TRUE(ws.calls().empty());

  // The game itself ran on and never got the line.
  ASSERT_TRUE(game->running());
  ASSERT_TRUE(game->send("open-console"));
  const Hwnd reopened = bridge.nthChildWindow(bridge.findConsoleWindow(), 5);
  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(reopened)), kFirstLineShown);
}

TEST_F(ConsoleClosingUnderWine, ClosingWhileACommandIsTypedTypesNothing) {
  ASSERT_TRUE(game->send("close-console-on-type"));

  bridge.sendConsoleCommand("say too late");  // the window goes between the text and the Enter

  ASSERT_TRUE(game->running());
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  ASSERT_TRUE(game->send("open-console"));
  const std::string log = pvx::testing::answeredNow(
      bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5)));
  EXPECT_THAT(log, Not(HasSubstr("too late")));
  EXPECT_EQ(log, kFirstLineShown);
}

TEST_F(ConsoleClosingUnderWine, TheGameEndingLeavesNothingToTypeInto) {
  const Hwnd log = child(5);
  ASSERT_TRUE(game->send("quit"));
  ASSERT_TRUE(game->waitForExit(10000));
  ws.clear();

  EXPECT_EQ(pvx::testing::answeredNow(bridge.readWindowText(log)), pvx::ConsoleBridge::kNoText);
  EXPECT_EQ(bridge.findConsoleWindow(), 0u);
  bridge.sendConsoleCommand("say hello");
  EXPECT_TRUE(ws.calls().empty());
  EXPECT_EQ(bridge.pendingCommand(), "");
}

// --- The log telling its changes --------------------------------------------------------------

namespace {

// What an out-of-context WinEvent hook for every process receives of the objects created and of
// the values changed, as a program beside the game would hook them; the events come through this
// thread's messages, pumped while waiting.
class WinEventWatch {
 public:
  struct Told {
    DWORD event;
    HWND hwnd;
    LONG idObject;
    LONG idChild;
  };

  WinEventWatch() {
    watching_ = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, &receive, 0, 0,
                            WINEVENT_OUTOFCONTEXT);
  }
  ~WinEventWatch() {
    if (hook_ != nullptr)
      UnhookWinEvent(hook_);
    watching_ = nullptr;
  }
  WinEventWatch(const WinEventWatch&) = delete;
  WinEventWatch& operator=(const WinEventWatch&) = delete;

  bool hooked() const { return hook_ != nullptr; }

  // Pumps until done() holds; false when it still does not after a bound that tells a hang from
  // an answer.
  bool pumpUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      if (done())
        return true;
      if (GetTickCount64() >= deadline)
        return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  // The changes of the window's value told so far, for the window itself.
  long valueChanges(HWND hwnd) const {
    long n = 0;
    for (const Told& t : told_)
      n += t.event == EVENT_OBJECT_VALUECHANGE && t.hwnd == hwnd && t.idObject == OBJID_CLIENT &&
                   t.idChild == CHILDID_SELF
               ? 1
               : 0;
    return n;
  }
  // Whether a window of the class has been told created.
  bool created(const std::string& className) const {
    for (const Told& t : told_) {
      char name[64] = {};
      if (t.event == EVENT_OBJECT_CREATE && t.idObject == OBJID_WINDOW &&
          GetClassNameA(t.hwnd, name, sizeof name) > 0 && className == name)
        return true;
    }
    return false;
  }

 private:
  static void CALLBACK receive(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild,
                               DWORD, DWORD) {
    if (watching_ != nullptr)
      watching_->told_.push_back({event, hwnd, idObject, idChild});
  }

  static inline WinEventWatch* watching_ = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
  std::vector<Told> told_;
};

long wipes(const std::vector<pvx::testing::PracticeConsoleProcess::Event>& record) {
  long n = 0;
  for (const auto& e : record)
    n += e.event == "wipe" ? 1 : 0;
  return n;
}

// A change of the log's text made through the game, and how many changes it made.
struct LogChange {
  const char* name;
  std::function<int(pvx::testing::PracticeConsoleProcess&, HWND console)> make;
};

const LogChange kLogChanges[] = {
    {"APrint",
     [](pvx::testing::PracticeConsoleProcess& game, HWND) {
       EXPECT_TRUE(game.send("print Bob^7: hello"));
       return 1;
     }},
    {"ABurstPrintedInOneFrame",
     [](pvx::testing::PracticeConsoleProcess& game, HWND) {
       EXPECT_TRUE(game.send("print Bob^7: one\nAnn^7: two\nCid^7: three"));
       return 1;
     }},
    // The echo of the line, then the server's answer to it.
    {"AnEnteredLineAndItsAnswer",
     [](pvx::testing::PracticeConsoleProcess& game, HWND) {
       EXPECT_TRUE(game.send("enter say hi"));
       EXPECT_TRUE(game.waitForRead());
       return 2;
     }},
    {"TheClearButton",
     [](pvx::testing::PracticeConsoleProcess&, HWND console) {
       SendMessageA(console, WM_COMMAND, 3, 0);
       return 1;
     }},
    // Past 32767 characters the newest print replaces the whole text, the wipe its own change.
    {"TheWipe",
     [](pvx::testing::PracticeConsoleProcess& game, HWND) {
       int prints = 0;
       while (wipes(game.record()) == 0 && prints < 40) {
         EXPECT_TRUE(game.send("print " + std::to_string(prints) + std::string(998, '.')));
         ++prints;
       }
       EXPECT_EQ(wipes(game.record()), 1);
       return prints;
     }},
};

}  // namespace

// The console run with and without --tell-changes, each change of the log's text made in turn.
class LogChangesUnderWine : public pvx::testing::WineConsoleFixture,
                            public ::testing::WithParamInterface<std::tuple<bool, LogChange>> {
 public:
  std::vector<std::string> gameArguments() const override {
    std::vector<std::string> args = WineConsoleFixture::gameArguments();
    if (std::get<0>(GetParam()))
      args.emplace_back("--tell-changes");
    return args;
  }
};

TEST_P(LogChangesUnderWine, EachChangeOfTheLogIsToldOnceWhereTheConsoleTellsThem) {
  const auto& [tells, change] = GetParam();
  WinEventWatch watch;
  ASSERT_TRUE(watch.hooked());
  const HWND consoleWindow = toHwnd(console);
  const HWND log = toHwnd(child(5));

  const int changes = change.make(*game, consoleWindow);

  // What the game sent before the console's windows came back has been delivered once their
  // creation has.
  ASSERT_TRUE(game->send("close-console"));
  ASSERT_TRUE(game->send("open-console"));
  ASSERT_TRUE(watch.pumpUntil([&] { return watch.created("JAMP WinConsole"); }))
      << "the console's windows coming back were never told";
  EXPECT_EQ(watch.valueChanges(log), tells ? changes : 0);
}

INSTANTIATE_TEST_SUITE_P(, LogChangesUnderWine,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kLogChanges)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "Told_" : "Untold_") +
                                  std::get<1>(info.param).name;
                         });

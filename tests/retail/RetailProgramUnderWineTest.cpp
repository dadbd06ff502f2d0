// The real parlevox.exe of the release zip under Wine beside the retail game's console: the Win32
// practice console run as the game runs it (it reads what was typed only after a pump of its
// messages, copies every line into its 256-byte console field, leaves its log to "clear", pumps
// nothing while it loads a map, hides its console without viewlog). Used as a player would, with
// the console shown and hidden; checked by the game's console, its record and the status line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/text/Text.h"
#include "retail/RetailRecord.h"
#include "wine-gui/ParlevoxUnderWine.h"

using pvx::testing::ParlevoxProcess;
using pvx::testing::PracticeConsoleProcess;
using pvx::testing::writeFile;
using pvx::testing::retail::Console;
using pvx::testing::retail::Event;
using pvx::testing::retail::Events;
using pvx::testing::retail::figure;
using pvx::testing::retail::first;
using ::testing::IsEmpty;

namespace {

class RetailProgramUnderWine : public pvx::testing::ParlevoxUnderWine,
                               public ::testing::WithParamInterface<Console> {
 protected:
  static inline const std::string kPlayerAnsi = pvx::text::toCp1252(kPlayer);

  std::vector<std::string> gameArguments() const override {
    return pvx::testing::retail::consoleArguments(GetParam(), {"--name", kPlayer});
  }

  // Waits until the status line names the player, whatever it calls the system.
  ::testing::AssertionResult nameKnown() {
    const std::string wanted = "[ Current Player: " + kPlayer + "  OS: ";
    if (ParlevoxProcess::waitUntil([&] { return program->statusLine().rfind(wanted, 0) == 0; }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "status line \"" << program->statusLine() << "\" names no player";
  }

  // Waits until the game has run a command beginning with the text (the game's bytes) since the
  // moment fromMs of the record.
  ::testing::AssertionResult gameRan(const std::string& text, std::int64_t fromMs = 0,
                                     DWORD boundMs = ParlevoxProcess::kBoundMs) {
    if (ParlevoxProcess::waitUntil(
            [&] { return first(game->record(), "run", text, fromMs) != nullptr; }, boundMs))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the game never ran \"" << text << "\"";
  }

  std::int64_t recordNow() const {
    const Events events = game->record();
    return events.empty() ? 0 : events.back().ms + 1;
  }

  // Loads a message set from Saves through the game's chat.
  void load(const std::string& set) {
    playerTypes("say !load " + set);
    ASSERT_TRUE(gameShows(kPlayer + ": " + set + " loaded successfully"));
  }

  std::string duelLine(const std::string& other) const {
    return other + "^7 has become engaged in a duel with " + kPlayer + "^7!";
  }
};

// --- Start, the OS and the game going away ----------------------------------------------------

class RetailProgramStartUnderWine : public RetailProgramUnderWine {};

TEST_P(RetailProgramStartUnderWine, TheNameIsLearnedAndTheTrueWindowsNamed) {
  ASSERT_TRUE(nameKnown());
  EXPECT_EQ(program->statusLine(), "[ Current Player: " + kPlayer + "  OS: Windows 7 Build 7601 ]");
}

TEST_P(RetailProgramStartUnderWine, TheGameQuittingIsShownAsNotRunning) {
  ASSERT_TRUE(nameKnown());
  ASSERT_TRUE(game->send("quit"));
  ASSERT_TRUE(game->waitForExit(PracticeConsoleProcess::kBoundMs));
  const std::string wanted = "[ Current Player: <JKA is not running>  OS: ";
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] {
    return program->statusLine().rfind(wanted, 0) == 0;
  })) << program->statusLine();
}

TEST_P(RetailProgramStartUnderWine, AFatalErrorIsShownAndNothingTypedAlsoByAProgramStartedThen) {
  static const std::string kError = "CM_LoadMap: couldn't load maps/mp/duel9.bsp";
  ASSERT_TRUE(nameKnown());
  const std::int64_t from = recordNow();
  ASSERT_TRUE(game->send("fatal " + kError));

  const std::string stopped = "[ JKA stopped with an error: " + kError + " ]";
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] { return program->statusLine() == stopped; }, 20000))
      << "status \"" << program->statusLine() << "\", not \"" << stopped << "\"";

  // A program started now finds the error box where the log was.
  program.reset();
  program = std::make_unique<ParlevoxProcess>(app / "parlevox.exe", work);
  ASSERT_TRUE(program->started()) << program->failure();
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] { return program->statusLine() == stopped; }, 20000))
      << "after a new start: status \"" << program->statusLine() << "\", not \"" << stopped << "\"";
  EXPECT_THAT(pvx::testing::retail::entered(game->record(), from), IsEmpty());
}

// --- Long lines -------------------------------------------------------------------------------

class RetailProgramLongLinesUnderWine : public RetailProgramUnderWine {
 protected:
  void beforeStart() override {
    // A greeting of 315 characters and a duel reply of 580, once the names are in.
    writeFile(app / "Saves" / "long.pvx",
              pvx::testing::retail::messageSet("%s vs %d, " + pvx::testing::retail::words(580 - 16),
                                               "%s beat %d",
                                               "Hi %d, " + pvx::testing::retail::words(315 - 9)));
    // Ordinary long titles; the files need not be there to be listed.
    std::string playlist;
    const std::vector<std::string> titles = pvx::testing::retail::longTitles();
    playlist += " " + std::to_string(titles.size() - 1) + " \r\n";
    for (std::size_t i = 0; i < titles.size(); ++i) {
      playlist +=
          pvx::testing::ansi((app / "Saves" / ("track" + std::to_string(i) + ".wav")).wstring()) +
          "\r\n" + titles[i] + "\r\n";
    }
    writeFile(app / "Saves" / "playlist.lst", playlist);
  }
};

TEST_P(RetailProgramLongLinesUnderWine, AGreetingAndADuelReplyFromALoadedSetCorruptNothing) {
  ASSERT_TRUE(nameKnown());
  load("long");
  ASSERT_TRUE(game->send("print " + duelLine("Bob")));
  EXPECT_TRUE(gameShows(kPlayer + ": " + kPlayer + " vs Bob, May the Force"));
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the duel reply corrupted the game";

  // Greetings wait for a gate that opens 15 s after start: players keep coming until one is
  // greeted.
  bool greeted = false;
  for (int i = 0; i < 40 && !greeted; ++i) {
    ASSERT_TRUE(game->send("print Cid" + std::to_string(i) + "^7 entered the game"));
    greeted = gameShows(": Hi Cid", 1500);
  }
  EXPECT_TRUE(greeted) << gameLog();
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the greeting corrupted the game";

  const std::size_t longest = pvx::testing::retail::longestEntered(game->record());
  figure("longest line typed: " + std::to_string(longest) + " bytes");
  EXPECT_LE(longest, 255u);
}

TEST_P(RetailProgramLongLinesUnderWine, ListsongsWithLongTitlesListsEveryTitle) {
  ASSERT_TRUE(nameKnown());
  playerTypes("say !listsongs");
  const std::vector<std::string> titles = pvx::testing::retail::longTitles();
  for (const std::string& title : titles)
    EXPECT_TRUE(gameShows(title, 20000));
  const std::size_t longest = pvx::testing::retail::longestEntered(game->record());
  figure("longest !listsongs line typed: " + std::to_string(longest) + " bytes");
  EXPECT_LE(longest, 255u);
  EXPECT_THAT(game->corruptions(), IsEmpty()) << "the list corrupted the game";
}

// --- A full log and a stalled game ------------------------------------------------------------

class RetailProgramDuelUnderWine : public RetailProgramUnderWine {
 protected:
  void beforeStart() override {
    writeFile(app / "Saves" / "duel.pvx",
              pvx::testing::retail::messageSet("%s vs %d", "%s beat %d", "Hi %d"));
    // A short track and a long one after it.
    std::string list = " 1 \r\n";
    for (const auto& [title, seconds] : {std::pair{"First", 1.5}, std::pair{"Second", 60.0}}) {
      const std::filesystem::path file = app / "Saves" / (std::string(title) + ".wav");
      writeFile(file, pvx::testing::silentWav(seconds));
      list += pvx::testing::ansi(file.wstring()) + "\r\n" + title + "\r\n";
    }
    writeFile(app / "Saves" / "playlist.lst", list);
  }
};

TEST_P(RetailProgramDuelUnderWine,
       AFullLogIsEmptiedByTheClearButtonWithOneClearAndTheDuelAnswered) {
  ASSERT_TRUE(nameKnown());
  load("duel");
  const std::int64_t fillFrom = recordNow();
  // Past 30000 characters, short of the game's own wipe; a duel right after.
  for (int i = 0; i < 31; ++i)
    ASSERT_TRUE(game->send("print " + std::to_string(i) + std::string(998, '.')));
  ASSERT_TRUE(game->send("print " + duelLine("Bob")));

  const bool answered = gameRan("say " + kPlayerAnsi + " vs Bob", fillFrom, 20000);
  ParlevoxProcess::waitUntil([] { return false; }, 2000);
  const Events events = game->record();
  long clears = 0;
  for (const std::string& line : pvx::testing::retail::entered(events, fillFrom))
    clears += line == "/clear" ? 1 : 0;
  figure("/clear typed for one full log: " + std::to_string(clears));
  EXPECT_TRUE(answered) << "the duel right after the fill was never answered" << [&] {
    std::string all;
    for (const auto& e : events)
      if (e.ms >= fillFrom && e.event != "print")
        all += std::to_string(e.ms) + " " + e.event + " " + e.details.substr(0, 80) + "\n";
    return all;
  }();
  EXPECT_LE(clears, 1) << "/clear typed " << clears << " times for one full log";
  EXPECT_THAT(pvx::testing::retail::eventsOf(events, "clear-button", fillFrom),
              ::testing::Not(IsEmpty()))
      << "the console's Clear button was never pressed";
  EXPECT_LT(gameLog().size(), 30000u) << "the log never emptied";
}

TEST_P(RetailProgramDuelUnderWine, AFourSecondStallLeavesTheWindowPaintedAndTheLinesWhole) {
  ASSERT_TRUE(nameKnown());
  playerTypes("say !play First");
  ASSERT_TRUE(gameRan("say ^4Currently playing: ^3First"));

  // The game loads a map at once: the short track ends meanwhile and the program announces the
  // next one, while the game pumps nothing. The program itself waits for nothing then, so the
  // main window, made to need painting again and again, is painted unless the game holds it.
  const std::int64_t from = recordNow();
  ASSERT_TRUE(game->send("stall 4000"));
  const ULONGLONG start = GetTickCount64();
  ULONGLONG invalidated = 0;
  ULONGLONG longest = 0;
  while (GetTickCount64() - start < 5500) {
    const ULONGLONG now = GetTickCount64();
    if (invalidated != 0 && GetUpdateRect(main, nullptr, FALSE) == 0) {
      longest = std::max(longest, now - invalidated);
      invalidated = 0;
    }
    if (invalidated == 0) {
      InvalidateRect(main, nullptr, FALSE);
      invalidated = now;
    } else {
      longest = std::max(longest, now - invalidated);
    }
    Sleep(10);
  }
  figure("longest time the main window stayed unpainted during a 4 s stall: " +
         std::to_string(longest) + " ms");
  EXPECT_LT(longest, 2000u) << "the main window went unpainted for " << longest << " ms";

  // The music played on; what was typed arrived once each, in the order typed, none joined to
  // another.
  EXPECT_TRUE(gameRan("echo ^1Currently Playing: ^4Second", from));
  const Events events = game->record();
  std::vector<std::string> typed;
  for (std::string line : pvx::testing::retail::entered(events, from))
    typed.push_back(!line.empty() && (line[0] == '/' || line[0] == '\\') ? line.substr(1) : line);
  std::vector<std::string> ran;
  for (const auto& e : pvx::testing::retail::eventsOf(events, "run", from))
    ran.push_back(e.details);
  EXPECT_EQ(ran, typed);
  for (const auto& e : pvx::testing::retail::eventsOf(events, "read", from))
    EXPECT_THAT(e.details, ::testing::Not(::testing::HasSubstr(" joined "))) << e.details;
  EXPECT_THAT(pvx::testing::retail::eventsOf(events, "slashed", from), IsEmpty());
}

// --- Chat the server lets through -------------------------------------------------------------

// A match on a server that ignores a command coming within a second of the player's previous one,
// chat coming back after 60 ms; the player types on once the server takes his commands again.
class RetailProgramMatchUnderWine : public RetailProgramUnderWine {
 protected:
  std::vector<std::string> gameArguments() const override {
    std::vector<std::string> args = RetailProgramUnderWine::gameArguments();
    args.insert(args.end(), {"--flood-protect", "--round-trip", "60"});
    return args;
  }
  void beforeStart() override {
    writeFile(app / "Saves" / "match.pvx",
              "Parlevocs [ZB] Vendrix\r\n%s vs %d\r\n%s beat %d\r\n%d beat %s\r\nWelcome %d\r\n"
              " 1 \r\noops\r\n 1 \r\ngl\r\n 1 \r\ngg\r\n 1 \r\n");
    const std::filesystem::path tone = app / "Saves" / "tone.wav";
    writeFile(tone, pvx::testing::silentWav(120));
    writeFile(app / "Saves" / "playlist.lst",
              " 0 \r\n" + pvx::testing::ansi(tone.wstring()) + "\r\nTone\r\n");
  }
  // Waits until the server heard a command beginning with the text: true when it took it.
  ::testing::AssertionResult serverTook(const std::string& text) {
    const Event* heard = nullptr;
    Events events;
    ParlevoxProcess::waitUntil([&] {
      events = game->record();
      heard = nullptr;
      for (const std::string taken : {"taken ", "ignored "})
        if (heard == nullptr)
          heard = first(events, "server", taken + text, from);
      return heard != nullptr;
    });
    if (heard == nullptr)
      return ::testing::AssertionFailure() << "the server never heard \"" << text << "\"";
    if (heard->details.rfind("taken ", 0) != 0)
      return ::testing::AssertionFailure() << "the server " << heard->details;
    return ::testing::AssertionSuccess();
  }

  std::int64_t from = 0;
};

TEST_P(RetailProgramMatchUnderWine, EverySayGetsPastTheServersFloodProtection) {
  ASSERT_TRUE(nameKnown());
  from = recordNow();
  const std::string name = kPlayerAnsi;
  ASSERT_TRUE(game->send("player say !load match"));
  EXPECT_TRUE(serverTook("say ^7match ^1loaded successfully"));
  // The server's own lines come after the player's command that caused them.
  ASSERT_TRUE(game->send("player begin"));
  ASSERT_TRUE(serverTook("begin"));
  ASSERT_TRUE(game->send("print " + kPlayer + "^7 entered the game"));
  EXPECT_TRUE(serverTook("say ^7[^2ZB^7]"));
  EXPECT_TRUE(serverTook("say gl"));
  ASSERT_TRUE(game->send("player engage_duel"));
  ASSERT_TRUE(serverTook("engage_duel"));
  ASSERT_TRUE(game->send("print Bob^7 has become engaged in a duel with " + kPlayer + "^7!"));
  EXPECT_TRUE(serverTook("say " + name + " vs Bob"));
  ASSERT_TRUE(game->send("player say !play Tone"));
  EXPECT_TRUE(serverTook("say ^4Currently playing: ^3Tone"));
  ASSERT_TRUE(game->send("player say !stop"));
  EXPECT_TRUE(serverTook("say ^1Stopped"));
  ASSERT_TRUE(game->send("player kill"));
  ASSERT_TRUE(serverTook("kill"));
  ASSERT_TRUE(game->send("print " + kPlayer + "^7 killed himself."));
  EXPECT_TRUE(serverTook("say oops"));
  // Another player is greeted once the program's greeting has waited its 15 s since start: until
  // then players enter unwelcomed.
  bool greeted = false;
  for (int tries = 0; tries < 20 && !greeted; ++tries) {
    ASSERT_TRUE(game->send("print Bob^7 entered the game"));
    greeted = ParlevoxProcess::waitUntil(
        [&] { return first(game->record(), "server", "taken say Welcome Bob", from) != nullptr; },
        2000);
  }
  EXPECT_TRUE(serverTook("say Welcome Bob"));
  ASSERT_TRUE(game->send("print Timelimit hit."));
  EXPECT_TRUE(serverTook("say gg"));
  EXPECT_THAT(pvx::testing::retail::eventsOf(game->record(), "server", from),
              ::testing::Not(::testing::Contains(
                  ::testing::Field(&Event::details, ::testing::StartsWith("ignored")))));
}

INSTANTIATE_TEST_SUITE_P(, RetailProgramStartUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailProgramLongLinesUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailProgramDuelUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);
INSTANTIATE_TEST_SUITE_P(, RetailProgramMatchUnderWine,
                         ::testing::Values(Console::Shown, Console::Hidden),
                         pvx::testing::retail::nameOf);

}  // namespace

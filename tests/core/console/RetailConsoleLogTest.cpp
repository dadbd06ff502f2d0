#include "core/console/RetailConsoleLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using pvx::RetailConsoleLog;

namespace {

std::string logOf(const std::vector<std::string>& pieces) {
  RetailConsoleLog log;
  for (const std::string& piece : pieces)
    log.append(piece);
  return log.text();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// What the game prints, as the window shows it

TEST(RetailConsoleLog, ShowsPrintedLinesAsTheRetailWindowDoes) {
  struct Case {
    const char* what;
    std::vector<std::string> printed;
    std::string shown;
  } cases[] = {
      {"line feeds become CR LF", {"one\ntwo\n"}, "one\r\ntwo\r\n"},
      {"a CR LF stays one line end", {"one\r\ntwo\r\n"}, "one\r\ntwo\r\n"},
      {"a lone CR breaks the line", {"one\rtwo\n"}, "one\r\ntwo\r\n"},
      {"all ten colour escapes go", {"^0a^1b^2c^3d^4e^5f^6g^7h^8i^9j\n"}, "abcdefghij\r\n"},
      {"other carets stay", {"^ak ^Z ^^2x^\n"}, "^ak ^Z ^x^\r\n"},
      {"the chat escape goes",
       {"\x19"
        "Bob^7\x19: ^2hi\n"},
       "Bob: hi\r\n"},
      {"terminal colours go", {"\x1b[1;31mBob\x1b[0m: hi\n"}, "Bob: hi\r\n"},
      {"Windows-1252 bytes stay",
       {"\xAC"
        "Vendrix\xAC \xE9\x80\n"},
       "\xAC"
       "Vendrix\xAC \xE9\x80\r\n"},
      {"empty lines stay", {"\n\n"}, "\r\n\r\n"},
      {"the engine's time stamps go",
       {"2026-12-07 10:00:00 ", "Rookie^7: ^2!next\n2026-12-07 10:00:01 Bob^7 entered the game\n"},
       "Rookie: !next\r\nBob entered the game\r\n"},
      {"a date elsewhere stays",
       {"Bob^7: ^22026-12-07 10:00:00 ok\n2026-12-07 10:00:00x\n"},
       "Bob: 2026-12-07 10:00:00 ok\r\n2026-12-07 10:00:00x\r\n"},
      {"a line shows once it ended", {"Bob^7: !ne"}, ""},
      {"pieces make one line", {"Bob^7: !ne", "xt\n"}, "Bob: !next\r\n"},
      {"an escape split between pieces", {"a^", "1b\n"}, "ab\r\n"},
      {"a CR LF split between pieces", {"a\r", "\nb\n"}, "a\r\nb\r\n"},
      // OpenJK's own words in the retail game's.
      {"the name answer, the default",
       {"2026-12-07 10:00:00 ^9Cvar ^7name = ^9\"^7Rookie^9\"^7, ^7the default\n"},
       "\"name\" is:\"Rookie\" default:\"Rookie\"\r\n"},
      {"the name answer, changed",
       {"^9Cvar ^7name = ^9\"^7^1Red^7Bob^9\"^7, ^7default = ^9\"^7Padawan^9\"^7\n"},
       "\"name\" is:\"RedBob\" default:\"Padawan\"\r\n"},
      {"the name answer, empty",
       {"Cvar name = \"\", default = \"Padawan\"\n"},
       "\"name\" is:\"\" default:\"Padawan\"\r\n"},
      {"another cvar's answer stays",
       {"Cvar name2 = \"x\", the default\n"},
       "Cvar name2 = \"x\", the default\r\n"},
      {"a chat line with the same words stays",
       {"Bob^7\x19: ^2Cvar name = \"Evil\", the default\n"},
       "Bob: Cvar name = \"Evil\", the default\r\n"},
      {"libraries loaded",
       {"VM_Create: cgamex86_64.so", " succeeded\n", "VM_Create: jampgamex86_64.so succeeded\n",
        "VM_CreateLegacy: uix86.so succeeded [0x7f00]\n", "VM_Create: cgamex86_64.so failed!\n"},
       "Loading dll file cgame.\r\nLoading dll file jampgame.\r\nLoading dll file ui.\r\n"
       "VM_Create: cgamex86_64.so failed!\r\n"},
      {"a map's client game loaded",
       {"CL_InitCGame:  0.52 seconds\n"},
       "----- finished R_Init -----\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(logOf(c.printed), c.shown) << c.what;
}

TEST(RetailConsoleLog, TheEndOfTheGameShowsAnUnfinishedLine) {
  RetailConsoleLog log;
  log.append("done\nbye^1!");
  log.finish();
  EXPECT_EQ(log.text(), "done\r\nbye!");
  log.finish();
  EXPECT_EQ(log.text(), "done\r\nbye!");
}

TEST(RetailConsoleLog, EveryChangeChangesTheVersion) {
  RetailConsoleLog log;
  auto version = log.version();
  const auto changed = [&] {
    const bool c = log.version() != version;
    version = log.version();
    return c;
  };
  log.append("half");
  EXPECT_FALSE(changed());  // nothing shown yet
  log.append(" a line\n");
  EXPECT_TRUE(changed());
  log.enterLine("say hi");
  EXPECT_TRUE(changed());
  log.clear();
  EXPECT_TRUE(changed());
}

// ---------------------------------------------------------------------------------------------
// The window's limit

TEST(RetailConsoleLog, WipesItselfWhenTheTextWouldPassTheLimit) {
  RetailConsoleLog log;
  const std::string line(998, 'x');  // 1000 characters with its line end
  for (int i = 0; i < 32; ++i)
    log.append(line + "\n");
  EXPECT_EQ(log.text().size(), 32000u);
  log.append(std::string(765, 'y') + "\n");  // 32767: still fits
  EXPECT_EQ(log.text().size(), 32767u);
  log.append("z\n");
  EXPECT_EQ(log.text(), "z\r\n");
}

TEST(RetailConsoleLog, AClearingStartsTheCountAfresh) {
  RetailConsoleLog log;
  log.append(std::string(30000, 'x') + "\n");
  log.enterLine("clear");
  log.append(std::string(30000, 'y') + "\n");
  EXPECT_EQ(log.text(), std::string(30000, 'y') + "\r\n");
}

TEST(RetailConsoleLog, AFloodKeepsWhatTheWindowWouldKeep) {
  RetailConsoleLog log;
  std::vector<std::string> shownLines;
  std::string printed;
  for (int i = 0; printed.size() < (1u << 20); ++i) {
    const std::string n = std::to_string(i);
    printed += "flood " + n + " ^1the quick brown fox\n";
    shownLines.push_back("flood " + n + " the quick brown fox\r\n");
  }
  printed += "flood done\n";
  shownLines.push_back("flood done\r\n");
  for (std::size_t at = 0; at < printed.size(); at += 4093)
    log.append(std::string_view(printed).substr(at, 4093));

  // The window holds whole lines since its last wipe, ending with the last one, and the line
  // before them would not have fitted.
  std::string kept;
  std::size_t first = shownLines.size();
  while (first > 0 && kept.size() + shownLines[first - 1].size() <= RetailConsoleLog::kWipeAfter) {
    kept.insert(0, shownLines[first - 1]);
    --first;
  }
  EXPECT_TRUE(log.text().size() <= RetailConsoleLog::kWipeAfter);
  ASSERT_TRUE(kept.size() >= log.text().size());
  EXPECT_EQ(log.text(), kept.substr(kept.size() - log.text().size()));
  EXPECT_EQ(log.text().rfind("flood done\r\n"), log.text().size() - 12);
  EXPECT_EQ(log.text().rfind("flood ", 0), 0u);  // it starts at a line's start
}

TEST(RetailConsoleLog, ALineThatNeverEndsIsShownOnceItFillsTheWindow) {
  RetailConsoleLog log;
  for (int i = 0; i < 100; ++i)
    log.append(std::string(1000, 'x'));
  EXPECT_TRUE(log.text().size() <= RetailConsoleLog::kWipeAfter);
  EXPECT_FALSE(log.text().empty());
  log.append("^");
  log.append("1end\n");
  EXPECT_EQ(log.text().substr(log.text().size() - 5), "end\r\n");
}

// ---------------------------------------------------------------------------------------------
// What is typed

TEST(RetailConsoleLog, EchoesATypedLineOnALineOfItsOwn) {
  RetailConsoleLog log;
  log.append("Bob^7: hal");
  log.enterLine("say ^2hi");
  log.append("f\n");
  EXPECT_EQ(log.text(), "]say hi\r\nBob: half\r\n");
}

TEST(RetailConsoleLog, OnlyTheClearButtonEmptiesTheLog) {
  // Typing "clear" empties the game's own console, never the window's log; the Clear button
  // empties the log and leaves the count towards the next wipe as it was.
  RetailConsoleLog log;
  log.append(std::string(31998, 'x') + "\n");  // 32000 characters with the line end
  log.enterLine("/clear");
  EXPECT_EQ(log.text().size(), 32000u + 9u);
  log.clear();
  EXPECT_EQ(log.text(), "");
  log.append(std::string(756, 'y') + "\n");  // 32767 in all: still fits
  EXPECT_EQ(log.text().size(), 758u);
  log.append("z\n");
  EXPECT_EQ(log.text(), "z\r\n");
}

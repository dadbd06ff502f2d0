#include "core/text/Text.h"

#include <gtest/gtest.h>

#include "core/text/CodePage.h"

#include <string>

namespace pvx::text {
namespace {

using namespace std::string_literals;

TEST(Cp1252Conversion, EveryByteSurvivesARoundTripAsOneCharacter) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all.push_back(static_cast<char>(b));
  }
  const std::string utf8 = fromCp1252(all);
  EXPECT_TRUE(isValidUtf8(utf8));
  EXPECT_EQ(length(utf8), 256u);
  EXPECT_EQ(toCp1252(utf8), all);
}

TEST(Cp1252Conversion, MapsTheCharactersOfTheCodePage) {
  EXPECT_EQ(fromCp1252("\xAC"), "¬");
  EXPECT_EQ(toCp1252("¬vendrix¬"), "\xACvendrix\xAC");
  EXPECT_EQ(toCp1252("Jedi Knight®"), "Jedi Knight\xAE");
  EXPECT_EQ(fromCp1252("\x80\x8A\x8C\x8E\x93\x94\x99\x9F\xFF"), "€ŠŒŽ“”™Ÿÿ");
  EXPECT_EQ(fromCp1252("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(toCp1252("\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
  EXPECT_EQ(toCp1252("a\0b"s), "a\0b"s);
}

TEST(Cp1252Conversion, CharactersWithoutAByteBecomeQuestionMarks) {
  EXPECT_EQ(toCp1252("x中y"), "x?y");
  EXPECT_EQ(toCp1252("😀"), "?");
  // U+0080 is a C1 control, not the euro sign that owns byte 0x80.
  EXPECT_EQ(toCp1252("\u0080\u009F"), "??");
}

TEST(MalformedUtf8, EachBadByteIsOneCharacter) {
  const std::string overlong = "a\xC0\xAFz";
  const std::string overlong3 = "\xE0\x80\xAF";
  const std::string surrogate = "\xED\xA0\x80";
  const std::string truncated = "x\xE2\x82";
  const std::string stray = "\x80y";
  const std::string tooLarge = "\xF4\x90\x80\x80";
  for (const std::string& s : {overlong, overlong3, surrogate, truncated, stray, tooLarge}) {
    EXPECT_FALSE(isValidUtf8(s)) << s;
    EXPECT_EQ(length(s), s.size()) << s;
  }
  EXPECT_EQ(toCp1252(overlong), "a??z");
  EXPECT_EQ(toCp1252(surrogate), "???");
  EXPECT_EQ(toCp1252(truncated), "x??");
  EXPECT_EQ(toCp1252(stray), "?y");
  EXPECT_EQ(toCp1252("é\xFF€"), "\xE9?\x80");
}

TEST(MalformedUtf8, CuttingFromEitherEndAgrees) {
  // Valid sequences next to broken ones: stepping back from the end must split the text
  // where stepping forward does.
  const std::string s = "\x80\xE2\x82\xAC\xE2\x82\xC3\xA9\xF0\x9F\x98\x80\xBF\xF0\xE2\x82\xAC";
  const std::size_t n = length(s);
  EXPECT_EQ(n, 9u);
  for (std::size_t k = 0; k <= n; ++k) {
    EXPECT_EQ(left(s, k) + right(s, n - k), s) << k;
    EXPECT_EQ(dropRight(s, n - k), left(s, k)) << k;
    EXPECT_EQ(length(right(s, k)), k) << k;
  }
}

TEST(CharacterCounting, CountsCodePointsNotBytes) {
  EXPECT_EQ(length(""), 0u);
  EXPECT_EQ(length("¬vendrix¬"), 9u);
  EXPECT_EQ(length("é€😀"), 3u);
  EXPECT_EQ(left("¬vendrix¬", 2), "¬v");
  EXPECT_EQ(right("¬vendrix¬", 2), "x¬");
  EXPECT_EQ(dropRight("ab€\r\n", 2), "ab€");
  EXPECT_EQ(substring("¬vendrix¬", 1, 7), "vendrix");
  EXPECT_EQ(substring("é€x", 1), "€x");
}

TEST(CharacterCounting, EdgesOfTheText) {
  EXPECT_EQ(left("é€", 0), "");
  EXPECT_EQ(right("é€", 0), "");
  EXPECT_EQ(dropRight("é€", 0), "é€");
  EXPECT_EQ(left("é€", 5), "é€");
  EXPECT_EQ(right("é€", 5), "é€");
  EXPECT_EQ(dropRight("é€", 2), "");
  EXPECT_EQ(dropRight("é€", 9), "");
  EXPECT_EQ(substring("é€", 2), "");
  EXPECT_EQ(substring("é€", 7, 1), "");
  EXPECT_EQ(substring("é€", 1, 0), "");
  EXPECT_EQ(substring("é€", 0, 50), "é€");
}

TEST(CharacterCounting, LastCharactersOfALongConvertedLog) {
  std::string log(30000, 'a');
  log[29799] = '\xAC';
  log.back() = '\x80';
  const std::string tail = right(fromCp1252(log), 200);
  EXPECT_EQ(length(tail), 200u);
  EXPECT_EQ(left(tail, 1), "a");
  EXPECT_EQ(substring(tail, 199), "€");
  EXPECT_EQ(findNoCase(tail, "¬"), npos);
  EXPECT_EQ(findNoCase(right(fromCp1252(log), 201), "¬"), 0u);
}

TEST(FindNoCase, FoldsAsciiAndLatinLetters) {
  EXPECT_EQ(findNoCase("Bob: !LOAD duel", ": !load"), 3u);
  EXPECT_EQ(findNoCase("une école", "ÉCOLE"), 4u);
  EXPECT_EQ(findNoCase("ŒUVRE ŠŽŸ", "œuvre šžÿ"), 0u);
  EXPECT_EQ(findNoCase("€é×", "É×"), 1u);
  EXPECT_EQ(findNoCase("a×b", "a÷b"), npos);
  EXPECT_EQ(findNoCase("Straße", "STRASSE"), npos);
  EXPECT_EQ(findNoCase("abc", "abcd"), npos);
  EXPECT_TRUE(containsNoCase("\"Name\" is:\"Bob^7\"", "\"name\" is:"));
}

TEST(FindNoCase, StartsAtTheGivenCharacter) {
  EXPECT_EQ(findNoCase("é-é-É", "é", 1), 2u);
  EXPECT_EQ(findNoCase("é-é-É", "é", 3), 4u);
  EXPECT_EQ(findNoCase("é-é-É", "é", 5), npos);
  EXPECT_EQ(findNoCase("é-é", "", 0), 0u);
  EXPECT_EQ(findNoCase("é-é", "", 3), 3u);
  EXPECT_EQ(findNoCase("é-é", "", 4), npos);
  EXPECT_EQ(findNoCase("", "", 0), 0u);
}

TEST(ReplaceAllNoCase, ReplacesEveryOccurrenceInEitherCase) {
  EXPECT_EQ(replaceAllNoCase("%S beat %d", "%s", "Ann"), "Ann beat %d");
  EXPECT_EQ(replaceAllNoCase("%s vs %S, %s!", "%s", "Él"), "Él vs Él, Él!");
  EXPECT_EQ(replaceAllNoCase("Hi ÉCOLE école", "école", "x"), "Hi x x");
  EXPECT_EQ(replaceAllNoCase("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAllNoCase("no match", "%d", "x"), "no match");
  EXPECT_EQ(replaceAllNoCase("%s", "", "x"), "%s");
}

TEST(ReplaceAllNoCase, NeverRescansTheReplacement) {
  EXPECT_EQ(replaceAllNoCase("[%s]", "%s", "%s%s"), "[%s%s]");
  EXPECT_EQ(replaceAllNoCase("%S-%s", "%s", "%S"), "%S-%S");
}

TEST(FileLines, ReadsUtf8OrWindows1252) {
  EXPECT_EQ(fromFileLine("¬vendrix¬ €"), "¬vendrix¬ €");
  EXPECT_EQ(fromFileLine("\xACvendrix\xAC \x80"), "¬vendrix¬ €");
  EXPECT_EQ(fromFileLine("plain"), "plain");
}

// A file line in the system's code page where it holds the line (the bytes as ever), in UTF-8
// where it does not or where its bytes would read back as other characters; read back the same.
TEST(FileLines, NoCharacterIsLostToTheCodePage) {
  const FileEncoding ansi(&windows1252());
  const struct {
    std::string line, bytes;
  } cases[] = {
      {"plain", "plain"},
      {"¬vendrix¬ €", "\xACvendrix\xAC \x80"},
      {"C:\\Music\\Łukasz\\a.wav", "C:\\Music\\Łukasz\\a.wav"},  // no 1252 byte for Ł
      {"日本の歌.mp3", "日本の歌.mp3"},
      {"Ã©", "Ã©"},  // its 1252 bytes C3 A9 would read back as "é"
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ansi.encode(c.line), c.bytes) << c.line;
    EXPECT_EQ(ansi.decode(ansi.encode(c.line)), c.line) << c.line;
    EXPECT_EQ(FileEncoding().decode(FileEncoding().encode(c.line)), c.line) << c.line;
  }
}

}  // namespace
}  // namespace pvx::text

TEST(MakeInert, LineBreaksBecomeBlanksAndCommandSeparatorsGo) {
  EXPECT_EQ(pvx::text::makeInert("Eve: x;quit\r\nBob"), "Eve: xquit  Bob");
  EXPECT_EQ(pvx::text::makeInert("say \"a\";b\n"), "say ab ");
  EXPECT_EQ(pvx::text::makeInert("¬vendrix¬ ^1ok"), "¬vendrix¬ ^1ok");
}

#include "app/ReplayScript.h"

#include <gtest/gtest.h>

#include <sstream>

using pvx::ReplayScript;
using pvx::ReplayStep;

namespace {

std::optional<ReplayScript> parse(const std::string& text, std::string* error = nullptr) {
  std::istringstream in(text);
  std::string why;
  auto script = ReplayScript::parse(in, why);
  if (error != nullptr)
    *error = why;
  return script;
}

}  // namespace

TEST(ReplayScript, SceneThenBatchesSplitByBlankLinesAndDirectives) {
  const auto s = parse(
      "# comment\r\n@player Ann Lee\n@game off\n@colours keep\n@message greeting on Hi %d\n"
      "@track intro 2.5\n@track broken song fail\n"
      "Bob entered the game\n# not a line\nCid entered the game\n\nDan\n@after 0.7\n"
      "@duel won %s beat %d\n@say hi ;there\n@game on\n@click back\n");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->player, "Ann Lee");
  EXPECT_FALSE(s->gameRunning);
  EXPECT_TRUE(s->keepColours);
  ASSERT_EQ(s->tracks.size(), 2u);
  EXPECT_EQ(s->tracks[0].title, "intro");
  EXPECT_DOUBLE_EQ(s->tracks[0].seconds, 2.5);
  EXPECT_EQ(s->tracks[1].title, "broken song");
  EXPECT_TRUE(s->tracks[1].fails);
  ASSERT_EQ(s->scene.size(), 1u);
  EXPECT_EQ(s->scene[0].which, "greeting");
  EXPECT_TRUE(s->scene[0].on);
  EXPECT_EQ(s->scene[0].text, "Hi %d");

  ASSERT_EQ(s->steps.size(), 7u);
  EXPECT_EQ(s->steps[0].lines,
            (std::vector<std::string>{"Bob entered the game", "Cid entered the game"}));
  EXPECT_EQ(s->steps[0].line, 8);
  EXPECT_EQ(s->steps[1].lines, (std::vector<std::string>{"Dan"}));
  EXPECT_EQ(s->steps[2].kind, ReplayStep::Kind::After);
  EXPECT_EQ(s->steps[2].ms, 700);
  EXPECT_EQ(s->steps[3].kind, ReplayStep::Kind::Duel);
  EXPECT_EQ(s->steps[3].text, "%s beat %d");
  EXPECT_EQ(s->steps[4].text, "hi ;there");
  EXPECT_EQ(s->steps[5].kind, ReplayStep::Kind::Game);
  EXPECT_TRUE(s->steps[5].on);
  EXPECT_EQ(s->steps[6].which, "back");
}

TEST(ReplayScript, TextLinesKeepEveryCharacterAndReadWindowsBytes) {
  const auto s = parse(
      "  \"name\" is:\"x^7\"  ;quit\nBob: \xAC"
      "hi\n");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->steps[0].lines,
            (std::vector<std::string>{"  \"name\" is:\"x^7\"  ;quit", "Bob: ¬hi"}));
}

TEST(ReplayScript, RefusesMalformedDirectivesNamingTheLine) {
  const std::pair<const char*, const char*> bad[] = {
      {"@jump\n", "line 1: unknown directive @jump"},
      {"\n\n@after -1\n", "line 3: @after takes a number of seconds"},
      {"@after 1x\n", "line 1: @after takes a number of seconds"},
      {"@game maybe\n", "line 1: @game takes: on|off"},
      {"x\n@player Late\n", "line 2: @player belongs before the first text line and @after"},
      {"@after 1\n@track a 3\n", "line 2: @track belongs before the first text line and @after"},
      {"@track 3\n", "line 1: @track takes: NAME SECONDS|fail"},
      {"@message hello on x\n", "line 1: @message takes: greeting|death|enter|limit on|off TEXT"},
      {"@message limit yes x\n", "line 1: @message takes: greeting|death|enter|limit on|off TEXT"},
      {"@duel tie x\n", "line 1: @duel takes: engage|won|lost TEXT"},
      {"@click nothing\n", "line 1: @click takes: back|playlist|play|stop|pause|next-track"},
      {"@player\n", "line 1: @player needs a name"},
  };
  for (const auto& [text, why] : bad) {
    std::string error;
    EXPECT_FALSE(parse(text, &error)) << text;
    EXPECT_EQ(error, why) << text;
  }
}

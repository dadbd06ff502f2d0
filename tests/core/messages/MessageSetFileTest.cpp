#include "core/messages/MessageSetFile.h"

#include <fstream>
#include <sstream>

#include "support/WatcherHarness.h"

using namespace pvx;

namespace {

class MessageSets : public pvx::testing::WatcherHarness {
 protected:
  void SetUp() override {
    WatcherHarness::SetUp();
    std::filesystem::create_directories(programFolder() / "Saves");
  }
  std::filesystem::path saves(const std::string& name) { return programFolder() / "Saves" / name; }
  void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(saves(name), std::ios::binary) << bytes;
  }
  std::string fileBytes(const std::string& name) {
    std::ifstream in(saves(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void setAll() {
    core().messages().setDuel(DuelText::Engage, "%s vs %d");
    core().messages().setDuel(DuelText::Won, " won ");
    core().messages().setDuel(DuelText::Lost, "^1lost");
    setText(MessageKind::Greeting, "Hi %d");
    setFlag(MessageKind::Greeting, 1);
    setText(MessageKind::SelfKill, "Oops");
    setFlag(MessageKind::SelfKill, 0);
    setText(MessageKind::OwnEntry, "¬vendrix¬");
    setFlag(MessageKind::OwnEntry, 1);
    setText(MessageKind::Limit, "gg");
    setFlag(MessageKind::Limit, 200);
  }
  static constexpr const char* kHeader = "Parlevocs [ZB] Vendrix\r\n";
};

}  // namespace

TEST_F(MessageSets, SavingTheStartValuesUnderTheDefaultName) {
  sets().save();
  EXPECT_EQ(dialogs.asked, (std::vector<std::string>{
                               "Save Messages: Enter the name of the file you want to open (exlude "
                               "the extension.) [main]"}));
  EXPECT_EQ(fileBytes("main.pvx"),
            std::string(kHeader) + "\r\n\r\n\r\n\r\n 0 \r\n\r\n 0 \r\n\r\n 0 \r\n\r\n 0 \r\n");
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MessageSets, AnEmptyAnswerWritesTheExtensionAlone) {
  dialogs.answer = "";
  sets().save();
  EXPECT_TRUE(std::filesystem::exists(saves(".pvx")));
}

TEST_F(MessageSets, SaveThenLoadRestoresEveryValue) {
  setAll();
  sets().save();
  core().messages().setDuel(DuelText::Engage, "x");
  core().messages().setDuel(DuelText::Won, "x");
  core().messages().setDuel(DuelText::Lost, "x");
  for (const MessageKind kind :
       {MessageKind::Greeting, MessageKind::SelfKill, MessageKind::OwnEntry, MessageKind::Limit})
    core().messages().setMessage(kind, Message{"x", 9});

  EXPECT_TRUE(sets().loadMessageSet("main"));
  EXPECT_EQ(window.duelText(DuelText::Engage), "%s vs %d");
  EXPECT_EQ(window.duelText(DuelText::Won), " won ");
  EXPECT_EQ(window.duelText(DuelText::Lost), "^1lost");
  EXPECT_EQ(messageSet().greeting.text, "Hi %d");
  EXPECT_EQ(messageSet().greeting.enabled, 1);
  EXPECT_EQ(messageSet().selfKill.text, "Oops");
  EXPECT_EQ(messageSet().selfKill.enabled, 0);
  EXPECT_EQ(messageSet().ownEntry.text, "¬vendrix¬");
  EXPECT_EQ(messageSet().ownEntry.enabled, 1);
  EXPECT_EQ(messageSet().limit.text, "gg");
  EXPECT_EQ(messageSet().limit.enabled, 200);
}

TEST_F(MessageSets, WrongHeaderShowsItsBoxAndChangesNothing) {
  for (const char* header : {"parlevocs [ZB] Vendrix", "Parlevocs [ZB] Vendrix "}) {
    writeFile("odd.pvx", std::string(header) + "\r\na\r\nb\r\nc\r\nd\r\n1\r\n");
    dialogs.boxes.clear();
    EXPECT_FALSE(sets().loadMessageSet("odd"));
    EXPECT_EQ(
        dialogs.boxes,
        (std::vector<std::string>{"Error: Header is not correct type. Can't continue to open."}));
    EXPECT_EQ(window.duelText(DuelText::Engage), "");
    EXPECT_EQ(messageSet().greeting.text, "");
  }
}

TEST_F(MessageSets, MissingFileOrANameOutsideSavesFailsWithoutABox) {
  writeFile("../outside.pvx", std::string(kHeader) + "a\r\nb\r\nc\r\nd\r\n1\r\n");
  EXPECT_FALSE(sets().loadMessageSet("nothing"));
  EXPECT_FALSE(sets().loadMessageSet("../outside"));
  EXPECT_FALSE(sets().loadMessageSet("..\\outside"));
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(window.duelText(DuelText::Engage), "");
}

TEST_F(MessageSets, AShortFileKeepsWhatWasReadBeforeItEnded) {
  setFlag(MessageKind::SelfKill, 7);
  writeFile("short.pvx", std::string(kHeader) + "e\r\nw\r\nl\r\nHi\r\n 1 \r\nOops");
  EXPECT_FALSE(sets().loadMessageSet("short"));
  EXPECT_EQ(window.duelText(DuelText::Lost), "l");
  EXPECT_EQ(messageSet().greeting.enabled, 1);
  EXPECT_EQ(messageSet().selfKill.text, "Oops");  // the last line may end at the end of the file
  EXPECT_EQ(messageSet().selfKill.enabled, 7);
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MessageSets, FlagLines) {
  const std::pair<const char*, int> cases[] = {{"1", 1},   {"  1  ", 1}, {"\t0", 0},  {"255", 255},
                                               {"2.5", 2}, {"3.5", 4},   {"yes", -1}, {"256", -1},
                                               {"", -1},   {"-1", -1},   {"1 1", -1}, {"0x1", -1}};
  for (const auto& [line, want] : cases) {
    std::uint8_t flag = 99;
    EXPECT_EQ(MessageSetFile::parseFlag(line, flag), want >= 0) << line;
    if (want >= 0) {
      EXPECT_EQ(flag, want) << line;
    }
  }
  writeFile("bad.pvx", std::string(kHeader) + "e\r\nw\r\nl\r\nHi\r\nyes\r\nOops\r\n");
  EXPECT_FALSE(sets().loadMessageSet("bad"));
  EXPECT_EQ(messageSet().greeting.text, "Hi");
  EXPECT_EQ(messageSet().greeting.enabled, 0);
  EXPECT_EQ(messageSet().selfKill.text, "");
}

TEST_F(MessageSets, AFileFromTheWindowsProgramLoads) {
  writeFile("win.pvx", std::string(kHeader) +
                           "\xAC"
                           "duel\xAC\r\nw\r\nl\r\ng\r\n 1 \r\nd\r\n 0 \r\n"
                           "e\r\n 0 \r\nl\r\n 1 \r\n");
  EXPECT_TRUE(sets().loadMessageSet("win"));
  EXPECT_EQ(window.duelText(DuelText::Engage), "¬duel¬");
  EXPECT_EQ(messageSet().limit.enabled, 1);
}

TEST_F(MessageSets, EveryKindOfLineEndLoads) {
  // CR LF (as written), CR alone (an old Mac editor), LF alone (a Unix editor), and all mixed.
  for (const std::string end : {"\r\n", "\r", "\n"}) {
    std::string body;
    for (const char* line :
         {"Parlevocs [ZB] Vendrix", "e", "w", "l", "g", " 1 ", "d", " 0 ", "n", " 1 ", "m", " 0 "})
      body += std::string(line) + end;
    writeFile("ends.pvx", body);
    setText(MessageKind::Greeting, "");
    ASSERT_TRUE(sets().loadMessageSet("ends")) << ::testing::PrintToString(end);
    EXPECT_EQ(window.duelText(DuelText::Lost), "l");
    EXPECT_EQ(messageSet().greeting.text, "g");
    EXPECT_EQ(messageSet().ownEntry.text, "n");
    EXPECT_EQ(messageSet().ownEntry.enabled, 1);
    EXPECT_TRUE(dialogs.boxes.empty());
  }
  writeFile("mixed.pvx", "Parlevocs [ZB] Vendrix\re\nw\r\n\rg\n 1 \rd\r 0 \n\n 1\r\r 1");
  ASSERT_TRUE(sets().loadMessageSet("mixed"));
  EXPECT_EQ(window.duelText(DuelText::Lost), "");
  EXPECT_EQ(messageSet().greeting.text, "g");
  EXPECT_EQ(messageSet().limit.enabled, 1);
}

TEST_F(MessageSets, AFailedSaveLeavesTheOldFileWholeAndSaysWhy) {
  writeFile("main.pvx", "old bytes\r\n");
  std::filesystem::create_directory(saves("main.pvx.new"));  // nothing can be written beside it
  setAll();
  sets().save();
  EXPECT_EQ(fileBytes("main.pvx"), "old bytes\r\n");
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].rfind("Error: The message set cannot be saved to", 0), 0u);
}

TEST_F(MessageSets, OpenReadsTheChosenFileAndReportsFailuresInBoxes) {
  sets().open();  // cancelled: nothing
  EXPECT_EQ(dialogs.filters, (std::vector<std::string>{"Parlevocs  (*.pvx)|*.pvx"}));
  // The dialog starts where Save writes.
  ASSERT_EQ(dialogs.startFolders.size(), 1u);
  EXPECT_EQ(std::filesystem::path(dialogs.startFolders[0]), programFolder() / "Saves");
  EXPECT_TRUE(dialogs.boxes.empty());

  setAll();
  sets().write(saves("set.pvx"));
  setText(MessageKind::Greeting, "changed");
  dialogs.file = (programFolder() / "Saves" / "set.pvx").string();
  sets().open();
  EXPECT_EQ(messageSet().greeting.text, "Hi %d");

  writeFile("short.pvx", std::string(kHeader) + "e\r\n");
  dialogs.file = (programFolder() / "Saves" / "short.pvx").string();
  sets().open();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_NE(dialogs.boxes[0].find("ends before its line 3"), std::string::npos);

  dialogs.file = (programFolder() / "Saves" / "gone.pvx").string();
  sets().open();
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_NE(dialogs.boxes[1].find("does not exist"), std::string::npos);
}

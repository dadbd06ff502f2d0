// The real parlevox.exe of the release zip under Wine beside the retail game's console, on a
// system of another code page than the Western one: run once per locale (ctest sets LANG; Wine
// takes the ANSI code page from it: pl_PL.UTF-8 gives 1250, ru_RU.UTF-8 1251, C.UTF-8 1252).
// The game's console is an ANSI window of that code page, and so are the program's files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "retail/RetailRecord.h"
#include "wine-gui/ParlevoxUnderWine.h"

namespace fs = std::filesystem;
using pvx::testing::ansi;
using pvx::testing::ParlevoxProcess;
using pvx::testing::silentWav;
using pvx::testing::wide;
using pvx::testing::writeFile;

namespace {

// What a system of each code page writes in its own letters.
struct Language {
  unsigned codePage;
  std::string folder;    // a music folder named in them
  std::string greeting;  // a greeting written in the message editor
  std::string printed;   // a line the game prints
};

const Language* languageOf(unsigned codePage) {
  static const Language languages[] = {
      {1250, "\u0141ukasz", "Cze\u015b\u0107 %d",
       "Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144"},
      {1251, "\u041f\u0451\u0442\u0440", "\u041f\u0440\u0438\u0432\u0435\u0442 %d",
       "\u0421\u044a\u0435\u0448\u044c \u0436\u0435 \u0435\u0449\u0451"},
  };
  for (const Language& language : languages) {
    if (language.codePage == codePage)
      return &language;
  }
  return nullptr;
}

class RetailCodePageUnderWine : public pvx::testing::ParlevoxUnderWine {
 protected:
  static inline const std::string kName = "Kasia";
  // A track in the language's folder, another in a plain one; a Japanese title the code page
  // cannot hold (any Western system has such music).
  static inline const std::string kJapanese = "\u65e5\u672c\u306e\u6b4c";

  std::vector<std::string> gameArguments() const override { return {"--name", kName}; }

  void beforeStart() override {
    language = languageOf(GetACP());
    const fs::path special = work / wide(language != nullptr ? language->folder : "\u97f3\u697d");
    fs::create_directories(special);
    first = special / "first.wav";
    writeFile(first, silentWav(120));
    const fs::path second = app / "Saves" / "second.wav";
    writeFile(second, silentWav(120));
    // The playlist as any program of the system writes it, in its code page; a line the code page
    // cannot hold (a Japanese title on a Western system, the program's folder "Jeux été" on a
    // Russian one) in UTF-8, as a program that keeps it writes it.
    const std::string title = language != nullptr ? "first" : kJapanese;
    writeFile(app / "Saves" / "playlist.lst", " 1 \r\n" + fileLine(first.wstring()) + "\r\n" +
                                                  fileLine(wide(title)) + "\r\n" +
                                                  fileLine(second.wstring()) + "\r\nsecond\r\n");
  }

  // A line of a text file: in the code page where it holds the text, else in UTF-8.
  static std::string fileLine(const std::wstring& text) {
    const std::string bytes = ansi(text);
    std::wstring back(bytes.size(), L'\0');
    back.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), back.data(),
                            static_cast<int>(back.size()))));
    return back == text ? bytes : pvx::testing::utf8(text);
  }

  // Waits until the game has run a command, given in UTF-8, as the code page's bytes.
  ::testing::AssertionResult gameRan(const std::string& utf8, std::int64_t fromMs = 0,
                                     DWORD boundMs = ParlevoxProcess::kBoundMs) {
    const std::string bytes = ansi(wide(utf8));
    if (ParlevoxProcess::waitUntil(
            [&] {
              return pvx::testing::retail::first(game->record(), "run", bytes, fromMs) != nullptr;
            },
            boundMs))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the game never ran \"" << utf8 << "\"";
  }

  std::int64_t recordNow() const {
    const pvx::testing::retail::Events events = game->record();
    return events.empty() ? 0 : events.back().ms + 1;
  }

  ::testing::AssertionResult nameKnown() {
    if (ParlevoxProcess::waitUntil([&] {
          return program->statusLine().rfind("[ Current Player: " + kName + "  OS: ", 0) == 0;
        }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status \"" << program->statusLine() << "\"";
  }

  // A click on the player window's "Save Playlist", the window shown first.
  void savePlaylist() {
    clickMain(pvx::testing::kPlaylist);
    HWND player = nullptr;
    ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
      player = program->window(L"Playlist");
      return player != nullptr;
    })) << "the player window did not show";
    const fs::path list = app / "Saves" / "playlist.lst";
    std::error_code error;
    const auto before = fs::last_write_time(list, error);
    ParlevoxProcess::click(player, (3960 + 1095 / 2) / 15, (3720 + 495 / 2) / 15);
    // The new file takes the old one's place once it is whole.
    ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
      std::error_code now;
      return fs::last_write_time(list, now) != before && !now && !readPlaylist().empty();
    })) << "the playlist was not saved";
  }

  std::string readPlaylist() const {
    std::ifstream in(app / "Saves" / "playlist.lst", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  void restart() {
    program.reset();
    program = std::make_unique<ParlevoxProcess>(app / "parlevox.exe", work);
    ASSERT_TRUE(program->started()) << program->failure();
    ASSERT_TRUE(ParlevoxProcess::waitUntil([this] { return program->mainWindow() != nullptr; }));
    main = program->mainWindow();
  }

  const Language* language = nullptr;
  fs::path first;
};

// A path in the system's letters, in the playlist as the system writes it, plays; saved by the
// program and read again after a new start, it still plays. On a Western system a Japanese title
// survives the same way (its line in UTF-8).
TEST_F(RetailCodePageUnderWine, APathInTheSystemsLettersPlaysAndSurvivesASaveAndARestart) {
  ASSERT_TRUE(nameKnown());
  const std::string title = language != nullptr ? "first" : kJapanese;
  std::int64_t from = recordNow();
  if (language != nullptr) {
    ASSERT_TRUE(game->send("enter say !play first"));
    EXPECT_TRUE(gameRan("say ^4Currently playing: ^3first", from))
        << "the first entry did not play";
  }
  savePlaylist();
  const std::string saved = readPlaylist();
  // Byte for byte as the system writes a line it holds; in UTF-8 one it does not.
  EXPECT_THAT(saved, ::testing::HasSubstr(fileLine(first.wstring()) + "\r\n" +
                                          fileLine(wide(title)) + "\r\n"));

  restart();
  ASSERT_TRUE(nameKnown());
  from = recordNow();
  // The first entry, chosen by its place: its file must still be found.
  ASSERT_TRUE(game->send("enter say !next"));
  ASSERT_TRUE(gameRan("say ^4Currently playing: ^3second", from));
  from = recordNow();
  ASSERT_TRUE(game->send("enter say !next"));
  EXPECT_TRUE(gameRan("say ^4Currently playing: ^3" + title, from))
      << "after a restart the first entry did not play";
}

// A greeting written in the message editor in the system's letters reaches the game as its code
// page's bytes; what the game prints in them, the main window shows as such.
TEST_F(RetailCodePageUnderWine, TheEditorsGreetingReachesTheGameAndTheGamesLettersAreShown) {
  if (language == nullptr)
    GTEST_SKIP() << "the Western code page: the other tests cover it";
  ASSERT_TRUE(nameKnown());
  ASSERT_TRUE(game->send("print " + language->printed));
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] {
    for (const std::string& shown : program->reported("chat"))
      if (shown.find(language->printed) != std::string::npos)
        return true;
    return false;
  })) << "the main window never showed "
      << language->printed;

  // Customize Messages -> Greeting, the text typed, the box ticked, Ok.
  ParlevoxProcess::pressKey('C', false, true);  // Alt+C
  ParlevoxProcess::pressKey(VK_RETURN);
  HWND editor = nullptr;
  ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
    editor = program->otherWindow({main, program->window(L"Playlist")});
    return editor != nullptr && IsWindowVisible(editor);
  })) << "the message editor did not open";
  // Keys go to the window in front: on a busy machine the editor is shown a while before it is.
  ASSERT_TRUE(ParlevoxProcess::waitUntil([&] { return GetForegroundWindow() == editor; }))
      << "the message editor never came to the front";
  ParlevoxProcess::type(language->greeting);
  ParlevoxProcess::click(editor, (1680 + 200) / 15, (1200 + 375 / 2) / 15);
  ParlevoxProcess::click(editor, (1680 + 1335 / 2) / 15, (2160 + 495 / 2) / 15);
  ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
    return IsWindowVisible(main) != FALSE && IsWindowVisible(editor) == FALSE;
  })) << "the message editor did not close on Ok";

  // Greetings wait for a gate that opens 15 s after start.
  const std::int64_t from = recordNow();
  const std::string greeting = language->greeting.substr(0, language->greeting.find(" %d"));
  bool greeted = false;
  for (int i = 0; i < 40 && !greeted; ++i) {
    ASSERT_TRUE(game->send("print Cid" + std::to_string(i) + "^7 entered the game"));
    greeted = gameRan("say " + greeting + " Cid", from, 1500);
  }
  EXPECT_TRUE(greeted) << "no greeting in the code page's bytes";
}

}  // namespace

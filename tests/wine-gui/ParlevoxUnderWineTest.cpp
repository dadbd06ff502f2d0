// The real parlevox.exe of the release zip under Wine, unzipped into a folder of its own whose
// name goes beyond ASCII, beside the Win32 practice console: nothing but what the zip holds, used
// as a player would (mouse and keyboard), checked by what the game's console shows, the files
// written, the windows' places and the status lines the program reports.
//
// PARLEVOX_WINDOWS_APP_PARENT names the folder (a Unix path) that holds the unzipped folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "wine-gui/ParlevoxUnderWine.h"

namespace fs = std::filesystem;
using pvx::testing::ansi;
using pvx::testing::FileItem;
using pvx::testing::frameOf;
using pvx::testing::kBackToGame;
using pvx::testing::kPlaylist;
using pvx::testing::ParlevoxProcess;
using pvx::testing::ParlevoxUnderWine;
using pvx::testing::PracticeConsoleProcess;
using pvx::testing::programFolder;
using pvx::testing::silentWav;
using pvx::testing::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// --- The program file ------------------------------------------------------------------------

// What Explorer, the taskbar and the Properties page read from parlevox.exe.
struct ProgramFileUnderWine : ::testing::Test {
  void SetUp() override {
    exe = programFolder() / "parlevox.exe";
    ASSERT_TRUE(fs::exists(exe)) << "no unzipped parlevox.exe below PARLEVOX_WINDOWS_APP_PARENT";
    module = LoadLibraryExW(exe.c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (module != nullptr)
      FreeLibrary(module);
  }
  // The resource's bytes, by its name and its type's number (RT_ICON and the like are narrow
  // strings in this build); empty when there is none.
  std::string resource(LPCWSTR name, WORD type) const {
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(type));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (loaded == nullptr)
      return {};
    return std::string(static_cast<const char*>(LockResource(loaded)),
                       SizeofResource(module, found));
  }
  // A value of the version information's U.S. English strings.
  std::string version(const std::wstring& name) const {
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    if (info.empty() ||
        !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()))
      return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        length == 0)
      return {};
    return pvx::testing::utf8(std::wstring(value, length - 1));
  }

  fs::path exe;
  HMODULE module = nullptr;
};

TEST_F(ProgramFileUnderWine, CarriesItsIconInSeveralSizes) {
  // The group's header (reserved, type 1, count), then a 14-byte entry per image whose first
  // byte is its width (0 for 256).
  const std::string group = resource(L"IDI_ICON1", 14 /* RT_GROUP_ICON */);
  ASSERT_GE(group.size(), 6u) << "no icon group IDI_ICON1";
  const auto count = static_cast<std::size_t>(static_cast<unsigned char>(group[4]));
  ASSERT_EQ(group.size(), 6 + 14 * count);
  std::vector<int> widths;
  for (std::size_t i = 0; i < count; ++i) {
    const int width = static_cast<unsigned char>(group[6 + 14 * i]);
    widths.push_back(width == 0 ? 256 : width);
  }
  EXPECT_THAT(widths, ::testing::IsSupersetOf({16, 24, 32, 48, 64, 256}));
}

TEST_F(ProgramFileUnderWine, CarriesItsVersionInformation) {
  EXPECT_EQ(version(L"ProductName"), "Parlevox");
  EXPECT_EQ(version(L"ProductVersion"), PARLEVOX_VERSION);
  EXPECT_EQ(version(L"FileVersion"), PARLEVOX_VERSION);
  EXPECT_EQ(version(L"FileDescription"), "Parlevox");
  EXPECT_EQ(version(L"OriginalFilename"), "parlevox.exe");
  EXPECT_THAT(version(L"LegalCopyright"), StartsWith("Copyright (C) "));
  EXPECT_THAT(version(L"Comments"), HasSubstr("Jedi Academy"));
}

TEST_F(ProgramFileUnderWine, CarriesItsApplicationManifest) {
  const std::string manifest = resource(MAKEINTRESOURCEW(1), 24 /* RT_MANIFEST */);
  ASSERT_FALSE(manifest.empty()) << "no application manifest";
  EXPECT_THAT(manifest,
              HasSubstr("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  EXPECT_THAT(manifest, HasSubstr("PerMonitorV2"));
  EXPECT_THAT(manifest, HasSubstr("level=\"asInvoker\""));
  for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
                         "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                         "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
    EXPECT_THAT(manifest, HasSubstr(std::string("<supportedOS Id=\"") + os + "\"/>"));
  // The game's text is read and typed in the system's ANSI code page: it must stay the system's.
  EXPECT_THAT(manifest, Not(HasSubstr("<activeCodePage")));
}

// --- Start-up --------------------------------------------------------------------------------

class ParlevoxStartUnderWine : public ParlevoxUnderWine {};

TEST_F(ParlevoxStartUnderWine, TheMainWindowIsCentredTheOsDescribedAndThePlayerDockedBelow) {
  const RECT frame = frameOf(main);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR((frame.left + frame.right) / 2, screenWidth / 2, 1);

  // Wine's version, as the program's query reads it, first alone, then beside the player.
  ASSERT_TRUE(ParlevoxProcess::waitUntil([this] { return !program->statusLines().empty(); }))
      << "the program reported no status line";
  EXPECT_EQ(program->statusLines().front(),
            "[ " + os.platform() + " - " + std::to_string(os.buildNumber()) + " ]");
  ASSERT_TRUE(nameLearned());

  // The player window shows where start-up docked it: as wide as the main window, its top edge
  // on the main window's bottom.
  EXPECT_EQ(program->window(L"Playlist"), nullptr);
  clickMain(kPlaylist);
  HWND player = nullptr;
  ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
    player = program->window(L"Playlist");
    return player != nullptr;
  }));
  const RECT docked = frameOf(player);
  const RECT mainNow = frameOf(main);
  POINT playerClient{0, 0};
  ClientToScreen(player, &playerClient);
  EXPECT_EQ(docked.top, frame.bottom)
      << "main " << mainNow.left << "," << mainNow.top << " " << mainNow.right << ","
      << mainNow.bottom << " player " << docked.left << "," << docked.top << " " << docked.right
      << "," << docked.bottom << " client " << playerClient.x << "," << playerClient.y;
  EXPECT_EQ(docked.left, frame.left);
  EXPECT_EQ(docked.right, frame.right);

  // Centred down the screen as well, unless the player window docked below would then reach past
  // the work area's bottom: the pair is moved up as far as needed, never above the area's top.
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const int mainHeight = frame.bottom - frame.top;
  const int pairHeight = mainHeight + (docked.bottom - docked.top);
  const int centredTop = (screenHeight - mainHeight) / 2;
  const int keptTop = std::max<int>(work.top, std::min<int>(centredTop, work.bottom - pairHeight));
  EXPECT_NEAR(frame.top, keptTop, 1) << "work area " << work.top << "-" << work.bottom;
}

// --- The game's events and the player's chat commands -----------------------------------------

class ParlevoxRepliesUnderWine : public ParlevoxUnderWine {
 protected:
  void beforeStart() override {
    // A message set with a greeting and duel templates, loaded through the game's chat.
    writeFile(app / "Saves" / "duel.pvx",
              "Parlevocs [ZB] Vendrix\r\n%s vs %d\r\n%s beat %d\r\n%d beat %s\r\n"
              "Hi %d\r\n 1 \r\n\r\n 0 \r\n\r\n 0 \r\n\r\n 0 \r\n");
  }
};

TEST_F(ParlevoxRepliesUnderWine, ASetLoadedByChatAnswersADuelAndGreetsTheNextPlayer) {
  ASSERT_TRUE(nameLearned());
  playerTypes("say !load duel");
  // The program answers in chat once it has read the file from Saves beside itself.
  ASSERT_TRUE(gameShows(kPlayer + ": duel loaded successfully\r\n"));

  ASSERT_TRUE(game->send("print " + kPlayer + "^7 has become engaged in a duel with Bob^7!"));
  EXPECT_TRUE(gameShows("]say " + kPlayer + " vs Bob\r\n" + kPlayer + ": " + kPlayer + " vs Bob"));

  // Greetings wait for a gate that opens 15 s after start: players keep coming until one is
  // greeted (a greeting late on a busy machine still counts).
  bool greeted = false;
  for (int i = 0; i < 40 && !greeted; ++i) {
    ASSERT_TRUE(game->send("print Cid" + std::to_string(i) + "^7 entered the game"));
    greeted = gameShows("]say Hi Cid", 1500);
  }
  EXPECT_TRUE(greeted) << gameLog();
  EXPECT_THAT(gameLog(), HasSubstr(kPlayer + ": Hi Cid"));
}

class ParlevoxMusicUnderWine : public ParlevoxUnderWine {
 protected:
  void beforeStart() override {
    // The playlist beside the program: a file DirectShow cannot play, then a real .wav. Paths in
    // the ANSI code page, as the program writes them; the program's folder has a letter beyond
    // ASCII in its name.
    const fs::path broken = app / "Saves" / "broken.wav";
    const fs::path tone = app / "Saves" / "tone.wav";
    writeFile(broken, "not a sound");
    writeFile(tone, silentWav(3.0));
    writeFile(app / "Saves" / "playlist.lst", " 1 \r\n" + ansi(broken.wstring()) +
                                                  "\r\nBroken\r\n" + ansi(tone.wstring()) +
                                                  "\r\nTone\r\n");
  }
};

TEST_F(ParlevoxMusicUnderWine, NextPlaysTheNextPlayableWavAndAnnouncesIt) {
  ASSERT_TRUE(nameLearned());
  playerTypes("say !next");
  EXPECT_TRUE(gameShows(kPlayer + ": Currently playing: Tone\r\n"));
  EXPECT_THAT(gameLog(), Not(HasSubstr("Currently playing: Broken")));
}

// The keyboard's media keys, pressed while another program is in front.
class ParlevoxMediaKeysUnderWine : public ParlevoxUnderWine {
 protected:
  void beforeStart() override {
    // Long enough to outlast the test: only the keys change the track.
    std::string list = " 2 \r\n";
    for (const char* title : {"Alpha", "Beta", "Gamma"}) {
      const fs::path file = app / "Saves" / (std::string(title) + ".wav");
      writeFile(file, silentWav(120));
      list += ansi(file.wstring()) + "\r\n" + title + "\r\n";
    }
    writeFile(app / "Saves" / "playlist.lst", list);
    // Another program holds the Stop key before Parlevox starts.
    heldStop = RegisterHotKey(nullptr, 1, MOD_NOREPEAT, VK_MEDIA_STOP) != 0;
  }
  void TearDown() override {
    ParlevoxUnderWine::TearDown();
    if (heldStop)
      UnregisterHotKey(nullptr, 1);
  }
  // How often the game's console shows text.
  static int timesShown(const std::string& text) {
    const std::string log = gameLog();
    int times = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
      ++times;
    return times;
  }

  bool heldStop = false;
};

TEST_F(ParlevoxMediaKeysUnderWine, NextPreviousAndPlayPauseDriveThePlayerAsItsButtonsAndCommands) {
  ASSERT_TRUE(nameLearned());
  // The game's window is in front, not Parlevox's.
  SetForegroundWindow(PracticeConsoleProcess::consoleWindow());

  // Next starts the entry after the one last started and announces it in the game's console.
  ParlevoxProcess::pressKey(VK_MEDIA_NEXT_TRACK);
  ASSERT_TRUE(gameShows("Currently Playing: Beta\r\n"));
  ParlevoxProcess::pressKey(VK_MEDIA_NEXT_TRACK);
  ASSERT_TRUE(gameShows("Currently Playing: Gamma\r\n"));
  const int once = timesShown("Currently Playing: Gamma\r\n");
  // Previous goes back to Beta without a word; Next from there is Gamma again, not Alpha.
  ParlevoxProcess::pressKey(VK_MEDIA_PREV_TRACK);
  ParlevoxProcess::pressKey(VK_MEDIA_NEXT_TRACK);
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] {
    return timesShown("Currently Playing: Gamma\r\n") == 2 * once;
  })) << gameLog();
  EXPECT_THAT(gameLog(), Not(HasSubstr("Currently Playing: Alpha")));

  // Play/Pause holds the track: the chat's bare "!play" resumes only a paused one.
  ParlevoxProcess::pressKey(VK_MEDIA_PLAY_PAUSE);
  playerTypes("say !play");
  EXPECT_TRUE(gameShows(kPlayer + ": Resumed\r\n"));

  // The key another program held is named in the player window's tooltip; the others work.
  ASSERT_TRUE(heldStop) << "the test could not hold the Stop key itself";
  const std::vector<std::string> tips = program->reported("tooltip");
  ASSERT_FALSE(tips.empty()) << "the program did not tell of a held key";
  EXPECT_THAT(tips.back(), HasSubstr(": Stop"));
  EXPECT_THAT(tips.back(), Not(HasSubstr("Next Track")));
}

class ParlevoxMiniUnderWine : public ParlevoxUnderWine {};

TEST_F(ParlevoxMiniUnderWine, MiniHidesTheGameWindowAndBackToGameShowsIt) {
  const HWND gameWindow = PracticeConsoleProcess::gameWindow();
  ASSERT_TRUE(IsWindowVisible(gameWindow));
  ASSERT_TRUE(nameLearned());

  playerTypes("say !mini");
  EXPECT_TRUE(gameShows("]say Minimized\r\n"));
  EXPECT_FALSE(IsWindowVisible(gameWindow));
  // The main window was maximised, put back and given the focus on the way: it is clicked once
  // it has the focus (a click on the way would hit a window that is still moving).
  EXPECT_TRUE(
      ParlevoxProcess::waitUntil([&] { return !IsZoomed(main) && GetForegroundWindow() == main; }));

  clickMain(kBackToGame);
  EXPECT_TRUE(gameShows("]say Maximized\r\n"));
  EXPECT_TRUE(IsWindowVisible(gameWindow));
}

// --- The game going away --------------------------------------------------------------------

class ParlevoxConsoleUnderWine : public ParlevoxUnderWine {};

TEST_F(ParlevoxConsoleUnderWine, ClosingTheConsoleIsShownAsNotRunningAndReopeningIsFollowed) {
  ASSERT_TRUE(nameLearned());
  ASSERT_TRUE(game->send("close-console"));
  EXPECT_TRUE(ParlevoxProcess::waitUntil([this] {
    return program->statusLine() == presentStatus("<JKA is not running>");
  })) << program->statusLine();

  ASSERT_TRUE(game->send("open-console"));
  EXPECT_TRUE(nameLearned());
  EXPECT_TRUE(program->running());
}

// --- The File menu ---------------------------------------------------------------------------

class ParlevoxFileMenuUnderWine : public ParlevoxUnderWine {};

TEST_F(ParlevoxFileMenuUnderWine, SaveWritesTheSetUnderItsNameInSavesBesideTheProgram) {
  ASSERT_TRUE(nameLearned());
  chooseFromFileMenu(FileItem::Save);
  ASSERT_TRUE(ParlevoxProcess::waitUntil([this] {
    return program->window(L"Save Messages") != nullptr;
  })) << "no dialog asked for the name";
  // The name offered is replaced by one beyond ASCII.
  ParlevoxProcess::pressKey('A', true);
  ParlevoxProcess::type("d\u00E9fi");
  ParlevoxProcess::pressKey(VK_RETURN);

  const fs::path saved = app / "Saves" / L"d\u00E9fi.pvx";
  ASSERT_TRUE(ParlevoxProcess::waitUntil([&] { return fs::exists(saved); }))
      << "nothing in Saves beside the program";
  std::ifstream in(saved, std::ios::binary);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header, "Parlevocs [ZB] Vendrix\r");
  // Nothing landed in the working folder.
  EXPECT_FALSE(fs::exists(work / "Saves"));
}

TEST_F(ParlevoxFileMenuUnderWine, ExitEndsTheProgramWithStatusZero) {
  ASSERT_TRUE(nameLearned());
  chooseFromFileMenu(FileItem::Exit);
  EXPECT_EQ(program->waitForExit(ParlevoxProcess::kBoundMs), 0);
  // The game is left as it was.
  EXPECT_TRUE(game->running());
  EXPECT_TRUE(IsWindowVisible(PracticeConsoleProcess::gameWindow()));
}

}  // namespace

#pragma once

// The fixture of the tests that run the real parlevox.exe of the release zip under Wine beside
// the Win32 practice console (ParlevoxUnderWineTest.cpp tells the whole story), and its helpers.
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

#include "core/windows/OsInfo.h"
#include "platform/SystemCalls.h"
#include "wine-gui/ParlevoxProcess.h"
#include "wine/PracticeConsoleProcess.h"

namespace pvx::testing {

namespace fs = std::filesystem;

// The main window's client area below its menu bar, in twips (15 to a pixel).
constexpr int kTwipsPerPixel = 15;
constexpr int kClientHeightTwips = 4785;
struct TwipsPoint {
  int x, y;
};
// The centres of the two buttons.
constexpr TwipsPoint kBackToGame{600 + 2175 / 2, 3240 + 495 / 2};
constexpr TwipsPoint kPlaylist{3600 + 2175 / 2, 3240 + 495 / 2};
// File menu items, in order.
enum class FileItem { Save = 0, Open = 1, Exit = 2 };

inline RECT frameOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

// The unzipped program: the one folder holding parlevox.exe below the parent named by the
// environment (a Unix path, reached through Wine's drive Z:).
inline fs::path programFolder() {
  const char* parent = std::getenv("PARLEVOX_WINDOWS_APP_PARENT");
  if (parent == nullptr)
    return {};
  std::string windows = std::string("Z:") + parent;
  for (char& c : windows)
    if (c == '/')
      c = '\\';
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(pvx::testing::wide(windows), error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename() == L"parlevox.exe")
      return it->path().parent_path();
  }
  return {};
}

// Text in the ANSI code page, as a Windows program writes its files.
inline std::string ansi(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

inline void writeFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

inline void put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A PCM .wav of seconds of silence, 8 kHz mono 16-bit.
inline std::string silentWav(double seconds) {
  const auto frames = static_cast<std::uint32_t>(seconds * 8000);
  std::string out = "RIFF";
  put(out, 36 + frames * 2, 4);
  out += "WAVEfmt ";
  put(out, 16, 4);
  put(out, 1, 2);
  put(out, 1, 2);
  put(out, 8000, 4);
  put(out, 16000, 4);
  put(out, 2, 2);
  put(out, 16, 2);
  out += "data";
  put(out, frames * 2, 4);
  out.append(frames * 2, '\0');
  return out;
}

class ParlevoxUnderWine : public ::testing::Test {
 protected:
  // A name beyond ASCII: it crosses the game's code page both ways.
  static inline const std::string kPlayer = "S\u00E9verin";

  void SetUp() override {
    app = programFolder();
    ASSERT_FALSE(app.empty()) << "no unzipped parlevox.exe below PARLEVOX_WINDOWS_APP_PARENT";
    // Every test starts from what the zip holds: an empty Saves.
    ASSERT_TRUE(fs::is_directory(app / "Saves"));
    for (const fs::directory_entry& entry : fs::directory_iterator(app / "Saves"))
      fs::remove_all(entry.path());
    work = fs::temp_directory_path() / ("parlevox-gui-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(work);
    fs::create_directories(work);
    beforeStart();

    game = std::make_unique<PracticeConsoleProcess>(gameArguments());
    ASSERT_TRUE(game->started()) << game->failure();
    program = std::make_unique<ParlevoxProcess>(app / "parlevox.exe", work);
    ASSERT_TRUE(program->started()) << program->failure();
    ASSERT_TRUE(ParlevoxProcess::waitUntil([this] { return program->mainWindow() != nullptr; }))
        << "the main window did not show; stderr: " << program->statusLine();
    main = program->mainWindow();
  }

  void TearDown() override {
    program.reset();
    if (game != nullptr) {
      EXPECT_THAT(game->corruptions(), ::testing::IsEmpty()) << "the game's memory was corrupted";
    }
    game.reset();
    std::error_code ignored;
    fs::remove_all(work, ignored);
  }

  // Files the program should find when it starts.
  virtual void beforeStart() {}
  // How the practice console is started.
  virtual std::vector<std::string> gameArguments() const { return {"--name", kPlayer}; }

  std::string presentStatus(const std::string& player) const {
    return "[ Current Player: " + player + "  OS: " + os.platform() + " Build " +
           std::to_string(os.buildNumber()) + " ]";
  }

  // Waits until the status line names the player: the program has read the game's answer.
  ::testing::AssertionResult nameLearned() {
    const std::string wanted = presentStatus(kPlayer);
    if (ParlevoxProcess::waitUntil([&] { return program->statusLine() == wanted; }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "status line \"" << program->statusLine() << "\", not \"" << wanted << "\"";
  }

  // The game's console log as it shows it now (UTF-8).
  static std::string gameLog() {
    HWND child = GetWindow(PracticeConsoleProcess::consoleWindow(), GW_CHILD);
    for (int i = 1; i < 5 && child != nullptr; ++i)
      child = GetWindow(child, GW_HWNDNEXT);
    if (child == nullptr)
      return {};
    // The game's windows are ANSI windows; Wine answers a UTF-16 query of their length from
    // another process with 0.
    const LRESULT length = SendMessageA(child, WM_GETTEXTLENGTH, 0, 0);
    std::string bytes(static_cast<std::size_t>(length) + 1, '\0');
    bytes.resize(static_cast<std::size_t>(
        SendMessageA(child, WM_GETTEXT, bytes.size(), reinterpret_cast<LPARAM>(bytes.data()))));
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                            static_cast<int>(text.size()))));
    return pvx::testing::utf8(text);
  }

  // Waits until the game's console shows the text.
  ::testing::AssertionResult gameShows(const std::string& text,
                                       DWORD timeoutMs = ParlevoxProcess::kBoundMs) {
    if (ParlevoxProcess::waitUntil([&] { return gameLog().find(text) != std::string::npos; },
                                   timeoutMs))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the game's console never showed \"" << text << "\"; it shows:\n"
           << gameLog();
  }

  // The player types a line into the game's console.
  void playerTypes(const std::string& line) { ASSERT_TRUE(game->send("enter " + line)) << line; }

  // A click on the main window's client area below the menu bar.
  void clickMain(TwipsPoint at) {
    RECT client{};
    GetClientRect(main, &client);
    const int menuBar = client.bottom - kClientHeightTwips / kTwipsPerPixel;
    ParlevoxProcess::click(main, at.x / kTwipsPerPixel, menuBar + at.y / kTwipsPerPixel);
  }

  // Opens the File menu and chooses an item.
  void chooseFromFileMenu(FileItem item) {
    RECT client{};
    GetClientRect(main, &client);
    const int menuBar = client.bottom - kClientHeightTwips / kTwipsPerPixel;
    ParlevoxProcess::click(main, 16, menuBar / 2);
    HWND menu = nullptr;
    ASSERT_TRUE(ParlevoxProcess::waitUntil([&] {
      menu = program->otherWindow({main, program->window(L"Playlist")});
      return menu != nullptr;
    })) << "the File menu did not open";
    RECT r{};
    GetClientRect(menu, &r);
    const int index = static_cast<int>(item);
    ParlevoxProcess::click(menu, r.right / 2, r.bottom * (2 * index + 1) / 6);
  }

  fs::path app, work;
  const pvx::OsInfo os{pvx::platform::queryOsVersion};
  std::unique_ptr<PracticeConsoleProcess> game;
  std::unique_ptr<ParlevoxProcess> program;
  HWND main = nullptr;
};

}  // namespace pvx::testing

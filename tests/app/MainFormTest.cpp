#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "FakePorts.h"
#include "console/PracticeConsole.h"
#include "console/SimulatedWindowSystem.h"
#include "console/VirtualClock.h"

using namespace pvx;
using pvx::testing::FakeForm;
using pvx::testing::FakeMainWindow;

namespace {

std::filesystem::path freshFolder() {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() / ("parlevox-test-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

bool windows2000(OsVersionRecord& r) {
  r.platformId = 2;
  r.majorVersion = 5;
  r.minorVersion = 0;
  r.buildNumber = 2195;
  return true;
}

// The program's main window against the practice game on virtual time.
struct StartUp : ::testing::Test {
  void SetUp() override {
    folder = freshFolder();
    practice.start();
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  MainForm& form() {
    if (!form_) {
      form_ = std::make_unique<MainForm>(
          MainFormContext{ws, clock, q3, tarn, window, editor, player, folder, windows2000});
    }
    return *form_;
  }
  std::string log() const { return game.log(); }

  VirtualClock clock;
  SimulatedWindowSystem ws;
  PracticeGame game{"Rookie"};
  PracticeConsole practice{ws, game};
  modQ3 q3{ws};
  modTarn tarn{ws, clock};
  FakeMainWindow window{&clock};
  FakeForm editor{TwipsRect{0, 0, 4800, 3500}};
  FakeForm player{TwipsRect{300, 450, 6600, 6000}};
  std::filesystem::path folder;
  std::unique_ptr<MainForm> form_;
};

}  // namespace

TEST_F(StartUp, CentresTheMainWindowAndShowsIt) {
  form().load();
  EXPECT_FLOAT_EQ(window.rect.left, (1024 * 15 - 6555) / 2.0f);
  EXPECT_FLOAT_EQ(window.rect.top, (768 * 15 - 5610) / 2.0f);
  EXPECT_TRUE(window.visible);
}

TEST_F(StartUp, PlayerWindowIsHiddenAsWideAsTheMainWindowAndDockedBelowIt) {
  form().load();
  EXPECT_FALSE(player.visible);
  EXPECT_EQ(player.creations, 1);
  EXPECT_FLOAT_EQ(player.rect.width, window.rect.width);
  EXPECT_FLOAT_EQ(player.rect.left, window.rect.left);
  EXPECT_FLOAT_EQ(player.rect.top, window.rect.top + window.rect.height);
  EXPECT_FALSE(editor.visible);
  EXPECT_EQ(editor.creations, 1);
}

TEST_F(StartUp, StatusLineShowsTheOsDescription) {
  form().load();
  EXPECT_EQ(window.status, "[ Windows 2000 - 2195 ]");
  EXPECT_EQ(form().buildNumberText, "2195");
  EXPECT_TRUE(form().replyFlag);
}

TEST_F(StartUp, FindsTheConsoleLogAndAsksTheGameForTheName) {
  form().load();
  EXPECT_EQ(form().startupConsole, practice.consoleWindow());
  EXPECT_EQ(form().consoleLog, practice.logWindow());
  EXPECT_EQ(log(), "]name\r\n\"name\" is:\"Rookie\" default:\"Padawan\"\r\n");
}

TEST_F(StartUp, WithoutTheGameNothingIsTypedAndNothingFails) {
  practice.stop();
  ws.setRecording(true);
  form().load();
  EXPECT_EQ(form().startupConsole, 0u);
  EXPECT_EQ(form().consoleLog, 0u);
  EXPECT_TRUE(ws.messages().empty());
  EXPECT_TRUE(window.visible);
  EXPECT_EQ(window.status, "[ Windows 2000 - 2195 ]");
}

TEST_F(StartUp, ConsoleWithFewerThanFiveChildrenLeavesTheLogUnknown) {
  practice.stop();
  const Hwnd console = ws.createWindow("JAMP WinConsole", modQ3::kConsoleTitle);
  const Hwnd input = ws.createWindow("Edit", "", console);
  ws.createWindow("Button", "Copy", console);
  form().load();
  EXPECT_EQ(form().consoleLog, 0u);
  EXPECT_EQ(ws.text(input), "name");  // typed all the same; nothing ran it
}

TEST_F(StartUp, MakesTheSavesFolderAndLeavesAnExistingOneAlone) {
  form().load();
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Saves"));

  std::ofstream(folder / "Saves" / "main.pvx") << "keep me";
  MainForm second(
      MainFormContext{ws, clock, q3, tarn, window, editor, player, folder, windows2000});
  second.load();
  std::ifstream in(folder / "Saves" / "main.pvx");
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST_F(StartUp, AFolderThatCannotBeMadeIsIgnored) {
  form_ = std::make_unique<MainForm>(MainFormContext{ws, clock, q3, tarn, window, editor, player,
                                                     folder / "missing" / "deeper", windows2000});
  form_->load();
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
  EXPECT_TRUE(window.visible);
}

TEST_F(StartUp, WatchTimerIsArmedAndItsFirstTickComesAfterTheLoadStep) {
  int cycles = 0;
  form().setWatchCycle([&] { ++cycles; });
  EXPECT_FALSE(form().timer1().isActive());
  form().load();
  EXPECT_EQ(cycles, 0);
  EXPECT_TRUE(form().timer1().isActive());
  clock.runFor(1);
  EXPECT_EQ(cycles, 1);
}

TEST_F(StartUp, GreetingGateOpensOnlyAtFifteenSeconds) {
  form().load();
  clock.runUntil(14999);
  EXPECT_FALSE(form().greetingGate);
  clock.runUntil(15000);
  EXPECT_TRUE(form().greetingGate);
  form().greetingGate = false;
  clock.runUntil(29999);
  EXPECT_FALSE(form().greetingGate);
  clock.runUntil(30000);
  EXPECT_TRUE(form().greetingGate);
}

TEST_F(StartUp, StatusLineForms) {
  form().load();
  form().currentPlayerName = "Rookie^7";
  EXPECT_EQ(form().statusPresent(), "[ Current Player: Rookie^7  OS: Windows 2000 Build 2195 ]");
  EXPECT_EQ(form().statusAbsent(),
            "[ Current Player: <JKA is not running>  OS: Windows 2000 Build 2195 ]");
}

TEST_F(StartUp, BackToGameShowsTheHiddenGameWindowAndSaysSo) {
  form().load();
  ws.showWindow(practice.gameWindow(), WindowSystem::kSwHide);
  game.clearLog();
  form().cmdBackClick();
  EXPECT_TRUE(practice.gameWindowVisible());
  // The game's window shows the command without its colour escapes.
  EXPECT_EQ(log(), "]say Maximized\r\nRookie: Maximized\r\n");
}

TEST_F(StartUp, BackToGameWithoutTheGameDoesNothingVisible) {
  practice.stop();
  form().load();
  ws.setRecording(true);
  form().cmdBackClick();
  EXPECT_TRUE(ws.messages().empty());
}

TEST_F(StartUp, PlaylistButtonTogglesThePlayerWindow) {
  form().load();
  form().cmdViewPlayClick();
  EXPECT_TRUE(player.visible);
  form().cmdViewPlayClick();
  EXPECT_FALSE(player.visible);
}

TEST_F(StartUp, DockingPutsAMovedPlayerWindowBackAndLeavesADockedOneAlone) {
  form().load();
  player.rect.left += 300;
  player.rect.top -= 45;
  form().dockPlayerWindow();
  EXPECT_FLOAT_EQ(player.rect.left, window.rect.left);
  EXPECT_FLOAT_EQ(player.rect.top, window.rect.top + window.rect.height);
  const int moves = player.moves;
  form().dockPlayerWindow();
  EXPECT_EQ(player.moves, moves);
}

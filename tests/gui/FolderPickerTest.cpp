#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <memory>
#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/FolderPicker.h"
#include "core/player/Player.h"
#include "core/time/VirtualClock.h"
#include "gui/FolderPickerWindow.h"
#include "gui/PlayerWindow.h"
#include "support/FakePorts.h"
#include "support/PlayerTestPorts.h"

using namespace pvx;
namespace fs = std::filesystem;

namespace {

QRect twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

std::string native(const fs::path& p) {
  return QDir::toNativeSeparators(QString::fromStdString(p.string())).toStdString();
}

// "Add Folder" on the real player window and the real picker, offscreen; the main window is a
// stand-in. The music folder holds two ".mp3" files and a text file.
struct FolderPickerTest : ::testing::Test {
  FolderPickerTest() {
    fs::create_directories(music);
    for (const char* name : {"b.mp3", "a.mp3", "notes.txt"})
      pvx::testing::writeBytes(music / name, "x");
    pvx::testing::writeBytes(playlistFile, " 0 \r\n/old/o.mp3\r\no.mp3\r\n");
    window.bind(player);
    window.create();
    window.setVisible(true);
    mainWindow.visible = true;
    QObject::connect(&window, &PlayerWindow::addFolderClicked, [this] { picker.open(); });
  }

  void addFolder() { window.findChild<QPushButton*>("cmdDir")->click(); }
  void press(const char* button) { pickWindow->findChild<QPushButton*>(button)->click(); }
  QListWidget& list() { return *window.findChild<QListWidget*>("lstPlay"); }
  void expectOwnersShown() {
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(mainWindow.visible);
    EXPECT_FALSE(pickWindow->isVisible());
  }

  pvx::testing::TestFolder folder;
  const fs::path music = folder.path / "music";
  const fs::path playlistFile = folder.path / "playlist.lst";
  VirtualClock clock;
  FakeMediaBackEnd media{clock};
  SimulatedWindowSystem ws;
  ConsoleBridge bridge{ws, clock};
  pvx::testing::FakeDialogs dialogs;
  PlayerWindow window{dialogs};
  Player player{media, clock, bridge, window, playlistFile};
  pvx::testing::FakeForm mainWindow;
  std::unique_ptr<FolderPickerWindow> pickWindow;
  int pickersMade = 0;
  FolderPicker picker{player, window, mainWindow, [this]() -> FolderPickerPort& {
                        if (!pickWindow) {
                          pickWindow = std::make_unique<FolderPickerWindow>();
                          pickWindow->connectTo(picker);
                          ++pickersMade;
                        }
                        return *pickWindow;
                      }};
};

using FolderPickerWindow = FolderPickerTest;

TEST_F(FolderPickerWindow, HasItsControlsWhereTheyBelongAndStartsAtTheCurrentFolder) {
  addFolder();
  EXPECT_EQ(pickWindow->windowTitle(), "Pick Folder");
  EXPECT_FALSE(pickWindow->windowIcon().isNull());
  const std::pair<const char*, QRect> places[] = {{"drv", twips(480, 120, 3015, 315)},
                                                  {"Dir", twips(480, 480, 3015, 3015)},
                                                  {"cmdOk", twips(840, 3600, 975, 495)},
                                                  {"cmdCancel", twips(2160, 3600, 975, 495)}};
  for (const auto& [name, place] : places) {
    const auto* control = pickWindow->findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->geometry(), place) << name;
  }
  EXPECT_EQ(pickWindow->findChild<QPushButton*>("cmdOk")->text(), "Ok");
  EXPECT_EQ(pickWindow->findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
  EXPECT_EQ(pickWindow->findChild<QComboBox*>("drv")->count(),
            pvx::FolderPickerWindow::platformDrives().size());
  EXPECT_EQ(pickWindow->currentFolder(), native(fs::current_path()));
}

TEST_F(FolderPickerWindow, ReportsFullPathsWithoutATrailingSeparator) {
  addFolder();
  ASSERT_TRUE(pickWindow->setCurrentFolder(music.string() + "/"));
  EXPECT_EQ(pickWindow->currentFolder(), native(music));
  ASSERT_TRUE(pickWindow->setCurrentFolder(QDir::rootPath().toStdString()));
  EXPECT_EQ(pickWindow->currentFolder(), QDir::toNativeSeparators(QDir::rootPath()).toStdString());
}

TEST(FolderPickerDrives, ADriveThatCannotBeReadKeepsThePreviousFolder) {
  pvx::testing::TestFolder folder;
  fs::create_directories(folder.path / "one" / "sub");
  fs::create_directories(folder.path / "two");
  const QString one = QString::fromStdString((folder.path / "one").string());
  const QString two = QString::fromStdString((folder.path / "two").string());
  const QString missing = QString::fromStdString((folder.path / "empty-drive").string());
  pvx::FolderPickerWindow picker({one, missing, two});
  auto* drv = picker.findChild<QComboBox*>("drv");
  ASSERT_TRUE(picker.setCurrentFolder((folder.path / "one" / "sub").string()));

  drv->setCurrentIndex(1);
  EXPECT_EQ(picker.currentFolder(), native(folder.path / "one" / "sub"));
  EXPECT_EQ(drv->currentIndex(), 0);

  // Another drive shows its own folder; coming back shows the folder left there.
  drv->setCurrentIndex(2);
  EXPECT_EQ(picker.currentFolder(), native(folder.path / "two"));
  drv->setCurrentIndex(0);
  EXPECT_EQ(picker.currentFolder(), native(folder.path / "one" / "sub"));
}

using FolderPickerOk = FolderPickerTest;

TEST_F(FolderPickerOk, AddsTheFolderAndBringsTheWindowsBackWithoutSaving) {
  const std::string savedBefore = pvx::testing::readBytes(playlistFile);
  addFolder();
  EXPECT_TRUE(pickWindow->isVisible());
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(mainWindow.visible);

  ASSERT_TRUE(pickWindow->setCurrentFolder(music.string()));
  press("cmdOk");
  ASSERT_EQ(list().count(), 3);
  EXPECT_EQ(list().item(1)->text(), "a.mp3");
  EXPECT_EQ(list().item(2)->text(), "b.mp3");
  EXPECT_EQ(player.playlist().path(1), native(music / "a.mp3"));
  expectOwnersShown();
  EXPECT_EQ(pvx::testing::readBytes(playlistFile), savedBefore);

  window.findChild<QPushButton*>("cmdSave")->click();
  EXPECT_EQ(pvx::testing::readBytes(playlistFile), " 2 \r\n/old/o.mp3\r\no.mp3\r\n" +
                                                       native(music / "a.mp3") + "\r\na.mp3\r\n" +
                                                       native(music / "b.mp3") + "\r\nb.mp3\r\n");
}

TEST_F(FolderPickerOk, TwiceOnTheSameFolderAddsItTwiceAndShowsThePreviousChoice) {
  addFolder();
  pickWindow->setCurrentFolder(music.string());
  press("cmdOk");
  pvx::FolderPickerWindow* first = pickWindow.get();

  addFolder();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(mainWindow.visible);
  EXPECT_EQ(pickWindow.get(), first);
  EXPECT_EQ(pickersMade, 1);
  EXPECT_EQ(pickWindow->currentFolder(), native(music));
  press("cmdOk");
  EXPECT_EQ(list().count(), 5);
  EXPECT_EQ(player.playlist().paths().size(), 5u);
}

using FolderPickerLeave = FolderPickerTest;

TEST_F(FolderPickerLeave, CancelAddsNothing) {
  addFolder();
  pickWindow->setCurrentFolder(music.string());
  press("cmdCancel");
  EXPECT_EQ(list().count(), 1);
  expectOwnersShown();
}

TEST_F(FolderPickerLeave, ClosingTheFrameBringsTheWindowsBackAndKeepsThePicker) {
  addFolder();
  pickWindow->setCurrentFolder(music.string());
  pickWindow->close();
  EXPECT_EQ(list().count(), 1);
  expectOwnersShown();
  addFolder();
  EXPECT_EQ(pickersMade, 1);
  EXPECT_EQ(pickWindow->currentFolder(), native(music));
}

TEST_F(FolderPickerWindow, EscapeClosesItAsItsFrameDoesAddingNothing) {
  for (const char* control : {"Dir", "drv", "cmdOk"}) {
    addFolder();
    ASSERT_TRUE(pickWindow->isVisible());
    ASSERT_TRUE(pickWindow->setCurrentFolder(music.string()));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(pickWindow->findChild<QWidget*>(control), &escape);
    SCOPED_TRACE(control);
    expectOwnersShown();
    EXPECT_EQ(list().count(), 1);  // the old entry only
  }
}

}  // namespace

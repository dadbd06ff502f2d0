#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <string>
#include <vector>

#include "core/console/ConsoleBridge.h"
#include "core/console/SimulatedWindowSystem.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/Player.h"
#include "core/time/VirtualClock.h"
#include "gui/PlayerWindow.h"
#include "support/FakePorts.h"
#include "support/PlayerTestPorts.h"

using namespace pvx;
using State = FakeMediaBackEnd::State;

namespace {

QRect twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

void sendMouse(QWidget& w, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), w.mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                    Qt::NoModifier);
  QApplication::sendEvent(&w, &event);
}

// The real player window, offscreen, over the real player on a fake media back end and virtual
// time, with the dialogs answered by the test.
struct PlayerWindowTest : ::testing::Test {
  PlayerWindowTest() { window.bind(player); }

  template <class T>
  T& find(const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
      throw std::runtime_error(std::string("no control ") + name);
    return *child;
  }
  void click(const char* button) { find<QPushButton>(button).click(); }
  // A track of that many seconds, added through "Add File".
  void addFile(const std::string& name, double seconds) {
    media.addTrack("/music/" + name, seconds);
    dialogs.file = "/music/" + name;
    click("cmdAddFile");
  }
  QListWidget& list() { return find<QListWidget>("lstPlay"); }
  QSlider& position() { return find<QSlider>("Slider3"); }
  QSlider& volume() { return find<QSlider>("sldVol"); }
  const FakeMediaBackEnd::GraphRecord& graph() const { return *media.newest(); }

  pvx::testing::TestFolder folder;
  VirtualClock clock;
  FakeMediaBackEnd media{clock};
  SimulatedWindowSystem ws;
  ConsoleBridge bridge{ws, clock};
  pvx::testing::FakeDialogs dialogs;
  PlayerWindow window{dialogs};
  Player player{media, clock, bridge, window, folder.path / "playlist.lst"};
};

using PlayerWindowControls = PlayerWindowTest;

TEST_F(PlayerWindowControls, SitWhereTheyBelongWithTheirTextsRangesAndSteps) {
  window.create();
  EXPECT_EQ(window.size(), QSize(6525 / 15, 5565 / 15));
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(0, 0, 64));
  const struct {
    const char* name;
    const char* text;  // the caption of a label or a button
    QRect place;
  } controls[] = {
      {"lblLength", "Position:", twips(720, 360, 2655, 375)},
      {"Slider3", nullptr, twips(720, 720, 2655, 375)},
      {"lstPlay", nullptr, twips(360, 1200, 3495, 2985)},
      {"cmdPlay", "Play", twips(3960, 1200, 1095, 495)},
      {"cmdStop", "Stop", twips(3960, 2040, 1095, 495)},
      {"cmdPause", "Pause", twips(3960, 2880, 1095, 495)},
      {"cmdSave", "Save Playlist", twips(3960, 3720, 1095, 495)},
      {"Label1", "Volume:", twips(5400, 1440, 855, 375)},
      {"sldVol", nullptr, twips(5580, 1800, 495, 2055)},
      {"cmdDir", "Add Folder", twips(840, 4440, 1095, 375)},
      {"cmdRemove", "Remove", twips(2040, 4440, 1095, 375)},
      {"cmdAddFile", "Add File", twips(840, 4920, 1095, 375)},
      {"cmdClear", "Clear", twips(2040, 4920, 1095, 375)},
  };
  for (const auto& c : controls) {
    EXPECT_EQ(find<QWidget>(c.name).geometry(), c.place) << c.name;
    if (c.text != nullptr) {
      EXPECT_EQ(find<QWidget>(c.name).property("text").toString(), c.text) << c.name;
    }
  }
  EXPECT_FALSE(list().isSortingEnabled());
  const auto slider = [](const QSlider& s) {
    return std::vector<int>{s.orientation(), s.minimum(),    s.maximum(),
                            s.pageStep(),    s.singleStep(), s.value()};
  };
  EXPECT_EQ(slider(position()), (std::vector<int>{Qt::Horizontal, 0, 10, 5, 1, 0}));
  EXPECT_EQ(slider(volume()), (std::vector<int>{Qt::Vertical, 0, 20, 2, 1, 10}));
}

TEST_F(PlayerWindowControls, CreationLoadsThePlaylistOnceAndReportsABrokenFile) {
  pvx::testing::writeBytes(folder.path / "playlist.lst", " 2 \r\n/music/x.mp3\r\nx.mp3\r\n");
  window.create();
  ASSERT_EQ(list().count(), 1);
  EXPECT_EQ(list().item(0)->text(), "x.mp3");
  EXPECT_EQ(list().currentRow(), -1);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].rfind("Error: ", 0), 0u) << dialogs.boxes[0];

  addFile("y.mp3", 10);
  window.create();
  EXPECT_EQ(list().count(), 2);
  EXPECT_EQ(dialogs.boxes.size(), 1u);
}

using PlayerWindowButtons = PlayerWindowTest;

TEST_F(PlayerWindowButtons, PlayPauseAndStopDriveTheTrack) {
  window.create();
  addFile("a.mp3", 60);
  addFile("b.mp3", 60);
  click("cmdPlay");  // nothing selected: the first entry
  EXPECT_EQ(graph().path, "/music/a.mp3");
  EXPECT_EQ(graph().state, State::kRunning);
  EXPECT_EQ(list().currentRow(), 0);

  list().setCurrentRow(1);  // the user picks the second entry
  EXPECT_EQ(player.selection(), 1);
  click("cmdPlay");
  EXPECT_EQ(graph().path, "/music/b.mp3");

  clock.runFor(3000);
  click("cmdPause");
  EXPECT_TRUE(player.isPaused());
  EXPECT_EQ(graph().state, State::kPaused);

  click("cmdStop");
  EXPECT_FALSE(player.isLoaded());
  EXPECT_EQ(graph().state, State::kStopped);
  EXPECT_EQ(position().value(), 0);
}

TEST_F(PlayerWindowButtons, RemoveAndClearChangeTheList) {
  window.create();
  addFile("a.mp3", 10);
  addFile("b.mp3", 10);
  addFile("c.mp3", 10);
  list().setCurrentRow(1);
  click("cmdRemove");
  ASSERT_EQ(list().count(), 2);
  EXPECT_EQ(list().item(1)->text(), "c.mp3");
  EXPECT_EQ(list().currentRow(), 1);
  EXPECT_EQ(player.playlist().path(1), "/music/c.mp3");

  click("cmdClear");
  EXPECT_EQ(list().count(), 0);
  EXPECT_EQ(player.playlist().paths(),
            std::vector<std::string>{""});  // the slot the next add fills
}

TEST_F(PlayerWindowButtons, AddFileThroughTheDialogThenSave) {
  window.create();
  addFile("a.mp3", 10);
  ASSERT_EQ(dialogs.filters.size(), 1u);
  EXPECT_EQ(dialogs.filters[0], Playlist::kOpenFileFilter);
  dialogs.file.reset();  // cancelled
  click("cmdAddFile");
  addFile("b.mp3", 10);
  ASSERT_EQ(list().count(), 2);
  EXPECT_EQ(list().item(1)->text(), "b.mp3");
  EXPECT_FALSE(std::filesystem::exists(folder.path / "playlist.lst"));
  click("cmdSave");
  EXPECT_EQ(pvx::testing::readBytes(folder.path / "playlist.lst"),
            " 1 \r\n/music/a.mp3\r\na.mp3\r\n/music/b.mp3\r\nb.mp3\r\n");
}

using PlayerWindowShows = PlayerWindowTest;

TEST_F(PlayerWindowShows, TheLengthThenThePositionWithoutSeekingItself) {
  window.create();
  window.show();
  addFile("long.mp3", 215.434);
  addFile("next.mp3", 60);
  click("cmdPlay");
  EXPECT_EQ(find<QLabel>("lblLength").text(), "215.43");
  EXPECT_EQ(position().maximum(), 215);
  clock.runFor(100);
  EXPECT_EQ(find<QLabel>("lblLength").text(), "Position: 0/215");
  clock.runUntil(12700);
  EXPECT_EQ(find<QLabel>("lblLength").text(), "Position: 12/215");
  EXPECT_EQ(position().value(), 13);
  // Showing the position is not a user's scroll: the track was never moved.
  EXPECT_EQ(graph().seeks, 0);
  // Hidden, the window shows the track's position again as soon as it is shown.
  window.hide();
  clock.runUntil(20700);
  window.show();
  EXPECT_EQ(find<QLabel>("lblLength").text(), "Position: 20/215");
  EXPECT_EQ(position().value(), 21);
}

TEST_F(PlayerWindowShows, TheNextEntryWhenATrackEnds) {
  window.create();
  window.show();
  addFile("a.mp3", 2);
  addFile("b.mp3", 60);
  click("cmdPlay");
  clock.runUntil(2200);
  EXPECT_EQ(graph().path, "/music/b.mp3");
  EXPECT_EQ(list().currentRow(), 1);
  EXPECT_EQ(position().maximum(), 60);
}

TEST_F(PlayerWindowShows, ItsFirstTextAgainWhenStopped) {
  window.create();
  window.show();
  addFile("long.mp3", 215.434);
  click("cmdPlay");
  clock.runFor(3000);
  ASSERT_EQ(find<QLabel>("lblLength").text(), "Position: 3/215");
  click("cmdStop");
  EXPECT_EQ(find<QLabel>("lblLength").text(), "Position:");
  EXPECT_EQ(position().value(), 0);
  clock.runFor(1000);
  EXPECT_EQ(find<QLabel>("lblLength").text(), "Position:");
}

TEST_F(PlayerWindowShows, ADoubleClickOnAnEntryPlaysIt) {
  window.create();
  window.show();
  addFile("a.mp3", 60);
  addFile("b.mp3", 60);
  addFile("c.mp3", 60);
  click("cmdPlay");
  ASSERT_EQ(graph().path, "/music/a.mp3");
  QWidget& viewport = *list().viewport();
  const QPoint on = list().visualItemRect(list().item(1)).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    sendMouse(viewport, type, on);
  EXPECT_EQ(graph().path, "/music/b.mp3");
  EXPECT_EQ(player.state(), PlaybackState::Playing);
  EXPECT_EQ(list().currentRow(), 1);
}

using PlayerWindowSliders = PlayerWindowTest;

TEST_F(PlayerWindowSliders, ScrollingThePositionSliderMovesTheTrack) {
  window.create();
  window.show();
  addFile("long.mp3", 215.434);
  click("cmdPlay");
  position().triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(media.positionOf(graph()), 5);
  // A drag moves the track at each step.
  position().setSliderDown(true);
  position().setSliderPosition(100);
  EXPECT_EQ(media.positionOf(graph()), 100);
  position().setSliderDown(false);
  EXPECT_EQ(position().value(), 100);
}

TEST_F(PlayerWindowSliders, VolumeIsAppliedWhenTheButtonComesUpOnTheSlider) {
  window.create();
  addFile("a.mp3", 60);
  click("cmdPlay");
  EXPECT_EQ(graph().volume, -1250);
  const QPoint top(volume().width() / 2, 2);
  // A click on the groove above the handle moves one page towards the loud end at the top.
  sendMouse(volume(), QEvent::MouseButtonPress, top);
  EXPECT_EQ(volume().value(), 8);
  EXPECT_EQ(player.volumeSliderValue(), 8);
  EXPECT_EQ(graph().volume, -1250);
  sendMouse(volume(), QEvent::MouseButtonRelease, top);
  EXPECT_EQ(graph().volume, -1000);

  player.setChatVolume(15);  // the chat's volume moves the slider
  EXPECT_EQ(volume().value(), 5);
}

}  // namespace

TEST_F(PlayerWindowControls, ItsTooltipNamesTheMediaKeysAnotherProgramHolds) {
  window.showRefusedMediaKeys({"Next Track", "Stop"});
  EXPECT_EQ(window.toolTip(),
            "Another program holds these media keys, so they do not reach Parlevox: Next Track, "
            "Stop");
  window.showRefusedMediaKeys({});
  EXPECT_TRUE(window.toolTip().isEmpty());
}

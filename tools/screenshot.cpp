// Renders the main window as the program shows it at start against the practice game and writes
// it to a PNG file; with a second file, also the player window with a few entries, one playing:
//   parlevox_screenshot MAIN.png [PLAYER.png]
// With --desktop, on a display with a window manager (tools/desktop-screenshots.sh runs one under
// Xvfb), the windows are shown as a user sees them, frames and all, and taken from the screen:
// the main window with the player docked below it, one entry playing, the whole screen with the
// practice console beside them (another player greeted, a chat command obeyed), then the message
// editor just opened, the keyboard focus in its text box:
//   parlevox_screenshot --desktop MAIN.png PLAYER.png EDITOR.png SCREEN.png
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/Program.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/PlaylistFile.h"
#include "core/time/VirtualClock.h"

namespace {

// Lets the window manager frame, place and focus what was just shown.
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A window as it is on the screen, its frame included.
bool takeFromScreen(const QWidget& window, const char* file) {
  const QRect frame = window.frameGeometry();
  const QPixmap shot =
      window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return shot.save(QString::fromLocal8Bit(file));
}

}  // namespace

int main(int argc, char** argv) {
  const bool desktop = argc == 6 && std::strcmp(argv[1], "--desktop") == 0;
  if (argc != 2 && argc != 3 && !desktop) {
    std::fputs(
        "usage: parlevox_screenshot MAIN.png [PLAYER.png]\n"
        "       parlevox_screenshot --desktop MAIN.png PLAYER.png EDITOR.png SCREEN.png\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  // The text cursor stays lit, so the editor's picture shows where typing goes.
  QApplication::setCursorFlashTime(0);
  pvx::VirtualClock clock;
  const auto folder = std::filesystem::temp_directory_path() / "parlevox-screenshot";
  std::filesystem::create_directories(folder);
  pvx::FakeMediaBackEnd media(clock);
  std::filesystem::create_directories(folder / "Saves");
  std::vector<pvx::PlaylistEntry> entries;
  for (const char* title : {"Cantina Band.mp3", "Duel of the Fates.mp3", "Imperial March.wma"}) {
    entries.push_back({title, "/music/" + std::string(title)});
    media.addTrack(entries.back().path, 215.434);
  }
  pvx::PlaylistFile(pvx::PlaylistFile::in(folder)).save(entries);
  pvx::ProgramOptions options;
  options.media = &media;
  options.programFolder = folder;
  options.clock = &clock;
  // The practice console is part of what a user sees on the desktop.
  options.showPracticeWindow = desktop;
  options.playerName = "Rookie";
  pvx::Program program(std::move(options));
  program.start();
  clock.runFor(1000);
  QCoreApplication::processEvents();
  if (desktop) {
    program.mainWindow().editDuelText(pvx::DuelText::Engage, "%s vs %d, good luck!");
    program.mainWindow().editDuelText(pvx::DuelText::Lost, "Well fought, %d");
    program.mainWindow().editDuelText(pvx::DuelText::Won, "gg %d");
    program.core().messages().setMessage(pvx::MessageKind::Greeting,
                                         pvx::Message{"Welcome, %d!", 1});
    program.player().select(1);
    program.player().playSelected();
    program.core().dock().togglePlayer();
    clock.runFor(12700);
    settle(1500);
    clock.runFor(1000);  // docks the player window to the framed main window
    // Another player enters and is greeted (the program greets no one in its first 15 seconds);
    // the local player asks for the next track.
    clock.runFor(1000);
    QWidget& practice = *program.practiceWindow();
    practice.findChild<QPushButton*>("practiceEnters")->click();
    clock.runFor(3000);
    practice.findChild<QLineEdit*>("practiceSay")->setText("!next");
    practice.findChild<QPushButton*>("practiceSayButton")->click();
    clock.runFor(3000);
    settle(1000);
    bool saved = takeFromScreen(program.mainWindow(), argv[2]);
    saved = takeFromScreen(program.playerWindow(), argv[3]) && saved;
    saved =
        program.mainWindow().screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[5])) && saved;
    program.messageEditor().open(0);
    settle(1500);
    saved = takeFromScreen(program.editorWindow(), argv[4]) && saved;
    std::filesystem::remove_all(folder);
    return saved ? 0 : 1;
  }
  bool saved = program.mainWindow().grab().save(QString::fromLocal8Bit(argv[1]));
  if (argc == 3) {
    program.player().select(1);
    program.player().playSelected();
    clock.runFor(12700);
    program.playerWindow().show();
    QCoreApplication::processEvents();
    saved = program.playerWindow().grab().save(QString::fromLocal8Bit(argv[2])) && saved;
  }
  std::filesystem::remove_all(folder);
  return saved ? 0 : 1;
}

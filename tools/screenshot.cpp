// Renders the main window as the program shows it at start against the practice game and writes
// it to a PNG file; with a second file, also the player window with a few entries, one playing:
//   parlevox_screenshot MAIN.png [PLAYER.png]
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <filesystem>

#include "app/Program.h"
#include "core/console/VirtualClock.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/PlaylistFile.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: parlevox_screenshot MAIN.png [PLAYER.png]\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
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
  options.showPracticeWindow = false;
  options.playerName = "Rookie";
  pvx::Program program(std::move(options));
  program.start();
  clock.runFor(1000);
  QCoreApplication::processEvents();
  bool saved = program.mainWindow().grab().save(QString::fromLocal8Bit(argv[1]));
  if (argc == 3) {
    program.player().list().select(1);
    program.player().playSelected();
    clock.runFor(12700);
    program.playerWindow().show();
    QCoreApplication::processEvents();
    saved = program.playerWindow().grab().save(QString::fromLocal8Bit(argv[2])) && saved;
  }
  std::filesystem::remove_all(folder);
  return saved ? 0 : 1;
}

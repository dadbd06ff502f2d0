// Renders the main window as the program shows it at start against the practice game and writes
// it to a PNG file: parlevox_screenshot OUT.png
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <filesystem>

#include "app/Program.h"
#include "console/VirtualClock.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: parlevox_screenshot OUT.png\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  pvx::VirtualClock clock;
  const auto folder = std::filesystem::temp_directory_path() / "parlevox-screenshot";
  std::filesystem::create_directories(folder);
  pvx::ProgramOptions options;
  options.programFolder = folder;
  options.clock = &clock;
  options.showPracticeWindow = false;
  options.playerName = "Rookie";
  pvx::Program program(std::move(options));
  program.start();
  clock.runFor(1000);
  QCoreApplication::processEvents();
  const bool saved = program.mainWindow().grab().save(QString::fromLocal8Bit(argv[1]));
  std::filesystem::remove_all(folder);
  return saved ? 0 : 1;
}

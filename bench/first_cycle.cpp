// The program started as main.cpp starts it against the practice game, writing one line to
// stderr when its first watch cycle begins, so that the time from the process's start to that
// cycle can be measured from outside. Used by ./bench.sh while the program itself has no such
// line.
#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "app/Program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  pvx::ProgramOptions options;
  options.programFolder =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
  pvx::Program program(std::move(options));
  program.start();
  // The watch timer armed by the load step has not ticked yet: no event has run.
  program.form().setWatchCycle([&program, told = false]() mutable {
    if (!told) {
      told = true;
      std::fputs("parlevox: first watch cycle\n", stderr);
      std::fflush(stderr);
    }
    program.watch().cycle();
  });
  return QApplication::exec();
}

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/Program.h"

namespace {

void usage(std::FILE* out) {
  std::fputs(
      "usage: parlevox [--practice]\n"
      "  --practice  run against the built-in practice game instead of the real game\n"
      "              (always so where the real game cannot run)\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  bool practice = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--practice") == 0) {
      practice = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(stdout);
      return 0;
    } else {
      std::fprintf(stderr, "parlevox: unknown option %s\n", argv[i]);
      usage(stderr);
      return 2;
    }
  }

  QApplication app(argc, argv);
  // Only the main window ends the program; the practice console may close on its own.
  QApplication::setQuitOnLastWindowClosed(false);

  pvx::ProgramOptions options;
  options.practice = practice;
  options.programFolder =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
  pvx::Program program(std::move(options));
  program.start();
  return QApplication::exec();
}

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include "app/Program.h"
#include "app/Replay.h"
#include "core/program/ProgramFolder.h"
#include "gui/CaretRest.h"
#include "platform/SystemCalls.h"
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

void usage(std::FILE* out) {
  std::fputs(
      "usage: parlevox [--practice]\n"
#ifndef _WIN32
      "       parlevox --game PROGRAM [ARGS...]\n"
#endif
      "       parlevox --replay FILE [--folder DIR]\n"
      "       parlevox --version | --help\n"
      "  --practice  run against the built-in practice game instead of the real game\n"
#ifdef _WIN32
      "              (always so where the real game cannot run)\n"
#else
      "              (so without --game)\n"
      "  --game      start the game PROGRAM with ARGS (everything after it) and play\n"
      "              through its standard streams, e.g.\n"
      "              parlevox --game openjk.x86_64 +set com_ansiColor 0\n"
#endif
      "  --replay    run headless against the practice game on virtual time as the\n"
      "              transcript FILE directs, and print what the program does\n"
      "  --folder    the program folder for the replay (where \"Saves\" lives)\n"
      "  --version   print the version and end\n"
      "  --help      print this text and end\n",
      out);
}

void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // Two heaps for the whole process. By default the C library gives each new thread a heap of
  // its own, up to eight per core; the media framework's threads come and go with every track,
  // and each heap they touched keeps its freed memory resident: about 2 MB more over forty track
  // changes, never given back. The program's own work runs on one thread.
  mallopt(M_ARENA_MAX, 2);
#endif
  bool practice = false;
  std::optional<std::string> replay;
  std::optional<std::filesystem::path> folder;
  std::vector<std::string> game;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--practice") == 0) {
      practice = true;
#ifndef _WIN32
    } else if (std::strcmp(argv[i], "--game") == 0) {
      if (i + 1 == argc || argv[i + 1][0] == '\0') {
        std::fputs("parlevox: --game needs the game program\n", stderr);
        return 2;
      }
      // Everything after the program belongs to the game.
      game.assign(argv + i + 1, argv + argc);
      break;
#endif
    } else if ((std::strcmp(argv[i], "--replay") == 0 || std::strcmp(argv[i], "--folder") == 0) &&
               i + 1 < argc) {
      if (argv[i][2] == 'r') {
        replay = argv[++i];
      } else {
        folder = std::filesystem::path(argv[++i]);
      }
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("parlevox " PARLEVOX_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "parlevox: unknown option %s\n", argv[i]);
      usage(stderr);
      return 2;
    }
  }

  if (folder && !replay) {
    std::fputs("parlevox: --folder goes with --replay\n", stderr);
    return 2;
  }
  if (!game.empty() && (practice || replay)) {
    std::fputs("parlevox: --game goes with neither --practice nor --replay\n", stderr);
    return 2;
  }
  if (replay) {
    const std::optional<pvx::ReplayScript> script = pvx::readReplayScript(*replay, std::cerr);
    if (!script)
      return 2;
    // Headless: the real windows, offscreen, whatever display there is; the toolkit's chatter
    // stays out of the replay's output.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQt);
    QApplication app(argc, argv);
    return pvx::runReplay(*script, folder, std::cout);
  }

  QApplication app(argc, argv);
  // Only the main window ends the program; the practice console may close on its own.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationVersion(QStringLiteral(PARLEVOX_VERSION));
  // The menu entry's name: desktops match the program's windows to it (and to its icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("parlevox"));

  pvx::ProgramOptions options;
  options.practice = practice;
  options.gameCommand = std::move(game);
  options.desktopMediaControls = true;
  // Through UTF-16: on Windows a path made from a narrow string would read it in the ANSI code
  // page, and a folder name beyond it (or any UTF-8 beyond ASCII) would name another folder.
  options.programFolder = pvx::chooseProgramFolder(
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String()),
      pvx::platform::userDataHome());
  std::unique_ptr<pvx::Program> started;
  try {
    started = std::make_unique<pvx::Program>(std::move(options));
  } catch (const std::runtime_error& e) {
    std::fprintf(stderr, "parlevox: %s\n", e.what());
    // Started from the desktop's menu, there is no terminal to read the line above.
    QString text = QString::fromStdString(e.what());
    text[0] = text[0].toUpper();
    QMessageBox::critical(nullptr, QStringLiteral("Parlevox"), text);
    return 1;
  }
  pvx::Program& program = *started;
  program.start();
  const pvx::CaretRest caretRest(app, program.clock());
  // For measuring start-up from outside (bench.sh): one line on stderr as the first watch cycle
  // begins. Nothing is written otherwise.
  if (std::getenv("PARLEVOX_REPORT_FIRST_CYCLE") != nullptr) {
    program.watch().setOnCycleStart([told = false]() mutable {
      if (!told) {
        told = true;
        std::fputs("parlevox: first watch cycle\n", stderr);
        std::fflush(stderr);
      }
    });
  }
  // For watching the program from outside (the Windows tests under Wine): every status line on
  // stderr as it changes. Nothing is written otherwise.
  if (std::getenv("PARLEVOX_REPORT_STATUS") != nullptr) {
    QObject::connect(&program.mainWindow(), &pvx::MainWindow::statusLineChanged,
                     [](const QString& text) {
                       std::fprintf(stderr, "parlevox: status %s\n", text.toUtf8().constData());
                       std::fflush(stderr);
                     });
    std::fprintf(stderr, "parlevox: status %s\n", program.mainWindow().statusLine().c_str());
    std::fflush(stderr);
    // And the newest console text it shows, its line breaks written \r and \n.
    QObject::connect(&program.mainWindow(), &pvx::MainWindow::chatTextChanged,
                     [](const QString& text) {
                       QString line = text;
                       line.replace(QLatin1Char('\r'), QLatin1String("\\r"));
                       line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
                       std::fprintf(stderr, "parlevox: chat %s\n", line.toUtf8().constData());
                       std::fflush(stderr);
                     });
    // And what the player window's tooltip says of the media keys, when it says anything.
    const QString tip = program.playerWindow().toolTip();
    if (!tip.isEmpty()) {
      std::fprintf(stderr, "parlevox: tooltip %s\n", tip.toUtf8().constData());
      std::fflush(stderr);
    }
  }
  // For measuring music from outside (bench.sh): the playlist's first entry starts at once and
  // the player goes on through the list as it does.
  if (std::getenv("PARLEVOX_PLAY_AT_START") != nullptr)
    program.player().playEntry(0);
  return QApplication::exec();
}

// Renders the main window beside the game it plays with on Linux: the test engine on pipes,
// started by the program as a player starts OpenJK, shown as its console log. The engine is told
// by its control pipe to print what a short game prints; the program answers on virtual time.
//   parlevox_game_screenshot ENGINE OUT.png
// On an X11 display with a window manager (tools/desktop-screenshots.sh) the console is a window
// of its own beside the main window and both are taken from the screen, frames and all.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/Program.h"
#include "core/console/ConsoleBridge.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/time/VirtualClock.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: parlevox_game_screenshot ENGINE OUT.png\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() / "parlevox-game-screenshot";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "Saves");
  const std::string control = (folder / "control").string();
  ::mkfifo(control.c_str(), 0600);
  const int controlFd = ::open(control.c_str(), O_RDWR | O_NONBLOCK);
  const auto tell = [&](const std::string& line) {
    const std::string bytes = line + "\n";
    return ::write(controlFd, bytes.data(), bytes.size()) > 0;
  };

  pvx::VirtualClock clock;
  pvx::FakeMediaBackEnd media(clock);
  pvx::ProgramOptions options;
  options.gameCommand = {argv[1], "--name", "Rookie", "--control", control};
  options.media = &media;
  options.programFolder = folder;
  options.clock = &clock;
  pvx::Program program(std::move(options));
  program.start();
  pvx::ConsoleBridge bridge(program.windowSystem(), clock);
  const auto log = [&] {
    // A game on pipes answers at once.
    pvx::Task<std::string> read =
        bridge.readWindowText(bridge.nthChildWindow(bridge.findConsoleWindow(), 5));
    read.start();
    return read.done() ? read.result() : std::string();
  };
  // The engine answers in real time; the program runs ten watch cycles between looks.
  const auto until = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      clock.runFor(10);
      program.gameStream()->waitForActivity(100);
    }
    return true;
  };
  const auto has = [&](const std::string& part) { return log().find(part) != std::string::npos; };

  program.core().messages().setMessage(pvx::MessageKind::Greeting,
                                       pvx::Message{"^2Welcome, %d^2!", 1});
  program.mainWindow().editDuelText(pvx::DuelText::Engage, "^1%s ^7vs ^4%d^7, good luck!");
  bool ok = until([&] { return has("\"name\" is:"); }) &&
            until([&] { return program.watch().state().playerName == "Rookie"; });
  clock.runFor(15000);
  ok = ok && tell("print ^5Kyle^7 entered the game") &&
       until([&] { return has("Rookie: Welcome, Kyle!"); }) &&
       tell("print ^5Kyle^7 has become engaged in a duel with Rookie^7!") &&
       until([&] { return has("good luck!\r\nRookie: Rookie vs Kyle, good luck!"); });
  clock.runFor(1000);
  QCoreApplication::processEvents();

  // The engine's console as the program reads it, in a terminal's colours.
  QPlainTextEdit console;
  console.setReadOnly(true);
  console.setPlainText(QString::fromStdString(log()).replace("\r\n", "\n"));
  QFont mono(QStringLiteral("monospace"));
  mono.setStyleHint(QFont::Monospace);
  mono.setPointSize(9);
  console.setFont(mono);
  console.setStyleSheet(QStringLiteral("QPlainTextEdit { background: #1e1e1e; color: #d0d0d0; }"));
  if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
    console.setWindowTitle(QStringLiteral("parlevox --game parlevox_test_engine"));
    // Room on the screen for both side by side.
    program.mainWindow().QWidget::move(16, program.mainWindow().frameGeometry().top());
    QCoreApplication::processEvents();
    const QRect main = program.mainWindow().frameGeometry();
    console.resize(460, program.mainWindow().height());
    console.move(main.right() + 9, main.top());
    console.show();
    // The window manager frames and places the console.
    QEventLoop loop;
    QTimer::singleShot(1500, &loop, &QEventLoop::quit);
    loop.exec();
    const QRect both = program.mainWindow().frameGeometry().united(console.frameGeometry());
    ok = program.mainWindow()
             .screen()
             ->grabWindow(0, both.x(), both.y(), both.width(), both.height())
             .save(QString::fromLocal8Bit(argv[2])) &&
         ok;
    ::close(controlFd);
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
  }
  const QPixmap main = program.mainWindow().grab();
  console.resize(460, main.height() - 24);
  console.show();
  QCoreApplication::processEvents();
  const QPixmap right = console.grab();

  QPixmap out(main.width() + 16 + right.width(), main.height());
  out.fill(QColor(0x30, 0x30, 0x30));
  QPainter painter(&out);
  painter.drawPixmap(0, 0, main);
  painter.setPen(QColor(0xe0, 0xe0, 0xe0));
  painter.setFont(mono);
  painter.drawText(main.width() + 16, 0, right.width(), 24, Qt::AlignVCenter,
                   QStringLiteral("parlevox --game parlevox_test_engine  (the game's console)"));
  painter.drawPixmap(main.width() + 16, 24, right);
  painter.end();
  ok = out.save(QString::fromLocal8Bit(argv[2])) && ok;
  ::close(controlFd);
  std::filesystem::remove_all(folder);
  return ok ? 0 : 1;
}

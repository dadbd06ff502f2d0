// The floor for the program's idle figures: a Qt Widgets application with one window shown that
// does nothing but run a precise 1 ms single-shot timer, re-armed at every tick, as the program's
// watch timer is. Whatever the program costs beyond this is the cost of its own work.
//
// With --yield every tick also handles the pending events once before re-arming, as the first
// step of a watch cycle does: the floor plus the one piece of the cycle's cost that is Qt's own.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  const bool yield = argc > 1 && std::strcmp(argv[1], "--yield") == 0;
  QApplication app(argc, argv);
  QWidget window;
  window.resize(320, 240);
  window.show();
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&timer, yield] {
    if (yield)
      QCoreApplication::processEvents();
    timer.start(1);
  });
  timer.start(1);
  return QApplication::exec();
}

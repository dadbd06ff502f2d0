#include "gui/CaretRest.h"

#include <QApplication>
#include <QEvent>

namespace pvx {

CaretRest::CaretRest(QApplication& app, Clock& clock)
    : app_(app),
      flashMs_(QApplication::cursorFlashTime()),
      idle_(clock.makeTimer([this] { rest(); })) {
  app_.installEventFilter(this);
  idle_->start(kRestAfterMs, true);
}

CaretRest::~CaretRest() {
  app_.removeEventFilter(this);
  if (resting_)
    QApplication::setCursorFlashTime(flashMs_);
}

void CaretRest::rest() {
  if (flashMs_ <= 0)
    return;  // the caret does not blink anyway
  resting_ = true;
  QApplication::setCursorFlashTime(0);
}

bool CaretRest::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
      if (resting_) {
        resting_ = false;
        QApplication::setCursorFlashTime(flashMs_);
      }
      idle_->start(kRestAfterMs, true);
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace pvx

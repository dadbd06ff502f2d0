#pragma once

#include <QObject>
#include <memory>

#include "core/time/Clock.h"

class QApplication;

namespace pvx {

// The text caret stops blinking once the user has left the program's windows alone for a while,
// as desktops do (GNOME after 10 s): a program that sits beside the game all evening with a text
// box focused would otherwise repaint it twice a second for nothing. The next key or click makes
// it blink again.
class CaretRest final : public QObject {
 public:
  static constexpr std::int64_t kRestAfterMs = 10000;

  CaretRest(QApplication& app, Clock& clock);
  ~CaretRest() override;
  CaretRest(const CaretRest&) = delete;
  CaretRest& operator=(const CaretRest&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rest();

  QApplication& app_;
  int flashMs_;  // the system's flash time
  bool resting_ = false;
  std::unique_ptr<Timer> idle_;
};

}  // namespace pvx

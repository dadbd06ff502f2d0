#pragma once

#include <QWidget>

namespace pvx {

// The player window: the playlist, the transport buttons and the sliders. It lives hidden from
// start-up to the end and is kept docked below the main window.
class frmPlay final : public QWidget {
  Q_OBJECT

 public:
  frmPlay();
};

}  // namespace pvx

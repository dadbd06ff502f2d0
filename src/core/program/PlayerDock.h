#pragma once

#include "core/program/WindowPorts.h"

namespace pvx {

// Keeps the player window directly below the main window, as wide as it, shown or hidden; the
// "Playlist" button shows and hides it.
class PlayerDock {
 public:
  PlayerDock(FormPort& mainWindow, FormPort& playerWindow)
      : main_(mainWindow), player_(playerWindow) {}

  // Puts the player window's top edge on the main window's bottom edge, left edges aligned;
  // nothing moves when it is there already.
  void dock() {
    const TwipsRect main = main_.geometry();
    const TwipsRect player = player_.geometry();
    const float dockedTop = main.top + main.height;
    if (player.top != dockedTop || player.left != main.left)
      player_.move(main.left, dockedTop);
  }
  // Makes the player window as wide as the main window.
  void matchWidth() { player_.setWidth(main_.geometry().width); }
  // "Playlist".
  void togglePlayer() { player_.setVisible(!player_.isVisible()); }

 private:
  FormPort& main_;
  FormPort& player_;
};

}  // namespace pvx

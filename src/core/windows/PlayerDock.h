#pragma once

#include <optional>

#include "core/windows/WindowPorts.h"

namespace pvx {

// Keeps the player window directly below the main window, as wide as it, shown or hidden; the
// "Playlist" button shows and hides it. Where start-up placed the main window, the pair is kept on
// the screen's available area until the user moves the main window: the frames the window
// manager adds once the windows are on the screen make them taller than start-up could know.
class PlayerDock {
 public:
  PlayerDock(MainWindowPort& mainWindow, FormPort& playerWindow)
      : main_(mainWindow), player_(playerWindow) {}

  // Moves the main window up (and left) as far as needed for it and the player window below it
  // to lie on the screen's available area, never above its top; the main window's place is then
  // kept so by every docking until the user moves it.
  void keepPairOnScreen();
  // Puts the player window's top edge on the main window's bottom edge, left edges aligned;
  // nothing moves when it is there already. While the main window is hidden its frame is gone
  // and the platform reports it smaller: the player window docks to the main window as it was
  // last seen on the screen, so it stays put.
  void dock();
  // Makes the player window as wide as the main window.
  void matchWidth() { player_.setWidth(mainGeometry().width); }
  // "Playlist".
  void togglePlayer() { player_.setVisible(!player_.isVisible()); }

 private:
  TwipsRect mainGeometry();
  // Whether the main window is still where the pair was last kept on the screen.
  bool stillPlaced(const TwipsRect& main) const;
  TwipsRect placePair(const TwipsRect& main, float playerHeight);

  MainWindowPort& main_;
  FormPort& player_;
  std::optional<TwipsRect> lastShownMain_;
  std::optional<TwipsRect> placed_;
};

}  // namespace pvx

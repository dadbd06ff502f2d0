#pragma once

#include <memory>

#include "core/player/MediaControls.h"
#include "core/windows/PlayerDock.h"
#include "gui/MainWindow.h"
#include "gui/PlayerWindow.h"

namespace pvx {

class MprisService;
class Win32MediaKeys;

// What reaches the player from outside the program's windows, as the system offers it: on
// Windows the keyboard's media keys (global hot keys; the player window's tooltip names those
// another program holds), elsewhere the desktop's media controls through MPRIS on the session
// bus, where there is one (the desktops route the media keys there too). Both press the same
// media controls as the player window's buttons.
class DesktopMediaControls {
 public:
  DesktopMediaControls(MediaControls& controls, MainWindow& mainWindow, PlayerWindow& playerWindow,
                       PlayerDock& dock);
  ~DesktopMediaControls();
  DesktopMediaControls(const DesktopMediaControls&) = delete;
  DesktopMediaControls& operator=(const DesktopMediaControls&) = delete;

 private:
#ifdef _WIN32
  std::unique_ptr<Win32MediaKeys> keys_;
#endif
#ifdef PARLEVOX_HAVE_MPRIS
  std::unique_ptr<MprisService> mpris_;
#endif
};

}  // namespace pvx

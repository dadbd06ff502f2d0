#include "app/DesktopMediaControls.h"

#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win32/Win32MediaKeys.h"
#endif
#ifdef PARLEVOX_HAVE_MPRIS
#include "gui/mpris/MprisService.h"
#endif

namespace pvx {

DesktopMediaControls::DesktopMediaControls(MediaControls& controls, MainWindow& mainWindow,
                                           PlayerWindow& playerWindow, PlayerDock& dock) {
#ifdef _WIN32
  keys_ = std::make_unique<Win32MediaKeys>(
      [&controls](MediaControls::Key key) { controls.press(key); });
  std::vector<std::string> refused;
  for (const MediaControls::Key key : keys_->refused())
    refused.emplace_back(MediaControls::keyName(key));
  playerWindow.showRefusedMediaKeys(refused);
#endif
#ifdef PARLEVOX_HAVE_MPRIS
  // Raise shows the player window, docked below the main window, and brings both forward.
  auto raise = [&mainWindow, &playerWindow, &dock] {
    if (mainWindow.isMinimized())
      mainWindow.showNormal();
    if (!playerWindow.isVisible())
      dock.togglePlayer();
    dock.dock();
    mainWindow.raise();
    playerWindow.raise();
    playerWindow.activateWindow();
  };
  // Quit is File -> Exit.
  auto quit = [&mainWindow] { emit mainWindow.exitChosen(); };
  mpris_ = std::make_unique<MprisService>(controls, raise, quit);
#else
  (void)mainWindow;
  (void)dock;
#endif
#if !defined(_WIN32) && !defined(PARLEVOX_HAVE_MPRIS)
  (void)controls;
  (void)playerWindow;
#endif
}

DesktopMediaControls::~DesktopMediaControls() = default;

}  // namespace pvx

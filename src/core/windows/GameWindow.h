#pragma once

#include "core/console/ConsoleBridge.h"

namespace pvx {

// The game's main window (not its console): hidden by "!mini", shown again by "Back to Game".
class GameWindow {
 public:
  static constexpr const char* kClass = ConsoleBridge::kGameWindowClass;

  explicit GameWindow(ConsoleBridge& bridge) : bridge_(bridge) {}

  // The game's main window, found by its class with no title; 0 when there is none.
  Hwnd find();
  // Hides the window found earlier (nothing for 0).
  void hide(Hwnd game);
  // "Back to Game": shows the window when there is one, and says so in the game.
  void backToGame();

 private:
  ConsoleBridge& bridge_;
};

}  // namespace pvx

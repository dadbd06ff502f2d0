#include "core/windows/GameWindow.h"

namespace pvx {

Hwnd GameWindow::find() {
  // The class name holds "®", one byte in the game's code page.
  return bridge_.findWindowOfClass(kClass);
}

void GameWindow::hide(Hwnd game) {
  // Hiding no window does nothing, as the platform's call on a missing window does.
  bridge_.showWindow(game, false);
}

void GameWindow::backToGame() {
  const Hwnd game = find();
  if (game != 0)
    bridge_.showWindow(game, true);
  bridge_.sendConsoleCommand("say ^1Maximized");
}

}  // namespace pvx

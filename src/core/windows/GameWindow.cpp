#include "core/windows/GameWindow.h"

#include "core/text/Text.h"

namespace pvx {

Hwnd GameWindow::find() {
  // The class name holds "®", one byte in the game's code page.
  static const std::string windowClass = text::toCp1252(kClass);
  return bridge_.windows().findWindow(windowClass.c_str(), nullptr);
}

void GameWindow::hide(Hwnd game) {
  // Hiding no window does nothing, as the platform's call on a missing window does.
  bridge_.windows().showWindow(game, WindowSystem::kSwHide);
}

void GameWindow::backToGame() {
  const Hwnd game = find();
  if (game != 0)
    bridge_.windows().showWindow(game, WindowSystem::kSwShow);
  bridge_.sendConsoleCommand("say ^1Maximized");
}

}  // namespace pvx

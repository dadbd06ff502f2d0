#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/console/PracticeGame.h"
#include "core/console/SimulatedWindowSystem.h"

namespace pvx {

// The practice game's windows in the simulated window tree, shaped like the real game's: the
// console window (class "JAMP WinConsole", title "Jedi Knight Academy MP Console") with its five
// children in this order: the input line (an empty edit), the buttons "Copy", "Clear" and "Quit",
// and the console log; and the game's main window, whose class is "Jedi Knight®: Jedi Academy
// (MP)" and which has no title. A carriage return in the input line runs the line in the game;
// the Clear button empties the log, Quit ends the game.
class PracticeConsole {
 public:
  // What the practice console window and the replay watch.
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void logChanged() {}
    // A line was entered in the input line (UTF-8, as it stood there).
    virtual void lineEntered(std::string_view) {}
    // The program showed or hid the game's main window (not its coming and going with the game).
    virtual void gameWindowVisibilityChanged(bool) {}
    virtual void runningChanged(bool) {}
    // The console window's Clear button was pressed: its log is empty.
    virtual void clearPressed() {}
  };

  PracticeConsole(SimulatedWindowSystem& ws, PracticeGame& game);
  ~PracticeConsole();
  PracticeConsole(const PracticeConsole&) = delete;
  PracticeConsole& operator=(const PracticeConsole&) = delete;

  // Starts the game: its console window, with an empty log, and its (shown) main window appear.
  // The player's name is kept from the previous run, as the game keeps it in its settings.
  void start();
  // The game ends: its windows are gone, every handle to them is stale.
  void stop();
  bool running() const { return console_ != 0; }
  // The game stops with a fatal error, as the real one does: an error box with the text becomes
  // the console window's last child, the input line goes, and the game runs nothing any more.
  void failWithError(std::string_view utf8Text);

  Hwnd consoleWindow() const { return console_; }
  Hwnd inputLine() const { return input_; }
  Hwnd logWindow() const { return log_; }
  Hwnd gameWindow() const { return gameWindow_; }
  bool gameWindowVisible() const;

  PracticeGame& game() { return game_; }

  void addListener(Listener* l) { listeners_.push_back(l); }
  void removeListener(Listener* l);

 private:
  void onInputChar(unsigned charCode);
  void onClear();
  void syncLog();
  template <class F>
  void notify(F&& f);

  SimulatedWindowSystem& ws_;
  PracticeGame& game_;
  Hwnd console_ = 0, input_ = 0, log_ = 0, gameWindow_ = 0;
  std::vector<Listener*> listeners_;
};

}  // namespace pvx

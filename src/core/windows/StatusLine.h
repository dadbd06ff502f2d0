#pragma once

#include <string>

#include "core/windows/OsInfo.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// The main window's status line, at its foot: the OS description at start-up, then the
// local player's name beside the OS, that the game is not running, that it runs out of reach, or
// that it stopped with an error.
// Windows is told by its platform and build ("Windows 2000", "2195"); another system by its name
// and kernel version ("Linux 6.1.0"), the same in both places.
class StatusLine {
 public:
  StatusLine(MainWindowPort& window, const OsInfo& os)
      : window_(window),
        description_(os.isWindows() ? os.platform() + " - " + std::to_string(os.buildNumber())
                                    : os.systemVersion()),
        os_(os.isWindows() ? os.platform() + " Build " + std::to_string(os.buildNumber())
                           : os.systemVersion()) {}

  // "[ Windows 2000 - 2195 ]", as start-up writes it.
  void showOs() { window_.setStatusLine("[ " + description_ + " ]"); }
  void showPlayer(const std::string& playerName) { window_.setStatusLine(present(playerName)); }
  void showGameAbsent() { window_.setStatusLine(absent()); }
  void showGameElevated() { window_.setStatusLine(elevated()); }
  void showGameStopped(const std::string& error) { window_.setStatusLine(stopped(error)); }

  std::string present(const std::string& playerName) const {
    return "[ Current Player: " + playerName + "  OS: " + os_ + " ]";
  }
  std::string absent() const { return present("<JKA is not running>"); }
  // The game runs as administrator and this program does not: Windows drops every message it
  // sends the game, so nothing can be read or typed until both run alike.
  static std::string elevated() {
    return "[ JKA runs as administrator: start Parlevox as administrator too ]";
  }
  // The game stopped with a fatal error and waits for the player to quit it: its console window
  // shows the error instead of its input line.
  static std::string stopped(const std::string& error) {
    return "[ JKA stopped with an error: " + error + " ]";
  }

 private:
  MainWindowPort& window_;
  const std::string description_;
  const std::string os_;
};

}  // namespace pvx

#pragma once

#include <string>

#include "core/program/OsInfo.h"
#include "core/program/WindowPorts.h"

namespace pvx {

// The main window's status line (label lblPlatform): the OS description at start-up, then the
// local player's name beside the platform and build, or that the game is not running.
class StatusLine {
 public:
  StatusLine(MainWindowPort& window, const OsInfo& os)
      : window_(window), os_(os), build_(std::to_string(os.buildNumber())) {}

  // "[ Windows 2000 - 2195 ]", as start-up writes it.
  void showOs() { window_.setStatusLine("[ " + os_.platform() + " - " + build_ + " ]"); }
  void showPlayer(const std::string& playerName) { window_.setStatusLine(present(playerName)); }
  void showGameAbsent() { window_.setStatusLine(absent()); }

  std::string present(const std::string& playerName) const {
    return "[ Current Player: " + playerName + "  OS: " + os_.platform() + " Build " + build_ +
           " ]";
  }
  std::string absent() const {
    return "[ Current Player: <JKA is not running>  OS: " + os_.platform() + " Build " + build_ +
           " ]";
  }

 private:
  MainWindowPort& window_;
  const OsInfo& os_;
  const std::string build_;
};

}  // namespace pvx

#pragma once

#include <cstdint>
#include <string>

#include "core/console/GameStream.h"

struct xcb_connection_t;

namespace pvx {

// The game's window on an X11 desktop, found by its exact title (_NET_WM_NAME or WM_NAME)
// anywhere in the window tree. Iconifying asks the window manager as ICCCM says; restoring maps
// the window, raises it and asks the window manager to activate it. Without an X display
// (Wayland, a console session) there is never such a window. X errors (a window that went away
// in between) are answered, never fatal.
class X11GameWindow final : public DesktopGameWindow {
 public:
  static constexpr const char* kOpenJkTitle = "OpenJK (MP)";

  explicit X11GameWindow(std::string title = kOpenJkTitle);
  ~X11GameWindow() override;
  X11GameWindow(const X11GameWindow&) = delete;
  X11GameWindow& operator=(const X11GameWindow&) = delete;

  bool present() override;
  void iconify() override;
  void restore() override;

 private:
  bool connect();
  std::uint32_t atom(const char* name);
  std::uint32_t find();
  std::uint32_t findBelow(std::uint32_t parent, int depth);
  void sendToRoot(std::uint32_t window, std::uint32_t type, std::uint32_t d0, std::uint32_t d1);

  std::string title_;
  xcb_connection_t* connection_ = nullptr;
  std::uint32_t root_ = 0;
  std::uint32_t netWmName_ = 0, utf8String_ = 0, wmChangeState_ = 0, netActiveWindow_ = 0;
};

}  // namespace pvx

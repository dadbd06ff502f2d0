#pragma once

#include <QWidget>
#include <type_traits>

#include "core/windows/WindowPorts.h"

namespace pvx {

inline constexpr float kTwipsPerPixel = 15.0f;

// Places a child control at a position and size given in twips.
void placeTwips(QWidget& w, int left, int top, int width, int height);
// A top-level window's client area of the given size in twips, fixed.
void setClientTwips(QWidget& w, int width, int height);

// The outer frame of a top-level window in twips; moving and widening it in twips.
TwipsRect frameTwips(const QWidget& w);
void moveFrameTwips(QWidget& w, float left, float top);
void setFrameWidthTwips(QWidget& w, float width);

// A top-level Qt window (Window: QWidget or a kind of it) seen as a form that the program's
// behaviour shows, hides and moves (Port: FormPort or a port built on it). The form's geometry is
// the window's outer frame in twips. Each of the program's windows derives from it once, e.g.
// QtFormPort<QMainWindow, MainWindowPort>, and adds only what is its own.
template <class Window, class Port>
class QtFormPort : public Window, public Port {
  static_assert(std::is_base_of_v<QWidget, Window> && std::is_base_of_v<FormPort, Port>);

 public:
  // Created without being put on the screen: a window shown and hidden in the same instant
  // shows nothing, but the platform would report its first geometry late and undo the size and
  // place the start-up gives the window next.
  void create() override { Window::ensurePolished(); }
  TwipsRect geometry() const override { return frameTwips(*this); }
  void move(float left, float top) override { moveFrameTwips(*this, left, top); }
  void setWidth(float width) override { setFrameWidthTwips(*this, width); }
  bool isVisible() const override { return Window::isVisible(); }
  void setVisible(bool visible) override { Window::setVisible(visible); }
};

}  // namespace pvx

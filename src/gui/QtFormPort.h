#pragma once

#include <QWidget>
#include <functional>

#include "core/program/WindowPorts.h"

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

// A top-level Qt window seen as a form that the program's behaviour shows, hides and moves.
class QtFormPort final : public FormPort {
 public:
  // load: the window's own load step, run when the window is created.
  explicit QtFormPort(QWidget& w, std::function<void()> load = {})
      : w_(w), load_(std::move(load)) {}
  void create() override;
  TwipsRect geometry() const override { return frameTwips(w_); }
  void move(float left, float top) override { moveFrameTwips(w_, left, top); }
  void setWidth(float width) override { setFrameWidthTwips(w_, width); }
  bool isVisible() const override { return w_.isVisible(); }
  void setVisible(bool visible) override { w_.setVisible(visible); }

 private:
  QWidget& w_;
  std::function<void()> load_;
};

}  // namespace pvx

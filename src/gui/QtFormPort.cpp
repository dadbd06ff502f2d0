#include "gui/QtFormPort.h"

#include <cmath>

namespace pvx {

namespace {
int toPixels(float twips) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
float toTwips(int pixels) {
  return static_cast<float>(pixels) * kTwipsPerPixel;
}
}  // namespace

void placeTwips(QWidget& w, int left, int top, int width, int height) {
  w.setGeometry(toPixels(static_cast<float>(left)), toPixels(static_cast<float>(top)),
                toPixels(static_cast<float>(width)), toPixels(static_cast<float>(height)));
}

void setClientTwips(QWidget& w, int width, int height) {
  w.setFixedSize(toPixels(static_cast<float>(width)), toPixels(static_cast<float>(height)));
}

TwipsRect frameTwips(const QWidget& w) {
  const QRect r = w.frameGeometry();
  return TwipsRect{toTwips(r.x()), toTwips(r.y()), toTwips(r.width()), toTwips(r.height())};
}

void moveFrameTwips(QWidget& w, float left, float top) {
  // QWidget::move places a top-level window's frame, as the form properties do.
  w.move(toPixels(left), toPixels(top));
}

void setFrameWidthTwips(QWidget& w, float width) {
  const int frameExtra = w.frameGeometry().width() - w.width();
  const int clientWidth = toPixels(width) - frameExtra;
  if (clientWidth <= 0)
    return;
  if (w.minimumWidth() == w.maximumWidth()) {
    w.setFixedWidth(clientWidth);
  } else {
    w.resize(clientWidth, w.height());
  }
}

void QtFormPort::create() {
  // Created without being put on the screen: a window shown and hidden in the same instant
  // shows nothing, but the platform would report its first geometry late and undo the size and
  // place the start-up gives the window next.
  w_.ensurePolished();
  if (load_)
    load_();
}

}  // namespace pvx

#include "gui/QtFormPort.h"

#include <cmath>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace pvx {

namespace {

// On Windows a top-level window's frame is read and placed through the system's own rectangle:
// Qt's idea of the frame of a window not shown yet leaves out its borders (the bottom one even
// once shown), so centring would miss and a window docked at another's bottom edge would overlap
// it. The platform window is made (hidden) for that where it does not exist yet.
#ifdef _WIN32
HWND nativeFrame(const QWidget& w) {
  return w.isWindow() ? reinterpret_cast<HWND>(w.winId()) : nullptr;
}
#endif

// The outer frame of a top-level window in Qt's pixels.
QRect outerFrame(const QWidget& w) {
#ifdef _WIN32
  if (const HWND hwnd = nativeFrame(w)) {
    RECT r{};
    if (GetWindowRect(hwnd, &r)) {
      const qreal ratio = w.devicePixelRatioF();
      return QRect(QPoint(qRound(r.left / ratio), qRound(r.top / ratio)),
                   QSize(qRound((r.right - r.left) / ratio), qRound((r.bottom - r.top) / ratio)));
    }
  }
#endif
  return w.frameGeometry();
}

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
  const QRect r = outerFrame(w);
  return TwipsRect{toTwips(r.x()), toTwips(r.y()), toTwips(r.width()), toTwips(r.height())};
}

void moveFrameTwips(QWidget& w, float left, float top) {
#ifdef _WIN32
  if (const HWND hwnd = nativeFrame(w)) {
    const qreal ratio = w.devicePixelRatioF();
    SetWindowPos(hwnd, nullptr, qRound(toPixels(left) * ratio), qRound(toPixels(top) * ratio), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
#endif
  // QWidget::move places a top-level window's frame, as the form properties do.
  w.move(toPixels(left), toPixels(top));
}

void setFrameWidthTwips(QWidget& w, float width) {
  const int frameExtra = outerFrame(w).width() - w.width();
  const int clientWidth = toPixels(width) - frameExtra;
  if (clientWidth <= 0)
    return;
  if (w.minimumWidth() == w.maximumWidth()) {
    w.setFixedWidth(clientWidth);
  } else {
    w.resize(clientWidth, w.height());
  }
}

}  // namespace pvx

#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

class QWidget;
class QLabel;
class QPushButton;

namespace pvx::look {

// The look shared by every window of the program.
inline QColor background() {
  return QColor(0, 0, 64);
}
inline QColor labelText() {
  return QColor(128, 128, 255);
}
inline QColor statusText() {
  return QColor(255, 255, 0);
}
inline QColor buttonFace() {
  return QColor(128, 128, 128);
}

// Parlevox's icon in every size the build rendered it (its art is packaging/parlevox.svg). A build
// that had nothing to render it with gets a painted "P" in the program's colours instead.
QIcon programIcon();

// The family, or where it cannot be drawn a sans-serif face Windows and Wine both have.
QFont sansSerif(const QString& family);
QFont boldSansSerif(double pointSize);
// A window (or its central widget) painted in the program's background colour.
void paintBackground(QWidget& w);
// A label in bold "MS Sans Serif" 9.75 pt, light blue, on a transparent background.
void styleLabel(QLabel& label);
// A grey button with a bold "MS Sans Serif" caption, framed in yellow while it has the focus.
void styleButton(QPushButton& button, double pointSize);

}  // namespace pvx::look

#include "gui/Look.h"

#include <QDirIterator>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace pvx::look {

QIcon programIcon() {
  QIcon icon;
  // The build's resource holds one PNG for each size it rendered.
  QDirIterator sizes(QStringLiteral(":/parlevox/icons"), {QStringLiteral("*.png")});
  while (sizes.hasNext())
    icon.addFile(sizes.next());
  if (!icon.isNull())
    return icon;
  QPixmap pixmap(32, 32);
  pixmap.fill(background());
  QPainter painter(&pixmap);
  painter.setPen(statusText());
  painter.setFont(boldSansSerif(16));
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("P"));
  painter.end();
  return QIcon(pixmap);
}

QFont sansSerif(const QString& family) {
  QFont font(family);
  // "MS Sans Serif" is a bitmap font, which Qt does not draw on Windows, and Wine has neither it
  // nor Verdana unless its own fonts are installed; Qt's fallback there is a serif face. So the
  // faces that stand in for it follow: Microsoft Sans Serif and Tahoma (every Windows, Wine's
  // fonts), then the sans-serif face of the Linux machine Wine runs on.
  font.setFamilies({family, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                    QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont boldSansSerif(double pointSize) {
  QFont font = sansSerif(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(pointSize);
  font.setBold(true);
  return font;
}

void paintBackground(QWidget& w) {
  QPalette p = w.palette();
  p.setColor(QPalette::Window, background());
  w.setPalette(p);
  w.setAutoFillBackground(true);
}

void styleLabel(QLabel& label) {
  label.setFont(boldSansSerif(9.75));
  QPalette p = label.palette();
  p.setColor(QPalette::WindowText, labelText());
  label.setPalette(p);
  label.setAutoFillBackground(false);
}

void styleButton(QPushButton& button, double pointSize) {
  button.setFont(boldSansSerif(pointSize));
  // A style sheet, because native button styles ignore the palette's button colour. The button
  // with the keyboard focus is framed in the status line's yellow: Space or Enter presses it.
  button.setStyleSheet(
      QStringLiteral("QPushButton { background-color: rgb(128, 128, 128); color: black;"
                     " border: 2px outset rgb(192, 192, 192); }"
                     "QPushButton:focus { border: 2px solid rgb(255, 255, 0); }"
                     "QPushButton:focus:pressed { border: 2px inset rgb(255, 255, 0); }"
                     "QPushButton:pressed { border-style: inset; }"));
}

}  // namespace pvx::look

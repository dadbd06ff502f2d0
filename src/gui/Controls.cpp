#include "gui/Controls.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "gui/Look.h"
#include "gui/QtFormPort.h"

namespace pvx::controls {

namespace {

// Names, places and explains a control made on its window.
template <class Control>
Control* placed(Control* control, const char* name, const Place& at, const Options& options) {
  control->setObjectName(QString::fromLatin1(name));
  placeTwips(*control, at.left, at.top, at.width, at.height);
  if (options.tip != nullptr)
    control->setToolTip(QString::fromLatin1(options.tip));
  return control;
}

// Makes the control's font smaller until text fits its width less margin.
void fitCaption(QWidget& w, const QString& text, int margin) {
  QFont font = w.font();
  while (font.pointSizeF() > 6.0 &&
         QFontMetrics(font).horizontalAdvance(text) + margin > w.width()) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  w.setFont(font);
}

}  // namespace

QLabel* label(QWidget& parent, const char* name, const QString& text, const Place& at,
              const Options& options) {
  auto* label = placed(new QLabel(text, &parent), name, at, options);
  label->setAlignment(options.align | Qt::AlignVCenter);
  // Titles and positions are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  look::styleLabel(*label);
  if (options.shrinkToFit)
    fitCaption(*label, text, 0);
  return label;
}

QLabel* statusLabel(QWidget& parent, const char* name, const Place& at, const Options& options) {
  auto* label = placed(new QLabel(&parent), name, at, options);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  label->setTextFormat(Qt::PlainText);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, look::statusText());
  label->setPalette(p);
  return label;
}

QPushButton* button(QWidget& parent, const char* name, const QString& text, double pointSize,
                    const Place& at, const Options& options) {
  auto* button = placed(new QPushButton(text, &parent), name, at, options);
  look::styleButton(*button, pointSize);
  // The button's frame takes a few pixels of its width.
  if (options.shrinkToFit)
    fitCaption(*button, text, 8);
  return button;
}

QLineEdit* textBox(QWidget& parent, const char* name, const Place& at, const Options& options) {
  return placed(new QLineEdit(&parent), name, at, options);
}

QSlider* slider(QWidget& parent, const char* name, Qt::Orientation orientation, int maximum,
                int pageStep, const Place& at, const Options& options) {
  auto* slider = placed(new QSlider(orientation, &parent), name, at, options);
  slider->setRange(0, maximum);
  slider->setPageStep(pageStep);
  slider->setSingleStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  return slider;
}

}  // namespace pvx::controls

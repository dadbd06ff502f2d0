#pragma once

#include <QString>
#include <Qt>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

// The controls of the program's windows, each made in one place: named (its object name, by
// which tests and tools find it), placed in twips, in the program's look and with its tooltip.
namespace pvx::controls {

// Where a control sits in its window: its left and top edges, its width and height, in twips.
struct Place {
  int left = 0, top = 0, width = 0, height = 0;
};

// What sets one control apart from the others of its kind.
struct Options {
  // The tooltip (Latin-1), or none.
  const char* tip = nullptr;
  // A caption's horizontal alignment; it is always centred vertically.
  Qt::Alignment align = Qt::AlignLeft;
  // Where the program's font is missing a wider face stands in for it, and a control of fixed
  // size would cut its caption: the caption's font is then made smaller until it fits.
  bool shrinkToFit = false;
};

// A caption in bold light blue on the window's background, shown as plain text.
QLabel* label(QWidget& parent, const char* name, const QString& text, const Place& at,
              const Options& options = {});
// A line of status in yellow, centred; console text is shown as it is, never as markup.
QLabel* statusLabel(QWidget& parent, const char* name, const Place& at,
                    const Options& options = {});
// A grey button with a bold caption of pointSize points.
QPushButton* button(QWidget& parent, const char* name, const QString& text, double pointSize,
                    const Place& at, const Options& options = {});
// A one-line text box.
QLineEdit* textBox(QWidget& parent, const char* name, const Place& at, const Options& options = {});
// A slider from 0 to maximum with ticks, moved by 1 by the arrow keys and by pageStep by Page Up
// and Page Down.
QSlider* slider(QWidget& parent, const char* name, Qt::Orientation orientation, int maximum,
                int pageStep, const Place& at, const Options& options = {});

}  // namespace pvx::controls

#pragma once

#include <QWidget>

namespace pvx {

// The message editor: a small window without a title in which one message of the message set
// and its flag are edited.
class mnuCustomize final : public QWidget {
  Q_OBJECT

 public:
  mnuCustomize();
};

}  // namespace pvx

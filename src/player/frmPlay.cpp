#include "player/frmPlay.h"

#include "app/Look.h"
#include "app/QtFormPort.h"

namespace pvx {

frmPlay::frmPlay() {
  setObjectName(QStringLiteral("frmPlay"));
  setWindowTitle(QStringLiteral("Playlist"));
  look::paintBackground(*this);
  // The start-up makes it as wide as the main window.
  setClientTwips(*this, 6525, 5565);
}

}  // namespace pvx

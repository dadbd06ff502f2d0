#include "messages/mnuCustomize.h"

#include "app/Look.h"
#include "app/QtFormPort.h"

namespace pvx {

mnuCustomize::mnuCustomize() {
  setObjectName(QStringLiteral("mnuCustomize"));
  setWindowTitle(QString());
  look::paintBackground(*this);
  setClientTwips(*this, 4680, 3090);
}

}  // namespace pvx

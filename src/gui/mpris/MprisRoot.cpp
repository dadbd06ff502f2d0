#include "gui/mpris/MprisRoot.h"

#include "gui/mpris/MprisService.h"

namespace pvx {

MprisRoot::MprisRoot(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {}

void MprisRoot::Raise() {
  service_.raise();
}

void MprisRoot::Quit() {
  service_.quit();
}

}  // namespace pvx

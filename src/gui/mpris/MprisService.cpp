#include "gui/mpris/MprisService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QTimer>

#include "core/player/MediaControls.h"
#include "gui/mpris/MprisPlayer.h"
#include "gui/mpris/MprisRoot.h"

namespace pvx {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.parlevox");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// The player's properties a desktop follows through PropertiesChanged. The position is not among
// them: it moves on by itself, and Seeked tells of jumps.
const char* const kFollowed[] = {"PlaybackStatus", "Metadata", "Volume",   "CanGoNext",
                                 "CanGoPrevious",  "CanPlay",  "CanPause", "CanSeek"};

}  // namespace

MprisService::MprisService(MediaControls& controls, std::function<void()> raise,
                           std::function<void()> quit)
    : controls_(controls), raise_(std::move(raise)), quit_(std::move(quit)) {
  new MprisRoot(*this);
  player_ = new MprisPlayer(*this, controls_);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    return;
  if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
    return;
  // A second Parlevox on the same desktop takes a name of its own, as the desktops expect.
  const QString instance =
      kName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
  for (const QString& name : {kName, instance}) {
    if (bus.registerService(name)) {
      busName_ = name;
      break;
    }
  }
  shown_ = shownProperties();
  controls_.watch(*this);
}

MprisService::~MprisService() {
  controls_.unwatch(*this);
  if (busName_.isEmpty())
    return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(busName_);
  bus.unregisterObject(kObjectPath);
}

void MprisService::raise() {
  if (raise_)
    raise_();
}

void MprisService::quit() {
  if (quit_)
    quit_();
}

void MprisService::positionMoved() {
  if (seekPending_)
    return;
  seekPending_ = true;
  QTimer::singleShot(0, this, [this] {
    seekPending_ = false;
    emit player_->Seeked(player_->position());
  });
}

void MprisService::propertiesMayHaveChanged() {
  // Told in the middle of an operation (a new track is started before it is announced): looked
  // at once it is over, and once for a burst of notifications.
  if (lookPending_)
    return;
  lookPending_ = true;
  QTimer::singleShot(0, this, [this] {
    lookPending_ = false;
    tellChangedProperties();
  });
}

QVariantMap MprisService::shownProperties() const {
  QVariantMap properties;
  for (const char* name : kFollowed)
    properties.insert(QString::fromLatin1(name), player_->property(name));
  return properties;
}

void MprisService::tellChangedProperties() {
  const QVariantMap now = shownProperties();
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it) {
    if (shown_.value(it.key()) != it.value())
      changed.insert(it.key(), it.value());
  }
  shown_ = now;
  if (changed.isEmpty())
    return;
  QDBusMessage signal =
      QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                 QStringLiteral("PropertiesChanged"));
  signal << kPlayerInterface << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace pvx

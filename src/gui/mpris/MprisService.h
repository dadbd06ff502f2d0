#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

#include "core/player/PlayerPort.h"

namespace pvx {

class MediaControls;
class MprisPlayer;

// The music player on the session bus as a media player of the desktop (MPRIS): the name
// org.mpris.MediaPlayer2.parlevox (with ".instance<pid>" after it where another Parlevox holds
// it), the object /org/mpris/MediaPlayer2 with the program's and the player's interfaces, and
// PropertiesChanged whenever something the player shows changes, whoever changed it. Without a
// session bus it does nothing, and the program plays as ever.
class MprisService final : public QObject, private PlayerWatcher {
  Q_OBJECT

 public:
  // raise: shows the player window; quit: ends the program as File -> Exit does.
  MprisService(MediaControls& controls, std::function<void()> raise, std::function<void()> quit);
  ~MprisService() override;
  MprisService(const MprisService&) = delete;
  MprisService& operator=(const MprisService&) = delete;

  // The name the program holds on the bus; empty when there is no bus or no name could be had.
  const QString& busName() const { return busName_; }

  void raise();
  void quit();

 private:
  // PlayerWatcher: what the desktop shows may have changed.
  void titlesChanged() override { propertiesMayHaveChanged(); }
  void volumeChanged() override { propertiesMayHaveChanged(); }
  void playbackChanged() override { propertiesMayHaveChanged(); }
  void positionMoved() override;

  // Once the operation under way is over: the properties that changed since the last look.
  void propertiesMayHaveChanged();
  void tellChangedProperties();
  QVariantMap shownProperties() const;

  MediaControls& controls_;
  std::function<void()> raise_;
  std::function<void()> quit_;
  MprisPlayer* player_ = nullptr;
  QString busName_;
  QVariantMap shown_;
  bool lookPending_ = false;
  bool seekPending_ = false;
};

}  // namespace pvx

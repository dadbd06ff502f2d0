#include "gui/mpris/MprisPlayer.h"

#include <QUrl>
#include <cmath>

#include "core/player/MediaControls.h"
#include "gui/mpris/MprisService.h"

namespace pvx {

namespace {

constexpr double kMicroseconds = 1e6;

qlonglong microseconds(double seconds) {
  return static_cast<qlonglong>(std::llround(seconds * kMicroseconds));
}

}  // namespace

MprisPlayer::MprisPlayer(MprisService& service, MediaControls& controls)
    : QDBusAbstractAdaptor(&service), controls_(controls) {}

QDBusObjectPath MprisPlayer::trackPath(std::uint64_t number) {
  return QDBusObjectPath(QStringLiteral("/org/parlevox/Track/") + QString::number(number));
}

QString MprisPlayer::playbackStatus() const {
  switch (controls_.state()) {
    case PlaybackState::Playing:
      return QStringLiteral("Playing");
    case PlaybackState::Paused:
      return QStringLiteral("Paused");
    case PlaybackState::Idle:
      break;
  }
  return QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::metadata() const {
  const std::optional<MediaControls::Track> track = controls_.track();
  if (!track)
    return {{QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
  QVariantMap map{
      {QStringLiteral("mpris:trackid"), QVariant::fromValue(trackPath(track->number))},
      {QStringLiteral("xesam:title"), QString::fromStdString(track->title)},
      {QStringLiteral("xesam:url"),
       QUrl::fromLocalFile(QString::fromStdString(track->path)).toString(QUrl::FullyEncoded)},
  };
  if (track->seconds > 0)
    map.insert(QStringLiteral("mpris:length"), microseconds(track->seconds));
  return map;
}

double MprisPlayer::volume() const {
  return controls_.volume();
}

void MprisPlayer::setVolume(double level) {
  controls_.setVolume(level);
}

qlonglong MprisPlayer::position() const {
  return microseconds(controls_.position());
}

bool MprisPlayer::canGoNext() const {
  return controls_.canGoNext();
}
bool MprisPlayer::canGoPrevious() const {
  return controls_.canGoPrevious();
}
bool MprisPlayer::canPlay() const {
  return controls_.canPlay();
}
bool MprisPlayer::canPause() const {
  return controls_.canPause();
}
bool MprisPlayer::canSeek() const {
  return controls_.canSeek();
}

void MprisPlayer::Next() {
  controls_.next();
}
void MprisPlayer::Previous() {
  controls_.previous();
}
void MprisPlayer::Pause() {
  controls_.pause();
}
void MprisPlayer::PlayPause() {
  controls_.playPause();
}
void MprisPlayer::Stop() {
  controls_.stop();
}
void MprisPlayer::Play() {
  controls_.play();
}

void MprisPlayer::Seek(qlonglong Offset) {
  controls_.seekBy(static_cast<double>(Offset) / kMicroseconds);
}

void MprisPlayer::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
  const std::optional<MediaControls::Track> track = controls_.track();
  if (track && TrackId == trackPath(track->number))
    controls_.setPosition(track->number, static_cast<double>(Position) / kMicroseconds);
}

void MprisPlayer::OpenUri(const QString&) {
  // No scheme is offered (SupportedUriSchemes is empty): nothing to open.
}

}  // namespace pvx

#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace pvx {

class MprisService;

// The desktop's view of the program itself (org.mpris.MediaPlayer2): its name, its menu entry,
// and the two things a desktop may ask of it, to show it and to end it.
class MprisRoot final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ canQuit)
  Q_PROPERTY(bool CanRaise READ canRaise)
  Q_PROPERTY(bool CanSetFullscreen READ canSetFullscreen)
  Q_PROPERTY(bool Fullscreen READ fullscreen)
  Q_PROPERTY(bool HasTrackList READ hasTrackList)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

 public:
  explicit MprisRoot(MprisService& service);

  bool canQuit() const { return true; }
  bool canRaise() const { return true; }
  bool canSetFullscreen() const { return false; }
  bool fullscreen() const { return false; }
  bool hasTrackList() const { return false; }
  QString identity() const { return QStringLiteral("Parlevox"); }
  QString desktopEntry() const { return QStringLiteral("parlevox"); }
  // Nothing is opened from outside: the playlist is the player window's.
  QStringList supportedUriSchemes() const { return {}; }
  QStringList supportedMimeTypes() const { return {}; }

 public slots:
  void Raise();
  void Quit();

 private:
  MprisService& service_;
};

}  // namespace pvx

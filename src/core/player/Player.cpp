#include "core/player/Player.h"

#include "core/text/Text.h"

namespace pvx {

Player::Player(MediaBackEnd& media, Clock& clock, ConsoleBridge& bridge, PlayerPort& port,
               const std::filesystem::path& playlistFile, Playlist::HiddenFileTest isHidden,
               FileEncoding encoding)
    : bridge_(bridge),
      views_(port),
      playlist_(views_, playlistFile, std::move(isHidden), encoding),
      engine_(media, clock, playlist_, views_, *this) {}

void Player::load() {
  playlist_.loadPlaylist();
  engine_.setVolumeSlider(PlaybackEngine::kVolumeAtCreation);
}

std::string Player::playEntry(int index) {
  if (index < 0 || index >= playlist_.count())
    return {};
  return engine_.play(playlist_.path(index));
}

void Player::resume() {
  if (engine_.isPaused())
    engine_.play({});
}

void Player::playSelected() {
  if (engine_.hasGraph() && !engine_.isPaused())
    engine_.stop();
  if (playlist_.selection() == -1)
    playlist_.select(engine_.currentIndex());
  if (playlist_.selection() == -1 && !engine_.isPaused())
    return;  // an empty playlist
  engine_.play(playlist_.path(playlist_.selection()));
}

std::string Player::startSelected(int index) {
  playlist_.select(index);
  if (engine_.hasGraph() && !engine_.isPaused())
    engine_.stop();
  if (playlist_.selection() == -1)
    playlist_.select(engine_.currentIndex());
  return engine_.play(playlist_.path(playlist_.selection()));
}

std::string Player::nextSong() {
  const int n = playlist_.count();
  if (n == 0)
    return {};
  const int next = engine_.currentIndex() + 1 <= n - 1 ? engine_.currentIndex() + 1 : 0;
  const int announcedBefore = announcements_;
  std::string title = startSelected(next);
  // An entry that could not be started was skipped by a nested nextSong, which announced the
  // entry that did start; an empty announcement after it would only confuse.
  if (title.empty() && announcements_ != announcedBefore)
    return title;
  // File names may hold ";": the title is typed inert.
  bridge_.sendConsoleCommand(kAnnouncement + text::makeInert(title));
  ++announcements_;
  return title;
}

std::string Player::prevSong() {
  const int n = playlist_.count();
  if (n == 0)
    return {};
  return startSelected(engine_.currentIndex() - 1 < 0 ? n - 1 : engine_.currentIndex() - 1);
}

}  // namespace pvx

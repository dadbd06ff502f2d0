#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/player/PlayerPort.h"

namespace pvx {

// The player's window and whoever else follows the player (the desktop's media controls): the
// window answers the dialogs, and every notification goes to the window and then to each
// watcher, in the order they began to watch.
class PlayerViews final : public PlayerPort {
 public:
  explicit PlayerViews(PlayerPort& window) : window_(window) {}

  void watch(PlayerWatcher& watcher) { watchers_.push_back(&watcher); }
  void unwatch(PlayerWatcher& watcher) {
    watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), &watcher), watchers_.end());
  }

  std::optional<ChosenFile> chooseFile(const std::string& filter) override {
    return window_.chooseFile(filter);
  }
  void showFailure(const std::string& description) override { window_.showFailure(description); }

  void titlesChanged() override { tell(&PlayerWatcher::titlesChanged); }
  void selectionChanged() override { tell(&PlayerWatcher::selectionChanged); }
  void positionChanged() override { tell(&PlayerWatcher::positionChanged); }
  void volumeChanged() override { tell(&PlayerWatcher::volumeChanged); }
  void playbackChanged() override { tell(&PlayerWatcher::playbackChanged); }
  void positionMoved() override { tell(&PlayerWatcher::positionMoved); }

 private:
  void tell(void (PlayerWatcher::*notification)()) {
    (window_.*notification)();
    // A copy: a watcher may stop watching while it is told.
    const std::vector<PlayerWatcher*> watchers = watchers_;
    for (PlayerWatcher* watcher : watchers) {
      if (std::find(watchers_.begin(), watchers_.end(), watcher) != watchers_.end())
        (watcher->*notification)();
    }
  }

  PlayerPort& window_;
  std::vector<PlayerWatcher*> watchers_;
};

}  // namespace pvx

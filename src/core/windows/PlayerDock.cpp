#include "core/windows/PlayerDock.h"

#include <cmath>

namespace pvx {

namespace {
// One pixel: the platform places windows on whole pixels, so a place asked for in twips may come
// back rounded.
constexpr float kOnePixel = 15.0f;
}  // namespace

TwipsRect PlayerDock::mainGeometry() {
  if (main_.isVisible()) {
    lastShownMain_ = main_.geometry();
    return *lastShownMain_;
  }
  return lastShownMain_ ? *lastShownMain_ : main_.geometry();
}

bool PlayerDock::stillPlaced(const TwipsRect& main) const {
  return placed_ && std::fabs(main.left - placed_->left) <= kOnePixel &&
         std::fabs(main.top - placed_->top) <= kOnePixel;
}

TwipsRect PlayerDock::placePair(const TwipsRect& main, float playerHeight) {
  const TwipsRect kept = keepPairInside(main, playerHeight, main_.availableArea());
  if (kept.left == main.left && kept.top == main.top) {
    placed_ = main;
    return main;
  }
  main_.move(kept.left, kept.top);
  placed_ = kept;
  return kept;
}

void PlayerDock::keepPairOnScreen() {
  placePair(main_.isVisible() ? mainGeometry() : main_.geometry(), player_.geometry().height);
}

void PlayerDock::dock() {
  TwipsRect main = mainGeometry();
  // Placing the pair moves only the main window: the player's geometry is read once.
  const TwipsRect player = player_.geometry();
  if (main_.isVisible()) {
    if (stillPlaced(main)) {
      main = placePair(main, player.height);
      lastShownMain_ = main;
    } else {
      placed_.reset();
    }
  }
  const float dockedTop = main.bottom();
  if (player.top != dockedTop || player.left != main.left)
    player_.move(main.left, dockedTop);
}

}  // namespace pvx

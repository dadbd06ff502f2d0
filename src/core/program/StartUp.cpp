#include "core/program/StartUp.h"

#include <system_error>

namespace pvx {

void StartUp::run() {
  const TwipsRect centred = centerForm(main_.geometry(), main_.screenWidth(), main_.screenHeight());
  main_.move(centred.left, centred.top);

  // The editor and the player window (whose making loads the playlist) come into existence
  // hidden and live on hidden.
  editor_.create();
  editor_.setVisible(false);
  player_.create();
  player_.setVisible(false);

  dock_.matchWidth();
  // Centred on a screen not much taller than the pair, the player window would reach below the
  // screen's edge.
  dock_.keepPairOnScreen();
  dock_.dock();
  main_.setVisible(true);
  status_.showOs();

  replies_.setRepliesOn(true);
  watch_.arm();
  watch_.findConsoleAtStart();

  // "Saves" beside the program; a folder that exists already, or one that cannot be made, is no
  // reason to stop.
  std::error_code ignored;
  std::filesystem::create_directory(programFolder_ / "Saves", ignored);
}

}  // namespace pvx

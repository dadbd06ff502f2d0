#!/usr/bin/env bash
# Retakes the pictures in docs/ as a user sees the windows: under Xvfb with the openbox window
# manager, frames and all. Needs xvfb and openbox (Debian packages of those names).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset test >/dev/null
cmake --build build/test --target parlevox_screenshot parlevox_game_screenshot \
  parlevox_test_engine

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
QT_QPA_PLATFORM=xcb build/test/parlevox_screenshot --desktop docs/main-window.png \
  docs/player-window.png docs/message-editor.png docs/desktop.png
QT_QPA_PLATFORM=xcb build/test/parlevox_game_screenshot build/test/tests/parlevox_test_engine \
  docs/linux-game.png
echo "docs/main-window.png docs/player-window.png docs/message-editor.png docs/desktop.png" \
  "docs/linux-game.png"

#!/usr/bin/env bash
# Takes docs/windows-main.png: the real parlevox.exe from the release zip under Wine (Xvfb, a
# Wine prefix of its own), beside the Win32 practice console, with a message set loaded through
# the game's chat and the player window shown docked below the main window.
#
#   scripts/windows-screenshot.sh [BUILD_DIR]     (default build/windows, made by
#                                                  scripts/package-windows.sh)
#
# Needs xvfb, xdotool and imagemagick besides Wine. The screen is tall enough for both windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build/windows}"
console="$root/$build/wine-tests/win32-practice-console.exe"

die() {
  echo "windows-screenshot.sh: $*" >&2
  exit 1
}

if [ "${2:-}" != "--inside" ]; then
  zip=$(scripts/package-windows.sh "$build")
  nice -n 10 cmake --build "$build" -j "${JOBS:-2}" --target win32-practice-console >&2
  [ -f "$console" ] || die "no $console"
  for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || die "$tool is missing (packages xvfb, xdotool, imagemagick)"
  done
  prefix="$root/$build/wine-prefix-screenshot"
  bash scripts/run-wine-test.sh --prepare "$prefix" >&2
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && cmake -E tar xf "$zip")
  export PARLEVOX_APP=$(find "$work" -name parlevox.exe -printf '%h\n')
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  export ALSA_CONFIG_PATH="$prefix.alsa.conf"
  xvfb-run -a -s "-screen 0 1280x1280x24" bash "$0" "$build" --inside
  echo "$root/docs/windows-main.png"
  exit 0
fi

# Inside the X server.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
cleanup() { "$wineserver" -k 2>/dev/null || true; }
trap cleanup EXIT

wait_for() {
  local i
  for i in $(seq 1 300); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

printf 'Parlevocs [ZB] Vendrix\r\n%%s vs %%d\r\n%%s beat %%d\r\n%%d beat %%s\r\nWelcome, %%d\r\n 1 \r\n\r\n 0 \r\n\r\n 0 \r\n\r\n 0 \r\n' \
  >"$PARLEVOX_APP/Saves/duel.pvx"
"$wine" "$console" --name "Kyle" --print "Jan^7 entered the game" &
wait_for "$wine" "$console" --send "print Welcome to the practice game"
(cd "$PARLEVOX_APP" && "$wine" parlevox.exe) &
wait_for xdotool search --name "^Parlevox V1.1"
main=$(xdotool search --name "^Parlevox V1.1" | head -n 1)
sleep 2 # the first watch cycles learn the name
"$wine" "$console" --send "enter say !load duel"
eval "$(xdotool getwindowgeometry --shell "$main")"
# The Playlist button, at the bottom of the main window's client area (Wine's X window of an
# unmanaged window holds the frame it draws: 4 px borders).
xdotool mousemove $((X + 4 + 312)) $((Y + HEIGHT - 4 - 319 + 232)) click 1
wait_for xdotool search --name "^Playlist$"
sleep 3 # both windows painted, frames too
player=$(xdotool search --name "^Playlist$" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/MAIN_/')"
eval "$(xdotool getwindowgeometry --shell "$player" | sed 's/^/PLAYER_/')"
import -window root "$PARLEVOX_APP/root.png"
# Main window and player window docked below it, frames included.
left=$MAIN_X
top=$MAIN_Y
right=$((MAIN_X + MAIN_WIDTH))
bottom=$((PLAYER_Y + PLAYER_HEIGHT))
convert "$PARLEVOX_APP/root.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
  "$root/docs/windows-main.png"

#!/usr/bin/env bash
# The installed program keeps its files in the user's data folder. The program of the unpacked
# package, started with HOME and XDG_DATA_HOME in a folder of the test's own, makes
# $XDG_DATA_HOME/parlevox/Saves at its first start, and File -> Save writes the message set
# there; with XDG_DATA_HOME unset the folder is ~/.local/share/parlevox. Run under xvfb-run;
# openbox manages the windows and xdotool types.
#
#   data-folder.sh ROOT      (ROOT: the unpacked package)
set -euo pipefail
root=$1
work=$(mktemp -d)
program=""
wm=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "data-folder.sh: $*" >&2
  exit 1
}
# Waits until the command succeeds; the bound only tells a hang from an answer.
within() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

openbox 2>/dev/null &
wm=$!
# Ready once it answers as an EWMH window manager.
within 30 xdotool get_num_desktops || fail "openbox did not start"

mkdir -p "$work/home"
start() {
  env -u XDG_DATA_HOME HOME="$work/home" "$@" QT_QPA_PLATFORM=xcb "$root/usr/bin/parlevox" \
    >"$work/out" 2>&1 &
  program=$!
}
stop() {
  kill "$program"
  wait "$program" 2>/dev/null || true
  program=""
}

# XDG_DATA_HOME unset: ~/.local/share/parlevox.
start
within 60 test -d "$work/home/.local/share/parlevox/Saves" ||
  fail "no ~/.local/share/parlevox/Saves; the program said: $(cat "$work/out")"
stop
[ ! -e "$root/usr/bin/Saves" ] || fail "Saves was made beside the installed program"

# XDG_DATA_HOME set: Saves there, and File -> Save writes into it.
start XDG_DATA_HOME="$work/data"
saves="$work/data/parlevox/Saves"
within 60 test -d "$saves" || fail "no $saves; the program said: $(cat "$work/out")"
within 60 xdotool search --onlyvisible --name '^Parlevox V' || fail "the main window never showed"
main=$(xdotool search --onlyvisible --name '^Parlevox V' | head -1)
xdotool windowactivate --sync "$main"
# The File menu is open once one more of the program's windows shows.
windows() { xdotool search --onlyvisible --pid "$program" | wc -l; }
before=$(windows)
xdotool key --clearmodifiers alt+f
more() { [ "$(windows)" -gt "$before" ]; }
within 30 more || fail "Alt+F opened no menu"
xdotool key --clearmodifiers s
within 30 xdotool search --onlyvisible --name '^Save Messages$' || fail "File -> Save asked no name"
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 duel
xdotool key --clearmodifiers Return
within 30 test -s "$saves/duel.pvx" || fail "File -> Save wrote no $saves/duel.pvx"
[ "$(head -1 "$saves/duel.pvx" | tr -d '\r')" = "Parlevocs [ZB] Vendrix" ] ||
  fail "$saves/duel.pvx is no message set"
[ ! -e "$root/usr/bin/Saves" ] || fail "Saves was made beside the installed program"

#!/usr/bin/env bash
# Without a session bus the program starts and plays as ever.
#   bash tests/mpris/no-bus.sh PATH/TO/parlevox
PARLEVOX=$1
TRACK_SECONDS=2
source "$(dirname "$0")/rig.sh"

unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
# Where the bus would be found by default, an empty folder.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The first entry plays at once, and the player goes on through the list.
PARLEVOX_REPORT_FIRST_CYCLE=1 PARLEVOX_PLAY_AT_START=1 start_program
wait_until grep -q "first watch cycle" "$work/stderr" || fail "the program did not start"
# The back end holds the file of the track it plays open.
plays() { ls -l "/proc/$program_pid/fd" 2>/dev/null | grep -q "Saves/$1.wav"; }
wait_until plays Alpha || fail "the first entry did not play"
wait_until plays Beta || fail "the second entry did not follow the first"
kill -0 "$program_pid" || fail "the program is not running"
finish

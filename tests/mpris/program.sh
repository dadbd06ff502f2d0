#!/usr/bin/env bash
# The program on a session bus of its own (run under dbus-run-session), driven as the desktop
# drives a media player: by playerctl and gdbus, through org.mpris.MediaPlayer2.parlevox.
#   dbus-run-session -- bash tests/mpris/program.sh PATH/TO/parlevox
PARLEVOX=$1
source "$(dirname "$0")/rig.sh"

readonly NAME=org.mpris.MediaPlayer2.parlevox
readonly OBJECT=/org/mpris/MediaPlayer2
ctl() { playerctl --player=parlevox "$@"; }
property() {
  gdbus call --session --dest "$NAME" --object-path "$OBJECT" \
    --method org.freedesktop.DBus.Properties.Get "$1" "$2"
}

[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "no session bus: run under dbus-run-session" >&2; exit 1; }
start_program
gdbus wait --session --timeout "$BOUND" "$NAME" || fail "the program took no name on the bus"
expect_eq "the players on the bus" "$(playerctl --list-all)" parlevox
expect_eq "Identity" "$(property org.mpris.MediaPlayer2 Identity)" "(<'Parlevox'>,)"
expect_eq "DesktopEntry" "$(property org.mpris.MediaPlayer2 DesktopEntry)" "(<'parlevox'>,)"
expect_eq "CanRaise" "$(property org.mpris.MediaPlayer2 CanRaise)" "(<true>,)"
expect_eq "CanControl" "$(property org.mpris.MediaPlayer2.Player CanControl)" "(<true>,)"
expect_eq "the status before anything played" "$(ctl status)" Stopped

# Every signal of the program from here on.
gdbus monitor --session --dest "$NAME" >"$work/signals" &
wait_until grep -q "is owned by" "$work/signals" || fail "the monitor did not start"

ctl play-pause
expect_eq "the status after play-pause" "$(ctl status)" Playing
expect_eq "the title" "$(ctl metadata title)" Alpha
expect_eq "the url" "$(ctl metadata xesam:url)" "file://$app/Saves/Alpha.wav"
# The length is known once the track's graph is built, on the media framework's threads.
wait_until bash -c "[ \"\$(playerctl --player=parlevox metadata mpris:length 2>/dev/null)\" = 30000000 ]"
expect_eq "the length" "$(ctl metadata mpris:length)" 30000000
ctl play-pause
expect_eq "the status after a second play-pause" "$(ctl status)" Paused
ctl play
expect_eq "the status after play" "$(ctl status)" Playing

ctl next
expect_eq "the title after next" "$(ctl metadata title)" Beta
ctl previous
expect_eq "the title after previous" "$(ctl metadata title)" Alpha
ctl previous
expect_eq "before the first entry" "$(ctl metadata title)" Gamma
ctl next
expect_eq "after the last entry" "$(ctl metadata title)" Alpha

expect_eq "the volume slider at its middle" "$(ctl volume)" 0.500000
ctl volume 0.25
expect_eq "the volume set" "$(ctl volume)" 0.250000
ctl volume 0.33
expect_eq "the volume on the slider's nearest step" "$(ctl volume)" 0.350000

# Held, so that the track stays where it was put however slowly the checks run.
ctl pause
ctl position 12
expect_near "the position set" "$(ctl position)" 12 0.1
ctl position 4-
expect_near "the position moved back" "$(ctl position)" 8 0.1
expect_eq "the track after moving within it" "$(ctl metadata title)" Alpha
ctl play

ctl stop
expect_eq "the status after stop" "$(ctl status)" Stopped

# The desktop was told of each change as it came.
wait_until grep -q "'PlaybackStatus': <'Stopped'>" "$work/signals" ||
  fail "no PropertiesChanged for the stop"
for change in "'PlaybackStatus': <'Playing'>" "'PlaybackStatus': <'Paused'>" \
  "'xesam:title': <'Beta'>" "'xesam:title': <'Gamma'>" "'Volume': <0.25>" "'Volume': <0.3"; do
  if grep "PropertiesChanged" "$work/signals" | grep -qF "$change"; then
    echo "ok: PropertiesChanged told $change"
  else
    fail "no PropertiesChanged told $change"
  fi
done
grep -q "Player.Seeked (int64 1[0-9]\{7\}," "$work/signals" || fail "no Seeked for the move to 12 s"

# Raise shows the player window (offscreen, nothing to see but the answer).
expect_eq "the answer to Raise" "$(gdbus call --session --dest "$NAME" --object-path "$OBJECT" \
  --method org.mpris.MediaPlayer2.Raise)" "()"

# Quit is File -> Exit.
gdbus call --session --dest "$NAME" --object-path "$OBJECT" --method org.mpris.MediaPlayer2.Quit \
  >/dev/null
status=0
wait_until bash -c "! kill -0 $program_pid 2>/dev/null" || fail "Quit did not end the program"
wait "$program_pid" || status=$?
program_pid=""
expect_eq "the exit status after Quit" "$status" 0
finish

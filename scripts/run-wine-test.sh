#!/usr/bin/env bash
# Runs a Windows test program under Wine, headless, for ctest:
#
#   run-wine-test.sh --prepare PREFIX             makes the Wine prefix PREFIX (once: later calls,
#                                                 also concurrent ones, find it made and return)
#   run-wine-test.sh PREFIX PROGRAM.exe [ARGS...] runs the program; its exit status is the result
#
# The prefix is private to the build folder (Debian's wine64, 64-bit only, no Mono, no Gecko);
# every run gets an X server of its own from xvfb-run, and every Wine process of the prefix is
# ended afterwards, so that no process of one test outlives its display into the next test.
# Set PARLEVOX_WINE_TIMEOUT to change the time a program may take (seconds, default 90).
#
# Sound: Wine plays through ALSA (or PulseAudio), and a machine without a sound card (CI, a
# container) has no ALSA device, so DirectShow could not build a graph for any audio file. Wine 8
# has no silent audio driver of its own: its registry value HKCU\Software\Wine\Drivers "Audio"
# only picks among pulse, alsa, oss and coreaudio, or none at all. So ALSA's own "null" device is
# made the default for the programs run here, on every machine, sound card or not: it drops the
# sound, playback through it still keeps real time (a 1 s file plays for 1 s), and the tests are
# never heard.
set -euo pipefail

die() {
  echo "run-wine-test.sh: $*" >&2
  exit 2
}

find_tool() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      command -v "$name"
      return 0
    fi
    # Debian's wine64 package alone (without the wine wrapper package) keeps them here.
    if [ -x "/usr/lib/wine/$name" ]; then
      echo "/usr/lib/wine/$name"
      return 0
    fi
  done
  return 1
}

# Writes the ALSA configuration named by ALSA_CONFIG_PATH, unless it is there already.
write_alsa_config() {
  [ -n "${ALSA_CONFIG_PATH:-}" ] || return 0
  local config
  config=$'</usr/share/alsa/alsa.conf>\npcm.!default { type null }\n'
  if [ ! -f "$ALSA_CONFIG_PATH" ] || [ "$(cat "$ALSA_CONFIG_PATH")"$'\n' != "$config" ]; then
    mkdir -p "$(dirname "$ALSA_CONFIG_PATH")"
    printf '%s' "$config" >"$ALSA_CONFIG_PATH.new.$$"
    mv -f "$ALSA_CONFIG_PATH.new.$$" "$ALSA_CONFIG_PATH"
  fi
}

setup_environment() {
  local prefix=$1
  case "$prefix" in
    /*) ;;
    *) prefix="$PWD/$prefix" ;;
  esac
  export WINEPREFIX="$prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialog that would wait for a click, no desktop menu entries.
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  # Wine wants a home folder; a CI runner may not set one.
  export HOME="${HOME:-$(dirname "$WINEPREFIX")}"
  # The ALSA configuration beside the prefix: the system's, with the null device as the default.
  if [ -f /usr/share/alsa/alsa.conf ]; then
    export ALSA_CONFIG_PATH="$WINEPREFIX.alsa.conf"
    write_alsa_config
  fi
  WINE=$(find_tool wine64 wine) || die "wine64 is not installed (apt-get install wine64)"
  WINESERVER=$(find_tool wineserver64 wineserver) || die "wineserver is not installed"
  export WINE WINESERVER
}

prepare() {
  local ready="$WINEPREFIX/.parlevox-ready-1"
  [ -f "$ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  # One boot per prefix, even when several tests ask at once: the others wait for it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    echo "Making the Wine prefix $WINEPREFIX (once)"
    # A prefix whose boot was cut short is made afresh; anything else there is not ours to remove.
    if [ -e "$WINEPREFIX/system.reg" ] || [ -e "$WINEPREFIX/drive_c" ]; then
      rm -rf "$WINEPREFIX"
    elif [ -e "$WINEPREFIX" ] && [ -n "$(ls -A "$WINEPREFIX")" ]; then
      die "$WINEPREFIX exists and is not a Wine prefix"
    fi
    local log="$WINEPREFIX.boot.log"
    if ! timeout --kill-after=10 300 "$WINE" wineboot -i >"$log" 2>&1 9>&-; then
      cat "$log" >&2
      die "wineboot failed"
    fi
    # Windows not managed by an X window manager: with none running (Xvfb), Wine would otherwise
    # wait two seconds for one each time a top-level window is hidden or destroyed.
    if ! timeout 120 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      >>"$log" 2>&1 9>&-; then
      cat "$log" >&2
      die "the Wine prefix could not be set up"
    fi
    # The registry is written when the server ends.
    timeout --kill-after=10 120 "$WINESERVER" -w 9>&- || true
    touch "$ready"
  fi
  exec 9>&-
}

# Inside the X server of xvfb-run: the program, then the end of every Wine process it left.
run_inside() {
  local status=0
  timeout --kill-after=10 "${PARLEVOX_WINE_TIMEOUT:-90}" "$WINE" "$@" || status=$?
  "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true
  [ "$status" -eq 124 ] && echo "run-wine-test.sh: $1 timed out" >&2
  return "$status"
}

run() {
  local program=$1
  [ -f "$program" ] || die "no program $program (is the Windows cross build built?)"
  command -v xvfb-run >/dev/null 2>&1 || die "xvfb-run is not installed (apt-get install xvfb xauth)"
  prepare
  # One program at a time in the prefix, also across ctest runs: they share one Wine session,
  # where each would find the other's windows, and each ends every Wine process afterwards.
  exec 8>"$WINEPREFIX.run.lock"
  flock 8
  # A server left from a run that was killed would still hold its gone display.
  "$WINESERVER" -k 2>/dev/null || true
  timeout 30 "$WINESERVER" -w 2>/dev/null || true

  # xvfb-run -a picks a free display, but another xvfb-run starting at the same moment may take
  # it first; then Xvfb fails to start and the run is tried again.
  local attempt status errors
  errors=$(mktemp)
  for attempt in 1 2 3; do
    status=0
    # (The lock stays with this script: a Wine process that outlived the run must not hold it.)
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$WINEPREFIX" "$@" 8>&- \
      2> >(tee "$errors" >&2) || status=$?
    wait  # for tee
    if [ "$status" -ne 0 ] && grep -q "Xvfb failed to start" "$errors"; then
      echo "run-wine-test.sh: Xvfb did not start (attempt $attempt), trying again" >&2
      continue
    fi
    break
  done
  rm -f "$errors"
  return "$status"
}

[ $# -ge 2 ] || die "usage: run-wine-test.sh --prepare PREFIX | PREFIX PROGRAM.exe [ARGS...]"
case "$1" in
  --prepare)
    setup_environment "$2"
    prepare
    ;;
  --inside)
    setup_environment "$2"
    shift 2
    run_inside "$@"
    ;;
  *)
    setup_environment "$1"
    shift
    run "$@"
    ;;
esac

# What the MPRIS tests share: a program folder of their own with the program in it, a playlist of
# three silent .wav files, and bounded waits. Sourced by the tests; PARLEVOX is the program.

set -euo pipefail

# Bounds that tell a hang from an answer on a busy machine, in seconds.
readonly BOUND=60

work=$(mktemp -d)
program_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  jobs -p | xargs -r kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
# expect_eq WHAT GOT WANTED
expect_eq() {
  if [ "$2" != "$3" ]; then
    fail "$1: \"$2\", not \"$3\""
  else
    echo "ok: $1 is \"$3\""
  fi
}
# expect_near WHAT GOT WANTED TOLERANCE
expect_near() {
  if ! awk -v g="$2" -v w="$3" -v t="$4" 'BEGIN { d = g - w; exit !(d <= t && -d <= t) }'; then
    fail "$1: $2, not within $4 of $3"
  else
    echo "ok: $1 is $2 (about $3)"
  fi
}
# wait_until COMMAND...: runs it until it succeeds, for BOUND seconds at most.
wait_until() {
  local deadline=$((SECONDS + BOUND))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

# A little-endian number of 2 or 4 bytes, as printf escapes.
le() {
  local value=$1 bytes=$2 out="" i
  for ((i = 0; i < bytes; i++)); do
    out+=$(printf '\\x%02x' $(((value >> (8 * i)) & 255)))
  done
  printf '%s' "$out"
}
# silent_wav FILE SECONDS: 8 kHz mono 16-bit silence.
silent_wav() {
  local data=$(($2 * 16000))
  {
    printf "RIFF$(le $((36 + data)) 4)WAVEfmt $(le 16 4)$(le 1 2)$(le 1 2)$(le 8000 4)"
    printf "$(le 16000 4)$(le 2 2)$(le 16 2)data$(le "$data" 4)"
    head -c "$data" /dev/zero
  } >"$1"
}

# The program in a folder of its own: "Saves" beside it makes it keep its files there.
app="$work/app"
mkdir -p "$app/Saves"
cp "$PARLEVOX" "$app/parlevox"
readonly TITLES=(Alpha Beta Gamma)
# A playlist file starts with the index of its last entry, then each entry's path and title.
{
  printf ' %d \r\n' $((${#TITLES[@]} - 1))
  for title in "${TITLES[@]}"; do
    silent_wav "$app/Saves/$title.wav" "${TRACK_SECONDS:-30}"
    printf '%s\r\n%s\r\n' "$app/Saves/$title.wav" "$title"
  done
} >"$app/Saves/playlist.lst"

# Starts the program offscreen against the practice game, its stderr in $work/stderr.
start_program() {
  QT_QPA_PLATFORM=offscreen "$app/parlevox" 2>"$work/stderr" &
  program_pid=$!
}

finish() {
  if [ "$failures" -ne 0 ]; then
    if [ -f "$work/signals" ]; then
      echo "the signals the program sent:" >&2
      cat "$work/signals" >&2
    fi
    echo "$failures check(s) failed; the program's stderr:" >&2
    cat "$work/stderr" >&2 || true
    exit 1
  fi
  echo "every check passed"
}

#!/usr/bin/env bash
# Checks the layers of src/: each folder includes only from its own layer and those below it.
#   core      plain C++20: no Qt, no windows.h, nothing of platform/, gui/ or app/
#   platform  the real window system, files and media: no Qt, nothing of gui/ or app/
#   gui       the Qt windows: nothing of app/
#   app       the program's wiring: anything
# Inside the core, its folders stand in one order, from the bottom up (core_order below): a folder
# includes only the folders before it, and every folder of src/core has its place in the order.
# Prints every include that breaks a rule and exits non-zero when there is one.
#   scripts/check-layers.sh --graph   prints instead which core folders each core folder includes
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--graph" ]; then
  for folder in src/core/*/; do
    name=$(basename "$folder")
    used=$(grep -rhoE '#include "core/[a-z]+/' "$folder" | sed 's|#include "core/||; s|/$||' |
      sort -u | grep -vx "$name" | tr '\n' ' ' || true)
    printf '%-9s -> %s\n' "$name" "$used"
  done
  exit 0
fi

failed=0
# check FOLDER PATTERN WHY: every include line under FOLDER that matches PATTERN is a fault.
check() {
  local folder=$1 pattern=$2 why=$3 hits
  [ -d "$folder" ] || return 0
  hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" "$folder" || true)
  if [ -n "$hits" ]; then
    echo "$why:"
    echo "$hits"
    failed=1
  fi
}

qt='Q[A-Za-z]+(>|")|Qt[A-Za-z]*/|q[a-z]+\.h'
check src/core "$qt" "src/core includes Qt"
check src/core '[Ww]indows\.h|windef\.h|winuser\.h|dshow\.h' "src/core includes a Windows header"
check src/core '(platform|gui|app)/' "src/core includes a higher layer"
check src/platform "$qt" "src/platform includes Qt"
check src/platform '(gui|app)/' "src/platform includes a higher layer"
check src/gui 'app/' "src/gui includes the program's wiring"

# text: text helpers; time: the clock; console: the way to the game's console; windows: what the
# core asks of the program's windows, the player window's dock, the status line and the OS
# description; messages and player: the message sets, the music player; watcher: the watch cycle
# with its replies and chat commands; program: the composition of it all.
core_order=(text time console windows messages player watcher program)
for i in "${!core_order[@]}"; do
  above=("${core_order[@]:$((i + 1))}")
  [ ${#above[@]} -eq 0 ] && continue
  check "src/core/${core_order[$i]}" "core/($(IFS='|' && echo "${above[*]}"))/" \
    "src/core/${core_order[$i]} includes a core folder above it"
done
for folder in src/core/*/; do
  name=$(basename "$folder")
  if [[ " ${core_order[*]} " != *" $name "* ]]; then
    echo "src/core/$name has no place in the core's order (scripts/check-layers.sh)"
    failed=1
  fi
done

if [ "$failed" -eq 0 ]; then
  echo "layers: every include stays within its layer"
fi
exit "$failed"

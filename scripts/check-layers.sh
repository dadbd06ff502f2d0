#!/usr/bin/env bash
# Checks the layers of src/: each folder includes only from its own layer and those below it.
#   core      plain C++20: no Qt, no windows.h, nothing of platform/, gui/ or app/
#   platform  the real window system, files and media: no Qt, nothing of gui/ or app/
#   gui       the Qt windows: nothing of app/
#   app       the program's wiring: anything
# Prints every include that breaks a rule and exits non-zero when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

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

if [ "$failed" -eq 0 ]; then
  echo "layers: every include stays within its layer"
fi
exit "$failed"

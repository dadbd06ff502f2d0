#!/usr/bin/env bash
# Builds Parlevox (Release) and starts it. On Linux it runs against the built-in practice game.
# Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): replaying examples/demo.txt headless instead."
  exec build/release/parlevox --replay examples/demo.txt
fi
exec build/release/parlevox "$@"

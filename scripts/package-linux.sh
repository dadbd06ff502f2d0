#!/usr/bin/env bash
# Makes the Debian package: dist/parlevox_<version>_amd64.deb, from a clean clone, with CMake's
# install rules and CPack (cmake/linux-package.cmake). Installs missing Debian packages first.
#
#   scripts/package-linux.sh [BUILD_DIR]     (default build/package)
#   apt install ./dist/parlevox_*.deb
#
# The program is built in BUILD_DIR by the "package" preset (CMakePresets.json) with Debian's own
# compiler and linker flags (dpkg-buildflags, hardening on). Prints the package's path. JOBS sets
# the build's parallel jobs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build/package}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" >&2

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { dpkg-buildflags --get "$1"; }
cmake --preset package -B "$build" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
nice -n 10 cmake --build "$build" -j "$jobs" >&2

mkdir -p dist
(cd "$build" && cpack -G DEB -B "$root/dist" >/dev/null)
rm -rf "$root/dist/_CPack_Packages"
version=$(sed -n 's/^project(parlevox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$root/dist/parlevox_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || {
  echo "package-linux.sh: CPack made no $deb" >&2
  exit 1
}
echo "$deb"

#!/usr/bin/env bash
# Makes Qt 6 for 64-bit Windows (MinGW-w64) available to the Windows cross build:
#
#   scripts/build-qt-windows.sh            installs it (when not there yet) and prints its folder
#   scripts/build-qt-windows.sh --check    prints its folder and succeeds only when it is there,
#                                          or a ready-made one beside the checkout could be
#                                          unpacked (nothing is changed)
#
# It lives outside the tree, in PARLEVOX_QT_WINDOWS_CACHE (default
# ${XDG_CACHE_HOME:-$HOME/.cache}/parlevox/qt-windows), as qt/ with a mark that says it is whole;
# a complete folder is left as it is. A ready-made build beside the checkout
# (../shared/qt-windows/*.tar.xz, one folder qt/ inside) is unpacked when there is one; otherwise
# Qt is built from the source of Debian's own qt6-base package, the same version as the host's Qt
# (whose moc, rcc and uic the cross build uses): about 1100 steps, 40-50 minutes on 2 cores.
#
# The source comes through apt-get with a sources list, lists and cache of its own, so the
# machine's apt configuration and package lists stay as they are. Building needs the packages
# cmake, ninja-build, dpkg-dev, g++-mingw-w64-x86-64-posix and qt6-base-dev.
#
# JOBS sets the build's parallel jobs (default 2); PARLEVOX_QT_WINDOWS_FROM_SOURCE=1 builds even
# where a ready-made Qt lies beside the checkout.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache="${PARLEVOX_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/parlevox/qt-windows}"
qt="$cache/qt"
mark="$cache/.complete"
jobs="${JOBS:-2}"

say() { echo "build-qt-windows.sh: $*" >&2; }
die() {
  say "$*"
  exit 1
}

# The ready-made build beside the checkout, if any: the checkout's parent may hold shared/.
ready_made() {
  local archive
  [ "${PARLEVOX_QT_WINDOWS_FROM_SOURCE:-0}" = 1 ] && return 1
  for archive in "$here"/../shared/qt-windows/*.tar.xz; do
    [ -f "$archive" ] && {
      echo "$archive"
      return 0
    }
  done
  return 1
}

complete() {
  [ -f "$mark" ] && [ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$qt/bin/Qt6Widgets.dll" ]
}

if [ "${1:-}" = "--check" ]; then
  if complete || ready_made >/dev/null; then
    echo "$qt"
    exit 0
  fi
  exit 1
fi
[ $# -eq 0 ] || die "usage: build-qt-windows.sh [--check]"

if complete; then
  echo "$qt"
  exit 0
fi

mkdir -p "$cache"
# One installer at a time; a second one waits and then finds the folder complete.
exec 9>"$cache/.lock"
flock 9
if complete; then
  echo "$qt"
  exit 0
fi
rm -rf "$qt" "$mark"
staging="$cache/staging.$$"
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging"

if archive=$(ready_made); then
  say "unpacking $archive"
  tar -xJf "$archive" -C "$staging"
  [ -f "$staging/qt/lib/cmake/Qt6/Qt6Config.cmake" ] || die "$archive holds no qt/ folder with Qt 6"
  mv "$staging/qt" "$qt"
  touch "$mark"
  echo "$qt"
  exit 0
fi

# --- Building from Debian's source ---------------------------------------------------------------
# In a work folder that outlives a failed or interrupted build, so that a second run goes on
# where the first stopped; it goes once Qt is installed.
trap - EXIT
rm -rf "$staging"
staging="$cache/work"
mkdir -p "$staging"
for tool in cmake ninja dpkg-source x86_64-w64-mingw32-g++-posix /usr/lib/qt6/libexec/moc; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool is missing (packages: cmake ninja-build" \
    "dpkg-dev g++-mingw-w64-x86-64-posix qt6-base-dev)"
done
version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) ||
  die "qt6-base-dev is not installed: the cross build takes moc, rcc and uic from it"

# A private apt: one deb-src line for the archive the machine installs Debian from.
apt="$staging/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
  2>/dev/null | grep -oE 'https?://[^ ]*/debian/?( |$)' | head -n 1 | tr -d ' ' || true)
echo "deb-src ${mirror:-http://deb.debian.org/debian} $codename main" >"$apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1")
source_dir=$(find "$staging" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$source_dir" ] || [ ! -f "$staging/.source-complete" ]; then
  say "fetching the source of qt6-base $version"
  rm -rf "$staging"/qt6-base*
  apt-get "${apt_options[@]}" update -qq
  (cd "$staging" && apt-get "${apt_options[@]}" source -qq "qt6-base=$version")
  source_dir=$(find "$staging" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
  [ -n "$source_dir" ] || die "apt-get source gave no qt6-base folder"
  touch "$staging/.source-complete"
fi

# The toolchain: the -posix compilers (GCC 12's win32 thread model lacks std::thread), the MinGW
# sysroot, host programs from the host. Qt's DLLs import the MinGW runtime DLLs.
cat >"$staging/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# Debian's source lacks src/3rdparty/wintab (hence no tablet events); FEATURE_opengl=OFF would
# leave dynamic OpenGL on and break the windows platform plugin (hence INPUT_opengl=no).
say "building Qt in $staging/build (about 1100 steps)"
nice -n 10 cmake -S "$source_dir" -B "$staging/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$staging/toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$staging/qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DINPUT_opengl=no -DFEATURE_tabletevent=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF \
  -DFEATURE_testlib=ON -DFEATURE_directwrite3=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF >&2
nice -n 10 cmake --build "$staging/build" -j "$jobs" >&2
cmake --install "$staging/build" >&2
[ -f "$staging/qt/lib/cmake/Qt6/Qt6Config.cmake" ] || die "the Qt build installed no Qt6 package"
mv "$staging/qt" "$qt"
touch "$mark"
rm -rf "$staging"
say "Qt for Windows installed in $qt"
echo "$qt"

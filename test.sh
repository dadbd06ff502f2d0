#!/usr/bin/env bash
# Builds Parlevox and runs every test through ctest. Installs missing Debian packages first.
#
#   ./test.sh              everything; the Windows program too when a Qt for MinGW is at hand
#   ./test.sh --windows    the same, making Qt for MinGW first where there is none
#                          (scripts/build-qt-windows.sh: 40-50 minutes when it must be built)
#
# Also cross-builds for Windows with MinGW-w64; the Windows test programs of that build run under
# Wine (Xvfb, a private prefix) as ctest label "wine". With Qt for MinGW (in the cache folder of
# scripts/build-qt-windows.sh, or ready-made in ../shared/qt-windows/) the cross build is the
# whole parlevox.exe, packed into the release zip (scripts/package-windows.sh), and the program
# from that zip is tested under Wine as ctest label "wine-gui".
# The tests against OpenJK's own engine (ctest label "openjk") run where its dedicated server is on
# this machine: PARLEVOX_OPENJKDED names it, or openjkded.x86_64 is found in PATH. Neither Debian
# nor this project ships it; without it those tests are skipped.
# The Debian package is made (scripts/package-linux.sh) and tested as ctest label "package".
# The core tests also run under AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzz
# target runs for 10 s. The layers, clang-format and (on the core) clang-tidy are checked too.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
ensure_locales "${TEST_LOCALES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)

windows_qt=""
if [ "${1:-}" = "--windows" ]; then
  echo "== Qt for Windows (MinGW-w64)"
  windows_qt=$(JOBS="$jobs" scripts/build-qt-windows.sh)
elif windows_qt=$(scripts/build-qt-windows.sh --check); then
  windows_qt=$(scripts/build-qt-windows.sh)
else
  windows_qt=""
fi

windows_zip=""
if [ -n "$windows_qt" ]; then
  echo "== Windows cross build (the whole parlevox.exe, its Wine tests) and the release zip"
  PARLEVOX_QT_WINDOWS="$windows_qt" cmake --preset windows >/dev/null
  cmake --build build/windows -j "$jobs"
  windows_build="$PWD/build/windows"
  windows_zip=$(JOBS="$jobs" scripts/package-windows.sh build/windows)
else
  echo "== Windows cross build (core and Win32 window system)"
  echo "Skipped: the Windows program's tests under Wine (wine-gui), as there is no Qt for MinGW" \
    "here; ./test.sh --windows builds it first."
  cmake --preset mingw >/dev/null
  cmake --build build/mingw -j "$jobs"
  windows_build="$PWD/build/mingw"
fi

echo "== OpenJK's dedicated server, for the tests against the real engine"
openjk="${PARLEVOX_OPENJKDED:-$(command -v openjkded.x86_64 || true)}"
if [ -n "$openjk" ] && [ -x "$openjk" ]; then
  echo "OpenJK's dedicated server: $openjk"
else
  openjk=""
  echo "Skipped: the tests against OpenJK's own engine (openjk): no openjkded.x86_64 in PATH and" \
    "no PARLEVOX_OPENJKDED."
fi

echo "== Debian package (build/package)"
linux_deb=$(JOBS="$jobs" scripts/package-linux.sh)

echo "== Native build"
cmake --preset test -DPARLEVOX_WINDOWS_BUILD_DIR="$windows_build" \
  -DPARLEVOX_WINDOWS_ZIP="$windows_zip" -DPARLEVOX_OPENJKDED="$openjk" \
  -DPARLEVOX_LINUX_DEB="$linux_deb" >/dev/null
cmake --build build/test -j "$jobs"

# A sanitizer, fuzzing or style failure still lets every test run; the exit status says it after
# ctest.
extra_failed=0
echo "== Layers, format and the core's clang-tidy"
scripts/check-layers.sh || extra_failed=1
JOBS="$jobs" scripts/check-style.sh || extra_failed=1
echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer (build/asan)"
JOBS="$jobs" scripts/sanitize.sh || extra_failed=1
echo "== Fuzzing, 10 s a target (build/fuzz)"
JOBS="$jobs" ./fuzz.sh 10 || extra_failed=1

echo "== Tests"
export QT_QPA_PLATFORM=offscreen
ctest_status=0
ctest --test-dir build/test --output-on-failure -j "$jobs" || ctest_status=$?
exit $((ctest_status != 0 || extra_failed != 0))

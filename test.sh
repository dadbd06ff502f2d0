#!/usr/bin/env bash
# Builds Parlevox and runs every test through ctest. Installs missing Debian packages first.
# Also cross-builds the core and the Win32 window system for Windows with MinGW-w64; the Windows
# test programs of that build run under Wine (Xvfb, a private prefix) as ctest label "wine".
# The core tests also run under AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzz
# target runs for 10 s. The layers, clang-format and (on the core) clang-tidy are checked too.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)

echo "== Windows cross build (core and Win32 window system)"
cmake --preset mingw >/dev/null
cmake --build build/mingw -j "$jobs"

echo "== Native build"
cmake --preset test >/dev/null
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

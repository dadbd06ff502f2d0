#!/usr/bin/env bash
# Builds the core and its tests with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer in their own build folder, build/asan, and runs them. Any report ends
# the test program at once with a non-zero status, and so this script. Later runs build
# incrementally. JOBS sets the build's parallelism (default: the number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
# The flags are the preset's, the same on every run, so a second run finds the cache unchanged.
cmake --preset asan >/dev/null
cmake --build build/asan -j "$jobs" --target parlevox_core_tests

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# halt_on_error: the first report ends the run; exitcode: a leak report fails it too.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=87"
export LSAN_OPTIONS="exitcode=88"
build/asan/tests/parlevox_core_tests --gtest_brief=1

#!/usr/bin/env bash
# The part of ./bench.sh under Wine: parlevox.exe from the Windows release zip beside the Win32
# practice console (tools/win32-practice-console), in the Wine prefix and under the Xvfb the Wine
# tests use (scripts/run-wine-test.sh), driven by the retail tests' own scenes
# (tests/retail/RetailProgramUnderWineTest.cpp), whose [figure] lines it reads:
#
#   - A scripted match with a 4 s map load beside the console rendering whole frames (it pumps its
#     messages only twice a 16 ms frame, as the game does when it does not wait for its frame
#     rate), the program's main window asked every 20 ms to answer (WM_NULL) and to paint: the
#     longest and the 99th percentile wait for an answer and for a paint, and how late each answer
#     came beyond its wait and the server's second (median, p99, most). Once on a quiet machine,
#     once with one core kept busy by a spinning process beside it (a game takes a core).
#   - Idle on Windows: the console hidden, the name known, nothing printed for 30 s: parlevox.exe's
#     share of one core, the Wine server's and the console's (from /proc), and the messages a
#     second the program sends to the game's windows (the console counts them), beside a console
#     whose log tells each change of its text (EVENT_OBJECT_VALUECHANGE, as on Windows) and one
#     whose log tells nothing (as Wine's edit control).
#
# Prints every figure beside its target and exits 1 when one is missed. Needs Qt for MinGW
# (scripts/build-qt-windows.sh --check); builds build/windows incrementally and packs the zip,
# unless PARLEVOX_BENCH_ZIP names a zip to measure instead (an earlier release, say).
# LINUX_IDLE_CPU (bench.sh sets it) is the Linux idle figure shown beside Windows'. JOBS sets the
# build's parallelism.
#   bench/wine.sh [--quick] [--idle]   --quick: idle for 10 s instead of 30; --idle: idle only
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
quiet_s=30
loads="quiet busy"
for arg in "$@"; do
  case $arg in
    --quick) quiet_s=10 ;;
    --idle) loads="" ;;
    *) echo "bench/wine.sh: unknown option $arg" >&2 && exit 2 ;;
  esac
done

qt=$(scripts/build-qt-windows.sh --check) || {
  echo "bench/wine.sh: no Qt for MinGW here (scripts/build-qt-windows.sh makes it)" >&2
  exit 2
}
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" libgtest-dev libgmock-dev wine64 \
  xvfb xauth >&2
qt=$(scripts/build-qt-windows.sh)

out=$root/build/bench
mkdir -p "$out"
echo "== Building build/windows (the retail tests and the practice console)"
PARLEVOX_QT_WINDOWS="$qt" cmake --preset windows >/dev/null
nice -n 10 cmake --build build/windows -j "$jobs" --target parlevox_retail_gui_tests
zip=${PARLEVOX_BENCH_ZIP:-}
if [ -z "$zip" ]; then
  zip=$(JOBS="$jobs" scripts/package-windows.sh build/windows)
fi
echo "the program: $zip"
app_parent=$out/wine-gui
cmake -DZIP="$zip" -DPARENT="$app_parent" -P tests/wine-gui/unzip.cmake >/dev/null
prefix=$root/build/windows/wine-prefix
bash scripts/run-wine-test.sh --prepare "$prefix"
tests=$root/build/windows/wine-tests/parlevox_retail_gui_tests.exe

# run_scene NAME FILTER [VAR=value...]: the retail tests' scene under Wine, its output in
# $out/wine-NAME.txt (in the background: its pid in scene_pid).
run_scene() {
  local name=$1 filter=$2
  shift 2
  env PARLEVOX_WINDOWS_APP_PARENT="$app_parent" PARLEVOX_WINE_TIMEOUT=400 "$@" \
    bash scripts/run-wine-test.sh "$prefix" "$tests" --gtest_filter="$filter" \
    >"$out/wine-$name.txt" 2>&1 &
  scene_pid=$!
}
# figure NAME PATTERN: the first [figure] line of the scene holding the pattern.
figure() { grep -a '^\[figure\]' "$out/wine-$1.txt" | grep -a -m1 -- "$2" || true; }
# number TEXT BEFORE: the number after BEFORE in the text ("-" when there is none).
number() {
  local n
  n=$(sed -n "s/.*$2 *\(-\{0,1\}[0-9][0-9.]*\).*/\1/p" <<<"$1" | head -n1)
  [ -n "$n" ] && printf '%.1f' "$n" || echo -
}

echo "== A scripted match beside the console rendering whole frames, the main window asked every 20 ms"
match_rows=()
for load in $loads; do
  spinner=
  if [ $load = busy ]; then
    # One core kept busy beside the program, as a game keeps one.
    bash -c 'while :; do :; done' &
    spinner=$!
  fi
  echo "$load: load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
  run_scene "match-$load" 'RetailProgramTimingUnderWine.*/RenderBound' PARLEVOX_PROBE_INTERVAL_MS=20
  wait "$scene_pid" || echo "(the scene's test failed: see $out/wine-match-$load.txt)"
  [ -n "$spinner" ] && kill "$spinner" && wait "$spinner" 2>/dev/null || true
  answer=$(figure "match-$load" "longest wait for an answer")
  paint=$(figure "match-$load" "longest wait for a paint")
  late=$(figure "match-$load" "beyond their wait and hold")
  echo "$load: ${answer#\[figure\] }; ${paint#\[figure\] }; ${late#\[figure\] }"
  match_rows+=("$load|$(number "$answer" "p99")|$(number "$answer" "answer:")|$(number "$paint" "p99")|$(number "$paint" "paint:")|$(number "$late" "median")|$(number "$late" "p99")|$(number "$late" "max")")
done

# The pids, in this prefix, of the Wine processes whose command line holds the text.
pids_of() {
  local pid
  for pid in $(pgrep -f -- "$1" || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && echo "$pid"
  done
}
wineserver_pids() {
  local pid
  for pid in $(pgrep -x wineserver || true) $(pgrep -x wineserver64 || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && echo "$pid"
  done
}
# The CPU time (clock ticks, every thread) of the processes given.
ticks() {
  local total=0 pid t
  for pid in "$@"; do
    t=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{ print $12 + $13 }') || t=0
    total=$((total + ${t:-0}))
  done
  echo $total
}
now_ms() { date +%s%3N; }
# Waits until the scene's output holds the text; false when the scene ended first.
wait_for() {
  until grep -aq -- "$2" "$out/wine-$1.txt" 2>/dev/null; do
    kill -0 "$scene_pid" 2>/dev/null || return 1
    sleep 0.05
  done
}

echo "== Idle on Windows: the console hidden, the name known, nothing printed for $quiet_s s"
hz=$(getconf CLK_TCK)
idle_rows=()
for told in told untold; do
  case $told in
    told) filter='RetailProgramCostUnderWine.*/HiddenTelling' ;;
    untold) filter='RetailProgramCostUnderWine.*/Hidden' ;;
  esac
  echo "$told: load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
  run_scene "idle-$told" "$filter" PARLEVOX_QUIET_MS=$((quiet_s * 1000))
  program_cpu=- server_cpu=- game_cpu=-
  if wait_for "idle-$told" "quiet: begins"; then
    program=$(pids_of 'parlevox\.exe')
    server=$(wineserver_pids)
    game=$(pids_of 'win32-practice-console\.exe')
    from=$(now_ms)
    p0=$(ticks $program) s0=$(ticks $server) g0=$(ticks $game)
    if wait_for "idle-$told" "quiet: ends"; then
      ms=$(($(now_ms) - from))
      share() { awk -v t="$1" -v hz="$hz" -v ms="$ms" 'BEGIN { printf "%.2f", t / hz * 100000 / ms }'; }
      program_cpu=$(share $(($(ticks $program) - p0)))
      server_cpu=$(share $(($(ticks $server) - s0)))
      game_cpu=$(share $(($(ticks $game) - g0)))
    fi
  fi
  wait "$scene_pid" || echo "(the scene's test failed: see $out/wine-idle-$told.txt)"
  messages=$(figure "idle-$told" "messages a second to the game's windows")
  echo "$told: parlevox.exe ${program_cpu}% of one core, the Wine server ${server_cpu}%, the game ${game_cpu}%; ${messages#\[figure\] idle: }"
  idle_rows+=("$told|$program_cpu|$server_cpu|$game_cpu|$(number "$messages" "idle:")")
done

echo
echo "== Figures under Wine against their targets"
status=0
row() {  # name, measured text, met (yes/no), target text
  printf '%-44s %-16s %-12s %s\n' "$1" "$2" "$4" "$3"
  [ "$3" = "yes" ] || status=1
}
at_most() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "-" && v + 0 <= t + 0) ? "yes" : "no" }'; }
printf '%-44s %-16s %-12s %s\n' "figure" "measured" "target" "met"
for r in "${match_rows[@]}"; do
  IFS='|' read -r load a99 amax p99 pmax lmed l99 lmax <<<"$r"
  row "main window answer, $load: p99" "$a99 ms" "$(at_most "$a99" 20)" "<= 20 ms"
  row "  longest" "$amax ms" "$(at_most "$amax" 50)" "<= 50 ms"
  row "main window paint, $load: p99" "$p99 ms" "$(at_most "$p99" 20)" "<= 20 ms"
  row "  longest" "$pmax ms" "$(at_most "$pmax" 50)" "<= 50 ms"
  row "answers beyond wait and hold, $load: p99" "$l99 ms" "$(at_most "$l99" 100)" "<= 100 ms"
  printf '%-44s %-16s %-12s %s\n' "  median / most" "$lmed / $lmax ms" "-" "-"
done
printf '%-44s %-16s %-12s %s\n' "idle CPU on Linux, % of one core (bench.sh)" "${LINUX_IDLE_CPU:--}" "-" "-"
for r in "${idle_rows[@]}"; do
  IFS='|' read -r told program_cpu server_cpu game_cpu messages <<<"$r"
  if [ "$told" = told ]; then cpu_target=0.3 msg_target=2; else cpu_target=1 msg_target=20; fi
  row "idle on Windows, $told: parlevox.exe %" "$program_cpu" "$(at_most "$program_cpu" $cpu_target)" "<= $cpu_target"
  row "  messages a second to the game's windows" "$messages" "$(at_most "$messages" $msg_target)" "<= $msg_target"
  printf '%-44s %-16s %-12s %s\n' "  the Wine server / the game, %" "$server_cpu / $game_cpu" "-" "-"
done
exit $status

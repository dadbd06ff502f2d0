#!/usr/bin/env bash
# Measures Parlevox: the core's operations with Google Benchmark (bench/bench_core.cpp), then the
# whole program against a quiet practice game, offscreen: its idle CPU, how often its threads
# wake, its peak memory, and the time from the start of its process to its first watch cycle; the
# same idle figures against a quiet game on pipes (the test engine), how long it takes, in real
# time, to answer a line that game prints beyond the wait the server's second asks for, and how
# long its event loop goes without running through a scripted match on the practice game. Prints
# every
# figure beside its target; the raw results are kept in build/bench/. Installs missing Debian
# packages first; builds build/release (as ./run.sh does) and build/bench incrementally. JOBS
# sets the builds' parallelism.
#   ./bench.sh            everything (about eight minutes once built)
#   ./bench.sh --quick    shorter runs, for a first look
#   ./bench.sh --soak     only the soak: 24 hours of a busy server's program time, headless on
#                         the virtual clock (bench/soak.cpp), its wall time, the commands typed
#                         by kind and the resident memory after 1 hour and after 24
#   ./bench.sh --wine     only the part under Wine (bench/wine.sh, about eight minutes once built)
# Where the Windows zip can be built (Qt for MinGW: scripts/build-qt-windows.sh --check), the part
# under Wine runs too: parlevox.exe from the zip beside the Win32 practice console, through a
# scripted match beside a game that renders whole frames, quiet and with a core busy, and idle
# beside a quiet console whose log tells its changes and one whose log does not (bench/wine.sh
# tells the whole story; PARLEVOX_BENCH_ZIP measures another zip).
# Besides the offscreen figures it measures the program idle on a real X11 display (Xvfb with
# openbox, started and stopped here), and a music run on the real
# GStreamer back end (bench/music.cpp): 50 track changes of short generated files, and the CPU
# while a track plays beside gst-launch-1.0 playbin playing the same file alone.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev

quick=false
soak=false
[ "${1:-}" = "--quick" ] && quick=true
[ "${1:-}" = "--soak" ] && soak=true
[ "${1:-}" = "--wine" ] && exec bench/wine.sh
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

if $soak; then
  echo "== Building build/bench"
  cmake -S bench -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/bench -j "$jobs" --target bench_soak
  echo "== Soak: 24 h of program time of a busy server (seed 1), headless, virtual time"
  build/bench/bench_soak 24 1 2>build/bench/soak-hours.txt | tee build/bench/soak.txt
  value() { sed -n "s/^$1=//p" build/bench/soak.txt; }
  wall=$(value wall_seconds)
  rss1=$(value rss_kb_1h)
  rss24=$(value rss_kb_end)
  echo
  printf '%-44s %-16s %-12s %s\n' "figure" "measured" "target" "met"
  ok=yes
  met=$(awk -v w="$wall" 'BEGIN { print (w <= 300) ? "yes" : "no" }'); [ "$met" = yes ] || ok=no
  printf '%-44s %-16s %-12s %s\n' "wall time of 24 h of program time" "$wall s" "<= 300 s" "$met"
  met=$(awk -v a="$rss1" -v b="$rss24" 'BEGIN { print (b <= a + 2048) ? "yes" : "no" }')
  [ "$met" = yes ] || ok=no
  printf '%-44s %-16s %-12s %s\n' "resident memory at 1 h / at 24 h" \
    "$(awk -v a="$rss1" -v b="$rss24" 'BEGIN { printf "%.1f / %.1f MB", a / 1024, b / 1024 }')" \
    "24 h <= 1 h + 2 MB" "$met"
  [ $ok = yes ] && echo "bench.sh --soak: every target met" && exit 0
  echo "bench.sh --soak: some targets missed"
  exit 1
fi

echo "== Building build/release and build/bench"
cmake --preset release >/dev/null
cmake --build build/release -j "$jobs"
cmake -S bench -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j "$jobs" --target bench_core bench_probe bench_music bench_latency \
  bench_test_engine bench_match

out=build/bench
probe=$out/bench_probe
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

echo "== The machine"
{
  echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//') x $(nproc)"
  echo "memory: $(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo)"
  echo "system: $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
  echo "compiler: $(c++ --version | head -n1)"
  echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee $out/machine.txt

echo "== Core operations (Google Benchmark, median of the repetitions)"
repetitions=5
min_time=0.5
if $quick; then
  repetitions=1
  min_time=0.1
fi
$out/bench_core --benchmark_repetitions=$repetitions --benchmark_min_time=$min_time \
  --benchmark_report_aggregates_only=true --benchmark_display_aggregates_only=true \
  --benchmark_out=$out/core.json --benchmark_out_format=json 2>&1 | grep -v '^\*\*\*WARNING'

# The median real time of a benchmark, in nanoseconds. With one repetition its own line carries
# no "_median".
suffix=_median
[ $repetitions -eq 1 ] && suffix=
median_ns() {
  awk -v want="\"$1$suffix\"" '
    $1 == "\"name\":" { name = $2; sub(/,$/, "", name) }
    name == want && $1 == "\"real_time\":" { t = $2; sub(/,$/, "", t) }
    name == want && $1 == "\"time_unit\":" {
      u = $2; gsub(/[",]/, "", u)
      f = (u == "ms") ? 1e6 : (u == "us") ? 1e3 : (u == "s") ? 1e9 : 1
      printf "%.0f\n", t * f; exit
    }' $out/core.json
}

echo "== Start to the first watch cycle (median of 5 starts)"
starts=()
for _ in 1 2 3 4 5; do
  ms=$(PARLEVOX_REPORT_FIRST_CYCLE=1 $probe first-line "first watch cycle" 10 -- \
    build/release/parlevox | sed 's/^ms=//')
  starts+=("$ms")
done
echo "starts (ms): ${starts[*]}"
first_ms=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)

rounds=3
$quick && rounds=2
seconds=20
$quick && seconds=5
echo "== Idle: the program beside a quiet game; 2 s to settle, then ${seconds} s measured; $rounds rounds"
# idle_run: the program alone in the environment given (VAR=value...), then its arguments after
# "--"; prints "cpu_percent peak_kb wakeups_per_s".
idle_run() {
  local vars=()
  while [ "$1" != -- ]; do
    vars+=("$1")
    shift
  done
  shift
  env "${vars[@]}" $probe idle 2 $seconds -- build/release/parlevox "$@" |
    sed 's/cpu_percent=//; s/peak_rss_kb=//; s/wakeups_per_s=//'
}
# most: the highest of the numbers given.
most() { printf '%s\n' "$@" | sort -g | tail -n1; }
program_cpu=()
program_wakeups=()
peaks=()
pipes_cpu=()
pipes_wakeups=()
for round in $(seq $rounds); do
  read -r p_cpu p_peak p_wake < <(idle_run QT_QPA_PLATFORM=offscreen --)
  read -r g_cpu _ g_wake < <(idle_run QT_QPA_PLATFORM=offscreen -- --game $out/bench_test_engine --name Rookie)
  echo "round $round: practice game ${p_cpu}% of one core, ${p_wake} wake-ups a second (${p_peak} kB peak); game on pipes ${g_cpu}%, ${g_wake} a second"
  program_cpu+=("$p_cpu")
  program_wakeups+=("$p_wake")
  peaks+=("$p_peak")
  pipes_cpu+=("$g_cpu")
  pipes_wakeups+=("$g_wake")
done
peak_kb=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -n1)

echo "== A line the game prints, answered: real time from its printing to the reply leaving, beyond the 1.2 s the server's second asks for (100 lines)"
read -r latency < <(QT_QPA_PLATFORM=offscreen $out/bench_latency 100 build/release/parlevox \
  $out/bench_test_engine)
echo "$latency"
latency_p99=$(echo "$latency" | sed 's/.*p99_ms=\([0-9.]*\).*/\1/')

echo "== The event loop and the cost to the game through a scripted match on the practice game (42 s, real time, offscreen)"
read -r match < <(QT_QPA_PLATFORM=offscreen $out/bench_match 2>/dev/null)
echo "$match"
match_value() { echo "$match" | sed "s/.*$1=\([0-9.]*\).*/\1/"; }
loop_longest=$(match_value longest_ms)
loop_p99=$(match_value p99_ms)

echo "== Idle on a real X11 display (Xvfb with openbox): the program beside a quiet practice game; $rounds rounds"
ensure_packages xvfb openbox
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >$out/xvfb.log 2>&1 &
xvfb_pid=$!
stop_display() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap stop_display EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
x_program=()
x_wakeups=()
for round in $(seq $rounds); do
  read -r p_cpu _ p_wake < <(idle_run DISPLAY=$display QT_QPA_PLATFORM=xcb --)
  echo "round $round: ${p_cpu}% of one core, ${p_wake} wake-ups a second"
  x_program+=("$p_cpu")
  x_wakeups+=("$p_wake")
done

echo "== Music on the real GStreamer back end: 50 track changes, then one track's CPU"
music=$out/music
mkdir -p "$music"
tone() {  # seconds, encoder, file
  gst-launch-1.0 -q audiotestsrc num-buffers=$(($1 * 100)) samplesperbuffer=441 ! \
    audio/x-raw,rate=44100,channels=2 ! audioconvert ! $2 ! filesink location="$3"
}
tone 1 lamemp3enc "$music/a.mp3"
tone 1 wavenc "$music/b.wav"
tone 1 "vorbisenc ! oggmux" "$music/c.ogg"
tone 40 lamemp3enc "$music/long.mp3"
changes=50
$out/bench_music changes $changes "$music/a.mp3" "$music/b.wav" "$music/c.ogg" \
  2>/dev/null >$out/music.txt
music_value() { sed -n "s/^$1=//p" $out/music.txt; }
m_first=$(music_value after_first_kb)
m_last=$(music_value after_last_kb)
m_peak=$(music_value peak_kb)
echo "resident memory: ${m_first} kB after the first track, ${m_last} kB after the last, ${m_peak} kB peak"
# The program itself: a copy of it in a folder of its own whose playlist holds the short files
# (the .wav first, then the .ogg and the .mp3, and so on), playing from its start
# (PARLEVOX_PLAY_AT_START) through 50 entries; resident memory sampled every 0.2 s.
playlist_of() {  # folder, files...
  local folder=$1
  shift
  mkdir -p "$folder/Saves"
  cp build/release/parlevox "$folder/"
  {
    printf ' %d \r\n' $(($# - 1))
    for f in "$@"; do printf '%s\r\n%s\r\n' "$(realpath "$f")" "$(basename "$f")"; done
  } >"$folder/Saves/playlist.lst"
}
entries=()
for i in $(seq 0 $((changes - 1))); do
  case $((i % 3)) in 0) entries+=("$music/b.wav") ;; 1) entries+=("$music/c.ogg") ;; *) entries+=("$music/a.mp3") ;; esac
done
playlist_of "$music/program" "${entries[@]}"
PARLEVOX_PLAY_AT_START=1 "$music/program/parlevox" >/dev/null 2>&1 &
player_pid=$!
p_first=0
for i in $(seq 1 $((changes * 6))); do  # about 1.2 s a track
  sleep 0.2
  [ "$i" -eq 12 ] && p_first=$(awk '/VmRSS/ {print $2}' /proc/$player_pid/status)
done
p_last=$(awk '/VmRSS/ {print $2}' /proc/$player_pid/status)
p_peak=$(awk '/VmHWM/ {print $2}' /proc/$player_pid/status)
kill $player_pid
wait $player_pid 2>/dev/null || true
echo "the program: ${p_first} kB after the first track, ${p_last} kB after the last, ${p_peak} kB peak"
# CPU while a track plays, minus the program's idle CPU, beside gst-launch-1.0 alone: the program
# idle, the program playing (PARLEVOX_PLAY_AT_START), gst-launch-1.0 playing the same file and
# gst-launch-1.0 left to choose its decoder, all four side by side over the same seconds (figures
# of a few tenths of a percent swing by a third from one stretch to the next on a shared
# machine), the figure from the totals over every round. gst-launch-1.0 is given the decoder the
# program uses (mpg123, which the program ranks first); left to itself it takes libav's, which
# costs more, shown beside it. Both play at the program's volume.
playlist_of "$music/long" "$music/long.mp3"
playlist_of "$music/idle" "$music/long.mp3"
uri="file://$(realpath "$music/long.mp3")"
# The program plays at its starting volume, the slider at 10 of 20: 12.5 dB down, which its
# pipeline's volume element applies to every sample; gst-launch-1.0 is given the same volume.
volume=$(awk 'BEGIN { printf "%.4f", 10 ^ (-12.5 / 20) }')
idle_sum=0
play_sum=0
launch_sum=0
libav_sum=0
for round in $(seq $rounds); do
  read -r idle_now play_now launch_now libav_now < <($probe together 2 $seconds -- \
    "$music/idle/parlevox" -- \
    env PARLEVOX_PLAY_AT_START=1 "$music/long/parlevox" -- \
    env GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin uri="$uri" \
    volume="$volume" -- \
    gst-launch-1.0 -q playbin uri="$uri" volume="$volume" |
    sed 's/cpu_percent_[0-9]=//g; s/ peak_rss_kb_[0-9]=[0-9]*//g; s/ wakeups_per_s_[0-9]=[0-9.]*//g')
  echo "round $round: the program idle ${idle_now}%, playing ${play_now}%; gst-launch-1.0 ${launch_now}% (with libav's decoder ${libav_now}%); above idle / gst-launch $(awk -v p="$play_now" -v i="$idle_now" -v l="$launch_now" 'BEGIN { printf "%.2f", (l > 0 ? (p - i) / l : 0) }') x"
  idle_sum=$(awk -v a="$idle_sum" -v b="$idle_now" 'BEGIN { print a + b }')
  play_sum=$(awk -v a="$play_sum" -v b="$play_now" 'BEGIN { print a + b }')
  launch_sum=$(awk -v a="$launch_sum" -v b="$launch_now" 'BEGIN { print a + b }')
  libav_sum=$(awk -v a="$libav_sum" -v b="$libav_now" 'BEGIN { print a + b }')
done
play_cpu=$(awk -v p="$play_sum" -v i="$idle_sum" -v n="$rounds" 'BEGIN { printf "%.3f", (p - i) / n }')
launch_cpu=$(awk -v l="$launch_sum" -v n="$rounds" 'BEGIN { printf "%.3f", l / n }')
libav_cpu=$(awk -v l="$libav_sum" -v n="$rounds" 'BEGIN { printf "%.3f", l / n }')
play_ratio=$(awk -v p="$play_cpu" -v l="$launch_cpu" 'BEGIN { printf "%.2f", (l > 0 ? p / l : 0) }')
echo "while a track plays: the program ${play_cpu}% of one core above its idle, gst-launch-1.0 playbin ${launch_cpu}% (${libav_cpu}% with libav's decoder)"

echo
echo "== Figures against their targets"
status=0
row() {  # name, measured text, met (yes/no), target text
  printf '%-44s %-16s %-12s %s\n' "$1" "$2" "$4" "$3"
  [ "$3" = "yes" ] || status=1
}
check_ns() {  # benchmark, label, target in ns, unit to show (ns, us or ms)
  local ns
  ns=$(median_ns "$1")
  local scale=1
  [ "$4" = "us" ] && scale=1000
  [ "$4" = "ms" ] && scale=1000000
  local shown
  shown=$(awk -v n="$ns" -v s=$scale 'BEGIN { printf (s == 1 ? "%.0f" : "%.2f"), n / s }')
  local met=no
  [ "$ns" -le "$3" ] && met=yes
  row "$2" "$shown $4" "$met" "<= $(awk -v n="$3" -v s=$scale 'BEGIN { printf "%g", n / s }') $4"
}
printf '%-44s %-16s %-12s %s\n' "figure" "measured" "target" "met"
check_ns IdleCycle "idle watch cycle" 1000 ns
check_ns GrowthCycleAt29999 "cycle after 200 characters at 29 999" 30000 us
check_ns PlaylistLoad32767 "playlist load, 32 767 entries" 30000000 ms
check_ns PlaySearch32767 "play search over 32 767 entries" 2000000 ms
for name in ReadLog29999 EventChain200 CommandChain200 PlaylistSave32767 Listing1000 \
  MessageSetRead MessageSetWrite ConsoleLogFlood1MB; do
  ns=$(median_ns $name)
  shown=$(awk -v n="$ns" 'BEGIN {
    if (n >= 1e6) printf "%.2f ms", n / 1e6; else if (n >= 1e3) printf "%.1f us", n / 1e3;
    else printf "%d ns", n }')
  printf '%-44s %-16s %-12s %s\n' "$name" "$shown" "-" "-"
done
row "idle CPU offscreen, % of one core (most)" "$(most "${program_cpu[@]}")" \
  "$(awk -v c="$(most "${program_cpu[@]}")" 'BEGIN { print (c <= 0.3) ? "yes" : "no" }')" "<= 0.3"
printf '%-44s %-16s %-12s %s\n' "  each round" "${program_cpu[*]}" "-" "-"
row "idle CPU on X11, % of one core (most)" "$(most "${x_program[@]}")" \
  "$(awk -v c="$(most "${x_program[@]}")" 'BEGIN { print (c <= 0.3) ? "yes" : "no" }')" "<= 0.3"
printf '%-44s %-16s %-12s %s\n' "  each round" "${x_program[*]}" "-" "-"
row "idle CPU, game on pipes (most)" "$(most "${pipes_cpu[@]}")" \
  "$(awk -v c="$(most "${pipes_cpu[@]}")" 'BEGIN { print (c <= 0.3) ? "yes" : "no" }')" "<= 0.3"
for figure in "offscreen:program_wakeups" "on X11:x_wakeups" "game on pipes:pipes_wakeups"; do
  name=${figure%%:*}
  declare -n list=${figure#*:}
  row "idle wake-ups a second, $name (most)" "$(most "${list[@]}")" \
    "$(awk -v w="$(most "${list[@]}")" 'BEGIN { print (w <= 70) ? "yes" : "no" }')" "<= 70"
  unset -n list
done
row "a printed line answered, beyond wait, p99" "$latency_p99 ms" \
  "$(awk -v l="$latency_p99" 'BEGIN { print (l <= 5) ? "yes" : "no" }')" "<= 5 ms"
row "event loop not running in a match, longest" "$loop_longest ms" \
  "$(awk -v l="$loop_longest" 'BEGIN { print (l <= 20) ? "yes" : "no" }')" "<= 20 ms"
printf '%-44s %-16s %-12s %s\n' "  99th percentile" "$loop_p99 ms" "-" "-"
row "cost to the game idle: characters copied/s" "$(match_value idle_copied_per_s)" \
  "$(awk -v c="$(match_value idle_copied_per_s)" 'BEGIN { print (c == 0) ? "yes" : "no" }')" "0"
printf '%-44s %-16s %-12s %s\n' "  questions to the log a second, idle" "$(match_value idle_questions_per_s)" "-" "-"
row "cost to the game in a match: copied/s" "$(match_value match_copied_per_s)" \
  "$(awk -v c="$(match_value match_copied_per_s)" -v p="$(match_value printed_per_s)" 'BEGIN { print (c <= 2 * p + 100) ? "yes" : "no" }')" \
  "<= 2 x printed + 100"
printf '%-44s %-16s %-12s %s\n' "  the game printed, characters a second" "$(match_value printed_per_s)" "-" "-"
printf '%-44s %-16s %-12s %s\n' "  questions to the log a second, in a match" "$(match_value match_questions_per_s)" "-" "-"
row "music: program's peak over $changes changes" \
  "$(awk -v k="$p_peak" 'BEGIN { printf "%.1f MB", k / 1024 }')" \
  "$(awk -v p="$p_peak" -v f="$p_first" 'BEGIN { print (p <= 65 * 1024 && p <= f + 5 * 1024) ? "yes" : "no" }')" \
  "<= 65 MB, <= first + 5 MB"
printf '%-44s %-16s %-12s %s\n' "  after the first track / after the last" \
  "$(awk -v a="$p_first" -v b="$p_last" 'BEGIN { printf "%.1f / %.1f MB", a / 1024, b / 1024 }')" "-" "-"
row "music: back end alone, peak over $changes" \
  "$(awk -v k="$m_peak" 'BEGIN { printf "%.1f MB", k / 1024 }')" \
  "$(awk -v p="$m_peak" -v f="$m_first" 'BEGIN { print (p <= f + 5 * 1024) ? "yes" : "no" }')" \
  "<= first + 5 MB"
printf '%-44s %-16s %-12s %s\n' "  after the first track / after the last" \
  "$(awk -v a="$m_first" -v b="$m_last" 'BEGIN { printf "%.1f / %.1f MB", a / 1024, b / 1024 }')" "-" "-"
row "music: CPU playing - idle, / gst-launch" "$play_ratio x" \
  "$(awk -v r="$play_ratio" 'BEGIN { print (r <= 1.1) ? "yes" : "no" }')" "<= 1.1 x"
printf '%-44s %-16s %-12s %s\n' "  program above idle / gst-launch, % of one core" \
  "$play_cpu / $launch_cpu" "-" "-"
printf '%-44s %-16s %-12s %s\n' "  gst-launch with libav's decoder" "$libav_cpu" "-" "-"
row "peak memory of the program" "$(awk -v k="$peak_kb" 'BEGIN { printf "%.1f MB", k / 1024 }')" \
  "$(awk -v k="$peak_kb" 'BEGIN { print (k <= 80 * 1024) ? "yes" : "no" }')" "<= 80 MB"
row "start to first watch cycle (median of 5)" "$first_ms ms" \
  "$(awk -v m="$first_ms" 'BEGIN { print (m <= 300) ? "yes" : "no" }')" "<= 300 ms"

echo
if scripts/build-qt-windows.sh --check >/dev/null; then
  wine_args=()
  $quick && wine_args+=(--quick)
  LINUX_IDLE_CPU=$(most "${program_cpu[@]}") bench/wine.sh "${wine_args[@]}" || status=1
else
  echo "Skipped: the part under Wine, as there is no Qt for MinGW here (scripts/build-qt-windows.sh)"
fi

echo
if [ $status -eq 0 ]; then
  echo "bench.sh: every target met"
else
  echo "bench.sh: some targets missed (see docs/PERFORMANCE.md for where the time goes)"
fi

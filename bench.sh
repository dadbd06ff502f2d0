#!/usr/bin/env bash
# Measures Parlevox: the core's operations with Google Benchmark (bench/bench_core.cpp), then the
# whole program against the practice game, offscreen: its idle CPU and peak memory beside a Qt
# program with one window that only runs the watch timer's 1 ms timer (the floor), the two side
# by side, and the time from the start of its process to its first watch cycle. Prints every
# figure beside its target; the raw results are kept in build/bench/. Installs missing Debian
# packages first; builds build/release (as ./run.sh does) and build/bench incrementally. JOBS
# sets the builds' parallelism.
#   ./bench.sh            everything (about eight minutes once built)
#   ./bench.sh --quick    shorter runs, for a first look
#   ./bench.sh --soak     only the soak: 24 hours of a busy server's program time, headless on
#                         the virtual clock (bench/soak.cpp), its wall time, the commands typed
#                         by kind and the resident memory after 1 hour and after 24
# Besides the offscreen figures it measures the program on a real X11 display (Xvfb with openbox,
# started and stopped here) beside the floor on that display, and a music run on the real
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
cmake --build build/bench -j "$jobs" --target bench_core bench_floor bench_probe bench_music

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
echo "== Idle: the floor and the program side by side; 2 s to settle, then ${seconds} s measured; $rounds rounds"
# Side by side, over the same seconds: a program waking 1 000 times a second costs a few tenths
# of a percent of a core more or less from one ten-second stretch to the next on a shared
# machine (twice the gap being measured), and running them together lays those swings on both.
# The figure is the ratio of their totals over every round.
# idle_pair: the floor and the program together; prints "floor_cpu program_cpu program_peak".
idle_pair() {  # the environment to run both in (VAR=value...)
  env "$@" $probe together 2 $seconds -- $out/bench_floor -- build/release/parlevox |
    sed 's/cpu_percent_[12]=//g; s/peak_rss_kb_1=[0-9]* //; s/peak_rss_kb_2=//'
}
# ratio_of_totals: the sum of the second list over the sum of the first ("a b c" "d e f").
ratio_of_totals() {
  awk -v f="$1" -v p="$2" 'BEGIN {
    n = split(f, fs, " "); split(p, ps, " "); sf = 0; sp = 0
    for (i = 1; i <= n; i++) { sf += fs[i]; sp += ps[i] }
    printf "%.2f", (sf > 0 ? sp / sf : 0) }'
}
program_cpu=()
floor_cpu=()
peaks=()
for round in $(seq $rounds); do
  read -r f_cpu p_cpu p_peak < <(idle_pair QT_QPA_PLATFORM=offscreen)
  echo "round $round: floor ${f_cpu}% of one core; program ${p_cpu}% (${p_peak} kB peak); ratio $(ratio_of_totals "$f_cpu" "$p_cpu")"
  program_cpu+=("$p_cpu")
  floor_cpu+=("$f_cpu")
  peaks+=("$p_peak")
done
ratio=$(ratio_of_totals "${floor_cpu[*]}" "${program_cpu[*]}")
peak_kb=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -n1)

echo "== Idle on a real X11 display (Xvfb with openbox): the floor and the program side by side; $rounds rounds"
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
x_floor=()
for round in $(seq $rounds); do
  read -r f_cpu p_cpu _ < <(idle_pair DISPLAY=$display QT_QPA_PLATFORM=xcb)
  echo "round $round: floor ${f_cpu}% of one core; program ${p_cpu}%; ratio $(ratio_of_totals "$f_cpu" "$p_cpu")"
  x_program+=("$p_cpu")
  x_floor+=("$f_cpu")
done
x_ratio=$(ratio_of_totals "${x_floor[*]}" "${x_program[*]}")

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
# costs more, shown beside it.
playlist_of "$music/long" "$music/long.mp3"
playlist_of "$music/idle" "$music/long.mp3"
uri="file://$(realpath "$music/long.mp3")"
idle_sum=0
play_sum=0
launch_sum=0
libav_sum=0
for round in $(seq $rounds); do
  read -r idle_now play_now launch_now libav_now < <($probe together 2 $seconds -- \
    "$music/idle/parlevox" -- \
    env PARLEVOX_PLAY_AT_START=1 "$music/long/parlevox" -- \
    env GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin uri="$uri" -- \
    gst-launch-1.0 -q playbin uri="$uri" |
    sed 's/cpu_percent_[0-9]=//g; s/ peak_rss_kb_[0-9]=[0-9]*//g')
  echo "round $round: the program idle ${idle_now}%, playing ${play_now}%; gst-launch-1.0 ${launch_now}% (with libav's decoder ${libav_now}%)"
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
row "idle CPU, program / floor" "$ratio x" \
  "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.2) ? "yes" : "no" }')" "<= 1.2 x"
printf '%-44s %-16s %-12s %s\n' "  program, % of one core (each round)" "${program_cpu[*]}" "-" "-"
printf '%-44s %-16s %-12s %s\n' "  floor, % of one core (each round)" "${floor_cpu[*]}" "-" "-"
row "idle CPU on X11, program / floor" "$x_ratio x" \
  "$(awk -v r="$x_ratio" 'BEGIN { print (r <= 1.2) ? "yes" : "no" }')" "<= 1.2 x"
printf '%-44s %-16s %-12s %s\n' "  program on X11, % of one core" "${x_program[*]}" "-" "-"
printf '%-44s %-16s %-12s %s\n' "  floor on X11, % of one core" "${x_floor[*]}" "-" "-"
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
if [ $status -eq 0 ]; then
  echo "bench.sh: every target met"
else
  echo "bench.sh: some targets missed (see docs/PERFORMANCE.md for where the time goes)"
fi

#!/usr/bin/env bash
# Fuzzes the program with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer:
#   ./fuzz.sh [SECONDS] [TARGET...]
# runs every target (watch_cycle, message_set, playlist_file, chat_arguments, console_stream), or
# the ones named, for SECONDS each (default 60), starting from the seeds in fuzz/corpus/<target>/
# and the inputs earlier runs found (build/fuzz/corpus/<target>/), with the words of
# fuzz/<target>.dict. Exits non-zero when any target crashed, leaked, broke one of its invariants
# or ran out of time on one input; the input that did it is kept in
# build/fuzz/artifacts/<target>/ and can be run again with
#   build/fuzz/fuzz_<target> build/fuzz/artifacts/<target>/<file>
# Builds build/fuzz first (incremental). JOBS sets the build's parallelism.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages clang libclang-rt-14-dev cmake ninja-build

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(watch_cycle message_set playlist_file chat_arguments console_stream)
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: ./fuzz.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi

jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs"

failed=()
for target in "${targets[@]}"; do
  binary="build/fuzz/fuzz_$target"
  if [ ! -x "$binary" ]; then
    echo "fuzz.sh: no target named $target" >&2
    failed+=("$target")
    continue
  fi
  work="build/fuzz/corpus/$target"
  artifacts="build/fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "== $target: ${seconds} s"
  # New inputs go to the working corpus only; the seeds in the repository are read, never written.
  if "$binary" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "${dict[@]}" >"build/fuzz/$target.log" 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|Done [0-9]+ runs" \
      "build/fuzz/$target.log" || true
  else
    tail -n 40 "build/fuzz/$target.log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz.sh: FAILED: ${failed[*]} (logs in build/fuzz/<target>.log)" >&2
  exit 1
fi
echo "fuzz.sh: every target ran ${seconds} s without a crash, leak or broken invariant"

#!/usr/bin/env bash
# Makes OpenJK's dedicated server available to the tests that play against the real engine:
#
#   scripts/build-openjk.sh            installs it (when not there yet) and prints the path of
#                                      openjkded.x86_64
#   scripts/build-openjk.sh --check    prints that path and succeeds only when it is installed,
#                                      or could be from what lies beside the checkout (nothing is
#                                      changed)
#
# OpenJK is the game's open-source engine (GPL-2.0). Its dedicated server shares the client's
# console, command buffer and cvar code, so the engine's own answers and its way of reading
# standard input can be tested without the game's data. It lives outside the tree, in
# PARLEVOX_OPENJK_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/parlevox/openjk), with a mark
# that says it is whole; a complete folder is left as it is.
#
# Beside the checkout (../shared/openjk/) lie OpenJK's source at a fixed commit and its dedicated
# server built from it. The build is unpacked when its checksum is the one below; otherwise the
# source (checked the same way) is built with the recipe below: a few minutes on 2 cores, with the
# packages build-essential, cmake and zlib1g-dev (installed when missing).
#
# JOBS sets the build's parallel jobs (default 2); PARLEVOX_OPENJK_FROM_SOURCE=1 builds from the
# source even where a ready-made build lies beside the checkout.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache="${PARLEVOX_OPENJK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/parlevox/openjk}"
engine="$cache/openjkded.x86_64"
mark="$cache/.complete"
jobs="${JOBS:-2}"
shared="$here/../shared/openjk"

commit=8cce3ea23125
source_archive="openjk-$commit-src.tar.xz"
source_sum=fbd1caa472f154dfaf8c0162d6529a03538d1ab777775f70c329681fd0b3914b
build_archive="openjkded-$commit-linux-x86_64.tar.xz"
build_sum=5fffab690c84df1a941350aaed93120bd309920f6ddc0a6fe3544ae82eb2a972

say() { echo "build-openjk.sh: $*" >&2; }
die() {
  say "$*"
  exit 1
}

# Whether the archive beside the checkout is there and is the one expected.
sound() {
  [ -f "$shared/$1" ] && [ "$(sha256sum "$shared/$1" | cut -d ' ' -f 1)" = "$2" ]
}

ready_made() {
  [ "${PARLEVOX_OPENJK_FROM_SOURCE:-0}" != 1 ] && sound "$build_archive" "$build_sum"
}

complete() {
  [ -f "$mark" ] && [ -x "$engine" ]
}

if [ "${1:-}" = "--check" ]; then
  if complete || ready_made || sound "$source_archive" "$source_sum"; then
    echo "$engine"
    exit 0
  fi
  exit 1
fi
[ $# -eq 0 ] || die "usage: build-openjk.sh [--check]"

if complete; then
  echo "$engine"
  exit 0
fi

mkdir -p "$cache"
# One installer at a time; a second one waits and then finds the folder complete.
exec 9>"$cache/.lock"
flock 9
if complete; then
  echo "$engine"
  exit 0
fi
rm -f "$mark" "$engine"
staging="$cache/staging.$$"
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging"

if ready_made; then
  say "unpacking $shared/$build_archive"
  tar -xJf "$shared/$build_archive" -C "$staging"
  built="$staging/openjk/openjkded.x86_64"
else
  if [ -f "$shared/$build_archive" ] && ! sound "$build_archive" "$build_sum"; then
    say "$shared/$build_archive is not the build expected (its checksum differs)"
  fi
  sound "$source_archive" "$source_sum" ||
    die "neither OpenJK's dedicated server nor its source ($source_archive, with the checksum" \
      "expected) is in $shared"
  # shellcheck source=scripts/packages.sh
  source "$here/scripts/packages.sh"
  ensure_packages build-essential cmake zlib1g-dev >&2 ||
    die "the build needs the packages build-essential, cmake and zlib1g-dev"
  say "building OpenJK's dedicated server from $source_archive"
  tar -xJf "$shared/$source_archive" -C "$staging"
  source_dir="$staging/openjk-$commit"
  nice -n 10 cmake -S "$source_dir" -B "$source_dir/build" -DCMAKE_BUILD_TYPE=Release \
    -DBuildMPEngine=OFF -DBuildMPRdVanilla=OFF -DBuildMPDed=ON \
    -DBuildMPGame=OFF -DBuildMPCGame=OFF -DBuildMPUI=OFF -DBuildMPRend2=OFF \
    -DBuildSPEngine=OFF -DBuildSPGame=OFF -DBuildSPRdVanilla=OFF >&2
  nice -n 10 make -C "$source_dir/build" -j "$jobs" openjkded.x86_64 >&2
  built=$(find "$source_dir/build" -type f -name openjkded.x86_64 | head -n 1)
fi
{ [ -n "$built" ] && [ -x "$built" ]; } || die "no openjkded.x86_64 came out"
mv "$built" "$engine"
licence=$(find "$staging" -maxdepth 2 -name LICENSE.txt | head -n 1)
[ -n "$licence" ] && mv "$licence" "$cache/LICENSE.txt"
touch "$mark"
say "OpenJK's dedicated server installed in $cache"
echo "$engine"

#!/usr/bin/env bash
# Checks the code's form: every C++ file clang-format clean, and the core clang-tidy clean
# (.clang-tidy). clang-tidy reads build/test/compile_commands.json, so the test build must be
# configured first. A file that passed clang-tidy is remembered (build/tidy-passed) until it or
# .clang-tidy changes, so later runs check only what changed; CI starts afresh and checks all.
# Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

failed=0
echo "== clang-format"
unformatted=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
  while read -r f; do
    [ -f "$f" ] && ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1 && echo "$f"
  done || true)
if [ -n "$unformatted" ]; then
  echo "not clang-format clean (scripts/format.sh formats them):"
  echo "$unformatted"
  failed=1
else
  echo "every C++ file is clang-format clean"
fi

echo "== clang-tidy (the core)"
stamps=build/tidy-passed
mkdir -p "$stamps"
rules=$(sha1sum .clang-tidy | cut -c1-12)
todo=()
for f in $(git ls-files --cached --others --exclude-standard -- 'src/core/*.cpp'); do
  [ -f "$f" ] || continue
  # A change to a file or to any header of the core checks that file again.
  key=$(cat "$f" $(git ls-files -- 'src/core/*.h') | sha1sum | cut -c1-12)-$rules
  stamp="$stamps/$(echo "$f" | tr / _).$key"
  [ -f "$stamp" ] || todo+=("$f")
done
if [ ${#todo[@]} -eq 0 ]; then
  echo "nothing changed since the last clean run"
else
  echo "checking ${#todo[@]} files"
  log=$(mktemp)
  if printf '%s\n' "${todo[@]}" | xargs -n 4 -P "${JOBS:-2}" clang-tidy -p build/test --quiet \
      --extra-arg=-Wno-unknown-warning-option >"$log" 2>/dev/null; then
    for f in "${todo[@]}"; do
      key=$(cat "$f" $(git ls-files -- 'src/core/*.h') | sha1sum | cut -c1-12)-$rules
      rm -f "$stamps/$(echo "$f" | tr / _)".*
      touch "$stamps/$(echo "$f" | tr / _).$key"
    done
    echo "the core is clang-tidy clean"
  else
    grep -E "^/.*(error|warning):" -A3 "$log" || cat "$log"
    failed=1
  fi
  rm -f "$log"
fi
exit "$failed"

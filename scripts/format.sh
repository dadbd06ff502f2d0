#!/usr/bin/env bash
# Formats every C++ file the repository tracks or is about to track (never build files).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | xargs -r clang-format -i

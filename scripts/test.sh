#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
dir="$root/build/test"
"$root/scripts/build.sh" "$dir" Debug
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"

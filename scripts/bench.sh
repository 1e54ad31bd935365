#!/usr/bin/env bash
# Builds Release and runs every benchmark; each prints "metric: value" lines.
# SOAK_FRAMES sets the soak's length (one million frames by default, some hours with every repaint).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
dir="$root/build/release"
"$root/scripts/build.sh" "$dir" Release
export QT_QPA_PLATFORM=offscreen
shopt -s nullglob
for bench in "$dir"/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "# $(basename "$bench")"
  if [ "$(basename "$bench")" = bench_soak ]; then
    "$bench" "${SOAK_FRAMES:-1000000}"
  else
    "$bench"
  fi
done

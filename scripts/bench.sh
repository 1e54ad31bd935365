#!/usr/bin/env bash
# Builds Release and runs every benchmark; each prints "metric: value" lines.
# SOAK_FRAMES sets the soak's length (one million frames by default, some hours with every repaint).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
dir="$root/build/release"
shopt -s nullglob
benches=()
for src in "$root"/bench/bench_*.cpp; do
  benches+=("$(basename "$src" .cpp)")
done
"$root/scripts/build.sh" "$dir" Release -- "${benches[@]}"
export QT_QPA_PLATFORM=offscreen
for bench in "${benches[@]}"; do
  echo "# $bench"
  if [ "$bench" = bench_soak ]; then
    "$dir/bench/$bench" "${SOAK_FRAMES:-1000000}"
  else
    "$dir/bench/$bench"
  fi
done

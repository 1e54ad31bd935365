#!/usr/bin/env bash
# Renders the window headless in its states and writes PNG files to OUTDIR.
# Usage: scripts/screenshot.sh OUTDIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/out/screenshots}")
mkdir -p "$out"
"$root/scripts/setup"
dir="$root/build/release"
shopt -s nullglob
shots=()
for src in "$root"/shots/shot_*.cpp; do
  shots+=("$(basename "$src" .cpp)")
done
"$root/scripts/build.sh" "$dir" Release -- "${shots[@]}"
export QT_QPA_PLATFORM=offscreen
for shot in "${shots[@]}"; do
  "$dir/shots/$shot" "$out"
done
ls "$out"

#!/usr/bin/env bash
# Renders the window headless in its states and writes PNG files to OUTDIR.
# Usage: scripts/screenshot.sh OUTDIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/out/screenshots}")
mkdir -p "$out"
"$root/scripts/setup"
dir="$root/build/release"
"$root/scripts/build.sh" "$dir" Release
export QT_QPA_PLATFORM=offscreen
shopt -s nullglob
for shot in "$dir"/tools/shots/shot_*; do
  [ -f "$shot" ] && [ -x "$shot" ] || continue
  "$shot" "$out"
done
ls "$out"

#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh BUILD_DIR BUILD_TYPE [cmake options...] [-- targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1 type=$2
shift 2
opts=() targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${opts[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
else
  cmake --build "$dir" -j"$(nproc)"
fi

#!/usr/bin/env bash
# Sets up, builds (Release) and starts the program together with the meter simulator, which stands in for a
# meter on COM1 (a pseudo-terminal linked as COM1 in the program's folder) and stops when the program ends.
# Usage: scripts/run.sh [--no-sim]    (--no-sim: the program alone, for a real meter)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sim=1
for arg in "$@"; do
  case "$arg" in
    --no-sim) sim=0 ;;
    *) echo "usage: scripts/run.sh [--no-sim]" >&2; exit 2 ;;
  esac
done
"$root/scripts/setup"
targets=(km610)
[ "$sim" = 1 ] && targets+=(km610-meter-sim)
"$root/scripts/build.sh" "$root/build/release" Release -- "${targets[@]}"
app="$root/build/release/app"
if [ "$sim" = 0 ]; then
  exec "$app/km610"
fi
"$root/build/release/tools/km610-meter-sim" --dir "$app" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
"$app/km610"

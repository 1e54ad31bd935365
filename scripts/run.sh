#!/usr/bin/env bash
# Sets up, builds (Release) and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
"$root/scripts/build.sh" "$root/build/release" Release -- km610
exec "$root/build/release/app/km610"

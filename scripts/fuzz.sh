#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds (default 60) with libFuzzer, starting from the committed
# corpus. New crash inputs are kept under tests/fuzz/crashes/<target>/, where the test suite replays them.
# Usage: scripts/fuzz.sh [SECONDS] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$root/scripts/setup"
if ! command -v clang++ >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq clang libclang-rt-dev
fi
dir="$root/build/fuzz"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(serial_path hid_reports text_file xml_packet xml_rows hid_descriptor)
CC=clang CXX=clang++ "$root/scripts/build.sh" "$dir" RelWithDebInfo -DKM610_FUZZ=ON -- "${targets[@]/#/fuzz_}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0"
for t in "${targets[@]}"; do
  work="$dir/corpus/$t"
  crashes="$root/tests/fuzz/crashes/$t"
  mkdir -p "$work" "$crashes"
  echo "== $t: $seconds s"
  "$dir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
      -artifact_prefix="$crashes/" "$work" "$root/tests/fuzz/corpus/$t" 2>&1 |
    grep -E '^(stat::|#[0-9]+ +DONE|==[0-9]+==ERROR|SUMMARY|artifact)' || true
done

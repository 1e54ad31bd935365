#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless. Exits non-zero on any failure.
#   scripts/test.sh             the plain suite (Debug)
#   scripts/test.sh --sanitize  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build/sanitize"
  "$root/scripts/build.sh" "$dir" Debug -DKM610_SANITIZE=ON
  # Leaks inside the system's font and graphics libraries are theirs; the program's own are reported.
  export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
  export ASAN_OPTIONS="detect_stack_use_after_return=0:abort_on_error=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  dir="$root/build/test"
  "$root/scripts/build.sh" "$dir" Debug
fi
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"

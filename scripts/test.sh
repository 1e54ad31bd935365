#!/usr/bin/env bash
# Sets up, builds and runs the test suite headless. Exits non-zero on any failure.
#   scripts/test.sh             the plain suite (Debug)
#   scripts/test.sh --sanitize  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer, with the
#                               fuzz corpora replayed
#   scripts/test.sh --thread    the link tests (HID reader, serial driver) built with ThreadSanitizer
# With CI=true, compiler warnings fail the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}
case "$mode" in
  ""|--sanitize|--thread) ;;
  *) echo "usage: scripts/test.sh [--sanitize|--thread]" >&2; exit 2 ;;
esac
"$root/scripts/setup"
export QT_QPA_PLATFORM=offscreen
opts=(-DBUILD_TESTING=ON -DKM610_BUILD_BENCHMARKS=OFF -DKM610_BUILD_SHOTS=OFF)
[ "${CI:-}" = true ] && opts+=(-DKM610_WERROR=ON)
select=()
case "$mode" in
  --sanitize)
    dir="$root/build/sanitize"
    "$root/scripts/build.sh" "$dir" Debug "${opts[@]}" -DKM610_SANITIZE=ON
    # Leaks inside the system's font and graphics libraries are theirs; the program's own are reported.
    export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
    export ASAN_OPTIONS="detect_stack_use_after_return=0:abort_on_error=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ;;
  --thread)
    dir="$root/build/thread"
    "$root/scripts/build.sh" "$dir" Debug "${opts[@]}" -DKM610_TSAN=ON -- test_link
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/support/tsan.supp"
    select=(-L '^link$')
    ;;
  *)
    dir="$root/build/test"
    "$root/scripts/build.sh" "$dir" Debug "${opts[@]}"
    ;;
esac
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "${select[@]}"

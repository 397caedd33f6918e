#!/usr/bin/env bash
# scripts/watched_run.sh on a run that holds still once: it must say so, show the test program's
# frame by its function's name, end it, and run it once more in the prefix it restarted, where
# the test passes.
#   stall_watch_test.sh GUI_TESTS_EXE
set -uo pipefail
mark=$(mktemp -u)
trap 'rm -f "$mark"' EXIT
export QS_HOLD_STILL_ONCE="Z:${mark//\//\\}"
out=$(QS_STALL_SECONDS=3 bash "$(dirname "$0")/../../scripts/watched_run.sh" "$1" \
        --gtest_also_run_disabled_tests --gtest_filter=Driver.DISABLED_HoldsStillOnceAsARunThatWineHolds 2>&1)
code=$?
failed=0
expect() {
  if ! grep -qF -- "$1" <<<"$out"; then echo "missing from the watcher's output: $1"; failed=1; fi
}
[ "$code" -eq 0 ] || { echo "the watcher ended with $code, not 0 from the second run"; failed=1; }
expect "gui_tests.exe has printed nothing for 3 s: held inside Wine. Backtraces:"
expect "Driver_DISABLED_HoldsStillOnceAsARunThatWineHolds_Test::TestBody()"
expect "gui_tests.exe stalled; it runs once more, from its start."
expect "[  PASSED  ] 1 test."
[ "$(grep -c 'has printed nothing' <<<"$out")" -eq 1 ] || { echo "the second run was taken for a stall"; failed=1; }
[ "$failed" -eq 0 ] || { echo "--- the watcher printed:"; echo "$out"; }
exit "$failed"

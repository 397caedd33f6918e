#!/usr/bin/env bash
# scripts/watched_run.sh on a run that holds still: it must say so, show the test program's frame
# by its function's name, run it once more, and fail with 124 when the second run holds too.
# Afterwards the prefix must still run programs, as the suites after this one need.
#   stall_watch_test.sh GUI_TESTS_EXE
set -uo pipefail
out=$(QS_STALL_SECONDS=5 bash "$(dirname "$0")/../../scripts/watched_run.sh" "$1" \
        --gtest_also_run_disabled_tests --gtest_filter=Driver.DISABLED_HoldsStillAsARunThatWineHolds 2>&1)
code=$?
failed=0
expect() {
  if ! grep -qF -- "$1" <<<"$out"; then echo "missing from the watcher's output: $1"; failed=1; fi
}
[ "$code" -eq 124 ] || { echo "the watcher ended with $code, not 124"; failed=1; }
expect "gui_tests.exe has printed nothing for 5 s: held inside Wine. Backtraces:"
expect "Driver_DISABLED_HoldsStillAsARunThatWineHolds_Test::TestBody()"
expect "gui_tests.exe stalled; it runs once more, from its start."
[ "$(grep -c 'has printed nothing' <<<"$out")" -eq 2 ] || { echo "the run was not watched a second time"; failed=1; }
wine cmd /c exit 7 </dev/null >/dev/null 2>&1
[ $? -eq 7 ] || { echo "the prefix runs no program after the watcher ended the stalled ones"; failed=1; }
[ "$failed" -eq 0 ] || { echo "--- the watcher printed:"; echo "$out"; }
exit "$failed"

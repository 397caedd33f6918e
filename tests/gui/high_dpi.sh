#!/usr/bin/env bash
# The GUI tests of a 144-DPI screen, in a Wine prefix of their own inside the build tree, so that
# its DPI never reaches the prefix the other suites share, whatever order ctest runs them in.
#   high_dpi.sh PREFIX_HOME GUI_TESTS_EXE
set -euo pipefail
QS_KEEP_DISPLAY=1 source "$(dirname "$0")/../../scripts/wine_env.sh" "$(mkdir -p "$1" && cd "$1" && pwd)"
trap wine_env_stop EXIT
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine "$2" --gtest_filter='HighDpi.*'

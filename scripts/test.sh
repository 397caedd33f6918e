#!/usr/bin/env bash
# Builds and runs every test: the portable suite natively, then the Windows program and its
# suites under Wine (platform functions, FTP against a local server, the real GUI under Xvfb).
# The build trees are those of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

echo "== portable core, native"
cmake --preset native >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

echo "== portable core, native, under AddressSanitizer and UBSan"
cmake --preset native-asan >/dev/null
cmake --build build/native-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/native-asan --output-on-failure -j"$jobs"

echo "== fuzz targets, a few seconds each (where clang++ has libFuzzer)"
bench/fuzz 3

echo "== Windows program, under Wine"
cmake --preset windows-local >/dev/null
cmake --build build/win -j"$jobs"
source scripts/wine_env.sh build/win
trap wine_env_stop EXIT
ctest --test-dir build/win --output-on-failure

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
ctest --preset native -j"$jobs"

echo "== portable core, native, under AddressSanitizer and UBSan"
cmake --preset native-asan >/dev/null
cmake --build build/native-asan -j"$jobs"
ctest --preset native-asan -j"$jobs"

echo "== fuzz targets, a few seconds each (where clang++ has libFuzzer)"
bench/fuzz 3

echo "== Windows program, under Wine"
cmake --preset windows-local >/dev/null
cmake --build build/win -j"$jobs"
source scripts/wine_env.sh build/win
trap wine_env_stop EXIT
ctest --test-dir build/win --output-on-failure

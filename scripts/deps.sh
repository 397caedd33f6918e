#!/usr/bin/env bash
# Installs what building, testing and the demo need, from Debian's packages. Quick when all is there.
# clang and libclang-rt-dev are the distribution's default clang and its runtimes (libFuzzer and
# the sanitizers), whatever its version; fonts-wine draws Wine's caption buttons; osslsigncode
# signs the program when the build is given a certificate; nginx and tinyproxy serve the HTTPS
# tests and benchmarks on loopback ports of their own (tests/http/web_servers.sh).
set -euo pipefail
packages=(cmake g++ make libgtest-dev googletest g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils imagemagick fonts-liberation fonts-wine python3-pyftpdlib curl openssl
          osslsigncode clang libclang-rt-dev
          nginx tinyproxy)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

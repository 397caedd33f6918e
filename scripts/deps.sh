#!/usr/bin/env bash
# Installs what building, testing and the demo need, from Debian's packages. Quick when all is there.
set -euo pipefail
packages=(cmake g++ make libgtest-dev googletest g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils imagemagick fonts-liberation python3-pyftpdlib curl openssl
          clang libclang-rt-14-dev)
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

#!/usr/bin/env bash
# Publishes a release folder for the update server: writes its file list with the publishing
# tool and signs the list with the maker's private key.
#   scripts/publish.sh FOLDER KEY.pem
# The tool comes from the native build (build/native, built here when missing); QS_PUBLISH_TOOL
# names another one.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: scripts/publish.sh FOLDER KEY.pem" >&2
  exit 2
fi
folder=$1
key=$2
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${QS_PUBLISH_TOOL:-$root/build/native/publish_file_list}
if [ ! -x "$tool" ]; then
  (cd "$root" && cmake --preset native >/dev/null)
  cmake --build "$root/build/native" -j2 --target publish_file_list >/dev/null
fi
"$tool" "$folder"
openssl dgst -sha256 -sign "$key" -out "$folder/___korvex_file_list.txt.sig" "$folder/___korvex_file_list.txt"
echo "published $folder/___korvex_file_list.txt and its signature"

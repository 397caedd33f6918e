#!/usr/bin/env bash
# Publishes a release folder for the update server: writes its file list with the publishing
# tool and signs it, for this application and release, with the maker's private key.
#   scripts/publish.sh FOLDER KEY.pem RELEASE
# RELEASE is a whole number that grows with each release: the program refuses a release older
# than the one it installed. The application is the folder's own name, as the live folder
# /public/live/<application>/ on the server is named.
# The tool comes from the native build (build/native, built here when missing); QS_PUBLISH_TOOL
# names another one.
set -euo pipefail
if [ $# -ne 3 ] || ! [[ $3 =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/publish.sh FOLDER KEY.pem RELEASE   (RELEASE: a whole number)" >&2
  exit 2
fi
folder=${1%/}
key=$2
release=$3
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${QS_PUBLISH_TOOL:-$root/build/native/publish_file_list}
if [ ! -x "$tool" ]; then
  (cd "$root" && cmake --preset native >/dev/null)
  cmake --build "$root/build/native" -j2 --target publish_file_list >/dev/null
fi
"$tool" "$folder" "$release"
list="$folder/___korvex_file_list.txt"
sig="$folder/___korvex_file_list.txt.sig"
# The tool began the signature file with the application's and the release's lines; the
# signature covers them and then the list's bytes.
signature=$(cat "$sig" "$list" | openssl dgst -sha256 -sign "$key" | base64 -w0)
printf 'signature: %s\r\n' "$signature" >> "$sig"
echo "published $list and its signature, release $release of $(basename "$folder")"

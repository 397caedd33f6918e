#!/usr/bin/env bash
# Runs the program on a demo installation medium under Wine, with a local update server.
# With a display it is interactive; without one it runs in a Wine desktop on Xvfb, clicks
# through the licence window, runs the Internet update against the local server, saves
# screenshots and prints their paths.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh

build=build/demo
# ---- the maker's key pair, new for every demo run; the private half stays in the build tree
keys="$build/keys"
mkdir -p "$keys"
openssl ecparam -name prime256v1 -genkey -noout -out "$keys/maker_key.pem"
openssl ec -in "$keys/maker_key.pem" -pubout -out "$keys/maker_pub.pem" 2>/dev/null
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DUPDATE_SERVER_HOST=127.0.0.1 -DUPDATE_SERVER_PORT=2121 -DUPDATE_SIGNING_KEY="$root/$keys/maker_pub.pem" >/dev/null
cmake --build "$build" -j2 --target run_this_first demo_driver

# ---- the sample installation medium
medium="$build/medium/SpectraDemo"
rm -rf "$build/medium"
mkdir -p "$medium/init_setup" "$medium/Application_Data/SpectraDemo/samples" "$medium/windows"
crlf() { printf '%s\r\n' "$@"; }
cp "$build/run_this_first.exe" "$medium/"
crlf "SpectraDemo quick setup" > "$medium/init_setup/title.txt"
crlf "SpectraDemo" > "$medium/init_setup/application_name.txt"
crlf "This setup routine installs SpectraDemo, the spectrum viewer " \
     "of Korvex Hard- and Software. " \
     "" \
     "Click the buttons of the group New installation one after the other," \
     "then use Maintenance and Backup whenever you need them." > "$medium/init_setup/infolines.txt"
crlf "Please read this:" "Copy files" "Register components" "Create program shortcuts " \
     "Create help shortcuts" "Exit" "Update from folder" > "$medium/init_setup/captions.txt"
crlf "1" > "$medium/init_setup/language.txt"
crlf ".spd" "SpectraDemo.Spectrum" "SpectraDemo spectrum" "spectra_demo.exe" "%1" "0" > "$medium/init_setup/extensions.txt"
crlf "spectra_demo.exe" > "$medium/init_setup/ole_servers.txt"
crlf "[view]" "grid=1" "colour=green" > "$medium/Application_Data/SpectraDemo/settings.ini"
crlf "wavelength;intensity" "400;0.12" "500;0.80" "600;0.33" > "$medium/Application_Data/SpectraDemo/samples/sample1.csv"
crlf "[SpectraDemo]" "installed=1" > "$medium/windows/spectra_demo.ini"
crlf "SpectraDemo manual (demo help file)" > "$medium/spectra_manual.chm"
crlf "400;0.10" "410;0.14" > "$medium/reference.spd"

# ---- Wine, with the user's display when there is one
if [ -n "${DISPLAY:-}" ]; then export QS_KEEP_DISPLAY=1; fi
source scripts/wine_env.sh "$build"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  wine_env_stop
}
trap cleanup EXIT
# A small real program for the shortcuts and the OLE-server list: Wine's own notepad.
cp "$WINEPREFIX/drive_c/windows/system32/notepad.exe" "$medium/spectra_demo.exe" 2>/dev/null ||
  cp "$build/demo_driver.exe" "$medium/spectra_demo.exe"

# ---- the local update server: the live folder is the medium with a few files changed
if [ -f tests/ftp/update_server.py ]; then
  ftp_root="$build/ftp_root"
  live="$ftp_root/public/live/SpectraDemo"
  rm -rf "$ftp_root"
  mkdir -p "$live"
  cp -r "$medium/." "$live/"
  crlf "SpectraDemo manual, release 1.1" > "$live/spectra_manual.chm"
  crlf "[view]" "grid=1" "colour=blue" "legend=1" > "$live/Application_Data/SpectraDemo/settings.ini"
  crlf "wavelength;intensity" "450;0.42" > "$live/Application_Data/SpectraDemo/samples/sample2.csv"
  rm -f "$live/reference.spd"
  # Published as the maker publishes a release: the file list and its signature.
  bash scripts/publish.sh "$live" "$keys/maker_key.pem"
  exec {server_out}< <(/usr/bin/python3 tests/ftp/update_server.py --root "$ftp_root" --port 2121 2>&1)
  server_pid=$!
  if read -r -t 20 line <&"$server_out" && [ "${line%% *}" = ready ]; then
    echo "update server on 127.0.0.1:2121 serving $live"
  else
    echo "the update server did not start; Internet update will report that the server is not reachable"
  fi
fi

exe_win="$medium/run_this_first.exe"
if [ -n "${QS_KEEP_DISPLAY:-}" ]; then
  echo "starting $exe_win on display $DISPLAY"
  (cd "$medium" && wine run_this_first.exe)
  exit 0
fi

# ---- no display: a Wine desktop on Xvfb, screenshots of both windows
shots="$root/$build/screenshots"
mkdir -p "$shots"
(cd "$medium" && exec wine explorer /desktop=shot,1024x768 run_this_first.exe) >/dev/null 2>&1 &
desktop_pid=$!
# The driver runs inside the same Wine desktop, so that it sees the program's windows.
step() {
  local result="$root/$build/demo_step.txt"
  rm -f "$result"
  # The Wine desktop stays with the program, so its command returns late: wait for the result.
  QS_DEMO_RESULT=$(winepath -w "$result") wine explorer /desktop=shot,1024x768 "$root/$build/demo_driver.exe" "$1" \
    >/dev/null 2>&1 &
  for _ in $(seq 1 150); do [ -s "$result" ] && break; sleep 0.2; done
  cat "$result" 2>/dev/null || echo "failed: the demo driver gave no result"
  grep -q '^ok' "$result" 2>/dev/null
}
step wait-licence
sleep 2
import -window root -crop 1024x768+0+0 "$shots/licence_window.png"
step accept
sleep 2
import -window root -crop 1024x768+0+0 "$shots/main_window.png"
# The Internet update against the demo server, whose list the program checks against the key.
if step update; then
  sleep 1
  import -window root -crop 1024x768+0+0 "$shots/internet_update.png"
  step ok || true
  if grep -q "release 1.1" "$medium/spectra_manual.chm"; then
    echo "Internet update: the signed list was verified and the changed files arrived"
  else
    echo "Internet update: the changed files did not arrive"
  fi
fi
step close
for _ in $(seq 1 100); do kill -0 "$desktop_pid" 2>/dev/null || break; sleep 0.2; done
kill "$desktop_pid" 2>/dev/null || true
echo "screenshots:"
echo "  $shots/licence_window.png"
echo "  $shots/main_window.png"
[ -f "$shots/internet_update.png" ] && echo "  $shots/internet_update.png"

#!/usr/bin/env bash
# Runs the program on a demo installation medium under Wine, with a local update server.
# With a display it is interactive. Without one it plays a whole session in a Wine desktop on
# Xvfb, as a user would: licence, Copy files, Register components, both shortcut tasks, Generate
# file list, Internet update, Update from folder, Generate backup folder, Exit; it saves a
# screenshot after each step, checks what the session left behind, writes build/demo/index.html
# and ends non-zero when a step or a check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
bash scripts/deps.sh

build=build/demo
examples=docs/example_medium/SpectraDemo
# ---- keys made for this run; the private halves stay in the build tree
keys="$build/keys"
mkdir -p "$keys"
# The maker's key pair for the update server's file list.
openssl ecparam -name prime256v1 -genkey -noout -out "$keys/maker_key.pem"
openssl ec -in "$keys/maker_key.pem" -pubout -out "$keys/maker_pub.pem" 2>/dev/null
# A throw-away code-signing certificate for the program file.
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Korvex demo" -addext extendedKeyUsage=codeSigning -days 2 \
  -keyout "$keys/code_key.pem" -out "$keys/code_cert.pem" 2>/dev/null
cmake --preset demo -DUPDATE_SIGNING_KEY="$root/$keys/maker_pub.pem" \
  -DAUTHENTICODE_CERT="$root/$keys/code_cert.pem" -DAUTHENTICODE_KEY="$root/$keys/code_key.pem" >/dev/null
nice -n 10 cmake --build "$build" -j2 --target run_this_first demo_driver registration_test_control \
  registration_test_server >/dev/null

# ---- the demo medium: the guide's example files, the program, and a few programs of the application
medium="$build/medium/SpectraDemo"
rm -rf "$build/medium"
mkdir -p "$build/medium"
cp -r "$examples" "$medium"
cp "$build/run_this_first.exe" "$medium/"
# The OLE server and the ActiveX control: small real ones that leave a mark when registered.
mkdir -p "$medium/servers"
cp "$build/components/qs_test_server.exe" "$medium/servers/spectra_server.exe"
cp "$build/components/qs_test_control.ocx" "$medium/spectra_plot.ocx"

# ---- Wine, with the user's display when there is one
if [ -n "${DISPLAY:-}" ]; then export QS_KEEP_DISPLAY=1; fi
source scripts/wine_env.sh "$build"
server_pid=""
desktop_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  if [ -n "$desktop_pid" ]; then kill "$desktop_pid" 2>/dev/null || true; fi
  wine_env_stop
}
trap cleanup EXIT
# The application's program, for the file type and the shortcut: Wine's own notepad.
cp "$WINEPREFIX/drive_c/windows/system32/notepad.exe" "$medium/spectra_demo.exe"

# What an earlier run left in the prefix goes, so that every check sees this run's work.
drive_c="$WINEPREFIX/drive_c"
user_dir="$drive_c/users/${USER:-$(id -un)}/"
[ -d "$user_dir" ] || user_dir=$(ls -d "$drive_c"/users/*/ | grep -v '/Public/$' | head -n 1)
rm -rf "$drive_c/Program Files/SpectraDemo" "$drive_c/Backups" "$user_dir"AppData/Roaming/SpectraDemo \
  "$drive_c/windows/spectra_demo.ini" "$user_dir"Desktop/*
for key in '.spd' 'SpectraDemo.Spectrum'; do wine reg delete "HKCR\\$key" /f >/dev/null 2>&1 || true; done
mkdir -p "$drive_c/Backups"

crlf() { printf '%s\r\n' "$@"; }
# ---- the local update server: the live folder is the medium with a few files changed
ftp_root="$build/ftp_root"
live="$ftp_root/public/live/SpectraDemo"
rm -rf "$ftp_root"
mkdir -p "$live"
cp -r "$medium/." "$live/"
crlf "SpectraDemo manual, release 1.1" > "$live/spectra_manual.chm"
crlf "[view]" "grid=1" "colour=blue" "legend=1" > "$live/Application_Data/SpectraDemo/settings.ini"
crlf "wavelength;intensity" "450;0.42" > "$live/Application_Data/SpectraDemo/samples/sample2.csv"
rm -f "$live/reference.spd"
# A larger file, which the server sends slowly enough for a screenshot while it arrives.
head -c $((3 << 20)) /dev/urandom > "$live/spectra_library.dat"
# Published as the maker publishes a release: the file list and its signature, release 2.
bash scripts/publish.sh "$live" "$keys/maker_key.pem" 2 >/dev/null
exec {server_out}< <(/usr/bin/python3 tests/ftp/update_server.py --root "$ftp_root" --port 2121 --rate 1000000 2>&1)
server_pid=$!
if read -r -t 20 line <&"$server_out" && [ "${line%% *}" = ready ]; then
  echo "update server on 127.0.0.1:2121 serving $live"
else
  echo "the update server did not start; Internet update will report that the server is not reachable"
fi

# ---- an update as the maker sends it on a CD, copied by the user onto the desktop: a folder named
# like the program folder, with a newer reference spectrum and newer settings
update_cd="${user_dir}Desktop/SpectraDemo"
mkdir -p "$update_cd/Application_Data/SpectraDemo"
crlf "400;0.10" "410;0.14" "420;0.19" "; reference release 1.2" > "$update_cd/reference.spd"
crlf "[view]" "grid=0" "colour=red" > "$update_cd/Application_Data/SpectraDemo/settings.ini"

if [ -n "${QS_KEEP_DISPLAY:-}" ]; then
  echo "starting $medium/run_this_first.exe on display $DISPLAY"
  (cd "$medium" && wine run_this_first.exe)
  exit 0
fi

# ---- no display: the session, played by the demo driver in the program's Wine desktop
out="$root/$build"
rm -rf "$out/screenshots" "$out/index.html"
mkdir -p "$out/screenshots"
session="$out/session.txt"
cat > "$session" <<'SESSION'
window Tlicence_agreement_form
tick Yes. I understood the licence agreement and accept it.
shot 01_licence | The licence agreement, accepted
click Start software setup ...
window Tsetup_main_page

click Copy files
answer OK | The program folder name "SpectraDemo" will be added automatically.
folder
info ... | | Copying finished.
shot 02_copy_files | Copy files: application data, Windows files and the program folder C:\Program Files\SpectraDemo

click Register components
answer Yes | Register file extension .spd (SpectraDemo.Spectrum, SpectraDemo spectrum)?
info Registration of components finished
shot 03_register | Register components: the file type .spd, the OLE server and the ActiveX control (regsvr32)

click Create program shortcuts
answer Yes | Create a desktop shortcut for program C:\Program Files\SpectraDemo\spectra_demo.exe?
answer OK | Desktop shortcut
info Creation of program shortcuts finished
click Create help shortcuts
answer Yes | Create a desktop shortcut for the helpfile C:\Program Files\SpectraDemo\spectra_manual.chm?
answer OK | Desktop shortcut
info Creation of help shortcuts finished
shot 04_shortcuts | Create program shortcuts and Create help shortcuts: spectra_demo and spectra_manual help on the desktop

click Generate file list
folder My Computer/C:/Program Files/SpectraDemo
label File list ready!
shot 05_file_list | Generate file list, of the installed program folder

click Internet update
label Getting file *
shot 06_internet_update_progress | Internet update: the files arrive in the staging folder; the label names the one started last, and the window keeps answering
answer OK | Files to delete:
label Update finished
shot 06_internet_update | Internet update from the local update server, with its signed file list of release 2: all files in place at once

click Update from folder
folder SpectraDemo
info File copy finished! || Yes | Confirm
shot 07_update_from_folder | Update from folder: the update folder SpectraDemo on the desktop laid over the installation

click Generate backup folder
answer OK | Select or create a new folder for the backup.
folder My Computer/C:/Backups
answer OK | Ready for generating the backup folder
info Backup finished * || Yes | Confirm
shot 08_backup | Generate backup folder, into C:\Backups

click Exit
gone
shot 09_exit | Exit: the program has ended; the Wine desktop shows the new program shortcut
SESSION

shot_request="$out/shot_request.txt"
# play_session SESSION LOG FOLDER ARGUMENTS...: starts run_this_first.exe ARGUMENTS in FOLDER in the
# program's Wine desktop, and the demo driver beside it with the session; takes the screenshots it
# asks for and shows its log until it is done or failed.
play_session() {
  local session_file=$1 session_log=$2 folder=$3
  shift 3
  rm -f "$session_log" "$shot_request"
  (cd "$folder" && exec wine explorer /desktop=shot,1024x768 run_this_first.exe "$@") >/dev/null 2>&1 &
  desktop_pid=$!
  # The driver runs inside the same Wine desktop, so that it sees the program's windows.
  QS_DEMO_LOG=$(wine_path "$session_log") QS_DEMO_SHOT=$(wine_path "$shot_request") \
    wine explorer /desktop=shot,1024x768 "$out/demo_driver.exe" "$(wine_path "$session_file")" >/dev/null 2>&1 &
  local session_start shown=0 total name
  session_start=$(date +%s)
  while :; do
    if [ -f "$shot_request" ]; then
      name=$(head -n 1 "$shot_request")
      import -window root -crop 1024x768+0+0 "$out/screenshots/$name.png"
      rm -f "$shot_request"
    fi
    if [ -f "$session_log" ]; then
      total=$(wc -l < "$session_log")
      if [ "$total" -gt "$shown" ]; then tail -n +$((shown + 1)) "$session_log" | head -n $((total - shown)); shown=$total; fi
      if tail -n 1 "$session_log" | grep -q '^done$\|^failed'; then break; fi
    fi
    if [ $(($(date +%s) - session_start)) -gt 300 ]; then echo "failed: the session did not end" >> "$session_log"; break; fi
    sleep 0.1
  done
  # A failed session leaves the program open: end it with the desktop.
  if ! grep -q '^done$' "$session_log"; then kill "$desktop_pid" 2>/dev/null || true; fi
  for _ in $(seq 1 50); do kill -0 "$desktop_pid" 2>/dev/null || break; sleep 0.2; done
  kill "$desktop_pid" 2>/dev/null || true
  desktop_pid=""
}

log="$out/session.log"
play_session "$session" "$log" "$medium"

# ---- what the session left behind, and the page
status=0
/usr/bin/python3 tests/gui/demo/demo_checks.py --out "$out" --session "$session" --log "$log" \
  --prefix "$WINEPREFIX" --user-dir "$user_dir" --medium "$medium" --examples "$examples" --live "$live" \
  --update-cd "$update_cd" --guide docs/making_a_medium.md --cert "$keys/code_cert.pem" \
  --exe "$build/run_this_first.exe" --seconds $(($(date +%s) - started)) || status=$?

# ---- last, the user removes the application again: the entry's UninstallString, the question
# answered, and a look at the desktop and what stayed
uninstall_session="$out/uninstall_session.txt"
cat > "$uninstall_session" <<'SESSION'
answer Yes | Remove SpectraDemo and all of its components from this computer?
box SpectraDemo was removed from this computer.
shot 10_uninstall | Uninstall, as the Apps & Features entry starts it: the closing box, in front of the progress window with its bar full, names what stays, the file the demo's control left and the user's own data
answer OK | SpectraDemo was removed from this computer.
shot 11_uninstalled | After the uninstall: the emptied Wine desktop
SESSION
uninstall_log="$out/uninstall_session.log"
play_session "$uninstall_session" "$uninstall_log" "$WINEPREFIX/drive_c/Program Files/SpectraDemo" /uninstall
/usr/bin/python3 tests/gui/demo/demo_checks.py --phase uninstalled --out "$out" --session "$uninstall_session" \
  --log "$uninstall_log" --prefix "$WINEPREFIX" --user-dir "$user_dir" --medium "$medium" --examples "$examples" \
  --live "$live" --update-cd "$update_cd" --guide docs/making_a_medium.md --cert "$keys/code_cert.pem" \
  --exe "$build/run_this_first.exe" --seconds $(($(date +%s) - started)) || status=$?
echo "demo page: $out/index.html"
exit "$status"

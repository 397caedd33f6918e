# Sourced: a Wine prefix of our own inside a build tree, and an X server for the windows.
#   source scripts/wine_env.sh BUILD_DIR
# Afterwards WINEPREFIX, DISPLAY and friends are exported, a persistent wineserver runs,
# wine_env_stop (called on exit) ends both, and wine_path converts a path for Wine's programs.
qs_build_dir=$(cd "$1" && pwd)
export WINEPREFIX="$qs_build_dir/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No offer to install Mono or Gecko, and no .desktop files for saved links.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The Windows path of a Linux path, through Wine's drive Z: (the path need not exist yet).
wine_path() { echo "Z:$(realpath -m "$1" | sed 's|/|\\|g')"; }

wine_env_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${QS_XVFB_PID:-}" ]; then kill "$QS_XVFB_PID" 2>/dev/null || true; fi
}

if [ -z "${QS_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
  # A private X server; -displayfd picks a free display number.
  exec {qs_fd}<> <(:)
  Xvfb -displayfd "$qs_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  QS_XVFB_PID=$!
  read -r -t 20 qs_display <&"$qs_fd" || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$qs_display"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  # The windows ask for "Times New Roman", which Wine lacks: its metric twin draws their labels.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null 2>&1 || true
  # A new prefix links Desktop, Documents, ... to $HOME: make them real folders of the prefix,
  # so that tests never write into the home folder.
  for d in "$WINEPREFIX"/drive_c/users/*/; do
    for link in Desktop Documents Downloads Music Pictures Videos; do
      if [ -L "$d$link" ]; then rm -f "$d$link"; mkdir -p "$d$link"; fi
    done
  done
fi
# Wine draws the caption buttons with Marlett and its dialogs with Tahoma, from fonts-wine; this
# Wine looks for them only in the prefix's Fonts folder, so without a copy there the buttons show
# as "0 1 r".
if [ -d /usr/share/wine/fonts ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# -p fails while a server of this prefix still runs (one left finishing the prefix's creation):
# wait for it to end, then start ours; a server that stays is used as it is.
if ! wineserver -p 2>/dev/null; then
  timeout 60 wineserver -w || true
  wineserver -p 2>/dev/null || true
fi
# Start Wine's own services now, detached from every stream: a service started by the first test
# program would inherit ctest's output pipe and keep it open, so ctest would wait for ever.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# Xvfb has no window manager, but Wine hands its windows to one by default and then waits 2 s,
# each time a window is hidden, for the manager to report it withdrawn: every program a test
# starts and ends paid 4 s for nothing. Windows of its own, which Wine frames itself, need none.
if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
fi
# A program that crashes makes Wine start winedbg, whose crash dialog waits for a click that never
# comes: the suite would sit silent until its timeout. Without the dialog, the backtrace goes to
# the program's error output and the program ends.
if ! grep -q '^"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || true
fi

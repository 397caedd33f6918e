#!/usr/bin/env bash
# Runs a Windows test program under Wine and watches its output. Every wait of the tests' own
# has a bound, and the suite prints a line as each test starts and ends, so a program silent
# for QS_STALL_SECONDS (default 120) is held inside Wine. Then the backtraces of the prefix's
# non-system processes are printed (the test program's own frames named by its symbols), they
# are ended, and the program runs once more from its start; a second stall fails. A program
# that fails by itself fails at once, as it would unwatched.
#   watched_run.sh PROGRAM.exe [ARGUMENTS...]     (in the environment of scripts/wine_env.sh)
set -u
program=$1
stall=${QS_STALL_SECONDS:-120}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Each backtrace of a process outside C:\windows, with a frame of the test program followed by
# the name of the function it lies in.
backtraces() {
  printf 'bt all\nquit\n' | timeout 90 winedbg 2>&1 |
    awk '/^Backtracing for thread/ { keep = index($0, "C:\\windows\\") == 0 } keep' |
    /usr/bin/python3 "$(dirname "$0")/name_frames.py" "$program"
}

# Ends what the stalled run left: the prefix's programs and the update servers its tests started.
end_stalled_run() {
  wineserver -k 2>/dev/null || true
  pkill -f "tests/ftp/update_server.py --root $(pwd)/" 2>/dev/null || true
  sleep 1
  wineserver -p 2>/dev/null || true
  # Wine's services again detached from every stream, as scripts/wine_env.sh starts them.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Runs the program once: its exit code, or 124 after a stall.
run_once() {
  : >"$log"
  wine "$@" >"$log" 2>&1 &
  local pid=$! size=0 last=-1 quiet=0
  tail -n +1 -f --pid="$pid" "$log" &
  local tail_pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    size=$(stat -c %s "$log")
    if [ "$size" != "$last" ]; then last=$size quiet=0; else quiet=$((quiet + 1)); fi
    if [ "$quiet" -ge "$stall" ]; then
      echo
      echo "== $program has printed nothing for $stall s: held inside Wine. Backtraces:"
      backtraces
      end_stalled_run
      wait "$pid" 2>/dev/null
      kill "$tail_pid" 2>/dev/null
      return 124
    fi
  done
  wait "$pid"
  local code=$?
  wait "$tail_pid" 2>/dev/null
  return "$code"
}

run_once "$@"
code=$?
if [ "$code" -eq 124 ]; then
  echo "== $program stalled; it runs once more, from its start."
  run_once "$@"
  code=$?
fi
exit "$code"

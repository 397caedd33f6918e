#!/usr/bin/env bash
# Builds the benchmark program and prints, side by side on the same data in one run:
#   generate_file_list on 1 GiB of large files     against md5sum
#   generate_file_list on 20,000 small files       against find -print0 | xargs -0 md5sum
#   sorting and merging 100,000-line file lists    (identical, and 1% differing), with the check
#                                                  that the sort-key order is CompareStringW's
#   an Internet update of 200 small files          against one curl --ftp-port - per file, in 3
#                                                  rounds, with the commands each sends per file
#   start-up until the licence window shows        against a bare Win32 window program, both
#                                                  started by CreateProcess, median of 5
# No assertions: figures only. Usage: bench/run.sh [build-dir [part...]]   (default build/win and
# every part; parts: filelist sortmerge update startup)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win}
parts=${*:2}
wanted() { [ -z "$parts" ] || [[ " $parts " == *" $1 "* ]]; }
cmake --preset windows-local -B "$build" >/dev/null
targets=()
if [ "$parts" != startup ]; then targets+=(update_bench); fi
if wanted startup; then targets+=(run_this_first startup_bench startup_peer); fi
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
source scripts/wine_env.sh "$build"
data=$(realpath "$build")/bench_data
server_pid=
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; wine_env_stop; }
trap cleanup EXIT
bench="wine $build/update_bench.exe"
# Arithmetic on decimals with awk, which every system has (bc is not always there).
calc() { local format=$1; shift; awk "BEGIN { printf \"$format\\n\", $* }"; }
seconds() { local s=$(date +%s.%N); "$@" >/dev/null; calc %.3f "$(date +%s.%N) - $s"; }
field() { sed -n "s/.*$1 \([0-9.]*\).*/\1/p"; }
ratio() { calc %.2f "$1 / $2"; }

make_tree() {  # folder, files, min size, max size, folders
  /usr/bin/python3 - "$@" <<'PY'
import os, random, sys
folder, count, low, high, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
random.seed(7)
for i in range(count):
    sub = os.path.join(folder, "folder%03d" % (i % folders))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "file%06d.dat" % i), "wb") as f:
        f.write(os.urandom(random.randint(low, high)))
PY
}

if wanted filelist; then
echo "== generate_file_list, 1 GiB in 8 large files"
if [ ! -d "$data/large" ]; then
  mkdir -p "$data/large"
  for i in 1 2 3 4 5 6 7 8; do head -c $((128 << 20)) /dev/urandom > "$data/large/part$i.bin"; done
fi
rm -f "$data/large/___korvex_file_list.txt"
cat "$data"/large/* > /dev/null
t_md5sum=$(seconds md5sum "$data"/large/part*.bin)
t_ours=$($bench filelist "$(wine_path "$data/large")" | field seconds)
echo "md5sum ${t_md5sum}s  generate_file_list ${t_ours}s  throughput ratio (ours/md5sum) $(ratio "$t_md5sum" "$t_ours")  target >= 0.95"

echo "== generate_file_list, 20,000 small files"
if [ ! -d "$data/small" ]; then make_tree "$data/small" 20000 100 4000 100; fi
rm -f "$data/small/___korvex_file_list.txt"
find "$data/small" -type f -print0 | xargs -0 cat > /dev/null
t_find=$(seconds bash -c "find '$data/small' -type f -print0 | xargs -0 md5sum")
t_ours=$($bench filelist "$(wine_path "$data/small")" | field seconds)
echo "find|xargs md5sum ${t_find}s  generate_file_list ${t_ours}s  time ratio (ours/md5sum) $(ratio "$t_ours" "$t_find")  target <= 3"
fi

if wanted sortmerge; then
echo "== sort and merge, 100,000 lines"
$bench sortmerge 100000 0 || true
$bench sortmerge 100000 1 || true
fi

if wanted update; then
echo "== Internet update, 200 small files, 3 rounds (curl and ours in turn)"
rm -rf "$data/ftp" "$data/install" "$data/curl"
make_tree "$data/ftp/public/live/BenchApp" 200 200 8000 10
$bench filelist "$(wine_path "$data/ftp/public/live/BenchApp")" > /dev/null
log="$data/server.log"
rm -f "$log"
/usr/bin/python3 tests/ftp/update_server.py --root "$data/ftp" --port 2121 --log "$log" > "$data/server.out" &
server_pid=$!
until grep -q ready "$data/server.out" 2>/dev/null; do sleep 0.05; done
files=$(cd "$data/ftp/public/live/BenchApp" && find . -name '*.dat' | sed 's|^\./||' | sort)
n=$(echo "$files" | wc -l)
fetch_all_with_curl() {
  for f in $files; do
    mkdir -p "$data/curl/$(dirname "$f")"
    curl -s --ftp-port - -u 'login-5203:muhTaK*R' "ftp://127.0.0.1:2121/public/live/BenchApp/$f" -o "$data/curl/$f"
  done
}
# The server logs every command it receives as "... <- COMMAND": those logged since line $1, per file.
commands_per_file() { calc %.1f "$(tail -n +$(($1 + 1)) "$log" | grep -c ' <- ') / $n"; }
per_file_ms() { calc %.2f "$1 * 1000 / $n"; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
spread() { printf '%s\n' "$@" | sort -n | sed -n '1p;$p' | paste -sd-; }
curl_ms=(); ours_ms=()
for round in 1 2 3; do
  rm -rf "$data/install" "$data/curl"
  mkdir -p "$data/install" "$data/curl"
  echo "setup" > "$data/install/run_this_first.exe"
  mark=$(wc -l < "$log")
  curl_ms+=("$(per_file_ms "$(seconds fetch_all_with_curl)")")
  curl_commands=$(commands_per_file "$mark")
  mark=$(wc -l < "$log")
  out=$($bench update "$(wine_path "$data/install")\\") || true
  echo "$out" | grep -v '^update_seconds' || true
  ours_ms+=("$(per_file_ms "$(echo "$out" | field update_seconds)")")
  ours_commands=$(commands_per_file "$mark")
  echo "round $round: curl ${curl_ms[-1]} ms/file, $curl_commands commands/file;" \
       "update ${ours_ms[-1]} ms/file, $ours_commands commands/file (list and local list included)"
done
curl_median=$(median "${curl_ms[@]}"); ours_median=$(median "${ours_ms[@]}")
echo "curl median ${curl_median} ms/file (spread $(spread "${curl_ms[@]}"))" \
     " update median ${ours_median} ms/file (spread $(spread "${ours_ms[@]}"))" \
     " ratio of medians (ours/curl) $(ratio "$ours_median" "$curl_median")  target <= 0.7"
fi

if wanted startup; then
echo "== start-up until the first window shows, warm Wine (one throw-away start each), 5 starts each"
echo "   run_this_first.exe until its licence window (target <= 300 ms), and a bare Win32 window program, in turn"
wine "$build/startup_bench.exe" 5 "$(wine_path "$build/run_this_first.exe")" Tlicence_agreement_form \
  "$(wine_path "$build/startup_peer.exe")" Tstartup_peer
fi

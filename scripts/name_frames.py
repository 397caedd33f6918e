"""Reads winedbg backtraces on stdin and copies them to stdout, each frame that lies in PROGRAM
followed by the name of the function it lies in, from PROGRAM's symbol table.
    name_frames.py PROGRAM.exe"""
import bisect
import re
import subprocess
import sys

program = sys.argv[1]
symbols = []
try:
    listed = subprocess.run(["x86_64-w64-mingw32-nm", "-C", "--defined-only", program],
                            capture_output=True, text=True).stdout
    for line in listed.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in "tT":
            symbols.append((int(parts[0], 16), parts[2]))
except OSError:
    pass  # without nm the backtraces go out as winedbg gave them
symbols.sort()
starts = [start for start, _ in symbols]
# winedbg names a module by its file name without the extension: "0x... in gui_tests (+0x...)".
module = re.escape(program.rsplit("/", 1)[-1].rsplit(".", 1)[0])
frame = re.compile(r"0x([0-9a-f]+) in " + module + r" \(")
for line in sys.stdin:
    line = line.rstrip("\n")
    found = frame.search(line)
    if found and starts:
        i = bisect.bisect_right(starts, int(found.group(1), 16)) - 1
        if i >= 0:
            line += "  <" + symbols[i][1] + ">"
    print(line, flush=True)

#!/usr/bin/python3
"""Checks what the demo session left behind in its Wine prefix and writes the demo's page.

Every check compares what a user would expect after the session with what is really there: the
installed files, the registry (read with `wine reg query`), the desktop's .lnk files (read as
the shell wrote them), the files the two updates brought, the backup folder, the guide's quoted
example files and the program file's signature. Ends with 1 when a step or a check failed.

With --phase uninstalled it runs after the uninstall that ends the demo: it checks what the
uninstall took away and what it left, and writes the page again with every check of both phases.
"""
import json
import argparse
import hashlib
import html
import os
import re
import struct
import subprocess

args = argparse.ArgumentParser()
for name in ("out", "session", "log", "prefix", "user-dir", "medium", "examples", "live", "update-cd", "guide",
             "cert", "exe", "seconds"):
    args.add_argument("--" + name, required=True)
args.add_argument("--phase", choices=("installed", "uninstalled"), default="installed")
a = args.parse_args()

drive_c = os.path.join(a.prefix, "drive_c")
installed = os.path.join(drive_c, "Program Files", "SpectraDemo")
installed_win = "C:\\Program Files\\SpectraDemo"
appdata = os.path.join(a.user_dir, "AppData", "Roaming", "SpectraDemo")
backup = os.path.join(drive_c, "Backups", "SpectraDemo")
checks = []  # (what, expected, found, passed)
SAME = object()


def check(what, expected, found, passed=SAME):
    checks.append((what, expected, found, expected == found if passed is SAME else passed))


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def same_file(what, path, model):
    got, want = read(path), read(model)
    found = "missing" if got is None else ("the same bytes" if got == want else "other bytes: %r" % got[:60])
    check(what, "the same bytes as " + os.path.relpath(model), found, got is not None and got == want)


def files_below(folder):
    found = []
    for top, _, names in os.walk(folder):
        found += [os.path.relpath(os.path.join(top, n), folder) for n in names]
    return sorted(found)


def registry_default(key):
    try:
        text = subprocess.run(["wine", "reg", "query", "HKCR\\" + key, "/ve"], capture_output=True, text=True,
                              timeout=60).stdout
    except (OSError, subprocess.TimeoutExpired):
        return "wine reg query failed"
    for line in text.splitlines():
        if "REG_SZ" in line:
            return line.split("REG_SZ", 1)[1].strip()
    return "no value"


def write_page_and_end(shots, last_run):
    """The page with every screenshot and check so far; ends with 1 when a check failed."""
    rows = []
    for what, expected, found, passed in checks:
        mark = "pass" if passed else "FAIL"
        rows.append("<tr class='%s'><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>" % (
            mark, html.escape(what), html.escape(expected), html.escape(found), mark))
    figures = ["<figure><img src='screenshots/%s.png' alt='%s'><figcaption>%d. %s</figcaption></figure>" % (
        n, html.escape(c), k + 1, html.escape(c)) for k, (n, c) in enumerate(shots)
        if os.path.exists(os.path.join(a.out, "screenshots", n + ".png"))]
    page = """<!DOCTYPE html>
    <html lang="en"><head><meta charset="utf-8"><title>run_this_first.exe demo session</title>
    <style>body{font-family:sans-serif;margin:2em}figure{margin:0 0 2em}img{border:1px solid #999;max-width:100%%}
    table{border-collapse:collapse}td,th{border:1px solid #999;padding:.3em .6em;text-align:left}
    .pass{background:#dfd}.FAIL{background:#fdd}</style></head><body>
    <h1>A session of run_this_first.exe on the demo medium SpectraDemo</h1>
    <p>Played under Wine as a user would, in %s s including the build.</p>
    %s
    <h2>The log of the Internet update</h2>
    <p>Every Internet update writes one, the button's too: %%APPDATA%%\\RUN_THIS_FIRST\\update_log.txt.</p>
    <pre>%s</pre>
    <h2>What was checked at the end</h2>
    <table><tr><th>Check</th><th>Expected</th><th>Found</th><th>Result</th></tr>
    %s
    </table></body></html>
    """ % (a.seconds, "\n".join(figures), html.escape("\n".join(last_run)), "\n".join(rows))
    with open(os.path.join(a.out, "index.html"), "w", encoding="utf-8") as f:
        f.write(page)
    failures = [c for c in checks if not c[3]]
    for what, expected, found, passed in checks:
        print("%-5s %s: expected %s, found %s" % ("pass" if passed else "FAIL", what,
                                                  expected, found))
    raise SystemExit(1 if failures else 0)


# ---- the session itself
log = open(a.log, encoding="utf-8", errors="replace").read().splitlines() if os.path.exists(a.log) else []
failed_steps = [line for line in log if line.startswith("failed")]
phase = "uninstall: " if a.phase == "uninstalled" else ""
check(phase + "session steps", "every step done", failed_steps[0] if failed_steps else
      ("every step done" if log and log[-1] == "done" else "the session did not end"))

shots = []
for line in open(a.session, encoding="utf-8"):
    m = re.match(r"\s*shot\s+(\S+)\s*\|\s*(.*)", line)
    if m:
        shots.append((m.group(1), m.group(2).strip()))
missing = [n for n, _ in shots if not os.path.exists(os.path.join(a.out, "screenshots", n + ".png"))]
check(phase + "screenshots", "%d saved" % len(shots), "%d saved" % (len(shots) - len(missing)))

# ---- after the uninstall: nothing of the installation left but the user's own things
if a.phase == "uninstalled":
    with open(os.path.join(a.out, "checks_installed.json"), encoding="utf-8") as f:
        installed_phase = json.load(f)
    checks[:0] = [tuple(c) for c in installed_phase["checks"]]
    for key in (".spd", "SpectraDemo.Spectrum"):
        check("uninstall: registry HKCR\\" + key, "no value", registry_default(key))
    entry = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex_SpectraDemo"
    queried = subprocess.run(["wine", "reg", "query", entry], capture_output=True, text=True, timeout=60)
    check("uninstall: Apps & Features entry " + entry, "removed", "removed" if queried.returncode != 0 else "still there")
    listed = subprocess.run(["wine", "uninstaller", "--list"], capture_output=True, text=True, timeout=60).stdout
    check("uninstall: Wine's uninstaller --list", "no SpectraDemo",
          "no SpectraDemo" if "SpectraDemo" not in listed else listed.strip())
    desktop = os.path.join(a.user_dir, "Desktop")
    links = sorted(n for n in os.listdir(desktop) if n.lower().endswith(".lnk")) if os.path.isdir(desktop) else []
    check("uninstall: shortcuts on the desktop", "none", ", ".join(links) or "none")
    check("uninstall: Windows file spectra_demo.ini", "removed",
          "still there" if os.path.exists(os.path.join(drive_c, "windows", "spectra_demo.ini")) else "removed")
    # The demo's stand-in control leaves a mark when regsvr32 /u unregisters it: a file nothing
    # installed, which the uninstall leaves in the folder and names, as it would a user's file.
    mark = "spectra_plot.ocx.unregistered"
    check("uninstall: ActiveX control unregistered by regsvr32 /u", "DllUnregisterServer ran",
          "DllUnregisterServer ran" if os.path.exists(os.path.join(installed, mark)) else "it did not")
    left = files_below(installed) if os.path.isdir(installed) else []
    check("uninstall: program folder " + installed_win, "left with: " + mark, "left with: " + ", ".join(left))
    uninstall_log = read(os.path.join(a.user_dir, "AppData", "Roaming", "RUN_THIS_FIRST", "install_log.txt")) or b""
    check("uninstall: its log names what stayed", "names " + mark,
          "names " + mark if mark.encode() in uninstall_log else "does not")
    check("uninstall: the user's application data " + appdata, "stays",
          "stays" if os.path.isdir(appdata) else "removed")
    check("uninstall: the user's backup and update folder", "stay",
          "stay" if os.path.isdir(backup) and os.path.isdir(a.update_cd) else "removed")
    write_page_and_end(installed_phase["shots"] + shots, installed_phase["last_run"])

# ---- Copy files: the whole medium as it was, in the program folder; application data; Windows files
medium_files = [f for f in files_below(a.examples)]
binaries = ["run_this_first.exe", "spectra_demo.exe", "spectra_plot.ocx", os.path.join("servers", "spectra_server.exe")]
equal = [f for f in medium_files if read(os.path.join(installed, f)) == read(os.path.join(a.examples, f))]
present = [f for f in binaries if os.path.isfile(os.path.join(installed, f))]
check("files copied to " + installed_win, "%d files of the medium, byte for byte" % (len(medium_files) + len(binaries)),
      "%d files of the medium, byte for byte" % (len(equal) + len(present)))
same_file("application data copied", os.path.join(appdata, "samples", "sample1.csv"),
          os.path.join(a.examples, "Application_Data", "SpectraDemo", "samples", "sample1.csv"))
same_file("Windows file copied", os.path.join(drive_c, "windows", "spectra_demo.ini"),
          os.path.join(a.examples, "windows", "spectra_demo.ini"))


# ---- Register components: Wine's registry, and the marks our server and control leave
program = installed_win + "\\spectra_demo.exe"
for key, value in ((".spd", "SpectraDemo.Spectrum"), ("SpectraDemo.Spectrum", "SpectraDemo spectrum"),
                   ("SpectraDemo.Spectrum\\DefaultIcon", program + ",0"),
                   ("SpectraDemo.Spectrum\\Shell\\Open\\Command", '"%s" "%%1"' % program)):
    check("registry HKCR\\" + key, value, registry_default(key))
mark = read(os.path.join(installed, "servers", "spectra_server.exe.started"))
check("OLE server started", "with /regserver", "not started" if mark is None else "with " + mark.decode("utf-8", "replace"))
check("ActiveX control registered by regsvr32", "DllRegisterServer ran",
      "DllRegisterServer ran" if os.path.exists(os.path.join(installed, "spectra_plot.ocx.registered")) else "it did not")


# ---- the shortcuts, read from the .lnk files as the shell saved them
def link_target(path):
    data = read(path)
    if data is None:
        return None, None
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 76
    if flags & 0x1:  # an item id list
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & 0x2:  # link info, with the local base path
        size, header = struct.unpack_from("<II", data, pos)
        base = struct.unpack_from("<I", data, pos + 16)[0]
        if header >= 0x24:
            start = end = pos + struct.unpack_from("<I", data, pos + 28)[0]
            while data[end:end + 2] != b"\0\0":
                end += 2
            target = data[start:end].decode("utf-16-le")
        else:
            target = data[pos + base:data.index(b"\0", pos + base)].decode("cp1252")
        pos += size
    strings = {}
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "working"), (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            width = 2 if flags & 0x80 else 1
            raw = data[pos + 2:pos + 2 + count * width]
            strings[name] = raw.decode("utf-16-le" if width == 2 else "cp1252").rstrip("\0")
            pos += 2 + count * width
    return target, strings.get("working", "")


desktop = os.path.join(a.user_dir, "Desktop")
for link, target in (("spectra_demo.lnk", program), ("spectra_manual help.lnk", installed_win + "\\spectra_manual.chm")):
    got, working = link_target(os.path.join(desktop, link))
    check("desktop shortcut " + link, "to %s, in %s\\" % (target, installed_win),
          "missing" if got is None else "to %s, in %s" % (got, working))

# ---- Generate file list: every file of the program folder with its size and MD5
listing = read(os.path.join(installed, "___korvex_file_list.txt"))
if listing is None:
    check("file list of " + installed_win, "every file with its size and MD5", "no file list")
else:
    wrong, listed = [], set()
    for line in listing.decode("cp1252").split("\r\n")[:-1]:
        path, digest, size = line.split("\t")
        listed.add(path.replace("/", os.sep).lower())
        body = read(os.path.join(installed, path.replace("/", os.sep)))
        if body is None or hashlib.md5(body).hexdigest().upper() != digest or len(body) != int(size):
            wrong.append(path)
    unlisted = [f for f in files_below(installed) if f.lower() not in listed and not f.startswith("___korvex")]
    check("file list of " + installed_win, "every file with its size and MD5",
          "wrong: %s; not listed: %s" % (wrong, unlisted) if wrong or unlisted else "every file with its size and MD5")

# ---- the two updates and the backup
same_file("Internet update: changed file", os.path.join(a.medium, "spectra_manual.chm"),
          os.path.join(a.live, "spectra_manual.chm"))
same_file("Internet update: new file", os.path.join(a.medium, "Application_Data", "SpectraDemo", "samples", "sample2.csv"),
          os.path.join(a.live, "Application_Data", "SpectraDemo", "samples", "sample2.csv"))
same_file("Internet update: large new file", os.path.join(a.medium, "spectra_library.dat"),
          os.path.join(a.live, "spectra_library.dat"))
staging = os.path.join(a.medium, "___korvex_update")
check("Internet update: staging folder afterwards", "only release.txt, holding 2",
      "only release.txt, holding %s" % read(os.path.join(staging, "release.txt")).decode().strip()
      if files_below(staging) == ["release.txt"] else "holds %s" % files_below(staging))

# ---- the log the Internet update wrote: the last run's lines
update_log = read(os.path.join(a.user_dir, "AppData", "Roaming", "RUN_THIS_FIRST", "update_log.txt")) or b""
log_lines = update_log.decode("utf-8-sig", "replace").splitlines()
starts = [k for k, line in enumerate(log_lines) if " Internet update started: " in line]
last_run = log_lines[starts[-1]:] if starts else []
check("Internet update: its log", "release 2 verified, ended up to date",
      "release 2 verified, ended up to date"
      if any("release 2; its signature was verified" in line for line in last_run)
      and last_run and last_run[-1].endswith("Ended: the installation is up to date.") else "log: %r" % last_run[-3:])
same_file("Update from folder: program file", os.path.join(a.medium, "reference.spd"),
          os.path.join(a.update_cd, "reference.spd"))
same_file("Update from folder: application data", os.path.join(appdata, "settings.ini"),
          os.path.join(a.update_cd, "Application_Data", "SpectraDemo", "settings.ini"))
backed_up = [f for f in files_below(a.medium) if read(os.path.join(backup, f)) is None]
check("backup C:\\Backups\\SpectraDemo", "every file of the medium",
      "missing: %s" % backed_up if backed_up else "every file of the medium")
check("backup leaves out the installation's record", "no ___korvex_install",
      "___korvex_install copied" if os.path.isdir(os.path.join(backup, "___korvex_install")) else "no ___korvex_install")
same_file("backup holds the updated files", os.path.join(backup, "reference.spd"), os.path.join(a.update_cd, "reference.spd"))
same_file("backup brings application data back", os.path.join(a.medium, "Application_Data", "SpectraDemo", "settings.ini"),
          os.path.join(a.update_cd, "Application_Data", "SpectraDemo", "settings.ini"))

# ---- the guide shows the very files the medium is made of
guide = open(a.guide, encoding="utf-8").read()
quoted = re.findall(r"<!-- example: (\S+) -->\s*```[a-z]*\n(.*?)```", guide, re.S)
differing = [name for name, block in quoted
             if read(os.path.join(a.examples, name)) != block.replace("\n", "\r\n").encode("cp1252")]
check("guide's example files", "%d quoted as they are" % len(quoted),
      "differing: %s" % differing if differing else "%d quoted as they are" % len(quoted), bool(quoted) and not differing)

# ---- Authenticode: the demo builds the program with its certificate, so it must be signed
try:
    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", a.cert, "-in", a.exe], capture_output=True,
                            text=True, timeout=60)
    verdict = "signed by CN=Korvex demo, verified" if verify.returncode == 0 else "not signed"
except OSError:
    verdict = "not signed (osslsigncode is missing)"
check("program file signature", "signed by CN=Korvex demo, verified", verdict)

# ---- what the page needs again after the uninstall
with open(os.path.join(a.out, "checks_installed.json"), "w", encoding="utf-8") as f:
    json.dump({"checks": checks, "shots": shots, "last_run": last_run}, f)
write_page_and_end(shots, last_run)

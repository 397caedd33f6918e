#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into tests/fuzz/corpus/<target>/.

The seeds are the program's own test cases in small files: every byte-order mark, CR/LF mixes,
empty files, a key on the last line, 32-bit overflow, the hexadecimal prefixes, lines without
TAB, NUL bytes, very long lines. Several files in one seed are cut at SEP.
"""
import os
import sys

SEP = b"\n=====\n"
BOMS = {"ansi": b"", "utf8": b"\xef\xbb\xbf", "utf16le": b"\xff\xfe", "utf16be": b"\xfe\xff"}
HERE = os.path.dirname(os.path.abspath(__file__))


def encode(text, bom):
    if bom == "utf16le":
        return BOMS[bom] + text.encode("utf-16-le")
    if bom == "utf16be":
        return BOMS[bom] + text.encode("utf-16-be")
    if bom == "utf8":
        return BOMS[bom] + text.encode("utf-8")
    return text.encode("latin-1", "replace")


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.remove(os.path.join(folder, old))
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def ftp_replies():
    # The first byte picks the size of the pieces the reader is fed in.
    return {"replies": b"\x03220-Welcome\r\n123 inside\r\n220 done\r\n331 Password required\r\n"
                       b"211-Features:\r\n UTF8\r\n211 End\r\n",
            "lf_only": b"\x01150 Opening\n226 Transfer complete\n",
            "no_reply": b"\x02hello\r\n",
            "bare_code": b"\x05227\r\n200-\r\n200\r\n"}


def text_lines():
    seeds = {"empty": b"", "odd_utf16": b"\xff\xfea\x00b", "lone_surrogate": b"\xff\xfe\x00\xd8a\x00",
             "bad_utf8": b"\xef\xbb\xbf\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80x", "nul": b"a\x00b\r\nc\x00",
             "only_breaks": b"\r\n\r\r\n\n", "long": b"x" * 5000 + b"\r\n" + b"y" * 3000,
             "bom_only_utf8": BOMS["utf8"], "bom_only_utf16": BOMS["utf16le"]}
    for bom in BOMS:
        seeds[f"mixed_{bom}"] = encode("one\r\ntwo\rthree\nfour\r\n\r\nsix \u00fc\u00df", bom)
        seeds[f"final_cr_{bom}"] = encode("a\rb\r", bom)
        if bom != "ansi":
            seeds[f"astral_{bom}"] = encode("\u20ac \U0001F600\r\n\u4e2d", bom)
    return seeds


def settings():
    default_values = ("Default pen simulated spectra\r\n7\r\nDefault pen measured spectra\r\n$1F\r\n"
                      "Valdor YT maximum\r\n97,5\r\nValdor YR minimum\r\n1e40\r\n"
                      "Always use default pens\r\nTRUE\r\nWindow width\r\n2147483648\r\n"
                      "Window height\r\n-0x80000000\r\nStart configuration\r\nlast.cfg")
    vcf = "ask for f1book\r\ntrue\r\nnever use f1book\r\nfalse\r\n"
    return {
        "both": default_values.encode() + SEP + vcf.encode(),
        "utf16": encode(default_values, "utf16le") + SEP + encode(vcf, "utf16be"),
        "key_on_last_line": b"Window width\r\n800\r\nWindow height" + SEP + b"ask for f1book",
        "value_is_key": b"Window width\nWindow width\n5\n" + SEP + b"never use f1book\rTRUE\r",
        "empty": SEP,
        "nul": b"Window width\r\n8\x000\r\n" + SEP + b"ask for f1book\x00\r\ntrue\r\n",
    }


def int_syntax():
    texts = ["0", "-1", "+7", " 3", "3 ", "", " ", "$A", "$7FFFFFFF", "-$80000000", "$80000000", "x1f",
             "X1F", "0x10", "0X7fffffff", "-0x80000001", "2147483647", "2147483648", "-2147483648",
             "-2147483649", "99999999999999999999", "0x", "$", "x", "+", "-", "+-1", "--1", "1e3", "1.0",
             "  -$ff", "0x0x1", "00000000000000000000042", "1\x002", "\t5", "$g"]
    return {f"case_{i:02d}": t.encode("latin-1") for i, t in enumerate(texts)}


def form_create():
    return {
        "all": SEP.join([b"Sample setup\r\nsecond", b"Prog  \r\nignored", b"\xef\xbb\xbfZeile \xc3\xbcber\r\n\r\nlast",
                         b"Read:\r\nCopy\r\nRegister\r\nShortcuts\r\nHelp\r\nQuit\r\nUpdate\r\nEighth\r\n",
                         b"1\r\n2\r\n", b"\x00"]),
        "empty_files": SEP.join([b"", b"", b"", b"", b"", b"\x00"]),
        "none_there": SEP.join([b"", b"", b"", b"", b"", b"\x1f"]),
        "second_caption_empty": SEP.join([b"T", b"A", b"\xff\xfeI\x00", b"L\r\n\r\nR\rS\nH", b"1 ", b"\x00"]),
        "language_cr": SEP.join([b"T\r", b"\rA", b"", b"\n\n\n\n\n\n\nX", b"1\r", b"\x00"]),
        "nul_long": SEP.join([b"a\x00b", b"n" * 4000, b"\xfe\xff\x00x", b"c" * 3000, b"2", b"\x08"]),
    }


def line_conversion():
    lines = "procedure a(x, y: integer);\r\n  result := f(a, b);\r\nno comma here := 1\r\n,\r\n:=\r\n,:=\r\n" \
            "x,y\r\n" + "long, " + "z" * 400 + "\r\n"
    seeds = {f"program_{bom}": encode(lines, bom) for bom in BOMS}
    seeds.update({"empty": b"", "breaks": b"a, b := c\rd, e := f\ng,h\r\n", "nul": b"a,\x00b:=c\r\n"})
    return seeds


D1 = "900150983CD24FB0D6963F7D28E17F72"  # MD5 of "abc"
D0 = "D41D8CD98F00B204E9800998ECF8427E"  # MD5 of ""


def list_text(entries, bom="ansi", breaks="\r\n"):
    return encode("".join(e + breaks for e in entries), bom)


def registration():
    record = ".abc\r\nAbc.Document\r\nAbc document\r\nabc.exe\r\n%1\r\n0\r\n"
    icons = ["-1", " 3", "3 ", "", "letters", "$A", "x7fffffff", "0x80000000", "-$80000000", "2147483648"]
    many = "".join(f".e{i}\r\nT{i}\r\nType {i}\r\np{i}.exe\r\n\"%1\"\r\n{icon}\r\n" for i, icon in enumerate(icons))
    ole = "server.exe\r\n\r\nmissing.exe\r\nsub/other.exe\r\nsub\\other.exe\r\n..\\P\\server.exe\r\nfolder.ocx\r\n"
    return {
        "one_record": record.encode() + SEP + ole.encode() + SEP + b"\xff",
        "thirteen_lines": (record * 2 + "extra\r\n").encode() + SEP + b"" + SEP + b"\x01",
        "five_lines": record.encode()[:40] + SEP + b"server.exe" + SEP + b"",
        "icons": many.encode() + SEP + ole.encode() + SEP + b"\x55\xaa",
        "utf16": encode(record * 2, "utf16le") + SEP + encode(ole, "utf8") + SEP + b"\x03",
        "nul_long": (".x\x00\r\n" + "T" * 3000 + "\r\nd\r\np\r\n\r\n1\r\n").encode("latin-1") + SEP + b"server.exe\x00" + SEP + b"\x01",
        "empty": SEP + SEP,
    }


def file_lists():
    good = [f"a.txt\t{D1}\t3", f"sub/x.dll\t{D0}\t0", f"Run_This_First.EXE\t{D1}\t3"]
    return {
        "sorted_ansi": list_text(good),
        "utf8": list_text(good + ["\u00fcber.txt\t" + D1 + "\t3"], "utf8"),
        "utf16le_lf": list_text(good, "utf16le", "\n"),
        "utf16be_cr": list_text(good, "utf16be", "\r"),
        "no_tab": b"just a path\r\n  padded  \r\n\tleading tab\r\n",
        "bad_fields": list_text([f"a\t{D1.lower()}\t3", "b\tXYZ\t3", f"c\t{D1}\t-1", f"d\t{D1}\t99999999999999999999",
                                 f"e\t{D1}\t18446744073709551615", f"f\t{D1}", f"g\t{D1}\t3\textra"]),
        "empty": b"", "only_break": b"\r\n",
        "nul": f"a\x00b\t{D1}\t3\r\n".encode(),
        "long": ("L" * 6000 + f"\t{D1}\t3\r\n").encode(),
        "files": b"a.txt\tabc\r\nsub/b.txt\t\r\nSUB/c.txt\tcc\r\nA.TXT\tclash\r\n../up\tno\r\n",
    }


def merge():
    local = [f"a.txt\t{D1}\t3", f"b.txt\t{D0}\t0", f"same.txt\t{D1}\t3", f"Sub/X.dll\t{D1}\t3"]
    remote = [f"a.txt\t{D0}\t0", f"new.txt\t{D1}\t3", f"same.txt\t{D1}\t3", f"sub/x.dll\t{D1}\t3"]
    return {
        "plan": list_text(remote) + SEP + list_text(local),
        "identical": list_text(local) + SEP + list_text(local),
        "empty_local": list_text(remote) + SEP,
        "empty_remote": SEP + list_text(local),
        "padded": list_text(["  " + l + "\t " for l in local]) + SEP + list_text(local),
        "duplicates": list_text([local[0]] * 3 + local) + SEP + list_text([local[0]] + local),
        "unsorted_mixed": list_text(list(reversed(remote)), "utf16le") + SEP + list_text(local, "utf8", "\n"),
        "no_tabs": b"b\r\na\r\n_\r\n[\r\n" + SEP + b"A\r\nb\r\n^\r\n",
        "nul": b"a\x00\r\nb\r\n" + SEP + b"a\x00\r\n",
        "mark_like_first_line": b"\xff\xfeb\r\na\r\n" + SEP + b"\xef\xbb\xbfa\r\n",
        "too_deep": list_text(["d/" * 70 + f"x\t{D1}\t3"] + remote) + SEP + list_text(local),
        "too_long": list_text(["x" * 40000] + remote) + SEP + list_text(local),
    }


def server_paths():
    cases = ["a.txt", "sub/x.dll", "../x", "..\\x", "sub/../../x", "sub/..", "/etc/passwd", "\\windows\\x",
             "C:/x", "c:x", "//server/share/x", "\\\\server\\share\\x", "a.txt:stream", "a.txt::$DATA",
             "a.", "a ", "a. .", "CON", "nul.txt", "sub/aux.dll", "COM1", "lpt9.log", "CONIN$", "com\u00b9",
             "NUL .txt", "a//b", "./a", "a/./b", "", "." , "...", "a\x00b", "x" * 241, "x" * 240, "a\tb",
             "sub/" + "y" * 300 + "/z", "a<b", "a|b", "a?b", "a*b", "a\"b", "run_this_first.exe"]
    seeds = {f"path_{i:02d}": c.encode("utf-8") for i, c in enumerate(cases)}
    seeds["list"] = list_text([f"{c}\t{D1}\t3" for c in cases])
    seeds["installed_temporary_name"] = list_text([f"a.txt\t{D0}\t0"])
    seeds["list_utf16"] = list_text([f"{c}\t{D0}\t0" for c in cases[:20]], "utf16le")
    return seeds


def main():
    write("text_lines_fuzz", text_lines())
    write("settings_fuzz", settings())
    write("int_syntax_fuzz", int_syntax())
    write("form_create_fuzz", form_create())
    write("line_conversion_fuzz", line_conversion())
    write("registration_fuzz", registration())
    write("file_list_fuzz", file_lists())
    write("merge_fuzz", merge())
    write("server_path_fuzz", server_paths())
    write("ftp_reply_fuzz", ftp_replies())
    for extra in sys.argv[1:]:
        print("unknown target", extra)


if __name__ == "__main__":
    main()

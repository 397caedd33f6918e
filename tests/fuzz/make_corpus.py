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


def main():
    write("text_lines_fuzz", text_lines())
    write("settings_fuzz", settings())
    write("int_syntax_fuzz", int_syntax())
    write("form_create_fuzz", form_create())
    write("line_conversion_fuzz", line_conversion())
    for extra in sys.argv[1:]:
        print("unknown target", extra)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes cp932_table.inc: every double-byte character of code page 932 as
its Unicode code point, from Python's own cp932 codec.

    python3 src/platform/text/make_cp932_table.py > src/platform/text/cp932_table.inc

Rows are the lead bytes 0x81-0x9F and 0xE0-0xFC, columns the trail bytes
0x40-0xFC; 0 marks a pair the code page leaves undefined.
"""
import sys

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = range(0x40, 0xFD)


def code_point(lead, trail):
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return 0
    # A trail byte that is a character of its own (0x40-0x7E after a bad
    # lead) would decode as two characters: that pair is undefined.
    return ord(text) if len(text) == 1 else 0


def main():
    out = sys.stdout
    out.write("// Made by make_cp932_table.py from Python's cp932 codec; do not edit.\n")
    out.write("// kCp932Pairs[lead row][trail - 0x40]: Unicode code point, 0 if undefined.\n")
    out.write("static const unsigned short kCp932Pairs[%d][%d] = {\n" % (len(LEADS), len(TRAILS)))
    for lead in LEADS:
        row = [code_point(lead, t) for t in TRAILS]
        out.write("    {  // 0x%02X\n" % lead)
        for i in range(0, len(row), 12):
            out.write("        " + ", ".join("0x%04X" % c for c in row[i:i + 12]) + ",\n")
        out.write("    },\n")
    out.write("};\n")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Prints the rows the benchmarks appended to a table file as one aligned table.

    table.py TABLE_FILE [HEADER LINE...]
"""
import sys

COLUMNS = ("what", "measured", "reference", "ratio", "goal", "met")


def main():
    with open(sys.argv[1]) as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    rows = [r + ["-"] * (len(COLUMNS) - len(r)) for r in rows]
    widths = [max(len(r[i]) for r in [COLUMNS, *rows]) for i in range(len(COLUMNS))]
    right = {3}   # the ratio column lines up on its decimals

    def line(cells):
        return "  ".join(c.rjust(w) if i in right else c.ljust(w)
                         for i, (c, w) in enumerate(zip(cells, widths))).rstrip()

    for header in sys.argv[2:]:
        print(header)
    print(line(COLUMNS))
    print(line(["-" * w for w in widths]))
    for r in rows:
        print(line(r))


if __name__ == "__main__":
    main()

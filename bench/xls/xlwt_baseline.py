#!/usr/bin/python3
"""Baseline for bench_xls: the same cells written by xlwt.

Usage: xlwt_baseline.py ROWS COLS OUTPUT
Prints "xlwt seconds=S peak_kb=K": the time to set the cells and save the
file (the interpreter's start and the import are not counted) and the
process's peak resident memory.
"""

import resource
import sys
import time

import xlwt


def main():
    rows, cols, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    start = time.perf_counter()
    book = xlwt.Workbook()
    sheet = book.add_sheet("Sheet 1")
    suffixes = [f"c{c}" for c in range(cols)]
    for r in range(rows):
        row = sheet.row(r)
        prefix = f"r{r}"
        for c in range(cols):
            row.write(c, prefix + suffixes[c])
    book.save(path)
    seconds = time.perf_counter() - start
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(f"xlwt seconds={seconds:.3f} peak_kb={peak}")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Interop check of the workbook file writer and reader.

Usage: interop_check.py XLS_INTEROP_TOOL WORKDIR

1. The tool writes workbooks and, beside each, what it put in them; xlrd
   must find every text in its cell and nothing else, under the sheet names
   written ("Sheet 1", ...), without a warning, and olefile (strict about
   defects) must list exactly one stream, "Workbook".
2. The tool writes bare compound files with streams of sizes around the
   mini stream cutoff and the 109-sector header DIFAT; olefile must read
   each stream back byte for byte.
3. xlwt writes a workbook; the tool's reader must find the same texts.
"""

import io
import os
import shutil
import struct
import subprocess
import sys

import olefile
import xlrd
import xlwt

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def read_expected(path):
    sheets = []
    for line in open(path, encoding="ascii"):
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "sheet":
            name = bytes.fromhex(fields[2]).decode("latin-1")
            sheets.append({"name": name, "last_row": int(fields[3]),
                           "last_col": int(fields[4]), "cells": {}})
        else:
            _, sheet, row, col, text = fields
            sheets[int(sheet)]["cells"][(int(row), int(col))] = \
                bytes.fromhex(text).decode("latin-1")
    return sheets


def check_olefile(path, name):
    if not olefile.isOleFile(path):
        fail(f"{name}: olefile does not see a compound file")
        return None
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    try:
        entries = ole.listdir(streams=True, storages=True)
        if entries != [["Workbook"]]:
            fail(f"{name}: olefile lists {entries}, expected [['Workbook']]")
        return ole.openstream("Workbook").read()
    finally:
        ole.close()


def check_workbook(path, expected_path):
    name = os.path.basename(path)
    check_olefile(path, name)
    log = io.StringIO()
    book = xlrd.open_workbook(path, logfile=log)
    if "WARNING" in log.getvalue() or "ERROR" in log.getvalue():
        fail(f"{name}: xlrd says: {log.getvalue().strip()}")
    expected = read_expected(expected_path)
    if book.nsheets != len(expected):
        fail(f"{name}: xlrd finds {book.nsheets} sheets, expected {len(expected)}")
        return
    for index, want in enumerate(expected):
        sheet = book.sheet_by_index(index)
        if sheet.name != want["name"]:
            fail(f"{name}: sheet {index} is named {sheet.name!r}, expected {want['name']!r}")
        if sheet.nrows != want["last_row"] + 1 or sheet.ncols != want["last_col"] + 1:
            fail(f"{name}: sheet {index} has {sheet.nrows} rows x {sheet.ncols} columns, "
                 f"expected {want['last_row'] + 1} x {want['last_col'] + 1}")
            continue
        for row in range(sheet.nrows):
            values = sheet.row_values(row)
            types = sheet.row_types(row)
            for col in range(len(values)):
                text = want["cells"].get((row, col))
                if text is None:
                    if types[col] != xlrd.XL_CELL_EMPTY:
                        fail(f"{name}: unexpected cell at row {row} column {col}: {values[col]!r}")
                elif types[col] != xlrd.XL_CELL_TEXT or values[col] != text:
                    fail(f"{name}: row {row} column {col} holds {values[col]!r}, "
                         f"expected {text[:40]!r}")
                    return
        print(f"ok {name}: sheet {sheet.name!r}, {len(want['cells'])} texts")


def check_containers(tool, workdir):
    # Around the mini stream cutoff, and around 109 FAT sectors (13,842
    # stream sectors still fit without a DIFAT sector), and past 236 FAT
    # sectors (two DIFAT sectors).
    sizes = [0, 1, 64, 4095, 4096, 4097, 13842 * 512, 13842 * 512 + 1, 16 * 1024 * 1024]
    for size in sizes:
        path = os.path.join(workdir, f"container_{size}.cfb")
        subprocess.run([tool, "container", path, str(size)], check=True)
        content = check_olefile(path, os.path.basename(path))
        if content is None:
            continue
        want = bytes(((at * 7 + at // 509) & 0xFF) for at in range(size)) if size < 5000 else None
        if len(content) != size:
            fail(f"container {size}: olefile reads {len(content)} bytes")
        elif want is not None and content != want:
            fail(f"container {size}: olefile reads other bytes than were written")
        elif want is None:
            # Spot checks keep the big cases quick.
            for at in (0, 511, 512, size // 2, size - 1):
                if content[at] != (at * 7 + at // 509) & 0xFF:
                    fail(f"container {size}: byte {at} differs")
                    break
        with open(path, "rb") as f:
            header = f.read(512)
        num_fat, = struct.unpack_from("<I", header, 0x2C)
        num_difat, = struct.unpack_from("<I", header, 0x48)
        print(f"ok container of {size} bytes: {num_fat} FAT sectors, {num_difat} DIFAT sectors")


def check_xlwt_files(tool, workdir):
    book = xlwt.Workbook()
    sheet = book.add_sheet("Adressen")
    cells = {}
    for row in range(300):
        for col in range(12):
            text = f"r{row}c{col}" + ("\u00e9" if (row + col) % 5 == 0 else "")
            sheet.write(row, col, text)
            cells[(row, col)] = text.encode("latin-1").hex()
    sheet.write(300, 0, "euro \u20ac")
    cells[(300, 0)] = "euro ?".encode("latin-1").hex()
    path = os.path.join(workdir, "xlwt.xls")
    book.save(path)
    result = subprocess.run([tool, "dump", path], capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"xlwt.xls: our reader says: {result.stderr.strip()}")
        return
    got = {}
    names = []
    for line in result.stdout.splitlines():
        fields = line.split("\t")
        if fields[0] == "sheet":
            names.append(bytes.fromhex(fields[2]).decode("latin-1"))
        else:
            got[(int(fields[2]), int(fields[3]))] = fields[4]
    if names != ["Adressen"]:
        fail(f"xlwt.xls: our reader finds sheets {names}")
    if got != cells:
        missing = [k for k in cells if got.get(k) != cells[k]][:5]
        fail(f"xlwt.xls: our reader's cells differ, e.g. at {missing}")
    else:
        print(f"ok xlwt.xls read back: {len(got)} texts")


def main():
    tool, workdir = sys.argv[1], sys.argv[2]
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    subprocess.run([tool, "write", workdir], check=True)
    for entry in sorted(os.listdir(workdir)):
        if entry.endswith(".xls"):
            base = entry[:-4]
            check_workbook(os.path.join(workdir, entry), os.path.join(workdir, base + ".expected"))
    check_containers(tool, workdir)
    check_xlwt_files(tool, workdir)
    if failures:
        print(f"{len(failures)} interop failure(s)")
        return 1
    print("interop check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

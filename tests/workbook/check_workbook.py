#!/usr/bin/env python3
"""Reads a workbook with xlrd, an independent reader of Excel 97-2003 files.

  check_workbook.py dump WORKBOOK
      prints every sheet as JSON: {"sheets": [{"name", "nrows", "ncols",
      "cells": [[{"type", "value"}, ...], ...]}]}
  check_workbook.py compare WORKBOOK EXPECTED.json
      EXPECTED.json is {"sheet": NAME, "columns": N, "rows": [[TEXT, ...], ...]}.
      Checks that the workbook has exactly one sheet of that name whose cells
      are all text cells equal to the expected ones; prints each difference
      and exits with 1 when there is any.
"""
import json
import sys

import xlrd

TYPE_NAMES = {
    xlrd.XL_CELL_EMPTY: "empty",
    xlrd.XL_CELL_TEXT: "text",
    xlrd.XL_CELL_NUMBER: "number",
    xlrd.XL_CELL_DATE: "date",
    xlrd.XL_CELL_BOOLEAN: "boolean",
    xlrd.XL_CELL_ERROR: "error",
    xlrd.XL_CELL_BLANK: "blank",
}


def open_book(path):
    # Formatting information makes xlrd read the fonts, formats and styles too.
    return xlrd.open_workbook(path, formatting_info=True, on_demand=False)


def dump(path):
    book = open_book(path)
    sheets = []
    for sheet in book.sheets():
        cells = [[{"type": TYPE_NAMES.get(c.ctype, str(c.ctype)), "value": c.value}
                  for c in sheet.row(r)] for r in range(sheet.nrows)]
        sheets.append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols, "cells": cells})
    json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=True)
    print()
    return 0


def compare(path, expected_path):
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    rows = expected["rows"]
    columns = expected["columns"]
    # A sheet without cells has no used range at all.
    want_rows, want_columns = (len(rows), columns) if rows and columns else (0, 0)

    book = open_book(path)
    problems = []
    if book.nsheets != 1:
        problems.append("sheets: %d, expected 1" % book.nsheets)
    sheet = book.sheet_by_index(0)
    if sheet.name != expected["sheet"]:
        problems.append("sheet name %r, expected %r" % (sheet.name, expected["sheet"]))
    if (sheet.nrows, sheet.ncols) != (want_rows, want_columns):
        problems.append("size %dx%d, expected %dx%d" % (sheet.nrows, sheet.ncols, want_rows, want_columns))
    for r in range(min(sheet.nrows, want_rows)):
        for c in range(min(sheet.ncols, want_columns)):
            cell = sheet.cell(r, c)
            want = rows[r][c]
            if cell.ctype != xlrd.XL_CELL_TEXT or cell.value != want:
                problems.append("cell (%d, %d): %s %r, expected text %r"
                                % (r, c, TYPE_NAMES.get(cell.ctype), cell.value, want))
    for p in problems[:20]:
        print(ascii(p))
    if len(problems) > 20:
        print("... and %d more differences" % (len(problems) - 20))
    print("%d cells compared, %d differences" % (want_rows * want_columns, len(problems)))
    return 1 if problems else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "dump":
        return dump(argv[2])
    if len(argv) == 4 and argv[1] == "compare":
        return compare(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

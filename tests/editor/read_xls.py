#!/usr/bin/env python3
"""Reads an .xls workbook with xlrd, an independent reader, and prints its
sheets as JSON: [{"name": ..., "cells": [[text, ...], ...]}, ...]."""
import json
import sys

import xlrd


def text_of(cell):
    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return ""
    return str(cell.value)


def main():
    book = xlrd.open_workbook(sys.argv[1])
    sheets = []
    for sheet in book.sheets():
        cells = [[text_of(sheet.cell(r, c)) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
        sheets.append({"name": sheet.name, "cells": cells})
    json.dump(sheets, sys.stdout)


if __name__ == "__main__":
    main()

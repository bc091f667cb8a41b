// zebedit/workbook/WorkbookWriter.h
#pragma once
#include <cstddef>
#include <functional>
#include <string>
namespace zebedit {
using CellText = std::function<std::u16string(size_t Row, size_t Column)>;
// Writes an Excel 97-2003 workbook (BIFF8 in an OLE2 compound file) with one sheet
// named SheetName holding Rows x Columns text cells. Written to a temporary file
// beside Path and renamed over it. Throws std::runtime_error with a readable reason
// (folder not writable, disk full, more than 256 columns or 65536 rows) and then
// leaves nothing at Path that was not there before and no temporary file.
void WriteXlsWorkbook(const std::string &Path, const std::u16string &SheetName,
                      size_t Rows, size_t Columns, const CellText &Cell);
}

// The whole "Workbook" stream of a one-sheet workbook: the globals (formats,
// the sheet's entry, the shared strings) and the sheet's cells.
#pragma once

#include <cstddef>
#include <string>

#include "ByteSink.h"
#include "WorkbookWriter.h"

namespace zebedit::workbook {

// The largest sheet of the format.
constexpr size_t MaxSheetRows = 65536;
constexpr size_t MaxSheetColumns = 256;

// Raises std::runtime_error naming the limit when a sheet cannot hold Rows x Columns cells.
void CheckSheetSize(size_t Rows, size_t Columns);

// Writes the stream for a sheet named SheetName (already valid as a sheet
// name) of Rows x Columns text cells, asking Cell once for each cell, row by
// row. Sizes beyond the sheet limits or a text longer than a cell holds raise
// std::runtime_error; what the sink raises passes through.
void WriteWorkbookStream(ByteSink &Sink, const std::u16string &SheetName, size_t Rows, size_t Columns,
                         const CellText &Cell);

}  // namespace zebedit::workbook

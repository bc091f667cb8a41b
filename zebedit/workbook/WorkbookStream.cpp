#include "WorkbookStream.h"

#include <stdexcept>
#include <string>

#include "BiffStream.h"
#include "SharedStringTable.h"
#include "WorkbookRecords.h"

namespace zebedit::workbook {
namespace {

// Streams shorter than this would be stored in the compound file's small-block
// area; padding keeps the workbook in ordinary sectors, where every reader
// looks for it.
constexpr uint64_t MinimumStreamSize = 4096;

// The shared strings: every cell's text in row order, so that the cell at
// (Row, Column) refers to string Row * Columns + Column.
void WriteCellTexts(BiffStream &Stream, size_t Rows, size_t Columns, const CellText &Cell) {
    SharedStringTableWriter strings(Stream, static_cast<uint32_t>(Rows * Columns));
    for (size_t row = 0; row < Rows; ++row) {
        for (size_t column = 0; column < Columns; ++column) {
            const std::u16string text = Cell(row, column);
            if (text.size() > MaxCellTextLength) {
                throw std::runtime_error("The text in row " + std::to_string(row + 1) + ", column " +
                                         std::to_string(column + 1) + " has " + std::to_string(text.size()) +
                                         " characters; an Excel 97-2003 cell holds at most " +
                                         std::to_string(MaxCellTextLength) + ".");
            }
            strings.Add(text);
        }
    }
    strings.Finish();
}

void WriteCells(BiffStream &Stream, size_t Rows, size_t Columns) {
    uint32_t index = 0;
    for (size_t row = 0; row < Rows; ++row) {
        for (size_t column = 0; column < Columns; ++column) {
            WriteLabelSst(Stream, static_cast<uint16_t>(row), static_cast<uint16_t>(column), index++);
        }
    }
}

}  // namespace

void CheckSheetSize(size_t Rows, size_t Columns) {
    if (Columns > MaxSheetColumns) {
        throw std::runtime_error("The table has " + std::to_string(Columns) +
                                 " columns; an Excel 97-2003 sheet holds at most " +
                                 std::to_string(MaxSheetColumns) + ".");
    }
    if (Rows > MaxSheetRows) {
        throw std::runtime_error("The table has " + std::to_string(Rows) +
                                 " rows; an Excel 97-2003 sheet holds at most " + std::to_string(MaxSheetRows) +
                                 ".");
    }
}

void WriteWorkbookStream(ByteSink &Sink, const std::u16string &SheetName, size_t Rows, size_t Columns,
                         const CellText &Cell) {
    CheckSheetSize(Rows, Columns);
    BiffStream stream(Sink);

    WriteBof(stream, SubstreamKind::WorkbookGlobals);
    WriteCodepage(stream);
    WriteWindow1(stream);
    WriteFormattingDefaults(stream);
    const uint64_t sheetOffsetField = WriteBoundSheet(stream, SheetName);
    WriteCellTexts(stream, Rows, Columns, Cell);
    WriteEof(stream);

    stream.PatchU32(sheetOffsetField, static_cast<uint32_t>(stream.Position()));
    WriteBof(stream, SubstreamKind::Worksheet);
    WriteDimensions(stream, static_cast<uint32_t>(Rows), static_cast<uint16_t>(Columns));
    WriteCells(stream, Rows, Columns);
    WriteWindow2(stream);
    WriteEof(stream);

    if (stream.Position() < MinimumStreamSize) stream.PutZeros(static_cast<size_t>(MinimumStreamSize - stream.Position()));
    stream.Flush();
}

}  // namespace zebedit::workbook

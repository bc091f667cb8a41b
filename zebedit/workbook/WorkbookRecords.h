// The fixed-layout BIFF8 records of a one-sheet workbook of text cells, each
// written whole into a BiffStream. The shared string table has its own file.
#pragma once

#include <cstdint>
#include <string_view>

#include "BiffStream.h"

namespace zebedit::workbook {

namespace RecordId {
constexpr uint16_t Eof = 0x000A;
constexpr uint16_t Continue = 0x003C;
constexpr uint16_t Window1 = 0x003D;
constexpr uint16_t Codepage = 0x0042;
constexpr uint16_t Font = 0x0031;
constexpr uint16_t BoundSheet = 0x0085;
constexpr uint16_t Sst = 0x00FC;
constexpr uint16_t LabelSst = 0x00FD;
constexpr uint16_t ExtSst = 0x00FF;
constexpr uint16_t Xf = 0x00E0;
constexpr uint16_t Dimensions = 0x0200;
constexpr uint16_t Window2 = 0x023E;
constexpr uint16_t Style = 0x0293;
constexpr uint16_t Bof = 0x0809;
}  // namespace RecordId

// The cell format every cell uses: the first after the 15 style formats.
constexpr uint16_t CellFormatIndex = 15;

enum class SubstreamKind : uint16_t { WorkbookGlobals = 0x0005, Worksheet = 0x0010 };

void WriteBof(BiffStream &Stream, SubstreamKind Kind);
void WriteEof(BiffStream &Stream);
// Strings of the workbook are UTF-16.
void WriteCodepage(BiffStream &Stream);
void WriteWindow1(BiffStream &Stream);
// The fonts, cell formats and the Normal style that every reader expects.
void WriteFormattingDefaults(BiffStream &Stream);
// The sheet's entry in the globals with a zero offset. Returns the stream
// position of the offset, to be patched once the sheet's BOF is written.
uint64_t WriteBoundSheet(BiffStream &Stream, std::u16string_view SheetName);
// The used range: Rows x Columns cells from A1; all zero for an empty sheet.
void WriteDimensions(BiffStream &Stream, uint32_t Rows, uint16_t Columns);
void WriteLabelSst(BiffStream &Stream, uint16_t Row, uint16_t Column, uint32_t StringIndex);
void WriteWindow2(BiffStream &Stream);

}  // namespace zebedit::workbook

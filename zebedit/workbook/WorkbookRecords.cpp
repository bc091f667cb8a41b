#include "WorkbookRecords.h"

#include <algorithm>

namespace zebedit::workbook {
namespace {

constexpr uint16_t Biff8Version = 0x0600;
constexpr uint16_t BuildIdentifier = 0x0DBB;
constexpr uint16_t BuildYear = 0x07CC;
constexpr uint32_t LowestBiffVersion = 0x00000006;
constexpr uint16_t Utf16Codepage = 1200;

// Excel skips font index 4, so four fonts make indices 0 to 3 valid.
constexpr int FontCount = 4;
constexpr int StyleFormatCount = 15;

// A short string as BOUNDSHEET and FONT hold it: 8-bit character count, option
// byte, then one byte per character or UTF-16LE when any needs more.
void PutShortString(BiffStream &Stream, std::u16string_view Text) {
    const bool wide = std::any_of(Text.begin(), Text.end(), [](char16_t C) { return C > 0xFF; });
    Stream.PutU8(static_cast<uint8_t>(Text.size()));
    Stream.PutU8(wide ? 0x01 : 0x00);
    for (char16_t c : Text) {
        if (wide) {
            Stream.PutU16(static_cast<uint16_t>(c));
        } else {
            Stream.PutU8(static_cast<uint8_t>(c));
        }
    }
}

void WriteFont(BiffStream &Stream) {
    Stream.BeginRecord(RecordId::Font);
    Stream.PutU16(200);     // height: 10 points in twentieths
    Stream.PutU16(0);       // not italic, struck out, outlined or shadowed
    Stream.PutU16(0x7FFF);  // the window text colour
    Stream.PutU16(400);     // normal weight
    Stream.PutU16(0);       // no superscript or subscript
    Stream.PutU8(0);        // not underlined
    Stream.PutU8(0);        // no font family
    Stream.PutU8(0);        // ANSI character set
    Stream.PutU8(0);
    PutShortString(Stream, u"Arial");
    Stream.EndRecord();
}

// A cell format with font 0, the General number format, bottom alignment, no
// border and no fill. Style formats have the parent index 0xFFF; cell formats
// name their parent style.
void WriteXf(BiffStream &Stream, bool IsStyle, uint8_t UsedAttributes) {
    Stream.BeginRecord(RecordId::Xf);
    Stream.PutU16(0);                                 // font
    Stream.PutU16(0);                                 // number format: General
    Stream.PutU16(IsStyle ? 0xFFF5 : 0x0001);         // locked; style flag and parent
    Stream.PutU8(0x20);                               // general alignment, bottom, no wrap
    Stream.PutU8(0);                                  // no rotation
    Stream.PutU8(0);                                  // no indent, left-to-right context
    Stream.PutU8(UsedAttributes);
    Stream.PutU32(0);                                 // no borders
    Stream.PutU32(0);                                 // border colours, no diagonal
    Stream.PutU16(0x20C0);                            // pattern colours: window text on window background
    Stream.EndRecord();
}

}  // namespace

void WriteBof(BiffStream &Stream, SubstreamKind Kind) {
    Stream.BeginRecord(RecordId::Bof);
    Stream.PutU16(Biff8Version);
    Stream.PutU16(static_cast<uint16_t>(Kind));
    Stream.PutU16(BuildIdentifier);
    Stream.PutU16(BuildYear);
    Stream.PutU32(0);  // file history flags
    Stream.PutU32(LowestBiffVersion);
    Stream.EndRecord();
}

void WriteEof(BiffStream &Stream) {
    Stream.BeginRecord(RecordId::Eof);
    Stream.EndRecord();
}

void WriteCodepage(BiffStream &Stream) {
    Stream.BeginRecord(RecordId::Codepage);
    Stream.PutU16(Utf16Codepage);
    Stream.EndRecord();
}

void WriteWindow1(BiffStream &Stream) {
    Stream.BeginRecord(RecordId::Window1);
    Stream.PutU16(0);       // window position
    Stream.PutU16(0);
    Stream.PutU16(0x3000);  // window size in twips
    Stream.PutU16(0x1E00);
    Stream.PutU16(0x0038);  // scroll bars and sheet tabs shown
    Stream.PutU16(0);       // the first sheet is active
    Stream.PutU16(0);       // and the first tab shown
    Stream.PutU16(1);       // one sheet selected
    Stream.PutU16(600);     // tab bar width in thousandths
    Stream.EndRecord();
}

void WriteFormattingDefaults(BiffStream &Stream) {
    for (int i = 0; i < FontCount; ++i) WriteFont(Stream);
    // Style 0 is Normal and carries every attribute; the other built-in style
    // slots take them from it, as Excel writes them.
    WriteXf(Stream, true, 0x00);
    for (int i = 1; i < StyleFormatCount; ++i) WriteXf(Stream, true, 0xF4);
    WriteXf(Stream, false, 0x00);

    Stream.BeginRecord(RecordId::Style);
    Stream.PutU16(0x8000);  // built-in style on format 0
    Stream.PutU8(0);        // Normal
    Stream.PutU8(0xFF);     // no outline level
    Stream.EndRecord();
}

uint64_t WriteBoundSheet(BiffStream &Stream, std::u16string_view SheetName) {
    Stream.BeginRecord(RecordId::BoundSheet);
    uint64_t offsetPosition = Stream.Position();
    Stream.PutU32(0);  // the sheet's BOF, patched later
    Stream.PutU8(0);   // visible
    Stream.PutU8(0);   // worksheet
    PutShortString(Stream, SheetName);
    Stream.EndRecord();
    return offsetPosition;
}

void WriteDimensions(BiffStream &Stream, uint32_t Rows, uint16_t Columns) {
    const bool empty = Rows == 0 || Columns == 0;
    Stream.BeginRecord(RecordId::Dimensions);
    Stream.PutU32(0);                  // first used row
    Stream.PutU32(empty ? 0 : Rows);   // last used row + 1
    Stream.PutU16(0);                  // first used column
    Stream.PutU16(empty ? 0 : Columns);  // last used column + 1
    Stream.PutU16(0);
    Stream.EndRecord();
}

void WriteLabelSst(BiffStream &Stream, uint16_t Row, uint16_t Column, uint32_t StringIndex) {
    Stream.BeginRecord(RecordId::LabelSst);
    Stream.PutU16(Row);
    Stream.PutU16(Column);
    Stream.PutU16(CellFormatIndex);
    Stream.PutU32(StringIndex);
    Stream.EndRecord();
}

void WriteWindow2(BiffStream &Stream) {
    Stream.BeginRecord(RecordId::Window2);
    // Grid, headers and zeros shown, default grid colour, outline symbols,
    // the sheet selected and shown.
    Stream.PutU16(0x06B6);
    Stream.PutU16(0);     // top row shown
    Stream.PutU16(0);     // left column shown
    Stream.PutU32(0x40);  // grid colour: the default
    Stream.PutU16(0);     // zoom of the page break preview: default
    Stream.PutU16(0);     // zoom of the normal view: default
    Stream.PutU32(0);
    Stream.EndRecord();
}

}  // namespace zebedit::workbook

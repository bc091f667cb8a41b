// Tables written by WriteXlsWorkbook and read back cell by cell, by xlrd and by
// the strict stream parser.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WorkbookTestSupport.h"
#include "WorkbookWriter.h"

namespace zebtest::workbook {
namespace {

TextTable MakeTable(size_t Rows, size_t Columns, const std::function<std::u16string(size_t, size_t)> &Text) {
    TextTable table;
    table.Columns = Columns;
    table.Rows.resize(Rows);
    for (size_t r = 0; r < Rows; ++r) {
        for (size_t c = 0; c < Columns; ++c) table.Rows[r].push_back(Text(r, c));
    }
    return table;
}

std::u16string Ascii(const std::string &Text) { return Latin1(Text); }

std::u16string Numbered(size_t Row, size_t Column) {
    return Ascii("r" + std::to_string(Row) + "c" + std::to_string(Column));
}

// Every byte value the editor may map to a character, spread over the cells.
std::u16string AllBytes(size_t Row, size_t Column) {
    std::string bytes;
    for (size_t k = 0; k < 8; ++k) bytes.push_back(static_cast<char>((Row * 64 + Column * 8 + k) & 0xFF));
    return Latin1(bytes);
}

std::u16string WideMix(size_t Row, size_t Column) {
    static const std::u16string samples[] = {
        u"\u0394\u03B5\u03B4\u03BF\u03BC\u03AD\u03BD\u03B1",  // Greek
        u"\u65E5\u672C\u8A9E",                                 // CJK
        u"\U0001F600 smile \U0001F680",                        // beyond the 16-bit plane
        u"caf\u00E9",                                          // Latin-1 only
        u"plain",
    };
    return samples[(Row * 3 + Column) % 5];
}

// Blank cells everywhere, including a whole last row and a whole last column.
std::u16string MostlyEmpty(size_t Row, size_t Column) {
    if (Row == 3 || Column == 4 || (Row + Column) % 2 == 1) return u"";
    return Numbered(Row, Column);
}

// Strings of many lengths and kinds, so that the SST record limit falls inside
// 8-bit strings, inside UTF-16 strings, between a surrogate pair's halves if
// they were split carelessly, and between strings.
std::u16string Varied(size_t Row, size_t Column) {
    size_t n = Row * 7 + Column;
    size_t length = 1 + (n * 37) % 301;
    std::u16string text;
    switch (n % 4) {
        case 0:
            for (size_t k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(u'a' + k % 26));
            break;
        case 1:
            for (size_t k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(0x80 + (k * 13 + n) % 0x80));
            break;
        case 2:
            for (size_t k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(0x0400 + k % 200));
            break;
        default:
            for (size_t k = 0; k < length; ++k) text += u"\U0001F431";
            break;
    }
    return text;
}

std::u16string Longest(size_t Row, size_t Column) {
    const char16_t fill = Column == 0 ? u'x' : Column == 1 ? u'\u00E4' : u'\u20AC';
    return std::u16string(32767 - Row, fill);
}

struct RoundTripCase {
    const char *Name;
    size_t Rows;
    size_t Columns;
    std::u16string (*Text)(size_t, size_t);
};

const RoundTripCase roundTripCases[] = {
    {"SmallTable", 4, 5, Numbered},
    {"EveryByteValue", 4, 8, AllBytes},
    {"WideCharacters", 6, 5, WideMix},
    {"EmptyCells", 5, 6, MostlyEmpty},
    {"HeaderOnly", 1, 7, Numbered},
    {"NoRows", 0, 7, Numbered},
    {"NoColumns", 3, 0, Numbered},
    {"MostColumns", 3, 256, Numbered},
    {"MostRows", 65536, 1, Numbered},
    {"SstWithContinueRecords", 300, 7, Varied},
    {"LongestTexts", 2, 3, Longest},
};

void PrintTo(const RoundTripCase &Case, std::ostream *Out) { *Out << Case.Name; }

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, ReadsBackCellByCell) {
    const RoundTripCase &c = GetParam();
    const TextTable table = MakeTable(c.Rows, c.Columns, c.Text);
    ScratchFolder folder;
    const std::string path = folder.File("Table.xls");

    zebedit::WriteXlsWorkbook(path, u"Items", c.Rows, c.Columns, table.Cells());

    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"Table.xls"});
    for (const std::string &problem : StructuralProblems(path, table)) ADD_FAILURE() << problem;
    ReaderVerdict verdict = CompareWithXlrd(path, u"Items", table);
    EXPECT_TRUE(verdict.Same) << verdict.Report;
}

INSTANTIATE_TEST_SUITE_P(Tables, RoundTrip, ::testing::ValuesIn(roundTripCases),
                         [](const auto &Info) { return std::string(Info.param.Name); });

// The boundary cases the large SST case is there for really occur in it.
TEST(SharedStrings, LargeTableSplitsStringsOfBothKindsAcrossRecords) {
    const TextTable table = MakeTable(300, 7, Varied);
    ScratchFolder folder;
    const std::string path = folder.File("Table.xls");
    zebedit::WriteXlsWorkbook(path, u"Items", 300, 7, table.Cells());

    StringSplitCounts counts = CountStringSplits(path);
    EXPECT_GT(counts.ContinueRecords, 20);
    EXPECT_GT(counts.NarrowContinuations, 0);
    EXPECT_GT(counts.WideContinuations, 0);
    EXPECT_GT(counts.RecordsStartingWithString, 0);
}

struct SheetNameCase {
    const char *Name;
    std::u16string Given;
    std::u16string Written;
};

const SheetNameCase sheetNameCases[] = {
    {"Plain", u"ITEM", u"ITEM"},
    {"ForbiddenCharacters", u"a:b\\c/d?e*f[g]h", u"a_b_c_d_e_f_g_h"},
    {"ControlCharacters", u"tab\there\n", u"tab_here_"},
    {"CutToThirtyOne", u"abcdefghijklmnopqrstuvwxyz0123456789", u"abcdefghijklmnopqrstuvwxyz01234"},
    {"ApostrophesAtTheEnds", u"'quoted'", u"_quoted_"},
    {"ApostropheInside", u"it's", u"it's"},
    {"ApostropheAtTheCut", u"abcdefghijklmnopqrstuvwxyz1234'more", u"abcdefghijklmnopqrstuvwxyz1234_"},
    {"Empty", u"", u"Sheet1"},
    {"Reserved", u"history", u"history_"},
    {"Latin1", u"W\u00F6rter \u00BD", u"W\u00F6rter \u00BD"},
    {"Wide", u"\u0394\u03B5\u03B4\u03BF\u03BC\u03AD\u03BD\u03B1", u"\u0394\u03B5\u03B4\u03BF\u03BC\u03AD\u03BD\u03B1"},
    {"PairNotCut", u"abcdefghijklmnopqrstuvwxyz1234\U0001F600", u"abcdefghijklmnopqrstuvwxyz1234"},
    {"UnpairedSurrogate", std::u16string(u"a") + char16_t(0xD800) + u"b", u"a_b"},
};

void PrintTo(const SheetNameCase &Case, std::ostream *Out) { *Out << Case.Name; }

class SheetName : public ::testing::TestWithParam<SheetNameCase> {};

TEST_P(SheetName, IsWrittenAsExcelAcceptsIt) {
    const SheetNameCase &c = GetParam();
    const TextTable table = MakeTable(1, 1, Numbered);
    ScratchFolder folder;
    const std::string path = folder.File("Table.xls");

    zebedit::WriteXlsWorkbook(path, c.Given, 1, 1, table.Cells());

    ReaderVerdict verdict = CompareWithXlrd(path, c.Written, table);
    EXPECT_TRUE(verdict.Same) << verdict.Report;
}

INSTANTIATE_TEST_SUITE_P(Names, SheetName, ::testing::ValuesIn(sheetNameCases),
                         [](const auto &Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace zebtest::workbook

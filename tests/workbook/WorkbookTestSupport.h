// Helpers of the workbook tests: scratch folders, tables of text, and the two
// readers every written workbook is checked with (xlrd, and a strict parser
// of the workbook stream taken out of the compound file by libgsf's reader).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WorkbookWriter.h"

namespace zebtest::workbook {

// A folder of its own under the test's temporary folder, removed with
// everything in it (mount points unmounted first) when the test ends.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::string &Path() const { return path_; }
    std::string File(const std::string &Name) const { return path_ + "/" + Name; }

  private:
    std::string path_;
};

// Names in a folder, sorted, without "." and "..".
std::vector<std::string> FolderEntries(const std::string &Folder);
std::string ReadFileBytes(const std::string &Path);
void WriteFileBytes(const std::string &Path, const std::string &Bytes);

// A grid of text as the editor hands it over: Rows.size() rows of Columns cells.
struct TextTable {
    size_t Columns = 0;
    std::vector<std::vector<std::u16string>> Rows;

    zebedit::CellText Cells() const;
};

// The editor's view of 8-bit text: each byte one character of the same value.
std::u16string Latin1(const std::string &Bytes);

// What xlrd says about a workbook compared with the expected sheet.
struct ReaderVerdict {
    bool Same = false;
    std::string Report;  // the checker's output
};
ReaderVerdict CompareWithXlrd(const std::string &Workbook, const std::u16string &SheetName, const TextTable &Table);

// Rule breaks that a lenient reader would pass over: record limits, string
// splitting across CONTINUE records, the EXTSST index, the sheet's offset,
// the cells' strings. Empty when the stream is sound and holds Table.
std::vector<std::string> StructuralProblems(const std::string &Workbook, const TextTable &Table);

// What the strict parser saw of the shared strings, to show that a case
// really exercises the boundaries it is meant to.
struct StringSplitCounts {
    int NarrowContinuations = 0;  // strings of 8-bit characters going on in a CONTINUE record
    int WideContinuations = 0;    // the same for UTF-16 strings
    int RecordsStartingWithString = 0;  // CONTINUE records whose first byte starts a string
    int ContinueRecords = 0;
};
StringSplitCounts CountStringSplits(const std::string &Workbook);

}  // namespace zebtest::workbook

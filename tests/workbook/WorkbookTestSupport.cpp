#include "WorkbookTestSupport.h"

#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace zebtest::workbook {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t MaxRecordData = 8224;
constexpr uint16_t BofId = 0x0809, EofId = 0x000A, BoundSheetId = 0x0085, SstId = 0x00FC, ContinueId = 0x003C,
                   ExtSstId = 0x00FF, XfId = 0x00E0, DimensionsId = 0x0200, LabelSstId = 0x00FD,
                   Window2Id = 0x023E;

void RemoveTree(const std::string &Path) {
    struct stat st;
    if (::lstat(Path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::umount2(Path.c_str(), MNT_DETACH);  // a test's small file system, if any
        ::chmod(Path.c_str(), 0700);
        for (const std::string &name : FolderEntries(Path)) RemoveTree(Path + "/" + name);
        ::rmdir(Path.c_str());
    } else {
        ::unlink(Path.c_str());
    }
}

uint16_t U16(const Bytes &B, size_t At) { return static_cast<uint16_t>(B.at(At) | (B.at(At + 1) << 8)); }
uint32_t U32(const Bytes &B, size_t At) { return U16(B, At) | (static_cast<uint32_t>(U16(B, At + 2)) << 16); }

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }

std::string Hex(uint32_t V) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", V);
    return text;
}

std::string Printable(const std::u16string &Text) {
    std::string out;
    for (char16_t c : Text.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            out += "\\u" + Hex(c).substr(2);
        }
    }
    return Text.size() > 40 ? out + "..." : out;
}

std::string JsonString(const std::u16string &Text) {
    std::string out = "\"";
    for (char16_t c : Text) {
        if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return out + "\"";
}

// The "Workbook" stream, taken out of the compound file by libgsf's reader.
Bytes ReadWorkbookStream(const std::string &Path, std::vector<std::string> &Problems) {
    gsf_init();
    Bytes out;
    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(Path.c_str(), &error);
    if (input == nullptr) {
        Problems.push_back("cannot open " + Path + ": " + (error ? error->message : "?"));
        if (error) g_error_free(error);
        return out;
    }
    GsfInfile *ole = gsf_infile_msole_new(input, &error);
    if (ole == nullptr) {
        Problems.push_back("not a compound file: " + std::string(error ? error->message : "?"));
        if (error) g_error_free(error);
        g_object_unref(input);
        return out;
    }
    if (gsf_infile_num_children(ole) != 1) Problems.push_back("the compound file holds other entries than Workbook");
    GsfInput *stream = gsf_infile_child_by_name(ole, "Workbook");
    if (stream == nullptr) {
        Problems.push_back("no Workbook stream");
    } else {
        out.resize(static_cast<size_t>(gsf_input_size(stream)));
        if (!out.empty() && gsf_input_read(stream, out.size(), out.data()) == nullptr) {
            Problems.push_back("cannot read the Workbook stream");
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    g_object_unref(input);
    return out;
}

struct Record {
    uint16_t Id;
    uint32_t Position;  // of the record's header in the stream
    Bytes Data;
};

// The records from Offset up to and including the next EOF.
std::vector<Record> ReadSubstream(const Bytes &Stream, size_t Offset, std::vector<std::string> &Problems) {
    std::vector<Record> records;
    size_t at = Offset;
    while (true) {
        if (at + 4 > Stream.size()) {
            Problems.push_back("substream at " + std::to_string(Offset) + " has no EOF record");
            return records;
        }
        Record r{U16(Stream, at), static_cast<uint32_t>(at), {}};
        size_t length = U16(Stream, at + 2);
        if (length > MaxRecordData) Problems.push_back("record " + Hex(r.Id) + " holds " + std::to_string(length) + " bytes");
        if (at + 4 + length > Stream.size()) {
            Problems.push_back("record " + Hex(r.Id) + " runs past the stream's end");
            return records;
        }
        r.Data.assign(Stream.begin() + static_cast<long>(at + 4), Stream.begin() + static_cast<long>(at + 4 + length));
        records.push_back(std::move(r));
        at += 4 + length;
        if (records.back().Id == EofId) return records;
    }
}

struct SharedStrings {
    uint32_t Total = 0;
    std::vector<std::u16string> Strings;
    std::vector<uint32_t> Positions;      // stream position of each string
    std::vector<uint32_t> RecordOffsets;  // its offset in its record, header included
    size_t NextRecord = 0;                // index of the first record after the table
    StringSplitCounts Counts;
};

// Reads the SST record at Index and its CONTINUE records by the rules: a
// string's header lies in one record together with its first character; a
// string going on in a CONTINUE record starts it with an option byte; no
// character, and no surrogate pair, is split between records.
SharedStrings ParseSst(const std::vector<Record> &Records, size_t Index, std::vector<std::string> &Problems) {
    SharedStrings sst;
    size_t rec = Index;
    const Bytes *data = &Records[rec].Data;
    if (data->size() < 8) {
        Problems.push_back("SST record too short");
        return sst;
    }
    sst.Total = U32(*data, 0);
    const uint32_t unique = U32(*data, 4);
    size_t pos = 8;
    auto nextRecord = [&]() -> bool {
        if (rec + 1 >= Records.size() || Records[rec + 1].Id != ContinueId) {
            Problems.push_back("SST ends after " + std::to_string(sst.Strings.size()) + " of " + std::to_string(unique) + " strings");
            return false;
        }
        ++rec;
        ++sst.Counts.ContinueRecords;
        data = &Records[rec].Data;
        pos = 0;
        return true;
    };
    for (uint32_t i = 0; i < unique; ++i) {
        if (pos == data->size()) {
            if (!nextRecord()) return sst;
            ++sst.Counts.RecordsStartingWithString;
        }
        if (data->size() - pos < 3) {
            Problems.push_back("header of string " + std::to_string(i) + " split between records");
            return sst;
        }
        sst.Positions.push_back(Records[rec].Position + 4 + static_cast<uint32_t>(pos));
        sst.RecordOffsets.push_back(4 + static_cast<uint32_t>(pos));
        const size_t length = U16(*data, pos);
        uint8_t options = data->at(pos + 2);
        pos += 3;
        if ((options & ~1u) != 0) Problems.push_back("string " + std::to_string(i) + " has options " + Hex(options));
        bool wide = (options & 1) != 0;
        std::u16string text;
        while (text.size() < length) {
            const size_t unit = wide ? 2 : 1;
            const size_t left = data->size() - pos;
            if (left < unit) {
                if (left != 0) Problems.push_back("record ends inside a character of string " + std::to_string(i));
                if (text.empty()) Problems.push_back("string " + std::to_string(i) + " starts without a character");
                if (!text.empty() && IsHighSurrogate(text.back())) {
                    Problems.push_back("surrogate pair of string " + std::to_string(i) + " split between records");
                }
                if (!nextRecord()) return sst;
                options = data->at(pos++);
                if ((options & ~1u) != 0) Problems.push_back("continued string " + std::to_string(i) + " has options " + Hex(options));
                wide = (options & 1) != 0;
                ++(wide ? sst.Counts.WideContinuations : sst.Counts.NarrowContinuations);
                continue;
            }
            size_t take = std::min(length - text.size(), left / unit);
            for (size_t k = 0; k < take; ++k, pos += unit) {
                text.push_back(wide ? static_cast<char16_t>(U16(*data, pos)) : static_cast<char16_t>(data->at(pos)));
            }
        }
        sst.Strings.push_back(std::move(text));
    }
    if (pos != data->size()) Problems.push_back("bytes after the last shared string");
    sst.NextRecord = rec + 1;
    if (sst.NextRecord < Records.size() && Records[sst.NextRecord].Id == ContinueId) {
        Problems.push_back("CONTINUE record after the last shared string");
    }
    return sst;
}

void CheckExtSst(const Record &R, const SharedStrings &Sst, std::vector<std::string> &Problems) {
    if (R.Id != ExtSstId) {
        Problems.push_back("no EXTSST record after the SST");
        return;
    }
    const uint32_t count = static_cast<uint32_t>(Sst.Strings.size());
    const uint16_t bucket = U16(R.Data, 0);
    // The documented bucket size, capped by its 16-bit field.
    const uint32_t expectedBucket = std::min<uint32_t>(std::max<uint32_t>(count / 128 + 1, 8), 0xFFFF);
    if (bucket != expectedBucket) {
        Problems.push_back("EXTSST bucket size " + std::to_string(bucket) + ", expected " + std::to_string(expectedBucket));
        return;
    }
    const size_t entries = (R.Data.size() - 2) / 8;
    const size_t expectedEntries = (count + bucket - 1) / bucket;
    if (entries != expectedEntries || R.Data.size() != 2 + 8 * entries) {
        Problems.push_back("EXTSST has " + std::to_string(entries) + " entries, expected " + std::to_string(expectedEntries));
        return;
    }
    for (size_t k = 0; k < entries; ++k) {
        const size_t first = k * bucket;
        const size_t at = 2 + 8 * k;
        if (U32(R.Data, at) != Sst.Positions[first] || U16(R.Data, at + 4) != Sst.RecordOffsets[first] || U16(R.Data, at + 6) != 0) {
            Problems.push_back("EXTSST entry " + std::to_string(k) + " does not point at string " + std::to_string(first));
        }
    }
}

void CheckBof(const std::vector<Record> &Records, uint16_t Kind, const std::string &What, std::vector<std::string> &Problems) {
    if (Records.empty() || Records[0].Id != BofId || Records[0].Data.size() != 16 || U16(Records[0].Data, 0) != 0x0600 ||
        U16(Records[0].Data, 2) != Kind) {
        Problems.push_back(What + " does not start with a BIFF8 BOF record of kind " + Hex(Kind));
    }
}

}  // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern = ::testing::TempDir() + "zebworkbook-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

std::vector<std::string> FolderEntries(const std::string &Folder) {
    std::vector<std::string> names;
    DIR *dir = ::opendir(Folder.c_str());
    if (dir == nullptr) return names;
    while (dirent *entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFileBytes(const std::string &Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string &Path, const std::string &Bytes) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out << Bytes;
}

zebedit::CellText TextTable::Cells() const {
    return [this](size_t Row, size_t Column) { return Rows.at(Row).at(Column); };
}

std::u16string Latin1(const std::string &Bytes) {
    std::u16string out;
    for (unsigned char c : Bytes) out.push_back(static_cast<char16_t>(c));
    return out;
}

ReaderVerdict CompareWithXlrd(const std::string &Workbook, const std::u16string &SheetName, const TextTable &Table) {
    const std::string expectedPath = Workbook + ".expected.json";
    {
        std::ofstream out(expectedPath, std::ios::binary);
        out << "{\"sheet\": " << JsonString(SheetName) << ", \"columns\": " << Table.Columns << ", \"rows\": [";
        for (size_t r = 0; r < Table.Rows.size(); ++r) {
            out << (r ? ",\n[" : "\n[");
            for (size_t c = 0; c < Table.Rows[r].size(); ++c) out << (c ? ", " : "") << JsonString(Table.Rows[r][c]);
            out << "]";
        }
        out << "]}\n";
    }
    const std::string command = std::string("'") + ZEB_XLRD_PYTHON + "' '" + ZEB_WORKBOOK_CHECKER + "' compare '" +
                                Workbook + "' '" + expectedPath + "' 2>&1";
    ReaderVerdict verdict;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        verdict.Report = "cannot run " + command;
        return verdict;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) verdict.Report.append(buffer, n);
    int status = ::pclose(pipe);
    verdict.Same = status == 0;
    ::unlink(expectedPath.c_str());
    return verdict;
}

std::vector<std::string> StructuralProblems(const std::string &Workbook, const TextTable &Table) {
    std::vector<std::string> problems;
    const Bytes stream = ReadWorkbookStream(Workbook, problems);
    if (!problems.empty()) return problems;

    const std::vector<Record> globals = ReadSubstream(stream, 0, problems);
    CheckBof(globals, 0x0005, "the workbook", problems);
    std::vector<size_t> sheets, ssts;
    std::vector<bool> xfIsStyle;
    for (size_t i = 0; i < globals.size(); ++i) {
        if (globals[i].Id == BoundSheetId) sheets.push_back(i);
        if (globals[i].Id == SstId) ssts.push_back(i);
        if (globals[i].Id == XfId) xfIsStyle.push_back((U16(globals[i].Data, 4) & 0x0004) != 0);
    }
    if (sheets.size() != 1 || ssts.size() != 1) {
        problems.push_back(std::to_string(sheets.size()) + " BOUNDSHEET and " + std::to_string(ssts.size()) + " SST records");
        return problems;
    }
    const SharedStrings sst = ParseSst(globals, ssts[0], problems);
    if (!problems.empty()) return problems;
    if (sst.NextRecord < globals.size()) CheckExtSst(globals[sst.NextRecord], sst, problems);

    const uint32_t sheetOffset = U32(globals[sheets[0]].Data, 0);
    const std::vector<Record> sheet = ReadSubstream(stream, sheetOffset, problems);
    CheckBof(sheet, 0x0010, "the sheet at the BOUNDSHEET offset", problems);
    if (!problems.empty()) return problems;

    const size_t rows = Table.Columns == 0 ? 0 : Table.Rows.size();
    const size_t columns = rows == 0 ? 0 : Table.Columns;
    std::map<std::pair<size_t, size_t>, int> seen;
    bool dimensions = false, window = false;
    for (const Record &r : sheet) {
        if (r.Id == DimensionsId) {
            dimensions = true;
            if (U32(r.Data, 0) != 0 || U32(r.Data, 4) != rows || U16(r.Data, 8) != 0 || U16(r.Data, 10) != columns) {
                problems.push_back("DIMENSIONS does not give the table's size");
            }
        } else if (r.Id == Window2Id) {
            window = true;
        } else if (r.Id == LabelSstId) {
            const size_t row = U16(r.Data, 0), column = U16(r.Data, 2);
            const uint16_t xf = U16(r.Data, 4);
            const uint32_t index = U32(r.Data, 6);
            if (row >= rows || column >= columns) {
                problems.push_back("cell outside the table at " + std::to_string(row) + ", " + std::to_string(column));
                continue;
            }
            if (++seen[{row, column}] > 1) problems.push_back("cell " + std::to_string(row) + ", " + std::to_string(column) + " written twice");
            if (xf >= xfIsStyle.size() || xfIsStyle[xf]) problems.push_back("cell format " + std::to_string(xf) + " is no cell format");
            if (index >= sst.Strings.size()) {
                problems.push_back("cell string index " + std::to_string(index) + " beyond the SST");
            } else if (sst.Strings[index] != Table.Rows[row][column]) {
                problems.push_back("cell " + std::to_string(row) + ", " + std::to_string(column) + " holds \"" +
                                   Printable(sst.Strings[index]) + "\", expected \"" + Printable(Table.Rows[row][column]) + "\"");
            }
        }
        if (problems.size() > 20) return problems;
    }
    if (!dimensions || !window) problems.push_back("the sheet lacks DIMENSIONS or WINDOW2");
    if (seen.size() != rows * columns) {
        problems.push_back(std::to_string(seen.size()) + " cells written, expected " + std::to_string(rows * columns));
    }
    if (sst.Total != seen.size()) problems.push_back("SST counts " + std::to_string(sst.Total) + " cell references");
    return problems;
}

StringSplitCounts CountStringSplits(const std::string &Workbook) {
    std::vector<std::string> problems;
    const Bytes stream = ReadWorkbookStream(Workbook, problems);
    const std::vector<Record> globals = ReadSubstream(stream, 0, problems);
    for (size_t i = 0; i < globals.size(); ++i) {
        if (globals[i].Id == SstId) return ParseSst(globals, i, problems).Counts;
    }
    return {};
}

}  // namespace zebtest::workbook

// How an export treats the file system: what it replaces, and that a failed
// export leaves the folder as it was and says why.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ExportFile.h"
#include "WorkbookTestSupport.h"
#include "WorkbookWriter.h"

namespace zebtest::workbook {
namespace {

using zebedit::workbook::ExportStep;
using zebedit::workbook::FailExportStepForTesting;

const std::string OldWorkbook = "an older export";

std::u16string Filler(size_t Row, size_t Column) {
    return Latin1("row " + std::to_string(Row) + " column " + std::to_string(Column) + " \xE4\xF6\xFC");
}

TextTable FillerTable(size_t Rows, size_t Columns) {
    TextTable table;
    table.Columns = Columns;
    table.Rows.resize(Rows);
    for (size_t r = 0; r < Rows; ++r) {
        for (size_t c = 0; c < Columns; ++c) table.Rows[r].push_back(Filler(r, c));
    }
    return table;
}

mode_t PermissionsOf(const std::string &Path) {
    struct stat st {};
    ::stat(Path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ExportFile, ReplacesAnEarlierExportKeepingItsPermissions) {
    ScratchFolder folder;
    const std::string path = folder.File("Table.xls");
    WriteFileBytes(path, OldWorkbook);
    ::chmod(path.c_str(), 0640);
    const TextTable table = FillerTable(3, 3);

    zebedit::WriteXlsWorkbook(path, u"Table", 3, 3, table.Cells());

    EXPECT_EQ(PermissionsOf(path), 0640u);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"Table.xls"});
    ReaderVerdict verdict = CompareWithXlrd(path, u"Table", table);
    EXPECT_TRUE(verdict.Same) << verdict.Report;
}

TEST(ExportFile, WritesBesideTheTargetOfALink) {
    ScratchFolder folder;
    ASSERT_EQ(::mkdir(folder.File("real").c_str(), 0755), 0);
    const std::string target = folder.File("real/Table.xls");
    WriteFileBytes(target, OldWorkbook);
    ASSERT_EQ(::symlink("real/Table.xls", folder.File("Link.xls").c_str()), 0);
    const TextTable table = FillerTable(2, 2);

    zebedit::WriteXlsWorkbook(folder.File("Link.xls"), u"Table", 2, 2, table.Cells());

    struct stat st {};
    ASSERT_EQ(::lstat(folder.File("Link.xls").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(FolderEntries(folder.File("real")), std::vector<std::string>{"Table.xls"});
    ReaderVerdict verdict = CompareWithXlrd(target, u"Table", table);
    EXPECT_TRUE(verdict.Same) << verdict.Report;
}

// One way for an export to fail: what the case prepares, the export it
// attempts, and words the error message must contain.
struct FailureCase {
    const char *Name;
    std::function<std::string(const ScratchFolder &)> Prepare;  // returns the export's path
    size_t Rows;
    size_t Columns;
    std::vector<std::string> MessageParts;
    zebedit::CellText Cell;  // the table's cells when not the filler
};

std::string InFolder(const ScratchFolder &Folder) { return Folder.File("Table.xls"); }

std::string OverOlderExport(const ScratchFolder &Folder) {
    WriteFileBytes(Folder.File("Table.xls"), OldWorkbook);
    return Folder.File("Table.xls");
}

std::function<std::string(const ScratchFolder &)> FailingStep(ExportStep Step, uint64_t AfterBytes) {
    return [=](const ScratchFolder &Folder) {
        FailExportStepForTesting(Step, AfterBytes);
        return OverOlderExport(Folder);
    };
}

const FailureCase failureCases[] = {
    {"TooManyColumns", InFolder, 2, 257, {"257 columns", "at most 256"}, nullptr},
    {"TooManyRows", InFolder, 65537, 1, {"65537 rows", "at most 65536"}, nullptr},
    {"TooManyColumnsOverOlderExport", OverOlderExport, 1, 300, {"300 columns"}, nullptr},
    {"FolderWithoutWriteBits",
     [](const ScratchFolder &Folder) {
         ::mkdir(Folder.File("locked").c_str(), 0755);
         ::chmod(Folder.File("locked").c_str(), 0555);
         return Folder.File("locked/Table.xls");
     },
     2, 2, {"locked", std::strerror(EACCES)}, nullptr},
    {"MissingFolder", [](const ScratchFolder &Folder) { return Folder.File("gone/Table.xls"); }, 2, 2,
     {"gone", std::strerror(ENOENT)}, nullptr},
    {"ReadOnlyOlderExport",
     [](const ScratchFolder &Folder) {
         std::string path = OverOlderExport(Folder);
         ::chmod(path.c_str(), 0444);
         return path;
     },
     2, 2, {"Table.xls", "read-only"}, nullptr},
    {"FolderInPlaceOfTheFile",
     [](const ScratchFolder &Folder) {
         ::mkdir(Folder.File("Table.xls").c_str(), 0755);
         return Folder.File("Table.xls");
     },
     2, 2, {"Table.xls", "not a regular file"}, nullptr},
    {"DiskFullAtOnce", FailingStep(ExportStep::Write, 0), 20, 10, {"Table.xls", std::strerror(ENOSPC)}, nullptr},
    {"DiskFullHalfWay", FailingStep(ExportStep::Write, 150000), 400, 50, {"Table.xls", std::strerror(ENOSPC)}, nullptr},
    {"FlushFails", FailingStep(ExportStep::Flush, 0), 20, 10, {"flush", std::strerror(EIO)}, nullptr},
    {"RenameFails", FailingStep(ExportStep::Rename, 0), 20, 10, {"rename", std::strerror(EXDEV)}, nullptr},
    {"TextLongerThanACellHolds", OverOlderExport, 3, 3, {"row 2, column 3", "32768 characters", "at most 32767"},
     [](size_t Row, size_t Column) { return Row == 1 && Column == 2 ? std::u16string(32768, u'x') : u"x"; }},
    {"CellsNoLongerAvailable", OverOlderExport, 30, 3, {"the grid went away"},
     [](size_t Row, size_t) -> std::u16string {
         if (Row == 20) throw std::runtime_error("the grid went away");
         return u"x";
     }},
};

void PrintTo(const FailureCase &Case, std::ostream *Out) { *Out << Case.Name; }

class FailedExport : public ::testing::TestWithParam<FailureCase> {
  protected:
    void TearDown() override { FailExportStepForTesting(ExportStep::None); }
};

TEST_P(FailedExport, SaysWhyAndLeavesTheFolderAsItWas) {
    const FailureCase &c = GetParam();
    ScratchFolder folder;
    const std::string path = c.Prepare(folder);
    const std::vector<std::string> entriesBefore = FolderEntries(folder.Path());
    const std::string contentBefore = ReadFileBytes(path);
    const zebedit::CellText cell = c.Cell ? c.Cell : zebedit::CellText(Filler);

    try {
        zebedit::WriteXlsWorkbook(path, u"Table", c.Rows, c.Columns, cell);
        ADD_FAILURE() << "the export claimed success";
    } catch (const std::runtime_error &error) {
        for (const std::string &part : c.MessageParts) EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
    }

    FailExportStepForTesting(ExportStep::None);
    EXPECT_EQ(FolderEntries(folder.Path()), entriesBefore);
    EXPECT_EQ(ReadFileBytes(path), contentBefore);
    if (path.find("/locked/") != std::string::npos) {
        EXPECT_TRUE(FolderEntries(folder.File("locked")).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, FailedExport, ::testing::ValuesIn(failureCases),
                         [](const auto &Info) { return std::string(Info.param.Name); });

// Real file systems of their own, where the kernel lets this process mount
// one: a tiny one that fills up, and a read-only one.
class SmallFileSystem : public ::testing::Test {
  protected:
    // Mounts a tmpfs with Options at a folder in the scratch folder, or skips.
    std::string Mount(const char *Options, unsigned long Flags = 0) {
        const std::string mountPoint = folder_.File("mounted");
        if (::mkdir(mountPoint.c_str(), 0755) != 0) ADD_FAILURE() << "cannot create " << mountPoint;
        if (::mount("zebworkbook-test", mountPoint.c_str(), "tmpfs", Flags, Options) != 0) {
            skipReason_ = std::string("cannot mount a small file system here: ") + std::strerror(errno);
            return {};
        }
        return mountPoint;
    }
    ScratchFolder folder_;
    std::string skipReason_;
};

TEST_F(SmallFileSystem, FullDiskFailsWithTheReason) {
    const std::string mountPoint = Mount("size=64k");
    if (mountPoint.empty()) GTEST_SKIP() << skipReason_;
    const std::string path = mountPoint + "/Table.xls";
    WriteFileBytes(path, OldWorkbook);

    try {
        zebedit::WriteXlsWorkbook(path, u"Table", 2000, 20, Filler);
        ADD_FAILURE() << "the export claimed success";
    } catch (const std::runtime_error &error) {
        EXPECT_NE(std::string(error.what()).find(std::strerror(ENOSPC)), std::string::npos) << error.what();
    }
    EXPECT_EQ(FolderEntries(mountPoint), std::vector<std::string>{"Table.xls"});
    EXPECT_EQ(ReadFileBytes(path), OldWorkbook);
}

TEST_F(SmallFileSystem, ReadOnlyFolderFailsWithTheReason) {
    const std::string mountPoint = Mount("size=64k,mode=0777", MS_RDONLY);
    if (mountPoint.empty()) GTEST_SKIP() << skipReason_;

    try {
        zebedit::WriteXlsWorkbook(mountPoint + "/Table.xls", u"Table", 2, 2, Filler);
        ADD_FAILURE() << "the export claimed success";
    } catch (const std::runtime_error &error) {
        EXPECT_NE(std::string(error.what()).find(std::strerror(EROFS)), std::string::npos) << error.what();
    }
    EXPECT_TRUE(FolderEntries(mountPoint).empty());
}

}  // namespace
}  // namespace zebtest::workbook

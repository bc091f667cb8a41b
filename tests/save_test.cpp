// Saving: the check words of both layouts, what a save changes and what it
// keeps, and a save that fails at any step leaving the file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine_helpers.h"
#include "uZEB_Errors.h"
#include "uZEB_FileSystem.h"

using namespace zebtest;
using zeb::TzebDatabase;

namespace {

DatabaseSpec TwoTables(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec a;
    a.Name = "ALPH";
    a.RecordSize = 5;
    a.Fields = {{3, "X", 3, 13}, {0, "NAME", 16, 24}};
    a.Records = {Record(5, {1, 2, 'a', 'b', 'c'}), Record(5, {3, 4, 'd', 0, 0x80})};
    a.SpareSlots = 2;
    TableSpec b;
    b.Name = "BETA";
    b.RecordSize = 3;
    b.Fields = {{2, "Y", 0, 16}};
    b.Records = {Record(3, {9, 9, 9})};
    spec.Tables = {a, b};
    return spec;
}

// Saves a database loaded from Image through a real file; returns the bytes
// written.
Bytes SaveThroughFile(const Bytes &Image, bool Crc) {
    TempDir dir;
    const std::string path = dir.Write("db.bin", Image);
    TzebDatabase db(path, Crc);
    db.Save();
    return ReadFile(path);
}

class SaveLayouts : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Layouts, SaveLayouts, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(SaveLayouts, UnchangedCorrectFileIsReproducedByteForByte) {
    const Bytes image = BuildImage(TwoTables(GetParam()));
    EXPECT_EQ(SaveThroughFile(image, GetParam()), image);
}

TEST_P(SaveLayouts, SavingTwiceWritesTheSameFile) {
    TempDir dir;
    const Bytes image = BuildImage(TwoTables(GetParam()));
    const std::string path = dir.Write("db.bin", image);
    TzebDatabase db(path, GetParam());
    db.Save();
    const Bytes first = ReadFile(path);
    db.Save();
    EXPECT_EQ(ReadFile(path), first);
}

struct Damage {
    const char *Name;
    void (*Apply)(DatabaseSpec &);
};

class WrongCheckWord : public ::testing::TestWithParam<Damage> {};

TEST_P(WrongCheckWord, IsRepairedWithNothingElseChanged) {
    DatabaseSpec spec = TwoTables(true);
    const Bytes correct = BuildImage(spec);
    GetParam().Apply(spec);
    const Bytes damaged = BuildImage(spec);
    ASSERT_NE(damaged, correct);
    EXPECT_EQ(SaveThroughFile(damaged, true), correct);
}

INSTANTIATE_TEST_SUITE_P(
    Crc, WrongCheckWord,
    ::testing::Values(Damage{"HeaderCrc", [](DatabaseSpec &s) { s.WrongHeaderCrc = true; }},
                      Damage{"DirectoryCrc", [](DatabaseSpec &s) { s.WrongDirectoryCrc = true; }},
                      Damage{"FileSize", [](DatabaseSpec &s) { s.FileSize = 12345; }},
                      Damage{"TableHeaderCrc", [](DatabaseSpec &s) { s.Tables[1].WrongHeaderCrc = true; }},
                      Damage{"TableDataCrc", [](DatabaseSpec &s) { s.Tables[0].WrongDataCrc = true; }},
                      Damage{"Everything",
                             [](DatabaseSpec &s) {
                                 s.WrongHeaderCrc = s.WrongDirectoryCrc = true;
                                 s.FileSize = 1;
                                 for (auto &t : s.Tables) t.WrongHeaderCrc = t.WrongDataCrc = true;
                             }}),
    [](const auto &info) { return info.param.Name; });

TEST(Save, SumLayoutChangesOnlyItsFirstFourBytes) {
    DatabaseSpec spec = TwoTables(false);
    const Bytes correct = BuildImage(spec);
    spec.WrongFileSum = true;
    const Bytes damaged = BuildImage(spec);
    const Bytes saved = SaveThroughFile(damaged, false);
    EXPECT_EQ(saved, correct);
    EXPECT_TRUE(std::equal(saved.begin() + 4, saved.end(), damaged.begin() + 4));
}

TEST(Save, CrcLayoutWithoutTablesGetsTheCrcOfNoBytes) {
    DatabaseSpec spec;
    const Bytes saved = SaveThroughFile(BuildImage(spec), true);
    ASSERT_EQ(saved.size(), 28u);
    EXPECT_EQ(Get32(saved, 24), 0xFFFFFFFFu);
    EXPECT_EQ(CheckWordProblems(saved, true), "");
}

TEST(Save, EmptyTableDataGetsTheCrcOfNoBytes) {
    DatabaseSpec spec = OneTable(true, 0, {}, {});
    const Bytes saved = SaveThroughFile(BuildImage(spec), true);
    EXPECT_EQ(Get32(saved, saved.size() - 4), 0xFFFFFFFFu);
}

TEST(Save, DroppedTableKeepsTheStoredDirectoryConsistent) {
    DatabaseSpec spec = TwoTables(true);
    spec.Tables[1].TableOffset = 1000000;  // beyond the end: dropped at load
    spec.WrongDirectoryCrc = true;
    const Bytes image = BuildImage(spec);
    TempDir dir;
    const std::string path = dir.Write("db.bin", image);
    TzebDatabase db(path, true);
    ASSERT_EQ(db.GetTableCount(), 1);
    db.Save();
    const Bytes saved = ReadFile(path);
    EXPECT_EQ(Get32(saved, 16), 2u) << "the stored count still describes the stored directory";
    EXPECT_EQ(Get32(saved, 24 + 16), ReferenceCrc32(saved.data() + 24, 16));
    EXPECT_EQ(CheckWordProblems(saved, true), "");
    // Nothing but the directory check word changed.
    Bytes expected = image;
    Put32(expected, 24 + 16, Get32(saved, 24 + 16));
    EXPECT_EQ(saved, expected);
}

TEST(Save, NegativeTableCountIsKeptAndCoversAnEmptyDirectory) {
    DatabaseSpec spec = TwoTables(true);
    spec.TableCount = -3;
    const Bytes image = BuildImage(spec);
    const Bytes saved = SaveThroughFile(image, true);
    EXPECT_EQ(static_cast<int32_t>(Get32(saved, 16)), -3);
    EXPECT_EQ(Get32(saved, 20), ReferenceCrc32(saved.data(), 20));
    EXPECT_EQ(Get32(saved, 24), 0xFFFFFFFFu);
    EXPECT_EQ(saved.size(), image.size());
}

TEST(Save, ShortAndDamagedFilesNeverGrowOnSave) {
    const Bytes image = BuildImage(TwoTables(true));
    for (size_t length : {size_t{0}, size_t{3}, size_t{20}, size_t{27}, image.size() / 2}) {
        Bytes cut(image.begin(), image.begin() + static_cast<ptrdiff_t>(length));
        for (bool crc : {true, false}) EXPECT_EQ(SaveThroughFile(cut, crc).size(), length);
    }
}

// Save failures ---------------------------------------------------------------

class FailingStep : public ::testing::TestWithParam<zeb::fs::SaveStep> {
  protected:
    void TearDown() override { zeb::fs::FailSaveStepForTesting(zeb::fs::SaveStep::None); }
};

TEST_P(FailingStep, LeavesTheFileAsItWasAndTheNextSaveWritesEverything) {
    TempDir dir;
    DatabaseSpec spec = TwoTables(true);
    spec.WrongHeaderCrc = true;
    const Bytes image = BuildImage(spec);
    const std::string path = dir.Write("db.bin", image);
    TzebDatabase db(path, true);
    db.GetTable(0)->SetCurrentRecord(0);
    db.GetTable(0)->GetFieldByName("X")->SetAsInteger(4321);

    zeb::fs::FailSaveStepForTesting(GetParam());
    EXPECT_THROW(db.Save(), zeb::FileError);
    EXPECT_EQ(ReadFile(path), image);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file left";

    zeb::fs::FailSaveStepForTesting(zeb::fs::SaveStep::None);
    db.Save();
    const Bytes saved = ReadFile(path);
    EXPECT_EQ(CheckWordProblems(saved, true), "");
    EXPECT_EQ(GetBits(Bytes(saved.begin() + static_cast<ptrdiff_t>(db.GetTable(0)->DataPos), saved.end()), 3, 13), 4321u);
}

INSTANTIATE_TEST_SUITE_P(Steps, FailingStep,
                         ::testing::Values(zeb::fs::SaveStep::Create, zeb::fs::SaveStep::Write,
                                           zeb::fs::SaveStep::Flush, zeb::fs::SaveStep::Rename));

TEST(SaveFailure, ReadOnlyFileIsRefusedUntilWritableAgain) {
    TempDir dir;
    const Bytes image = BuildImage(TwoTables(false));
    const std::string path = dir.Write("db.bin", image);
    TzebDatabase db(path, false);
    db.GetTable(1)->SetCurrentRecord(0);
    db.GetTable(1)->GetFieldByName("Y")->SetAsInteger(-2);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_THROW(db.Save(), zeb::FileError);
    EXPECT_EQ(ReadFile(path), image);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    db.Save();
    EXPECT_NE(ReadFile(path), image);
    EXPECT_EQ(CheckWordProblems(ReadFile(path), false), "");
}

TEST(SaveFailure, VanishedFolderIsRefused) {
    std::string path;
    std::unique_ptr<TzebDatabase> db;
    {
        TempDir dir;
        path = dir.Write("db.bin", BuildImage(TwoTables(true)));
        db = std::make_unique<TzebDatabase>(path, true);
    }
    EXPECT_THROW(db->Save(), zeb::FileError);
    EXPECT_FALSE(std::filesystem::exists(path));
}

#ifndef _WIN32  // POSIX permission bits and links; Windows: tests/windows/
TEST(SaveTarget, KeepsPermissionBitsAndWritesBesideALinksTarget) {
    TempDir dir;
    const Bytes image = BuildImage(TwoTables(true));
    const std::string real = dir.Write("real.bin", image);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::string link = dir.File("link.bin");
    ASSERT_EQ(::symlink("real.bin", link.c_str()), 0);
    TzebDatabase db(link, true);
    db.GetTable(0)->SetCurrentRecord(1);
    db.GetTable(0)->GetFieldByName("NAME")->SetAsString("xyz");
    db.Save();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    struct stat st;
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(ReadFile(real), image);
    EXPECT_EQ(CheckWordProblems(ReadFile(real), true), "");
}
#endif

}  // namespace

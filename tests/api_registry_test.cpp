// The registry of open databases and the inspection calls, through the
// library's exports.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>

#include "api_helpers.h"

using namespace zebtest;

namespace {

DatabaseSpec Sample(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec a;
    a.Name = "ABCD";
    a.RecordSize = 4;
    a.Fields = {{3, "WXYZ", 0, 8}, {0, "S", 8, 16}, {2, "N", 24, 6}};
    a.Records = {Record(4, {5, 'h', 'i', 0}), Record(4, {6, 0, 0, 0x80}), Record(4, {7})};
    a.SpareSlots = 1;
    TableSpec b;
    b.Name = "B";
    b.RecordSize = 2;
    b.Fields = {{718, "I", 0, 15}};
    b.Records = {Record(2, {1, 2})};
    spec.Tables = {a, b};
    return spec;
}

class Registry : public ::testing::Test {
  protected:
    TempDir dir;
    std::string one = dir.Write("one.db", BuildImage(Sample(true)));
    std::string two = dir.Write("two.db", BuildImage(Sample(false)));
    std::string three = dir.Write("three.db", BuildImage(Sample(true)));
};

TEST_F(Registry, ReusesTheLowestFreeHandle) {
    const int32_t a = ZEBOpen(one.c_str());
    const int32_t b = ZEBOpen(two.c_str());
    EXPECT_EQ(b, a + 1);
    EXPECT_TRUE(ZEBClose(a));
    EXPECT_EQ(ZEBOpen(three.c_str()), a);
    EXPECT_TRUE(ZEBClose(a));
    EXPECT_TRUE(ZEBClose(b));
}

TEST_F(Registry, TheSamePathGivesTheSameHandleWithoutReadingAgain) {
    OpenFile db(one);
    ASSERT_GE(db, 0);
    ASSERT_TRUE(ZEBFieldSetValueAsInteger(db, "ABCD", "WXYZ", 0, 99));
    EXPECT_EQ(ZEBOpen(one.c_str()), db.Handle());
    // Another spelling of the same file, in other letter case (a link stands
    // for a file system that ignores case), is the same path.
    const std::string upper = dir.File("ONE.DB");
#ifndef _WIN32  // Windows file systems ignore case themselves
    ASSERT_EQ(::link(one.c_str(), upper.c_str()), 0);
#endif
    EXPECT_EQ(ZEBOpen(upper.c_str()), db.Handle()) << "paths compare without letter case";
#ifndef _WIN32  // on Windows "One.db" would be the same file
    // A different file whose name differs only in case is another database.
    const std::string other = dir.Write("One.db", BuildImage(Sample(false)));
    OpenFile second(other);
    EXPECT_NE(second.Handle(), db.Handle());
    EXPECT_GE(second.Handle(), 0);
#endif
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "ABCD", "WXYZ", 0), 99) << "the unsaved change is still seen";
}

TEST_F(Registry, PathsThatAreNotFilesFail) {
    EXPECT_EQ(ZEBOpen(nullptr), -1);
    EXPECT_EQ(ZEBOpen(""), -1);
    EXPECT_EQ(ZEBOpen(dir.File("missing.db").c_str()), -1);
    EXPECT_EQ(ZEBOpen(dir.Path().c_str()), -1);
}

TEST_F(Registry, ARegisteredPathWhoseFileWasDeletedFailsButStaysOpen) {
    OpenFile db(one);
    ASSERT_GE(db, 0);
    std::filesystem::remove(one);
    EXPECT_EQ(ZEBOpen(one.c_str()), -1);
    EXPECT_EQ(ZEBDatabaseGetTableCount(db), 2);
}

#ifndef _WIN32  // Windows: a file held open by a writer, tests/windows/
TEST_F(Registry, AFileThatCannotBeReadFails) {
    // A regular file whose reading fails.
    EXPECT_EQ(ZEBOpen("/proc/self/mem"), -1);
}
#endif

TEST_F(Registry, TheFirstWordDecidesTheLayout) {
    struct Case {
        Bytes Image;
        int32_t Tables;
    };
    // The CRC layout's magic with a zero table count, an image that would be
    // a sum-layout file of one table, and files too short for the magic.
    Bytes crcEmpty = BuildImage(DatabaseSpec{});
    DatabaseSpec sum = Sample(false);
    Bytes sumImage = BuildImage(sum);
    for (const Case &c : {Case{crcEmpty, 0}, Case{sumImage, 2}, Case{{0x44, 0x42, 0x00}, 0}, Case{{}, 0}}) {
        const std::string path = dir.Write("layout.db", c.Image);
        OpenFile db(path);
        ASSERT_GE(db, 0);
        EXPECT_EQ(ZEBDatabaseGetTableCount(db), c.Tables);
    }
}

TEST_F(Registry, ClosingWhatIsNotOpenFails) {
    const int32_t a = ZEBOpen(one.c_str());
    ASSERT_GE(a, 0);
    EXPECT_FALSE(ZEBClose(-1));
    EXPECT_FALSE(ZEBClose(a + 1000));
    EXPECT_TRUE(ZEBClose(a));
    EXPECT_FALSE(ZEBClose(a));
    EXPECT_EQ(ZEBDatabaseGetTableCount(a), 0);
}

TEST_F(Registry, ClosingDiscardsUnsavedChanges) {
    const Bytes before = ReadFile(one);
    const int32_t a = ZEBOpen(one.c_str());
    ASSERT_TRUE(ZEBFieldSetValueAsInteger(a, "ABCD", "WXYZ", 2, 1));
    ASSERT_TRUE(ZEBClose(a));
    EXPECT_EQ(ReadFile(one), before);
}

// Inspection ----------------------------------------------------------------

TEST_F(Registry, TablePropertiesReportTheCountsAndNameExactly) {
    OpenFile db(one);
    char name[8];
    std::memset(name, '#', sizeof name);
    TableProperties p{name, -1, -1, -1, -1, -1};
    ASSERT_TRUE(ZEBTableGetProperties(db, 0, &p));
    EXPECT_EQ(std::string(name, 5), std::string("ABCD\0", 5));
    EXPECT_EQ(name[5], '#') << "five bytes at most";
    EXPECT_EQ(p.FieldCount, 3);
    EXPECT_EQ(p.Capacity, 4);
    EXPECT_EQ(p.RecordCount, 3);
    EXPECT_EQ(p.DeletedCount, 1);
    EXPECT_EQ(p.FirstDeleted, 1);

    ASSERT_TRUE(ZEBTableGetProperties(db, 1, &p));
    EXPECT_STREQ(name, "B");
    EXPECT_EQ(p.FirstDeleted, 65535) << "none to reuse";

    TableProperties untouched{nullptr, 7, 7, 7, 7, 7};
    EXPECT_FALSE(ZEBTableGetProperties(db, 2, &untouched));
    EXPECT_FALSE(ZEBTableGetProperties(db, -1, &untouched));
    EXPECT_FALSE(ZEBTableGetProperties(-1, 0, &untouched));
    EXPECT_EQ(untouched.FieldCount, 7);
    EXPECT_EQ(untouched.FirstDeleted, 7);
    ASSERT_TRUE(ZEBTableGetProperties(db, 1, &untouched)) << "a null name buffer is allowed";
    EXPECT_EQ(untouched.FieldCount, 1);
}

TEST_F(Registry, ANameStartingWithAZeroByteIsEmpty) {
    DatabaseSpec spec = Sample(true);
    spec.Tables[1].Name = std::string("\0XY", 3);
    OpenFile db(dir.Write("zero.db", BuildImage(spec)));
    char name[5] = {'#', '#', '#', '#', '#'};
    TableProperties p{name, 0, 0, 0, 0, 0};
    ASSERT_TRUE(ZEBTableGetProperties(db, 1, &p));
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(name[1], '#');
}

TEST_F(Registry, FieldPropertiesWriteOnlyTheirMembers) {
    OpenFile db(one);
    unsigned char raw[sizeof(FieldProperties)];
    std::memset(raw, 0xEE, sizeof raw);
    char name[8];
    std::memset(name, '#', sizeof name);
    FieldProperties p;
    std::memcpy(&p, raw, sizeof p);
    p.Name = name;
    ASSERT_TRUE(ZEBFieldGetProperties(db, "ABCD", 2, &p));
    EXPECT_STREQ(name, "N");
    EXPECT_EQ(name[2], '#');
    EXPECT_EQ(p.BitCount, 6);
    EXPECT_EQ(p.FieldType, 2);
    unsigned char after[sizeof(FieldProperties)];
    std::memcpy(after, &p, sizeof p);
    for (size_t i = offsetof(FieldProperties, FieldType) + 2; i < sizeof after; ++i) EXPECT_EQ(after[i], 0xEE);

    FieldProperties untouched{nullptr, 7, 7};
    EXPECT_FALSE(ZEBFieldGetProperties(db, "ABCD", 3, &untouched));
    EXPECT_FALSE(ZEBFieldGetProperties(db, "ABCD", -1, &untouched));
    EXPECT_FALSE(ZEBFieldGetProperties(db, "abcd", 0, &untouched));
    EXPECT_FALSE(ZEBFieldGetProperties(db + 1, "ABCD", 0, &untouched));
    EXPECT_EQ(untouched.BitCount, 7);
    EXPECT_TRUE(ZEBFieldGetProperties(db, "B", 0, &untouched));
    EXPECT_EQ(untouched.FieldType, 718);
}

TEST_F(Registry, NegativeStoredTableCountIsReportedAsStored) {
    DatabaseSpec spec = Sample(true);
    spec.TableCount = -5;
    OpenFile db(dir.Write("negative.db", BuildImage(spec)));
    TableProperties p{nullptr, 0, 0, 0, 0, 0};
    EXPECT_EQ(ZEBDatabaseGetTableCount(db), -5);
    EXPECT_FALSE(ZEBTableGetProperties(db, 0, &p));
}

TEST_F(Registry, SaveWritesTheImageAndFailsOnAReadOnlyFile) {
    OpenFile db(two);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "ABCD", "S", 2, "ok"));
    const Bytes before = ReadFile(two);
    ASSERT_EQ(::chmod(two.c_str(), 0444), 0);
    EXPECT_FALSE(ZEBSave(db));
    EXPECT_EQ(ReadFile(two), before);
    ASSERT_EQ(::chmod(two.c_str(), 0644), 0);
    EXPECT_TRUE(ZEBSave(db));
    EXPECT_EQ(CheckWordProblems(ReadFile(two), false), "");
    EXPECT_EQ(GetString(db, "ABCD", "S", 2), "ok");
    EXPECT_FALSE(ZEBSave(-1));
}

}  // namespace

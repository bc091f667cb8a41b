// Building databases from images of both layouts, the lookups, and files
// whose structure does not fit: every read stays inside the image.
#include <gtest/gtest.h>

#include <random>

#include "engine_helpers.h"
#include "uZEB_Errors.h"

using namespace zebtest;
using zeb::TzebDatabase;

namespace {

DatabaseSpec ThreeTables(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    const char *names[] = {"ONE", "TWO", "THRE"};
    for (int i = 0; i < 3; ++i) {
        TableSpec t;
        t.Name = names[i];
        t.RecordSize = static_cast<uint16_t>(4 + i);
        t.Fields = {{3, "F0", 0, 8}, {0, "STR", 8, 16}};
        for (int r = 0; r <= i; ++r) t.Records.push_back(Record(t.RecordSize, {static_cast<uint8_t>(10 * i + r)}));
        t.SpareSlots = 1;
        spec.Tables.push_back(t);
    }
    return spec;
}

class LoadLayouts : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Layouts, LoadLayouts, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(LoadLayouts, BuildsTablesAndFieldsWhereTheDirectoryPlacesThem) {
    const Bytes image = BuildImage(ThreeTables(GetParam()));
    auto db = Load(image, GetParam());
    ASSERT_EQ(db->GetTableCount(), 3);
    const uint64_t base = GetParam() ? 28 + 3 * 8 : 8 + 3 * 16;
    const uint32_t headerSize = GetParam() ? 36 : 28;
    uint64_t expectedHeader = base;
    for (int i = 0; i < 3; ++i) {
        const zeb::TzebTable *t = db->GetTable(i);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->DirIndex, i);
        EXPECT_EQ(t->HeaderPos, expectedHeader);
        EXPECT_EQ(t->DataPos, expectedHeader + headerSize + 2 * 16);
        EXPECT_EQ(t->RecordSize, 4 + i);
        EXPECT_EQ(t->RecordCount, i + 1);
        EXPECT_EQ(t->Capacity, i + 2);
        ASSERT_EQ(t->GetFieldCount(), 2);
        EXPECT_EQ(t->GetField(1)->Name, "STR");
        EXPECT_EQ(t->GetField(1)->BitOffset, 8u);
        EXPECT_EQ(t->GetField(1)->BitCount, 16u);
        EXPECT_EQ(t->GetField(0)->FieldType, 3);
        EXPECT_EQ(image[t->DataPos + uint64_t{t->RecordSize} * i], 10 * i + i);
        expectedHeader = t->DataPos + uint64_t{t->RecordSize} * t->Capacity + (GetParam() ? 4 : 0);
    }
    EXPECT_EQ(db->GetTableByName("THRE"), db->GetTable(2));
    // Carried-through words land in the header copy at the CRC-layout offsets.
    EXPECT_EQ(DecodeAt(db->GetTable(0)->Header, 0), 0x11223344u);
    EXPECT_EQ(DecodeAt(db->GetTable(0)->Header, 8), 0x55667788u);
    EXPECT_EQ(DecodeAt(db->GetTable(0)->Header, 12), GetParam() ? 0x99AABBCCu : 0u);
}

TEST_P(LoadLayouts, LookupsOutsideTheListsFindNothing) {
    auto db = Load(ThreeTables(GetParam()));
    EXPECT_EQ(db->GetTable(-1), nullptr);
    EXPECT_EQ(db->GetTable(3), nullptr);
    const zeb::TzebTable *t = db->GetTable(0);
    EXPECT_EQ(t->GetField(-1), nullptr);
    EXPECT_EQ(t->GetField(2), nullptr);
    EXPECT_EQ(t->GetFieldByName("NONE"), nullptr);
    EXPECT_EQ(db->GetTableByName("one"), nullptr);
}

TEST_P(LoadLayouts, NamesAreComparedExactly) {
    DatabaseSpec spec = ThreeTables(GetParam());
    spec.Tables[0].Name = "AB";
    spec.Tables[1].Name = "ABCD";
    spec.Tables[2].Name = "AB";  // a second table of the same name
    spec.Tables[1].Fields = {{3, "abcd", 0, 8}, {3, "ABCD", 8, 8}};
    auto db = Load(spec);
    EXPECT_EQ(db->GetTableByName("AB"), db->GetTable(0));
    EXPECT_EQ(db->GetTableByName("AB  "), nullptr);
    EXPECT_EQ(db->GetTableByName("abcd"), nullptr);
    EXPECT_EQ(db->GetTableByName("ABCD"), db->GetTable(1));
    EXPECT_EQ(db->GetTable(1)->GetFieldByName("ABCD"), db->GetTable(1)->GetField(1));
}

TEST_P(LoadLayouts, TableBeyondTheEndIsDropped) {
    DatabaseSpec spec = ThreeTables(GetParam());
    spec.Tables[1].TableOffset = 100000;
    auto db = Load(spec);
    ASSERT_EQ(db->GetTableCount(), 2);
    EXPECT_EQ(db->GetTable(1)->Name, "THRE");
    EXPECT_EQ(db->GetTable(1)->DirIndex, 2);
    EXPECT_EQ(db->GetTable(2), nullptr);
    EXPECT_EQ(db->GetTableByName("TWO"), nullptr);
}

TEST_P(LoadLayouts, HeaderAtTheVeryEndIsAccepted) {
    DatabaseSpec spec = ThreeTables(GetParam());
    const Bytes image = BuildImage(spec);
    spec.Tables[2].TableOffset = static_cast<uint32_t>(image.size() - (GetParam() ? 28 + 24 : 8 + 48));
    auto db = Load(BuildImage(spec), GetParam());
    ASSERT_EQ(db->GetTableCount(), 3);
    EXPECT_EQ(db->GetTable(2)->RecordCount, 0);  // the header reads as zeros
    EXPECT_EQ(db->GetTable(2)->GetFieldCount(), 0);
}

TEST(Load, CrcTableWithoutFieldsReadsItsDataCrcRightAfterTheSlots) {
    DatabaseSpec spec = OneTable(true, 6, {}, {Record(6, {1}), Record(6, {2})});
    const Bytes image = BuildImage(spec);
    auto db = Load(image, true);
    const zeb::TzebTable *t = db->GetTable(0);
    EXPECT_EQ(t->DataPos, t->HeaderPos + 36);
    EXPECT_EQ(t->DataCrc, Get32(image, t->DataPos + 12));
}

TEST(Load, CrcTableCountOfZeroOrLessGivesNoTables) {
    for (int32_t count : {0, -1, INT32_MIN}) {
        DatabaseSpec spec = ThreeTables(true);
        spec.TableCount = count;
        auto db = Load(spec);
        EXPECT_EQ(db->GetTableCount(), count);
        EXPECT_EQ(db->GetTable(0), nullptr);
    }
}

TEST(Load, SumDirectoryEndsAtItsFirstZeroByte) {
    DatabaseSpec spec;
    spec.Crc = false;
    auto empty = Load(spec);
    EXPECT_EQ(empty->GetTableCount(), 0);
    EXPECT_EQ(empty->TableDataBase(), 8u);
}

// Files whose counts, offsets and sizes point anywhere: each opens reading
// only what is there, and reading every value of every record stays inside
// the image (the sanitizer build checks the reads).
void ReadEverything(const TzebDatabase &Db) {
    for (int i = 0; i < Db.GetTableCount(); ++i) {
        zeb::TzebTable *t = Db.GetTable(i);
        if (!t) continue;
        for (int r = 0; r < t->AddressableRecords() && r < 64; ++r) {
            t->SetCurrentRecord(r);
            for (const auto &f : t->Fields) {
                (void)f->GetAsInteger();
                (void)f->GetAsFloat();
                (void)f->GetAsString();
            }
        }
    }
}

TEST_P(LoadLayouts, EveryTruncationOpensAndReads) {
    const Bytes image = BuildImage(ThreeTables(GetParam()));
    for (size_t length = 0; length <= image.size(); ++length) {
        Bytes cut(image.begin(), image.begin() + static_cast<ptrdiff_t>(length));
        auto db = Load(cut, GetParam());
        EXPECT_LE(db->GetTableCount(), 3);
        ReadEverything(*db);
    }
}

TEST(Load, HugeTableCountInASmallFileOpensWithoutReadingPastTheEnd) {
    DatabaseSpec spec = ThreeTables(true);
    spec.TableCount = INT32_MAX;
    auto db = Load(spec);
    // The directory runs off the end: the entries the file holds are read,
    // and locate their tables from the stored (huge) count, past the end.
    EXPECT_EQ(db->GetTableCount(), 0);
    EXPECT_EQ(db->DirectoryEntryCount(), static_cast<uint32_t>(INT32_MAX));
}

TEST(Load, SumDirectoryWithoutAnEndReadsAsFarAsItGoes) {
    Bytes image(4 + 16 * 3, 0x41);  // three entries of 'A's and no end marker
    auto db = Load(image, false);
    EXPECT_EQ(db->DirectoryEntryCount(), 3u);
    EXPECT_EQ(db->GetTableCount(), 0);  // every table lies beyond the end
}

TEST(Load, OverlappingDescriptorsBeyondWhatTheFileHoldsAreRefused) {
    // Forty directory entries point at one table of fifty descriptors.
    DatabaseSpec spec;
    TableSpec t;
    t.Name = "T";
    t.RecordSize = 1;
    for (int f = 0; f < 50; ++f) t.Fields.push_back({3, "F", 0, 8});
    spec.Tables = {t};
    const Bytes one = BuildImage(spec);
    Bytes image(one.begin(), one.begin() + 24);
    Put32(image, 16, 40);
    for (int i = 0; i < 40; ++i) image.insert(image.end(), {'T', 0, 0, 0, 0, 0, 0, 0});
    image.insert(image.end(), 4, 0);                // DirectoryCrc
    image.insert(image.end(), one.begin() + 36, one.end());  // the one table block
    EXPECT_THROW(Load(image, true), zeb::FormatError);
}

TEST_P(LoadLayouts, RandomDamageNeverReadsOutsideTheImage) {
    const Bytes image = BuildImage(ThreeTables(GetParam()));
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        Bytes damaged = image;
        const int hits = 1 + static_cast<int>(rng() % 8);
        for (int h = 0; h < hits; ++h) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
        try {
            auto db = Load(damaged, GetParam());
            ReadEverything(*db);
        } catch (const zeb::FormatError &) {
        }
    }
}

}  // namespace

namespace {

TEST(Load, ManyEntriesForOneHeaderAreRefusedInsteadOfBuiltOverAndOver) {
    // A file of 64 KiB whose directory names the same header 8,000 times.
    Bytes image(24, 0);
    Put32(image, 0, 0x08004244);
    Put32(image, 16, 8000);
    for (int i = 0; i < 8000; ++i) image.insert(image.end(), {'T', 0, 0, 0, 0, 0, 0, 0});
    image.resize(64 * 1024, 0);
    EXPECT_THROW(Load(image, true), zeb::FormatError);
}

}  // namespace

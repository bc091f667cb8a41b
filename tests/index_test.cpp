// The value index and the query calls: which live records hold a value,
// kept up to date by value writes and record changes.
#include <gtest/gtest.h>

#include <random>

#include "api_helpers.h"

using namespace zebtest;

namespace {

// Ten records; field F (8 bits) holds the given values; deleted ones marked.
DatabaseSpec IndexSample(bool Crc, std::vector<int> Values, std::vector<int> Deleted = {}) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec t;
    t.Name = "IDX";
    t.RecordSize = 8;
    t.Fields = {{3, "F", 0, 8},     {0, "S", 8, 16},     {4, "FL", 24, 32},
                {2, "NEG", 56, 4},  {3, "W27", 0, 27},   {718, "W26", 0, 26},
                {3, "abcd", 0, 4},  {3, "ABCD", 4, 4}};
    for (size_t r = 0; r < Values.size(); ++r) {
        Bytes rec = Record(8, {static_cast<uint8_t>(Values[r])});
        if (std::find(Deleted.begin(), Deleted.end(), static_cast<int>(r)) != Deleted.end()) MarkDeleted(rec);
        t.Records.push_back(rec);
    }
    t.SpareSlots = 2;
    spec.Tables = {t};
    return spec;
}

std::vector<int32_t> Result() {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < ZEBQueryGetResultSize(); ++i) out.push_back(ZEBQueryGetResult(i));
    return out;
}

class Query : public ::testing::TestWithParam<bool> {
  protected:
    TempDir dir;
    OpenFile Open(const DatabaseSpec &Spec) { return OpenFile(dir.Write("index.db", BuildImage(Spec))); }
};
INSTANTIATE_TEST_SUITE_P(Layouts, Query, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(Query, FindsLiveRecordsInAscendingOrder) {
    OpenFile db = Open(IndexSample(GetParam(), {0, 1, 7, 3, 7, 7, 2, 2, 1, 7}, {4}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 7), 3);
    EXPECT_EQ(Result(), (std::vector<int32_t>{2, 5, 9}));
    EXPECT_EQ(ZEBQueryGetResult(3), -1);
    EXPECT_EQ(ZEBQueryGetResult(-1), -1);
    EXPECT_TRUE(ZEBTableRecordDeleted(db, "IDX", 4)) << "record 4 holds 7 but is deleted";
}

TEST_P(Query, AValueNobodyHoldsFindsNothing) {
    OpenFile db = Open(IndexSample(GetParam(), {1, 2, 3}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 200), 0);
    EXPECT_EQ(ZEBQueryGetResultSize(), 0);
    EXPECT_EQ(ZEBQueryGetResult(0), -1);
}

TEST_P(Query, FailedChecksKeepThePreviousResultAndAMissingFieldClearsIt) {
    OpenFile db = Open(IndexSample(GetParam(), {5, 5, 5, 5, 1}));
    ASSERT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 5), 4);
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db + 9, "IDX", "F", 1), 0);
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "NONE", "F", 1), 0);
    EXPECT_EQ(ZEBQueryGetResultSize(), 4) << "kept";
    // Fields and values the index cannot hold: the call fails, the result stays.
    struct Case {
        const char *Field;
        int32_t Value;
    } failing[] = {{"S", 0}, {"FL", 0}, {"W27", 0}, {"F", 256}, {"F", -1}, {"W26", -5}};
    for (const Case &c : failing) {
        EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", c.Field, c.Value), 0) << c.Field << " " << c.Value;
        EXPECT_EQ(ZEBQueryGetResultSize(), 4) << c.Field;
    }
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "f", 5), 0);
    EXPECT_EQ(ZEBQueryGetResultSize(), 0) << "cleared";
}

TEST_P(Query, AWideFieldIsIndexedWithoutASlotPerValue) {
    OpenFile db = Open(IndexSample(GetParam(), {9, 9, 3}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "W26", 9), 2);
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "W26", (1 << 26) - 1), 0);
    EXPECT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "W26", 2, (1 << 26) - 1));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "W26", (1 << 26) - 1), 1);
}

TEST_P(Query, FieldsWhoseNamesDifferInCaseHaveSeparateEntries) {
    OpenFile db = Open(IndexSample(GetParam(), {0x21, 0x12, 0x11}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "abcd", 1), 2);
    EXPECT_EQ(Result(), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "ABCD", 1), 2);
    EXPECT_EQ(Result(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "abcd", 2), 1);
    EXPECT_EQ(Result(), (std::vector<int32_t>{1}));
}

TEST_P(Query, ValueWritesMoveRecordsBetweenBucketsAndTheResultFollows) {
    OpenFile db = Open(IndexSample(GetParam(), {3, 0, 3, 1, 0, 0, 0, 3}));
    ASSERT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 3), 3);
    EXPECT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "F", 2, 4));
    EXPECT_EQ(Result(), (std::vector<int32_t>{0, 7}));
    EXPECT_TRUE(ZEBFieldSetValueAsFloat(db, "IDX", "F", 1, 0.0f));  // pattern 0: stays in bucket 0
    EXPECT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "F", 4, 3));
    EXPECT_EQ(Result(), (std::vector<int32_t>{0, 7, 4})) << "entered later: at the end";
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 4), 1);
    EXPECT_EQ(Result(), (std::vector<int32_t>{2}));
}

TEST_P(Query, AWriteWithNoPlaceInTheIndexIsRefusedAndKeepsTheRecordFound) {
    OpenFile db = Open(IndexSample(GetParam(), {3, 0, 3}));
    ASSERT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "NEG", 0), 3);
    EXPECT_FALSE(ZEBFieldSetValueAsInteger(db, "IDX", "NEG", 1, -2)) << "a negative value has no slot";
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "IDX", "NEG", 1), 0) << "nothing written";
    EXPECT_EQ(Result(), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_FALSE(ZEBFieldSetValueAsFloat(db, "IDX", "NEG", 1, -1.0f));
    // 9 has a slot in a 4-bit field, but the signed field reads it back as -7.
    EXPECT_FALSE(ZEBFieldSetValueAsInteger(db, "IDX", "NEG", 1, 9)) << "the field would read back -7";
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "IDX", "NEG", 1), 0) << "nothing written";
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "NEG", 9), 0) << "the record is not listed under 9";
    EXPECT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "NEG", 1, 7));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "NEG", 0), 2);
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "NEG", 7), 1);
    ASSERT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "NEG", 1, 0));
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "NEG", 0), 3);
    // A deleted record is not in the index: any value may be written to it.
    ASSERT_TRUE(ZEBTableRecordChangeDeleted(db, "IDX", 2, 0));
    EXPECT_TRUE(ZEBFieldSetValueAsInteger(db, "IDX", "NEG", 2, -2));
    EXPECT_FALSE(ZEBTableRecordChangeDeleted(db, "IDX", 2, 1)) << "it could not come back into the index";
    EXPECT_TRUE(ZEBTableRecordDeleted(db, "IDX", 2));
}

TEST_P(Query, RecordChangesReleaseTheResultWithoutACrash) {
    struct Change {
        const char *Name;
        bool (*Apply)(int32_t);
    } changes[] = {
        {"Add", [](int32_t h) { return ZEBTableRecordAdd(h, "IDX", 1) != 65535; }},
        {"Remove", [](int32_t h) { return ZEBTableRecordRemove(h, "IDX", 0); }},
        {"Delete", [](int32_t h) { return ZEBTableRecordChangeDeleted(h, "IDX", 1, 0); }},
        {"Undelete", [](int32_t h) { return ZEBTableRecordChangeDeleted(h, "IDX", 3, 1); }},
        {"Compact", [](int32_t h) { return ZEBDatabaseCompact(h); }},
        {"Close", [](int32_t h) { return ZEBClose(h); }},
    };
    for (const Change &c : changes) {
        const std::string path = dir.Write(std::string(c.Name) + ".db", BuildImage(IndexSample(GetParam(), {0, 0, 1, 0}, {3})));
        const int32_t db = ZEBOpen(path.c_str());
        ASSERT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 0), 2);
        ASSERT_TRUE(c.Apply(db)) << c.Name;
        EXPECT_EQ(ZEBQueryGetResultSize(), 0) << c.Name << ": answers as if no query had been made";
        EXPECT_EQ(ZEBQueryGetResult(0), -1) << c.Name;
        ZEBClose(db);
    }
}

TEST_P(Query, AddListsTheNewRecordOnceUnderZero) {
    OpenFile db = Open(IndexSample(GetParam(), {0, 5}));
    ASSERT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 0), 1);
    ASSERT_EQ(ZEBTableRecordAdd(db, "IDX", 0), 2);
    EXPECT_EQ(ZEBQueryFindUnsignedInt(db, "IDX", "F", 0), 2);
    EXPECT_EQ(Result(), (std::vector<int32_t>{0, 2}));
}

// Random value writes and record changes; after every step the answer of a
// query equals a plain scan of the live records.
TEST_P(Query, RandomChangesAgreeWithAPlainScan) {
    std::vector<int> values(40);
    std::mt19937 rng(5);
    for (int &v : values) v = static_cast<int>(rng() % 6);
    OpenFile db = Open(IndexSample(GetParam(), values, {3, 17}));
    auto scan = [&](int32_t value) {
        std::vector<int32_t> found;
        TableProperties p{nullptr, 0, 0, 0, 0, 0};
        ZEBTableGetProperties(db, 0, &p);
        for (int32_t r = 0; r < p.RecordCount; ++r)
            if (!ZEBTableRecordDeleted(db, "IDX", r) && ZEBFieldGetValueAsInteger(db, "IDX", "F", r) == value)
                found.push_back(r);
        return found;
    };
    for (int step = 0; step < 1500; ++step) {
        TableProperties p{nullptr, 0, 0, 0, 0, 0};
        ZEBTableGetProperties(db, 0, &p);
        const int32_t record = p.RecordCount ? static_cast<int32_t>(rng() % p.RecordCount) : 0;
        switch (rng() % 8) {
        case 0: ZEBTableRecordAdd(db, "IDX", rng() % 2); break;
        case 1: ZEBTableRecordRemove(db, "IDX", record); break;
        case 2: ZEBTableRecordChangeDeleted(db, "IDX", record, rng() % 2); break;
        case 3: if (rng() % 10 == 0) ZEBDatabaseCompact(db); break;
        default: ZEBFieldSetValueAsInteger(db, "IDX", "F", record, static_cast<int32_t>(rng() % 6)); break;
        }
        const auto value = static_cast<int32_t>(rng() % 6);
        const int32_t count = ZEBQueryFindUnsignedInt(db, "IDX", "F", value);
        std::vector<int32_t> found = Result();
        ASSERT_EQ(count, static_cast<int32_t>(found.size()));
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, scan(value)) << "step " << step;
    }
}

}  // namespace

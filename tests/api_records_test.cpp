// The record and persistence calls: thin wrappers whose checks, flags and
// results are what a caller sees.
#include <gtest/gtest.h>

#include "api_helpers.h"

using namespace zebtest;

namespace {

DatabaseSpec RecordsSample(bool Crc, uint16_t Spare) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec t;
    t.Name = "REC";
    t.RecordSize = 2;
    t.Fields = {{3, "ID", 0, 8}};
    for (int i = 0; i < 10; ++i) t.Records.push_back(Record(2, {static_cast<uint8_t>(i + 1)}));
    t.SpareSlots = Spare;
    spec.Tables = {t};
    return spec;
}

TableProperties Props(int32_t Db) {
    TableProperties p{nullptr, 0, 0, 0, 0, 0};
    EXPECT_TRUE(ZEBTableGetProperties(Db, 0, &p));
    return p;
}

class RecordCalls : public ::testing::TestWithParam<bool> {
  protected:
    TempDir dir;
};
INSTANTIATE_TEST_SUITE_P(Layouts, RecordCalls, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(RecordCalls, AddGrowsAFullTableOnlyWhenTheFlagsLowByteSaysSo) {
    const std::string path = dir.Write("add.db", BuildImage(RecordsSample(GetParam(), 0)));
    OpenFile db(path);
    EXPECT_EQ(ZEBTableRecordAdd(db, "REC", 0), 65535);
    EXPECT_EQ(ZEBTableRecordAdd(db, "REC", 0x100), 65535) << "only the low byte is read";
    EXPECT_EQ(ZEBTableRecordAdd(db, "NONE", 1), 65535);
    EXPECT_EQ(ZEBTableRecordAdd(-1, "REC", 1), 65535);
    EXPECT_EQ(Props(db).Capacity, 10);
    EXPECT_EQ(ZEBTableRecordAdd(db, "REC", 0x1FF), 10);
    EXPECT_EQ(Props(db).Capacity, 11);
    EXPECT_EQ(Props(db).RecordCount, 11);
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "REC", "ID", 10), 0);
    ASSERT_TRUE(ZEBSave(db));
    EXPECT_EQ(CheckWordProblems(ReadFile(path), GetParam()), "");
}

TEST_P(RecordCalls, DeleteUndeleteAndReuse) {
    OpenFile db(dir.Write("state.db", BuildImage(RecordsSample(GetParam(), 2))));
    EXPECT_FALSE(ZEBTableRecordDeleted(db, "REC", 2));
    EXPECT_TRUE(ZEBTableRecordChangeDeleted(db, "REC", 2, 0));
    EXPECT_TRUE(ZEBTableRecordDeleted(db, "REC", 2));
    EXPECT_EQ(Props(db).DeletedCount, 1);
    EXPECT_EQ(Props(db).FirstDeleted, 2);
    EXPECT_TRUE(ZEBTableRecordChangeDeleted(db, "REC", 2, 0)) << "already deleted: the state is as asked";
    EXPECT_EQ(Props(db).DeletedCount, 1);
    EXPECT_TRUE(ZEBTableRecordChangeDeleted(db, "REC", 2, 2)) << "2 acts as 1";
    EXPECT_FALSE(ZEBTableRecordDeleted(db, "REC", 2));
    EXPECT_EQ(Props(db).FirstDeleted, 65535);
    EXPECT_TRUE(ZEBTableRecordChangeDeleted(db, "REC", 4, 0x100)) << "low byte 0: deleted";
    EXPECT_TRUE(ZEBTableRecordDeleted(db, "REC", 4));

    EXPECT_EQ(ZEBTableRecordAdd(db, "REC", 0), 4);
    EXPECT_EQ(Props(db).RecordCount, 10);
    EXPECT_FALSE(ZEBTableRecordDeleted(db, "REC", 4));
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "REC", "ID", 4), 0);

    EXPECT_FALSE(ZEBTableRecordDeleted(db, "NONE", 1));
    EXPECT_FALSE(ZEBTableRecordChangeDeleted(db, "REC", 10, 0));
    EXPECT_FALSE(ZEBTableRecordChangeDeleted(db, "REC", -1, 0));
}

TEST_P(RecordCalls, RemoveChecksTheRecordIndex) {
    OpenFile db(dir.Write("remove.db", BuildImage(RecordsSample(GetParam(), 0))));
    EXPECT_FALSE(ZEBTableRecordRemove(db, "REC", 10));
    EXPECT_FALSE(ZEBTableRecordRemove(db, "REC", -1));
    EXPECT_FALSE(ZEBTableRecordRemove(db, "NONE", 0));
    EXPECT_TRUE(ZEBTableRecordRemove(db, "REC", 9));
    EXPECT_TRUE(ZEBTableRecordRemove(db, "REC", 0));
    EXPECT_EQ(Props(db).RecordCount, 8);
    EXPECT_EQ(Props(db).Capacity, 10);
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "REC", "ID", 0), 2);
}

TEST_P(RecordCalls, CompactThenSaveKeepsTheLength) {
    const std::string path = dir.Write("compact.db", BuildImage(RecordsSample(GetParam(), 1)));
    const size_t length = ReadFile(path).size();
    OpenFile db(path);
    for (int r : {1, 5, 6}) ASSERT_TRUE(ZEBTableRecordChangeDeleted(db, "REC", r, 0));
    EXPECT_TRUE(ZEBDatabaseCompact(db));
    EXPECT_FALSE(ZEBDatabaseCompact(-1));
    ASSERT_TRUE(ZEBSave(db));
    const Bytes saved = ReadFile(path);
    EXPECT_EQ(saved.size(), length);
    EXPECT_EQ(CheckWordProblems(saved, GetParam()), "");
    EXPECT_EQ(Props(db).RecordCount, 7);
    EXPECT_EQ(Props(db).DeletedCount, 0);
    for (int r = 0; r < 7; ++r) EXPECT_FALSE(ZEBTableRecordDeleted(db, "REC", r));
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "REC", "ID", 1), 3);
}

}  // namespace

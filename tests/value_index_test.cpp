// The value index inside a table: which bucket a lookup returns and where it
// leaves the current record.
#include <gtest/gtest.h>

#include "engine_helpers.h"
#include "uZEB_Errors.h"

using namespace zebtest;

namespace {

std::unique_ptr<zeb::TzebDatabase> Sample() {
    std::vector<Bytes> records;
    for (int v : {0, 1, 7, 3, 7, 7, 2, 2, 1, 7}) records.push_back(Record(2, {static_cast<uint8_t>(v)}));
    MarkDeleted(records[4]);
    return Load(OneTable(true, 2, {{3, "F", 0, 8}, {4, "FL", 0, 8}}, records));
}

TEST(ValueIndex, LookupsMoveTheCurrentRecordAndReturnTheSameBucket) {
    auto db = Sample();
    zeb::TzebTable &t = *db->GetTable(0);
    bool found = false;
    t.SetCurrentRecord(6);
    EXPECT_EQ(t.FindValue("NONE", 7, found), nullptr);
    EXPECT_FALSE(found);
    EXPECT_EQ(t.CurrentRecord, 6) << "no such field: unchanged";

    zeb::BucketRef seven = t.FindValue("F", 7, found);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(*seven, (zeb::Bucket{2, 5, 9}));
    EXPECT_EQ(t.CurrentRecord, 2);
    EXPECT_EQ(t.FindValue("F", 200, found), nullptr);
    EXPECT_EQ(t.CurrentRecord, 10) << "nothing found: one past the last record";

    t.SetCurrentRecord(5);
    t.GetFieldByName("F")->SetAsInteger(3);
    EXPECT_EQ(*seven, (zeb::Bucket{2, 9}));
    EXPECT_EQ(*t.FindValue("F", 3, found), (zeb::Bucket{3, 5}));
    EXPECT_EQ(t.FindValue("F", 7, found), seven) << "the same bucket object";
}

TEST(ValueIndex, FloatFieldsAndWideFieldsCannotBeLookedUp) {
    auto db = Sample();
    bool found = false;
    EXPECT_THROW(db->GetTable(0)->FindValue("FL", 0, found), zeb::IndexError);
    EXPECT_THROW(db->GetTable(0)->FindValue("F", 256, found), zeb::IndexError);
    EXPECT_THROW(db->GetTable(0)->FindValue("F", -1, found), zeb::IndexError);
}

}  // namespace

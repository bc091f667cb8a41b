// Records: add (reuse, spare slot, growth), remove, delete and undelete,
// compact, in both layouts, and tables whose stored header does not add up.
#include <gtest/gtest.h>

#include <random>

#include "engine_helpers.h"

using namespace zebtest;
using zeb::TzebTable;

namespace {

constexpr uint16_t None = 0xFFFF;

// A record whose first byte is Id, deleted or not.
Bytes Rec(uint16_t Size, uint8_t Id, bool Deleted = false) {
    Bytes r = Record(Size, {Id});
    if (Deleted) MarkDeleted(r);
    return r;
}

// Three tables; the first one is the one changed, the others must move
// along untouched.
DatabaseSpec ThreeTables(bool Crc, std::vector<Bytes> Records, uint16_t Spare = 0) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    const char *names[] = {"MAIN", "SEC", "LAST"};
    for (int i = 0; i < 3; ++i) {
        TableSpec t;
        t.Name = names[i];
        t.RecordSize = 4;
        t.Fields = {{3, "ID", 0, 8}, {3, "V", 8, 16}};
        if (i == 0) {
            t.Records = Records;
            t.SpareSlots = Spare;
        } else {
            t.Records = {Rec(4, static_cast<uint8_t>(100 + i)), Rec(4, static_cast<uint8_t>(110 + i))};
        }
        spec.Tables.push_back(t);
    }
    return spec;
}

std::vector<Bytes> Records(int Count, std::initializer_list<int> Deleted = {}) {
    std::vector<Bytes> out;
    for (int i = 0; i < Count; ++i)
        out.push_back(Rec(4, static_cast<uint8_t>(i + 1), std::find(Deleted.begin(), Deleted.end(), i) != Deleted.end()));
    return out;
}

uint8_t IdOf(const TzebTable &T, int Record) { return T.ReadRecord(static_cast<uint16_t>(Record))[0]; }

// The stored header words agree with the members.
void ExpectStoredCounts(const zeb::TzebDatabase &Db, const TzebTable &T) {
    const Bytes &image = Db.Stream.Buffer();
    EXPECT_EQ(Get16(image, T.HeaderPos + 16), T.Capacity);
    EXPECT_EQ(Get16(image, T.HeaderPos + 18), T.RecordCount);
    EXPECT_EQ(Get16(image, T.HeaderPos + 20), T.DeletedCount);
    EXPECT_EQ(Get16(image, T.HeaderPos + 22), T.GetFirstDeleted());
}

class Layouts : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Records, Layouts, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(Layouts, AddToAFullTableGrowsOnlyWhenAllowed) {
    TempDir dir;
    const Bytes image = BuildImage(ThreeTables(GetParam(), Records(10)));
    const std::string path = dir.Write("grow.db", image);
    zeb::TzebDatabase db(path, GetParam());
    TzebTable &t = *db.GetTable(0);
    EXPECT_EQ(t.AddRecord(false), None);
    EXPECT_EQ(db.Stream.Buffer(), image) << "nothing changed";

    const uint64_t laterHeaders[] = {db.GetTable(1)->HeaderPos, db.GetTable(2)->HeaderPos};
    EXPECT_EQ(t.AddRecord(true), 10);
    EXPECT_EQ(t.Capacity, 11);
    EXPECT_EQ(t.RecordCount, 11);
    EXPECT_EQ(db.Stream.Length(), image.size() + 4);
    EXPECT_EQ(t.ReadRecord(10), Record(4));
    for (int i = 1; i < 3; ++i) {
        const TzebTable &later = *db.GetTable(i);
        EXPECT_EQ(later.HeaderPos, laterHeaders[i - 1] + 4);
        EXPECT_EQ(later.DataPos, later.HeaderPos + (GetParam() ? 36 : 28) + 32);
        EXPECT_EQ(IdOf(later, 1), 110 + i) << "later records read as before";
    }
    ExpectStoredCounts(db, t);
    db.Save();

    const Bytes saved = ReadFile(path);
    EXPECT_EQ(CheckWordProblems(saved, GetParam()), "");
    const size_t entry = GetParam() ? 24 : 4;
    const size_t entrySize = GetParam() ? 8 : 16;
    const size_t offsetAt = GetParam() ? 4 : 8;
    EXPECT_EQ(Get32(saved, entry + entrySize + offsetAt), Get32(image, entry + entrySize + offsetAt) + 4);
    EXPECT_EQ(Get32(saved, entry + 2 * entrySize + offsetAt), Get32(image, entry + 2 * entrySize + offsetAt) + 4);
    if (GetParam()) {
        EXPECT_EQ(Get32(saved, 8), saved.size());
    } else {
        EXPECT_EQ(Get32(saved, entry + 12), Get32(image, entry + 12) + 4) << "the grown table's TableSize";
        EXPECT_EQ(Get32(saved, entry + entrySize + 12), Get32(image, entry + entrySize + 12));
    }

    // The saved file opens again with the grown table.
    zeb::TzebDatabase again(path, GetParam());
    EXPECT_EQ(again.GetTable(0)->Capacity, 11);
    EXPECT_EQ(IdOf(*again.GetTable(2), 0), 102);
}

TEST(Records, GrowthRewritesFileSizeAndHeaderCrcAtOnce) {
    auto db = Load(ThreeTables(true, Records(2)));
    const uint32_t before = Get32(db->Stream.Buffer(), 8);
    ASSERT_EQ(db->GetTable(1)->AddRecord(true), 2);
    const Bytes &image = db->Stream.Buffer();
    EXPECT_EQ(Get32(image, 8), before + 4);
    EXPECT_EQ(Get32(image, 20), ReferenceCrc32(image.data(), 20));
}

TEST_P(Layouts, AddUsesASpareSlotBeforeGrowing) {
    auto db = Load(ThreeTables(GetParam(), Records(10), 2));
    TzebTable &t = *db->GetTable(0);
    const uint32_t length = db->Stream.Length();
    EXPECT_EQ(t.AddRecord(false), 10);
    EXPECT_EQ(t.RecordCount, 11);
    EXPECT_EQ(t.Capacity, 12);
    EXPECT_EQ(db->Stream.Length(), length);
    ExpectStoredCounts(*db, t);
}

TEST_P(Layouts, AddReusesTheFirstDeletedRecord) {
    auto db = Load(ThreeTables(GetParam(), Records(6, {4}), 1));
    TzebTable &t = *db->GetTable(0);
    ASSERT_EQ(t.GetFirstDeleted(), 4);
    EXPECT_EQ(t.AddRecord(false), 4);
    EXPECT_EQ(t.RecordCount, 6);
    EXPECT_EQ(t.DeletedCount, 0);
    EXPECT_EQ(t.GetFirstDeleted(), None);
    EXPECT_EQ(t.ReadRecord(4), Record(4)) << "all zero and live";
    ExpectStoredCounts(*db, t);
}

TEST(Records, AddDoesNotReuseWhenFirstDeletedNamesNoRecord) {
    DatabaseSpec spec = ThreeTables(true, Records(3, {1}), 1);
    spec.Tables[0].FirstDeleted = None;
    auto db = Load(spec);
    EXPECT_EQ(db->GetTable(0)->AddRecord(false), 3);
}

TEST(Records, AddNeverOverwritesALiveRecordThatFirstDeletedNames) {
    DatabaseSpec spec = ThreeTables(true, Records(4, {3}));
    spec.Tables[0].FirstDeleted = 1;  // names a live record
    auto db = Load(spec);
    TzebTable &t = *db->GetTable(0);
    EXPECT_EQ(t.AddRecord(false), 3) << "the record that really is deleted";
    EXPECT_EQ(IdOf(t, 1), 2);
}

TEST(Records, ATableOf65535SlotsNeverGrows) {
    DatabaseSpec spec;
    TableSpec t;
    t.Name = "BIG";
    t.RecordSize = 1;
    t.Records.assign(65535, Bytes{1});
    spec.Tables = {t};
    auto db = Load(spec);
    EXPECT_EQ(db->GetTable(0)->AddRecord(true), None);
    EXPECT_EQ(db->GetTable(0)->Capacity, 65535);
}

struct RemoveCase {
    const char *Name;
    int Count;
    std::vector<int> Deleted;
    int Remove;
    std::vector<int> Ids;  // first bytes of the records afterwards
    uint16_t DeletedCount, FirstDeleted;
};

class Remove : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(Remove, ClosesTheGapAndKeepsFirstDeletedTrue) {
    const RemoveCase &c = GetParam();
    std::vector<Bytes> recs;
    for (int i = 0; i < c.Count; ++i)
        recs.push_back(Rec(4, static_cast<uint8_t>(i + 1), std::find(c.Deleted.begin(), c.Deleted.end(), i) != c.Deleted.end()));
    DatabaseSpec spec = ThreeTables(true, recs);
    auto db = Load(spec);
    TzebTable &t = *db->GetTable(0);
    t.SetCurrentRecord(0);
    const Bytes later = Bytes(db->Stream.Buffer().begin() + static_cast<ptrdiff_t>(db->GetTable(1)->HeaderPos),
                              db->Stream.Buffer().end());
    ASSERT_TRUE(t.RemoveRecord(static_cast<uint16_t>(c.Remove)));
    ASSERT_EQ(t.RecordCount, c.Ids.size());
    for (size_t i = 0; i < c.Ids.size(); ++i) EXPECT_EQ(IdOf(t, static_cast<int>(i)), c.Ids[i]) << i;
    EXPECT_EQ(t.ReadRecord(static_cast<uint16_t>(c.Ids.size())), Record(4)) << "the freed slot is zero";
    EXPECT_EQ(t.Capacity, c.Count);
    EXPECT_EQ(t.DeletedCount, c.DeletedCount);
    EXPECT_EQ(t.GetFirstDeleted(), c.FirstDeleted);
    ExpectStoredCounts(*db, t);
    EXPECT_EQ(Bytes(db->Stream.Buffer().begin() + static_cast<ptrdiff_t>(db->GetTable(1)->HeaderPos),
                    db->Stream.Buffer().end()),
              later);
}

INSTANTIATE_TEST_SUITE_P(
    Records, Remove,
    ::testing::Values(RemoveCase{"Last", 5, {}, 4, {1, 2, 3, 4}, 0, None},
                      RemoveCase{"LiveBeforeADeleted", 5, {4}, 2, {1, 2, 4, 5}, 1, 3},
                      RemoveCase{"DeletedAmongDeleted", 5, {1, 3}, 1, {1, 3, 4, 5}, 1, 2},
                      RemoveCase{"LiveAfterADeleted", 5, {1}, 3, {1, 2, 3, 5}, 1, 1},
                      RemoveCase{"OnlyRecord", 1, {}, 0, {}, 0, None}),
    [](const auto &info) { return info.param.Name; });

TEST(Records, RemoveOutsideTheRecordsChangesNothing) {
    auto db = Load(ThreeTables(true, Records(3), 2));
    const Bytes image = db->Stream.Buffer();
    EXPECT_FALSE(db->GetTable(0)->RemoveRecord(3));
    EXPECT_EQ(db->Stream.Buffer(), image);
}

TEST_P(Layouts, DeleteAndUndelete) {
    auto db = Load(ThreeTables(GetParam(), Records(5, {4})));
    TzebTable &t = *db->GetTable(0);
    t.ChangeDeleted(2, false);
    EXPECT_TRUE(t.IsRecordDeleted(2));
    EXPECT_EQ(t.DeletedCount, 2);
    EXPECT_EQ(t.GetFirstDeleted(), 2) << "the record deleted last is reused first";
    EXPECT_EQ(IdOf(t, 2), 3) << "its contents stay";
    t.ChangeDeleted(2, true);
    EXPECT_FALSE(t.IsRecordDeleted(2));
    EXPECT_EQ(t.DeletedCount, 1);
    EXPECT_EQ(t.GetFirstDeleted(), 4);
    t.ChangeDeleted(4, true);
    EXPECT_EQ(t.DeletedCount, 0);
    EXPECT_EQ(t.GetFirstDeleted(), None);
    ExpectStoredCounts(*db, t);
}

TEST(Records, AskingForTheStateARecordHasChangesNothing) {
    auto db = Load(ThreeTables(true, Records(5, {1})));
    TzebTable &t = *db->GetTable(0);
    const Bytes image = db->Stream.Buffer();
    t.ChangeDeleted(1, false);
    t.ChangeDeleted(2, true);
    t.ChangeDeleted(9, false);  // not a record
    EXPECT_EQ(db->Stream.Buffer(), image);
    EXPECT_EQ(t.DeletedCount, 1);
}

TEST(Records, RecomputeRepairsCountsThatNameNoDeletedRecord) {
    DatabaseSpec spec = ThreeTables(true, Records(4));
    spec.Tables[0].DeletedCount = 2;
    spec.Tables[0].FirstDeleted = 1;
    auto db = Load(spec);
    TzebTable &t = *db->GetTable(0);
    t.RecomputeFirstDeleted(None);
    EXPECT_EQ(t.DeletedCount, 0);
    EXPECT_EQ(t.GetFirstDeleted(), None);
}

TEST_P(Layouts, CompactClosesUpLiveRecordsInOrder) {
    auto db = Load(ThreeTables(GetParam(), Records(5, {1, 3})));
    const uint32_t length = db->Stream.Length();
    db->Compact();
    TzebTable &t = *db->GetTable(0);
    EXPECT_EQ(t.RecordCount, 3);
    EXPECT_EQ(t.Capacity, 5);
    EXPECT_EQ(t.DeletedCount, 0);
    EXPECT_EQ(t.GetFirstDeleted(), None);
    EXPECT_EQ(IdOf(t, 0), 1);
    EXPECT_EQ(IdOf(t, 1), 3);
    EXPECT_EQ(IdOf(t, 2), 5);
    EXPECT_EQ(t.ReadRecord(3), Record(4));
    EXPECT_EQ(t.ReadRecord(4), Record(4));
    EXPECT_EQ(t.CurrentRecord, 3);
    EXPECT_EQ(db->Stream.Length(), length);
    ExpectStoredCounts(*db, t);
}

// Tables whose stored header breaks the rules: nothing is written outside
// their slots, and the deleted count never wraps.
TEST(BrokenHeaders, NoOperationWritesOutsideTheSlots) {
    struct Case {
        const char *Name;
        void (*Apply)(TableSpec &);
    } cases[] = {
        {"RecordCountAboveCapacity", [](TableSpec &t) { t.RecordCount = 9; }},
        {"DeletedCountTooLow", [](TableSpec &t) { t.DeletedCount = 0; }},
        {"DeletedCountTooHigh", [](TableSpec &t) { t.DeletedCount = 65535; }},
        {"FirstDeletedAnywhere", [](TableSpec &t) { t.FirstDeleted = 2; }},
        {"RecordSizeZero", [](TableSpec &t) { t.RecordSize = 0; }},
    };
    for (const Case &c : cases) {
        DatabaseSpec spec = ThreeTables(true, Records(4, {1}));
        c.Apply(spec.Tables[0]);
        auto db = Load(spec);
        TzebTable &t = *db->GetTable(0);
        const Bytes before = db->Stream.Buffer();
        const uint64_t slotsEnd = t.DataPos + uint64_t{t.RecordSize} * t.Capacity;
        std::mt19937 rng(3);
        for (int step = 0; step < 200; ++step) {
            const auto index = static_cast<uint16_t>(rng() % 12);
            switch (rng() % 4) {
            case 0: t.AddRecord(false); break;
            case 1: t.RemoveRecord(index); break;
            case 2: t.ChangeDeleted(index, rng() % 2); break;
            case 3: t.Compact(); break;
            }
            ASSERT_LE(t.DeletedCount, 4) << c.Name;
        }
        const Bytes &after = db->Stream.Buffer();
        ASSERT_EQ(after.size(), before.size()) << c.Name;
        for (size_t i = 0; i < after.size(); ++i) {
            const bool counts = i >= t.HeaderPos + 16 && i < t.HeaderPos + 24;
            const bool slots = i >= t.DataPos && i < slotsEnd;
            if (!counts && !slots) {
                ASSERT_EQ(after[i], before[i]) << c.Name << " byte " << i;
            }
        }
    }
}

// Growing a table after an earlier table was dropped at load: directory
// indexes and list positions differ; the right tables move.
TEST(Records, GrowthAfterADroppedTableMovesTheRightTables) {
    DatabaseSpec spec = ThreeTables(true, Records(2));
    spec.Tables.insert(spec.Tables.begin(), spec.Tables[2]);
    spec.Tables[0].Name = "GONE";
    spec.Tables[0].TableOffset = 1u << 30;  // beyond the end
    for (size_t i = 1; i < 4; ++i) spec.Tables[i].TableOffset.reset();
    // Offsets of the remaining tables as if the dropped block were absent.
    Bytes image = BuildImage(spec);
    TempDir dir;
    const std::string path = dir.Write("dropped.db", image);
    zeb::TzebDatabase db(path, true);
    ASSERT_EQ(db.GetTableCount(), 3);
    TzebTable &main = *db.GetTableByName("MAIN");
    ASSERT_EQ(main.DirIndex, 1);
    EXPECT_EQ(main.AddRecord(true), 2);
    EXPECT_EQ(IdOf(*db.GetTableByName("SEC"), 1), 111);
    EXPECT_EQ(IdOf(*db.GetTableByName("LAST"), 0), 102);
    db.Save();
    const Bytes saved = ReadFile(path);
    EXPECT_EQ(CheckWordProblems(saved, true), "");
    EXPECT_EQ(Get32(saved, 16), 4u);
    EXPECT_EQ(Get32(saved, 24 + 4), 1u << 30) << "the dropped table's entry lies before: unchanged";
    zeb::TzebDatabase again(path, true);
    EXPECT_EQ(IdOf(*again.GetTableByName("LAST"), 1), 112);
}

// A long random sequence of adds, removes and state changes against a plain
// model of the table.
TEST_P(Layouts, RandomSequenceAgreesWithAPlainModel) {
    struct Slot {
        Bytes Data;
    };
    TempDir dir;
    const std::string path = dir.Write("random.db", BuildImage(ThreeTables(GetParam(), Records(6, {2}), 3)));
    zeb::TzebDatabase db(path, GetParam());
    TzebTable &t = *db.GetTable(0);
    std::vector<Bytes> model;
    for (int i = 0; i < t.RecordCount; ++i) model.push_back(t.ReadRecord(static_cast<uint16_t>(i)));
    uint16_t capacity = t.Capacity;
    std::mt19937 rng(11);
    uint8_t nextId = 50;

    for (int step = 0; step < 3000; ++step) {
        const int op = static_cast<int>(rng() % 5);
        if (op == 0) {
            const bool grow = rng() % 2;
            const uint16_t n = t.AddRecord(grow);
            // The model: reuse the lowest-named deleted record, else a spare
            // slot, else grow when allowed.
            auto deleted = [&](const Bytes &r) { return (r.back() & 0x80) != 0; };
            const uint16_t first = t.GetFirstDeleted();
            (void)first;
            int expected = -1;
            bool anyDeleted = std::any_of(model.begin(), model.end(), deleted);
            if (anyDeleted) {
                ASSERT_LT(n, model.size());
                ASSERT_TRUE(deleted(model[n])) << "reuse takes a deleted record";
                expected = n;
                model[n] = Record(4);
            } else if (model.size() < capacity || grow) {
                expected = static_cast<int>(model.size());
                if (model.size() == capacity) ++capacity;
                model.push_back(Record(4));
            }
            ASSERT_EQ(n == None ? -1 : n, expected);
            if (n != None) {
                t.SetCurrentRecord(n);
                t.GetField(0)->SetAsInteger(nextId);
                model[n][0] = nextId++;
            }
        } else if (op == 1 && !model.empty()) {
            const auto i = static_cast<uint16_t>(rng() % model.size());
            ASSERT_TRUE(t.RemoveRecord(i));
            model.erase(model.begin() + i);
        } else if (op <= 3 && !model.empty()) {
            const auto i = static_cast<uint16_t>(rng() % model.size());
            const bool live = rng() % 2;
            t.ChangeDeleted(i, live);
            if (live)
                model[i].back() &= 0x7F;
            else
                model[i].back() |= 0x80;
        } else if (op == 4 && rng() % 20 == 0) {
            db.Compact();
            std::erase_if(model, [](const Bytes &r) { return (r.back() & 0x80) != 0; });
        }

        ASSERT_EQ(t.RecordCount, model.size()) << "step " << step;
        ASSERT_EQ(t.Capacity, capacity);
        uint16_t deletedCount = 0;
        for (size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(t.ReadRecord(static_cast<uint16_t>(i)), model[i]) << "step " << step << " record " << i;
            deletedCount += (model[i].back() & 0x80) ? 1 : 0;
        }
        ASSERT_EQ(t.DeletedCount, deletedCount);
        if (deletedCount == 0)
            ASSERT_EQ(t.GetFirstDeleted(), None);
        else
            ASSERT_TRUE(t.GetFirstDeleted() < model.size() && (model[t.GetFirstDeleted()].back() & 0x80));
        ExpectStoredCounts(db, t);
    }
    db.Save();
    EXPECT_EQ(CheckWordProblems(ReadFile(path), GetParam()), "");
    zeb::TzebDatabase again(path, GetParam());
    for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(again.GetTable(0)->ReadRecord(static_cast<uint16_t>(i)), model[i]);
    EXPECT_EQ(IdOf(*again.GetTable(2), 1), 112);
}

}  // namespace

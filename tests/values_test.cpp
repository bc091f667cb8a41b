// The field value codec: bit-packed numbers, floats as bit patterns, strings
// on whole bytes, and writes that never touch another bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "engine_helpers.h"

using namespace zebtest;
using zeb::TzebField;

namespace {

// A database of one table with a single record holding Bytes, and one field.
struct OneField {
    std::unique_ptr<zeb::TzebDatabase> Db;
    TzebField *Field;
    zeb::TzebTable *Table;

    OneField(uint16_t Type, uint32_t Offset, uint32_t Count, Bytes RecordBytes, int Records = 1) {
        const uint16_t size = static_cast<uint16_t>(RecordBytes.size());
        std::vector<Bytes> records(static_cast<size_t>(Records), Record(size));
        records[0] = RecordBytes;
        Db = Load(OneTable(true, size, {{Type, "F", Offset, Count}}, records));
        Table = Db->GetTable(0);
        Field = Table->GetField(0);
        Table->SetCurrentRecord(0);
    }
    Bytes RecordBytes(int Index = 0) const {
        Bytes out(Table->RecordSize);
        Db->Stream.ReadAt(Table->RecordPos(Index), out.data(), out.size());
        return out;
    }
    // The whole image but the record's field bits.
    Bytes ImageWithoutField() const {
        Bytes image = Db->Stream.Buffer();
        for (uint32_t b = 0; b < Field->BitCount; ++b) {
            const uint64_t bit = Table->RecordPos(0) * 8 + Field->BitOffset + b;
            if (bit / 8 < image.size()) image[bit / 8] &= static_cast<uint8_t>(~(1u << (bit % 8)));
        }
        return image;
    }
};

TEST(NumericField, ReadsTheWindowShiftedAndCut) {
    struct Case {
        uint16_t Type;
        uint32_t Offset, Count;
        Bytes Rec;
        int64_t Value;
    } cases[] = {
        {3, 13, 5, {0, 0xA0, 0x03, 0}, 29},
        {2, 0, 8, {0x80, 0}, -128},
        {3, 0, 8, {0x80, 0}, 128},
        {718, 0, 8, {0x80, 0}, 128},
        {99, 0, 8, {0x80, 0}, 128},  // unknown codes read as unsigned
        {2, 4, 4, {0xF0, 0}, -1},
        {3, 0, 0, {0xFF, 0xFF}, 0},
        {3, 0, 32, {0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFF},
        {2, 0, 32, {0x00, 0x00, 0x00, 0x80}, INT32_MIN},
        // The window reaches the record's last byte, and the byte past it
        // counts as zero.
        {3, 20, 12, {0, 0, 0xF0, 0xFF}, 0xFFF},
        {3, 28, 8, {0, 0, 0, 0xA0}, 0x0A},
        {3, 40, 8, {1, 2, 3, 4}, 0},  // wholly outside the record
    };
    for (const Case &c : cases) {
        OneField f(c.Type, c.Offset, c.Count, c.Rec);
        EXPECT_EQ(f.Field->GetAsInteger(), c.Value) << "type " << c.Type << " bits " << c.Offset << "+" << c.Count;
    }
}

TEST(NumericField, WritesOnlyItsOwnBits) {
    struct Case {
        uint16_t Type;
        uint32_t Offset, Count;
        int64_t Value;
        int64_t ReadBack;
    } cases[] = {
        {3, 13, 5, 6, 6},     {3, 3, 4, 20, 4},        {2, 8, 8, -1, -1},     {2, 8, 8, -300, -44},
        {3, 8, 8, -300, 0xD4}, {3, 0, 0, 12345, 0},    {3, 1, 31, INT64_MAX, 0x7FFFFFFF},
        {2, 5, 64, INT64_MIN, INT64_MIN}, {3, 3, 64, -2, -2}, {2, 7, 57, -3, -3}, {3, 9, 70, -1, -1},
        {3, 25, 12, 0xABC, 0x3C},  // cut by the record's end: 7 bits fit
    };
    for (const Case &c : cases) {
        Bytes rec(12, 0);
        for (size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<uint8_t>(0x5A ^ (i * 37));
        rec.resize(c.Offset == 25 ? 4 : 12);
        OneField f(c.Type, c.Offset, c.Count, rec, 3);
        const Bytes before = f.ImageWithoutField();
        f.Field->SetAsInteger(c.Value);
        EXPECT_EQ(f.Field->GetAsInteger(), c.ReadBack) << c.Offset << "+" << c.Count << " <- " << c.Value;
        EXPECT_EQ(f.ImageWithoutField(), before) << "a bit outside the field changed";
    }
}

TEST(NumericField, WorkedBitPatterns) {
    OneField f(3, 13, 5, {0, 0x1F, 0xFC, 0});
    f.Field->SetAsInteger(6);
    EXPECT_EQ(f.RecordBytes()[1], 0xDF);  // 0xC0 for the field, bits 0 to 4 kept
    EXPECT_EQ(f.RecordBytes()[2], 0xFC);

    OneField deleted(3, 0, 8, {0, 0, 0, 0x80});
    deleted.Field->SetAsInteger(255);
    EXPECT_EQ(deleted.RecordBytes(), (Bytes{0xFF, 0, 0, 0x80})) << "the deleted bit is kept";
}

TEST(FloatField, StoresAndReadsBitPatterns) {
    struct Case {
        uint32_t Pattern;
        float Value;
        const char *Text;
    } cases[] = {
        {0x3FC00000, 1.5f, "1.5"},  {0xBF800000, -1.0f, "-1"},  {0x80000000, -0.0f, "0"},
        {0x7F800000, INFINITY, "INF"}, {0x449A4000, 1234.0f, "1.23E003"},
    };
    for (const Case &c : cases) {
        OneField f(4, 0, 32, {0, 0, 0, 0, 0});
        f.Field->SetAsFloat(c.Value);
        EXPECT_EQ(GetBits(f.RecordBytes(), 0, 32), c.Pattern);
        EXPECT_EQ(std::bit_cast<uint32_t>(f.Field->GetAsFloat()), c.Pattern);
        EXPECT_EQ(f.Field->GetAsInteger(), int64_t{c.Pattern}) << "the raw bits, not sign-extended";
        EXPECT_EQ(f.Field->GetAsString(), c.Text);
    }
}

TEST(FloatField, AFloatIntoAnIntegerFieldStoresItsPattern) {
    OneField wide(3, 0, 32, {0, 0, 0, 0, 0});
    wide.Field->SetAsFloat(1.5f);
    EXPECT_EQ(wide.Field->GetAsInteger(), 1069547520);
    EXPECT_EQ(wide.Field->GetAsFloat(), 1069547520.0f);
    OneField narrow(3, 0, 8, {0x77, 0});
    narrow.Field->SetAsFloat(1.5f);
    EXPECT_EQ(narrow.Field->GetAsInteger(), 0);
}

TEST(StringField, StoresWholeBytesPaddedOrCut) {
    struct Case {
        const char *Set;
        Bytes Stored;
        const char *Read;
    } cases[] = {
        {"ABCDEF", {'A', 'B', 'C', 'D'}, "ABCD"},
        {"A", {'A', 0, 0, 0}, "A"},
        {"", {0, 0, 0, 0}, ""},
        {"ABCD", {'A', 'B', 'C', 'D'}, "ABCD"},
    };
    for (const Case &c : cases) {
        OneField f(0, 8, 32, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
        f.Field->SetAsString(c.Set);
        Bytes expected = {0x11};
        expected.insert(expected.end(), c.Stored.begin(), c.Stored.end());
        expected.push_back(0x66);
        EXPECT_EQ(f.RecordBytes(), expected);
        EXPECT_EQ(f.Field->GetAsString(), c.Read);
    }
    OneField zero(0, 0, 32, {'A', 'B', 0, 0, 0});
    zero.Field->SetAsString(std::string("X\0Y", 3));
    EXPECT_EQ(zero.RecordBytes(), (Bytes{'X', 0, 0, 0, 0})) << "the text ends at its first zero";
}

TEST(StringField, IgnoresShiftAndExtraBitsAndIsClippedToTheRecord) {
    OneField odd(0, 11, 20, {'Q', 'a', 'b', 'c', 'd'});  // bytes 1 to 3
    EXPECT_EQ(odd.Field->GetAsString(), "abc");
    OneField past(0, 16, 64, {'Q', 'R', 'x', 'y'}, 2);  // eight bytes from byte 2 of four
    EXPECT_EQ(past.Field->GetAsString(), "xy");
    const Bytes next = past.RecordBytes(1);
    past.Field->SetAsString("LONGTEXT");
    EXPECT_EQ(past.RecordBytes(), (Bytes{'Q', 'R', 'L', 'O'}));
    EXPECT_EQ(past.RecordBytes(1), next) << "the next record is untouched";
}

TEST(StringField, ReadsAsNumbers) {
    struct Case {
        const char *Text;
        int64_t Integer;
        float Float;
    } cases[] = {{" 42abc", 42, 0.0f}, {"$1F", 31, 0.0f}, {"abc", 0, 0.0f}, {"1.5", 1, 1.5f}, {"-7", -7, -7.0f}};
    for (const Case &c : cases) {
        OneField f(0, 0, 64, Record(8));
        f.Field->SetAsString(c.Text);
        EXPECT_EQ(f.Field->GetAsInteger(), c.Integer) << c.Text;
    }
}

TEST(Field, WritesOfTheWrongKindChangeNothing) {
    OneField number(3, 0, 16, {0x34, 0x12, 0});
    number.Field->SetAsString("99");
    EXPECT_EQ(number.Field->GetAsInteger(), 0x1234);
    OneField text(0, 0, 16, {'1', '2', 0});
    text.Field->SetAsInteger(7);
    text.Field->SetAsFloat(7.0f);
    EXPECT_EQ(text.Field->GetAsString(), "12");
}

TEST(Field, RecordsBeyondTheTableAreNeitherReadNorWritten) {
    OneField f(3, 0, 8, {5, 0}, 2);
    const Bytes image = f.Db->Stream.Buffer();
    for (int32_t record : {2, 3, -1, 70000}) {
        f.Table->SetCurrentRecord(record);
        f.Field->SetAsInteger(9);
        f.Field->SetAsFloat(1.0f);
        EXPECT_EQ(f.Db->Stream.Buffer(), image) << record;
    }
}

// Random widths, offsets and values into random records: the field reads back
// its value cut to its width, and no other bit of the image changes.
TEST(NumericField, RandomWritesTouchNothingElse) {
    std::mt19937_64 rng(42);
    for (int round = 0; round < 300; ++round) {
        const uint16_t size = static_cast<uint16_t>(1 + rng() % 16);
        const int records = 1 + static_cast<int>(rng() % 4);
        std::vector<Bytes> recs;
        for (int r = 0; r < records; ++r) {
            Bytes b(size);
            for (auto &x : b) x = static_cast<uint8_t>(rng());
            recs.push_back(b);
        }
        const uint32_t count = static_cast<uint32_t>(rng() % 65);
        const uint32_t offset = static_cast<uint32_t>(rng() % (size * 8));
        const uint16_t type = rng() % 2 ? 2 : 3;
        auto db = Load(OneTable(rng() % 2, size, {{type, "F", offset, count}}, recs));
        zeb::TzebTable *table = db->GetTable(0);
        const int record = static_cast<int>(rng() % records);
        table->SetCurrentRecord(record);
        const int64_t value = static_cast<int64_t>(rng());
        const Bytes before = db->Stream.Buffer();
        table->GetField(0)->SetAsInteger(value);

        Bytes expected = before;
        const uint64_t base = table->RecordPos(record) * 8 + offset;
        const uint32_t inside = std::min<uint32_t>(count, size * 8 - offset);
        for (uint32_t b = 0; b < inside; ++b) {
            const bool on = b < 64 ? (static_cast<uint64_t>(value) >> b) & 1 : value < 0;
            const uint64_t bit = base + b;
            if (on)
                expected[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
            else
                expected[bit / 8] &= static_cast<uint8_t>(~(1u << (bit % 8)));
        }
        ASSERT_EQ(db->Stream.Buffer(), expected) << "round " << round;
    }
}

}  // namespace

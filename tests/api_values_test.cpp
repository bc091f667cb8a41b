// The six value calls: their checks, the read-back results of the setters,
// and the copy limit of the string getter.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "api_helpers.h"

using namespace zebtest;

namespace {

// Fields of every kind in four-byte-aligned places of a 16-byte record.
DatabaseSpec ValuesSample(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec t;
    t.Name = "VAL";
    t.RecordSize = 16;
    t.Fields = {
        {3, "U4", 0, 4},     {3, "U8", 8, 8},    {2, "S8", 16, 8},  {3, "U32", 32, 32},
        {4, "F32", 64, 32},  {0, "STR", 96, 32}, {2, "S2", 4, 2},   {2, "S1", 6, 1},
    };
    Bytes r0 = Record(16);
    SetBits(r0, 8, 8, 200);
    SetBits(r0, 32, 32, 0x80000000u);
    SetBits(r0, 64, 32, 0x3FC00000u);
    std::memcpy(&r0[12], "ABCD", 4);
    SetBits(r0, 4, 2, 3);  // S2 holds -1
    Bytes r1 = Record(16);
    SetBits(r1, 64, 32, std::bit_cast<uint32_t>(1234.0f));
    std::memcpy(&r1[12], "2.5", 3);
    Bytes r2 = Record(16);
    std::memcpy(&r2[12], "12", 2);
    MarkDeleted(r2);
    t.Records = {r0, r1, r2};
    spec.Tables = {t};
    return spec;
}

class ValueCalls : public ::testing::TestWithParam<bool> {
  protected:
    TempDir dir;
    std::string path = dir.Write("values.db", BuildImage(ValuesSample(GetParam())));
    OpenFile db{path};
};
INSTANTIATE_TEST_SUITE_P(Layouts, ValueCalls, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(ValueCalls, GettersReturnEachForm) {
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", "U8", 0), 200);
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", "U32", 0), INT32_MIN);
    EXPECT_EQ(ZEBFieldGetValueAsFloat(db, "VAL", "F32", 0), 1.5f);
    EXPECT_EQ(ZEBFieldGetValueAsFloat(db, "VAL", "U8", 0), 200.0f);
    EXPECT_EQ(GetString(db, "VAL", "STR", 0), "ABCD");
    EXPECT_EQ(GetString(db, "VAL", "U8", 0), "200");
    EXPECT_EQ(GetString(db, "VAL", "F32", 1), "1.23E003");
    EXPECT_EQ(GetString(db, "VAL", "STR", 2), "12") << "a deleted record reads like any other";
}

TEST_P(ValueCalls, TheStringGetterCopiesAtMostBitCountMinusOneCharacters) {
    EXPECT_EQ(GetString(db, "VAL", "S2", 0), "-") << "two bits holding -1";
    EXPECT_EQ(GetString(db, "VAL", "S1", 0), "");
    EXPECT_EQ(GetString(db, "VAL", "U4", 0), "0");
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    char *p = buffer;
    ASSERT_TRUE(ZEBFieldGetValueAsString(db, "VAL", "STR", 0, &p));
    EXPECT_EQ(std::string(buffer, 5), std::string("ABCD\0", 5));
    EXPECT_EQ(buffer[5], '#');
    EXPECT_EQ(p, buffer) << "the caller's pointer is left as it was";
}

TEST_P(ValueCalls, FailedChecksReturnTheFailureResult) {
    struct Case {
        int32_t Handle;
        const char *Table, *Field;
        int32_t Record;
    } cases[] = {
        {-1, "VAL", "U8", 0}, {db + 7, "VAL", "U8", 0}, {db, "val", "U8", 0}, {db, nullptr, "U8", 0},
        {db, "VAL", "u8", 0}, {db, "VAL", nullptr, 0},  {db, "VAL", "U8", 3}, {db, "VAL", "U8", -1},
    };
    char buffer[64] = "untouched";
    char *p = buffer;
    for (const Case &c : cases) {
        EXPECT_EQ(ZEBFieldGetValueAsInteger(c.Handle, c.Table, c.Field, c.Record), 0);
        EXPECT_EQ(ZEBFieldGetValueAsFloat(c.Handle, c.Table, c.Field, c.Record), 0.0f);
        EXPECT_FALSE(ZEBFieldGetValueAsString(c.Handle, c.Table, c.Field, c.Record, &p));
        EXPECT_FALSE(ZEBFieldSetValueAsInteger(c.Handle, c.Table, c.Field, c.Record, 1));
        EXPECT_FALSE(ZEBFieldSetValueAsFloat(c.Handle, c.Table, c.Field, c.Record, 1.0f));
        EXPECT_FALSE(ZEBFieldSetValueAsString(c.Handle, c.Table, c.Field, c.Record, "1"));
    }
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", "U8", 0), 200) << "nothing was written";
}

TEST_P(ValueCalls, SettersReportWhetherTheFieldReadsBackTheValue) {
    struct Case {
        const char *Field;
        int32_t Record;
        int32_t Value;
        bool Result;
        int32_t Stored;
    } integers[] = {
        {"U4", 0, 20, false, 4}, {"U4", 0, 7, true, 7},      {"S8", 0, -1, true, -1},
        {"U32", 0, -1, false, -1}, {"STR", 2, 12, true, 12}, {"STR", 2, 13, false, 12},
        {"S8", 2, 5, true, 5},   // a deleted record is written like any other
    };
    for (const Case &c : integers) {
        EXPECT_EQ(ZEBFieldSetValueAsInteger(db, "VAL", c.Field, c.Record, c.Value), c.Result) << c.Field;
        EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", c.Field, c.Record), c.Stored) << c.Field;
    }

    EXPECT_TRUE(ZEBFieldSetValueAsFloat(db, "VAL", "F32", 1, 1.5f));
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", "F32", 1), 0x3FC00000);
    EXPECT_FALSE(ZEBFieldSetValueAsFloat(db, "VAL", "U8", 1, 1.5f));
    EXPECT_EQ(ZEBFieldGetValueAsInteger(db, "VAL", "U8", 1), 0) << "the low 8 bits of the pattern";

    struct TextCase {
        const char *Field;
        const char *Value;
        bool Result;
        const char *Stored;
    } texts[] = {
        {"STR", "ABCDEF", false, "ABCD"}, {"STR", "AB", true, "AB"}, {"STR", "ab", true, "ab"},
        {"STR", nullptr, true, ""},       {"U8", "0", true, "0"},    {"U8", "00", false, "0"},
    };
    ASSERT_TRUE(ZEBFieldSetValueAsInteger(db, "VAL", "U8", 0, 0));
    for (const TextCase &c : texts) {
        EXPECT_EQ(ZEBFieldSetValueAsString(db, "VAL", c.Field, 0, c.Value), c.Result) << (c.Value ? c.Value : "null");
        EXPECT_EQ(GetString(db, "VAL", c.Field, 0), c.Stored);
    }
}

TEST_P(ValueCalls, NaNIsStoredExactlyAndReadsBackAsTheSameNaN) {
    const float nan = std::nanf("");
    EXPECT_TRUE(ZEBFieldSetValueAsFloat(db, "VAL", "F32", 0, nan));
    EXPECT_TRUE(std::isnan(ZEBFieldGetValueAsFloat(db, "VAL", "F32", 0)));
    EXPECT_EQ(GetString(db, "VAL", "F32", 0), "NAN");
    EXPECT_FALSE(ZEBFieldSetValueAsFloat(db, "VAL", "U8", 0, nan)) << "the pattern does not fit 8 bits";
    EXPECT_TRUE(ZEBSave(db));
}

#ifndef _WIN32  // Windows reads the user's regional settings: tests/windows/
// The float conversion of text follows the locale the environment names at
// the time of the call.
TEST_P(ValueCalls, TextReadsAsAFloatWithTheLocalesSeparator) {
    EXPECT_EQ(ZEBFieldGetValueAsFloat(db, "VAL", "STR", 1), 2.5f);
    const char *saved = getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const float withComma = ZEBFieldGetValueAsFloat(db, "VAL", "STR", 1);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 1, "2,5"));
    const float commaText = ZEBFieldGetValueAsFloat(db, "VAL", "STR", 1);
    if (saved)
        setenv("LC_ALL", restore.c_str(), 1);
    else
        unsetenv("LC_ALL");
    if (commaText == 0.0f) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    EXPECT_EQ(withComma, 0.0f);
    EXPECT_EQ(commaText, 2.5f);
}
#endif

}  // namespace

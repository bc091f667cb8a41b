#include <gtest/gtest.h>

#include <cstring>

#include "fixture_builder.h"
#include "uDBHash.h"

namespace {

const char *const Check = "123456789";

TEST(Checksum, KnownAnswers) {
    EXPECT_EQ(zeb::CalcCrc32(Check, 9, 0xFFFFFFFFu), 0x0376E6E7u);
    EXPECT_EQ(zeb::CalcCrc32(Check, 0, 0xFFFFFFFFu), 0xFFFFFFFFu);
    EXPECT_EQ(zeb::CalcCrc32(Check, 0, 0x12345678u), 0x12345678u);
    EXPECT_EQ(zeb::CalcByteSum(Check, 9), 477u);
    EXPECT_EQ(zeb::CalcByteSum(Check, 0), 0u);
    EXPECT_EQ(zeb::CalcByteSum(Check, -5), 0u);
}

TEST(Checksum, ChainedRangesEqualOnePass) {
    EXPECT_EQ(zeb::CalcCrc32(Check + 5, 4, zeb::CalcCrc32(Check, 5, 0xFFFFFFFFu)), 0x0376E6E7u);
}

TEST(Checksum, AgreesWithReferenceOnRandomData) {
    std::vector<uint8_t> data(4099);
    uint32_t x = 12345;
    for (auto &b : data) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
    for (size_t len : {1u, 7u, 64u, 1000u, 4099u}) {
        EXPECT_EQ(zeb::CalcCrc32(data.data(), static_cast<uint32_t>(len), 0xFFFFFFFFu),
                  zebtest::ReferenceCrc32(data.data(), len));
        EXPECT_EQ(zeb::CalcByteSum(data.data(), static_cast<int32_t>(len)), zebtest::ReferenceByteSum(data.data(), len));
    }
}

}  // namespace

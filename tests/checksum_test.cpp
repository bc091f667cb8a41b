#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "fixture_builder.h"
#include "uDBHash.h"
#include "uDBHash_Paths.h"
#include "uDBHash_Poly.h"

namespace {

using zeb::dbhash::CrcPath;
using zeb::dbhash::SumPath;

const char *const Check = "123456789";

std::vector<uint8_t> RandomBytes(size_t Count, uint32_t Seed) {
    std::mt19937 rng(Seed);
    std::vector<uint8_t> bytes(Count);
    for (auto &b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

// A range of a random buffer: Offset spans every alignment up to a 64-byte line.
struct Range {
    size_t Offset, Length;
};

// Every length up to 130 at every alignment, every length up to 600 at one
// alignment each (past each folding width and its tail), and random lengths up
// to a few thousand at every alignment.
std::vector<Range> RangesToCheck() {
    std::vector<Range> ranges;
    for (size_t offset = 0; offset < 64; ++offset)
        for (size_t length = 0; length <= 130; ++length) ranges.push_back({offset, length});
    for (size_t length = 131; length <= 600; ++length) ranges.push_back({length % 64, length});
    std::mt19937 rng(7);
    std::uniform_int_distribution<size_t> length(601, 4200);
    for (size_t offset = 0; offset < 64; ++offset)
        for (int i = 0; i < 6; ++i) ranges.push_back({offset, length(rng)});
    return ranges;
}

constexpr size_t BufferSize = 64 + 4200;

// ---------------------------------------------------------------------------
// The CRC, once per path: each test forces the path, so the table and slicing
// paths are tested on a CPU that would choose a folding one.

struct CrcPathCase {
    CrcPath Path;
    const char *Name;
};

const CrcPathCase CrcPaths[] = {
    {CrcPath::Table, "Table"},       {CrcPath::Slicing16, "Slicing16"}, {CrcPath::Clmul128, "Clmul128"},
    {CrcPath::Clmul256, "Clmul256"}, {CrcPath::Clmul512, "Clmul512"},
};

void PrintTo(const CrcPathCase &c, std::ostream *os) { *os << c.Name; }

class CrcPathTest : public testing::TestWithParam<CrcPathCase> {
protected:
    void SetUp() override {
        const CrcPath before = zeb::dbhash::ActiveCrcPath();
        if (!zeb::dbhash::ForceCrcPath(GetParam().Path)) {
            EXPECT_EQ(zeb::dbhash::ActiveCrcPath(), before) << "a refused path must not change the choice";
            GTEST_SKIP() << "this CPU cannot run " << GetParam().Name;
        }
    }
    void TearDown() override { zeb::dbhash::UseFastestPaths(); }
};

TEST_P(CrcPathTest, ForcedPathIsTheOneInUse) { EXPECT_EQ(zeb::dbhash::ActiveCrcPath(), GetParam().Path); }

TEST_P(CrcPathTest, KnownAnswers) {
    EXPECT_EQ(zeb::CalcCrc32(Check, 9, 0xFFFFFFFFu), 0x0376E6E7u);
    EXPECT_EQ(zeb::CalcCrc32(Check, 0, 0xFFFFFFFFu), 0xFFFFFFFFu);
    EXPECT_EQ(zeb::CalcCrc32(Check, 0, 0x12345678u), 0x12345678u);
    EXPECT_EQ(zeb::CalcCrc32(Check + 5, 4, zeb::CalcCrc32(Check, 5, 0xFFFFFFFFu)), 0x0376E6E7u);
}

TEST_P(CrcPathTest, AgreesWithReferenceAndTableAtEveryAlignment) {
    const auto data = RandomBytes(BufferSize, 1);
    std::mt19937 rng(2);
    for (const Range &r : RangesToCheck()) {
        const uint8_t *p = data.data() + r.Offset;
        const auto length = static_cast<uint32_t>(r.Length);
        ASSERT_EQ(zeb::CalcCrc32(p, length, 0xFFFFFFFFu), zebtest::ReferenceCrc32(p, r.Length))
            << "offset " << r.Offset << " length " << r.Length;
        // Any running value, as chained ranges pass.
        const uint32_t running = rng();
        ASSERT_EQ(zeb::CalcCrc32(p, length, running), zeb::dbhash::Crc32Table(p, r.Length, running))
            << "offset " << r.Offset << " length " << r.Length << " running value " << running;
    }
}

TEST_P(CrcPathTest, ChainedRangesEqualOnePass) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<size_t> pieceLength(0, 700);
    for (uint32_t seed = 0; seed < 20; ++seed) {
        const auto data = RandomBytes(5000 + seed * 37, seed);
        uint32_t crc = 0xFFFFFFFFu;
        std::vector<size_t> cuts;
        for (size_t at = 0; at < data.size();) {
            const size_t length = std::min(pieceLength(rng), data.size() - at);
            crc = zeb::CalcCrc32(data.data() + at, static_cast<uint32_t>(length), crc);
            cuts.push_back(at += length);
        }
        EXPECT_EQ(crc, zebtest::ReferenceCrc32(data.data(), data.size())) << "pieces ending at " << testing::PrintToString(cuts);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, CrcPathTest, testing::ValuesIn(CrcPaths),
                         [](const testing::TestParamInfo<CrcPathCase> &info) { return info.param.Name; });

// ---------------------------------------------------------------------------
// The byte sum, once per path.

struct SumPathCase {
    SumPath Path;
    const char *Name;
};

const SumPathCase SumPaths[] = {{SumPath::Plain, "Plain"}, {SumPath::Sse2, "Sse2"}, {SumPath::Avx2, "Avx2"}};

void PrintTo(const SumPathCase &c, std::ostream *os) { *os << c.Name; }

class SumPathTest : public testing::TestWithParam<SumPathCase> {
protected:
    void SetUp() override {
        const SumPath before = zeb::dbhash::ActiveSumPath();
        if (!zeb::dbhash::ForceSumPath(GetParam().Path)) {
            EXPECT_EQ(zeb::dbhash::ActiveSumPath(), before) << "a refused path must not change the choice";
            GTEST_SKIP() << "this CPU cannot run " << GetParam().Name;
        }
    }
    void TearDown() override { zeb::dbhash::UseFastestPaths(); }
};

TEST_P(SumPathTest, ForcedPathIsTheOneInUse) { EXPECT_EQ(zeb::dbhash::ActiveSumPath(), GetParam().Path); }

TEST_P(SumPathTest, KnownAnswers) {
    EXPECT_EQ(zeb::CalcByteSum(Check, 9), 477u);
    EXPECT_EQ(zeb::CalcByteSum(Check, 0), 0u);
    EXPECT_EQ(zeb::CalcByteSum(Check, -5), 0u);
    EXPECT_EQ(zeb::CalcByteSum(Check, INT32_MIN), 0u);
}

TEST_P(SumPathTest, AgreesWithReferenceAtEveryAlignment) {
    const auto data = RandomBytes(BufferSize, 4);
    for (const Range &r : RangesToCheck()) {
        const uint8_t *p = data.data() + r.Offset;
        ASSERT_EQ(zeb::CalcByteSum(p, static_cast<int32_t>(r.Length)), zebtest::ReferenceByteSum(p, r.Length))
            << "offset " << r.Offset << " length " << r.Length;
    }
}

TEST_P(SumPathTest, WrapsModulo2To32) {
    // 0xFF bytes past 2^32 / 255: the sum leaves 32 bits and must wrap, not saturate or lose lanes.
    const size_t length = 16843009 + 1234;
    const std::vector<uint8_t> data(length, 0xFF);
    EXPECT_EQ(zeb::CalcByteSum(data.data(), static_cast<int32_t>(length)), static_cast<uint32_t>(uint64_t{255} * length));
}

INSTANTIATE_TEST_SUITE_P(Paths, SumPathTest, testing::ValuesIn(SumPaths),
                         [](const testing::TestParamInfo<SumPathCase> &info) { return info.param.Name; });

// ---------------------------------------------------------------------------
// The polynomial arithmetic behind the folding constants.

TEST(CrcPolynomial, PowersOfXMatchTheTableCrcOfASingleBit) {
    // The CRC from 0 of a range whose only set bit is k - 32 bits before its end is x^k mod P.
    for (unsigned k = 0; k < 32; ++k) EXPECT_EQ(zeb::dbhash::XPowModP(k), 1u << k) << "k " << k;
    for (unsigned k = 32; k <= 2200; ++k) {
        const unsigned bitsBeforeEnd = k - 32;
        std::vector<uint8_t> range(bitsBeforeEnd / 8 + 1, 0);
        range[0] = static_cast<uint8_t>(1u << (bitsBeforeEnd % 8));
        EXPECT_EQ(zeb::dbhash::XPowModP(k), zeb::dbhash::Crc32Table(range.data(), range.size(), 0)) << "k " << k;
    }
}

TEST(CrcPolynomial, BarrettConstantIsTheQuotientOfXTo64ByP) {
    // mu·P must equal x^64 plus a remainder of degree below 32.
    const uint64_t mu = zeb::dbhash::BarrettMu;
    const uint64_t p = (uint64_t{1} << 32) | 0x04C11DB7u;
    uint64_t low = 0, high = 0;
    for (int i = 0; i < 64; ++i) {
        if (!((mu >> i) & 1)) continue;
        low ^= p << i;
        if (i > 0) high ^= p >> (64 - i);
    }
    EXPECT_EQ(high, 1u);
    EXPECT_LT(low, uint64_t{1} << 32);
}

// The automatic choice, as the library uses it without any forcing.
TEST(Checksum, FastestPathsGiveTheKnownAnswers) {
    zeb::dbhash::UseFastestPaths();
    EXPECT_TRUE(zeb::dbhash::CpuSupports(zeb::dbhash::ActiveCrcPath()));
    EXPECT_TRUE(zeb::dbhash::CpuSupports(zeb::dbhash::ActiveSumPath()));
    EXPECT_EQ(zeb::CalcCrc32(Check, 9, 0xFFFFFFFFu), 0x0376E6E7u);
    EXPECT_EQ(zeb::CalcByteSum(Check, 9), 477u);
}

}  // namespace

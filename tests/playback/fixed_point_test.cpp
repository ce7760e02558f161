#include "music/fixed_point.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace ostinel {
namespace {

__extension__ using Wide = __int128;  // the 128-bit reference

std::int32_t ReferenceMul(std::int32_t a, std::int32_t b) {
    const Wide product = static_cast<Wide>(a) * b + 32768;
    // Arithmetic shift of the exact product, then the 32-bit wrap of the word.
    const Wide shifted = product >= 0 ? product / 65536 : -((-product + 65535) / 65536);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(shifted)));
}

Wide ReferenceDiv(std::uint32_t a, std::uint32_t b) {
    return (static_cast<Wide>(a) * 65536 + b / 2) / b;
}

TEST(FixedPoint, MultiplyMatchesWideArithmeticOnEdges) {
    const std::vector<std::int32_t> edges = {0,
                                             1,
                                             -1,
                                             32767,
                                             32768,
                                             -32768,
                                             65535,
                                             65536,
                                             -65536,
                                             65537,
                                             4096,
                                             4096 * 16,
                                             -65537,
                                             1 << 30,
                                             -(1 << 30),
                                             std::numeric_limits<std::int32_t>::max(),
                                             std::numeric_limits<std::int32_t>::min()};
    for (std::int32_t a : edges) {
        for (std::int32_t b : edges) {
            EXPECT_EQ(fixmul16(a, b), ReferenceMul(a, b)) << a << " * " << b;
        }
    }
}

TEST(FixedPoint, MultiplyMatchesWideArithmeticOnRandomValues) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::uniform_int_distribution<std::int32_t> small(-(1 << 20), 1 << 20);
    for (int i = 0; i < 500000; ++i) {
        const std::int32_t a = (i & 1) ? any(random) : small(random);
        const std::int32_t b = (i & 2) ? any(random) : small(random);
        ASSERT_EQ(fixmul16(a, b), ReferenceMul(a, b)) << a << " * " << b;
    }
}

TEST(FixedPoint, MultiplyRoundsHalvesUp) {
    EXPECT_EQ(fixmul16(1, 32768), 1);   // 0.5 → 1
    EXPECT_EQ(fixmul16(1, 32767), 0);   // just below a half
    EXPECT_EQ(fixmul16(-1, 32768), 0);  // −0.5 → 0
    EXPECT_EQ(fixmul16(1000, 4096 * 16), 1000);
    EXPECT_EQ(fixmul16(1000, 2048 * 16), 500);
}

TEST(FixedPoint, DivideIsExactWhileRemainderIsSmall) {
    std::mt19937 random(777);
    std::uniform_int_distribution<std::uint32_t> any(0, 0x7FFFFFFF);
    std::uniform_int_distribution<std::uint32_t> divisor(1, 1 << 16);
    int checked = 0;
    for (int i = 0; i < 500000; ++i) {
        const std::uint32_t a = (i & 1) ? any(random) : any(random) & 0xFFFF;
        const std::uint32_t b = (i & 2) ? any(random) | 1 : divisor(random);
        const Wide exact = ReferenceDiv(a, b);
        if (exact > 0xFFFFFFFF) continue;            // does not fit the 32-bit result
        if (a >= 65536 && a % b >= 65536) continue;  // the scaled branch, checked below
        ASSERT_EQ(static_cast<Wide>(fixdiv16(a, b)), exact) << a << " / " << b;
        ++checked;
    }
    EXPECT_GT(checked, 300000);
}

TEST(FixedPoint, DivideWithLargeRemainderStaysWithinTwo) {
    std::mt19937 random(4242);
    std::uniform_int_distribution<std::uint32_t> any(65536, 0x7FFFFFFF);
    int checked = 0;
    for (int i = 0; i < 500000; ++i) {
        const std::uint32_t a = any(random);
        const std::uint32_t b = any(random);
        if (a % b < 65536) continue;
        const Wide exact = ReferenceDiv(a, b);
        if (exact > 0xFFFFFFFF) continue;
        const Wide got = fixdiv16(a, b);
        ASSERT_LE(got > exact ? got - exact : exact - got, 2) << a << " / " << b;
        ++checked;
    }
    EXPECT_GT(checked, 100000);
}

TEST(FixedPoint, DivideEdges) {
    EXPECT_EQ(fixdiv16(0, 1), 0u);
    EXPECT_EQ(fixdiv16(1, 1), 65536u);
    EXPECT_EQ(fixdiv16(1, 2), 32768u);
    EXPECT_EQ(fixdiv16(1, 3), 21845u);  // 21845.33
    EXPECT_EQ(fixdiv16(2, 3), 43691u);  // 43690.67
    EXPECT_EQ(fixdiv16(65535, 65536), 65535u);
    EXPECT_EQ(fixdiv16(65536, 65536), 65536u);
    EXPECT_EQ(fixdiv16(1000, 4096 * 16), 1000u * 65536 / 65536);  // speed 1.0: unchanged
    EXPECT_EQ(fixdiv16(1000, 2048 * 16), 2000u);                  // half speed: twice as long
    // The rounding sum passes 2^32 here; a 32-bit sum would give 0.
    EXPECT_EQ(fixdiv16(65535, 131072), 32768u);
    EXPECT_EQ(fixdiv16(65535, 0x7FFFFFFF), 2u);
}

}  // namespace
}  // namespace ostinel

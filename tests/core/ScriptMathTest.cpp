#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CoreTestSupport.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "core/ScriptMath.h"
#include "core/SpeedScale.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

TEST(ScriptMath, MinAndMaxKeepTheFirstArgumentOnTiesAndUnorderedValues) {
    EXPECT_TRUE(std::isnan(MinOf(NaN, 1.0f)));
    EXPECT_EQ(MinOf(1.0f, NaN), 1.0f);
    EXPECT_TRUE(std::isnan(MaxOf(NaN, 1.0f)));
    EXPECT_EQ(MaxOf(1.0f, NaN), 1.0f);
    // -0 and +0 are equal: the first one stays.
    EXPECT_TRUE(std::signbit(MinOf(-0.0f, 0.0f)));
    EXPECT_FALSE(std::signbit(MaxOf(0.0f, -0.0f)));
    EXPECT_EQ(MinOf(0xFFFFFFFFu, 1u), 1u);
    EXPECT_EQ(MaxOf(-5, 3), 3);
}

TEST(ScriptMath, MinMaxClampsAndPrefersTheLowEndWhenTheRangeIsEmpty) {
    struct Case { int low, value, high, expected; };
    for (Case c : {Case {0, 15, 10, 10}, Case {0, -3, 10, 0}, Case {20, 5, 10, 20}, Case {0, 5, 10, 5}}) {
        EXPECT_EQ(MinMaxOf(c.low, c.value, c.high), c.expected) << c.low << " " << c.value << " " << c.high;
    }
    EXPECT_EQ(MinMaxOf(2u, 0xFFFFFFFFu, 7u), 7u);
    EXPECT_EQ(MinMaxOf(0.0f, NaN, 1.0f), 0.0f);  // min(NaN, 1) is NaN, max(0, NaN) keeps 0
}

TEST(ScriptMath, RoundAddsAHalfAndTruncatesAndNeverLeavesTheIntRange) {
    struct Case { float value; int32_t expected; };
    for (Case c : {Case {2.5f, 3}, Case {-2.5f, -2}, Case {-1.6f, -1}, Case {-0.7f, 0}, Case {0.49999997f, 0},
                   Case {1e10f, INT32_MAX}, Case {-1e10f, INT32_MIN}, Case {Inf, INT32_MAX}, Case {-Inf, INT32_MIN},
                   Case {NaN, 0}, Case {2147483520.0f, 2147483520}, Case {-2147483648.0f, -2147483647}}) {
        EXPECT_EQ(RoundToInt(c.value), c.expected) << c.value;
    }
}

TEST(ScriptMath, AbsoluteValues) {
    EXPECT_EQ(AbsInt(INT32_MIN), INT32_MIN);
    EXPECT_EQ(AbsInt(-7), 7);
    EXPECT_EQ(AbsInt(INT32_MAX), INT32_MAX);
    EXPECT_EQ(AbsFloat(-0.0f), -0.0f);
    EXPECT_EQ(AbsFloat(-3.5f), 3.5f);
    EXPECT_TRUE(std::isnan(AbsFloat(NaN)));
    EXPECT_EQ(NarrowToFloat(1e300), Inf);
    EXPECT_EQ(NarrowToFloat(-1e300), -Inf);
    EXPECT_EQ(NarrowToFloat(0.5), 0.5f);
}

// The C library's generator from seed 1 draws 41, 18467, 6334, 26500, 19169.
TEST(ScriptRandom, CStyleGeneratorMatchesTheCLibrarySequence) {
    CRandGenerator generator;
    generator.Seed(1);
    for (uint32_t expected : {41u, 18467u, 6334u, 26500u, 19169u}) EXPECT_EQ(generator.Draw(), expected);
}

TEST(ScriptRandom, HelpersTakeTheirBitsFromTheDrawsInOrder) {
    CRandGenerator generator;
    generator.Seed(1);
    // Draws 41 (0x29), 18467 (0x4823), 6334 (0x18BE), 26500 (0x6784): r2 r1 r3 r4 low bytes.
    EXPECT_EQ(RandomUint(generator), 0x2329BE84u);
    generator.Seed(1);
    EXPECT_FALSE(RandomBool(generator));  // 41 = 0b101001, bit 2 clear
    EXPECT_FALSE(RandomBool(generator));  // 18467 = ...100011
    EXPECT_TRUE(RandomBool(generator));   // 6334 = ...0111110
    generator.Seed(1);
    EXPECT_FLOAT_EQ(RandomFloat(generator), 41.0f * 3.051851e-5f);
    generator.Seed(1);
    EXPECT_FLOAT_EQ(RandomFloatRange(generator, 2.0f, 4.0f), 41.0f * 3.051851e-5f * 2.0f + 2.0f);

    CRandGenerator maximum;
    maximum.Seed(0);
    for (int i = 0; i < 100000; ++i) {
        float value = RandomFloat(maximum);
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST(ScriptRandom, UintRangeCoversDegenerateAndFullRanges) {
    CRandGenerator generator;
    generator.Seed(12345);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(RandomUintRange(generator, 5, 5), 5u);
    for (int i = 0; i < 1000; ++i) {
        uint32_t value = RandomUintRange(generator, 10, 13);
        ASSERT_GE(value, 10u);
        ASSERT_LE(value, 13u);
    }
    // A zero modulus (high = low - 1) gives A xor B itself.
    CRandGenerator copy;
    copy.Seed(99);
    uint32_t a = RandomUint(copy);
    uint32_t b = RandomUint(copy);
    generator.Seed(99);
    EXPECT_EQ(RandomUintRange(generator, 0, 0xFFFFFFFFu), a ^ b);
    generator.Seed(99);
    EXPECT_EQ(RandomUintRange(generator, 7, 6), a ^ b);
}

TEST(ScriptRandom, NormalGeneratorStepsThreeTimesAndTakesItsSignFromTheThird) {
    auto step = [](uint32_t v) { return v * 0x0BB38435u + 0x3619636Bu; };
    for (uint32_t seed : {0u, 1u, 0xDEADBEEFu, 0x7FFFFFFFu, 12345678u}) {
        NormalGenerator generator;
        generator.Seed(seed);
        uint32_t a = step(seed), b = step(a), c = step(b);
        float value = generator.Next(2.0f);
        EXPECT_EQ(generator.State(), c);
        double u1 = static_cast<double>(a) / 4294967296.0;
        double u2 = static_cast<double>(b) / 4294967296.0;
        double magnitude = std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2) * 2.0;
        EXPECT_NEAR(value, c < 0x7FFFFFFFu ? -magnitude : magnitude, 1e-4 * (1.0 + std::fabs(magnitude))) << seed;
    }
    // A first step of 0 makes the logarithm minus infinity.
    uint32_t inverse = 0x0BB38435u;  // Newton's iteration for the multiplier's inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - 0x0BB38435u * inverse;
    uint32_t before = (0u - 0x3619636Bu) * inverse;
    ASSERT_EQ(step(before), 0u);
    NormalGenerator generator;
    generator.Seed(before);
    EXPECT_TRUE(std::isinf(generator.Next(1.0f)));
    generator.Seed(before);
    EXPECT_TRUE(std::isnan(generator.Next(0.0f)));
}

TEST(ScriptRandom, ProcessSeedingReadsTheTickCountTwice) {
    struct CountingClock : coretest::ManualClock {
        uint32_t TickCount() override { return ++Ticks; }
        uint32_t Ticks { 41 };
    } clock;
    SeedProcessGenerators(clock);
    EXPECT_EQ(ProcessCRandGenerator().State(), 42u);
    EXPECT_EQ(ProcessNormalGenerator().State(), 43u);
}

TEST(SpeedScale, PositionsSpanTheWholePeriodRange) {
    EXPECT_FLOAT_EQ(PeriodToPosition(ShortestIterationPeriod), 1.0f);
    EXPECT_FLOAT_EQ(PeriodToPosition(LongestIterationPeriod), 0.0f);
    EXPECT_NEAR(PeriodToPosition(1.0f), 1.0f / 6.0f, 1e-6);
    EXPECT_EQ(PeriodToPosition(1e-9f), 1.0f);  // beyond the ends: clamped like the track bar
    EXPECT_EQ(PeriodToPosition(100.0f), 0.0f);
    EXPECT_NEAR(PositionToPeriod(1.0f), 1e-5f, 1e-10);
    EXPECT_NEAR(PositionToPeriod(0.0f), 10.0f, 1e-5);
    EXPECT_EQ(ClampIterationPeriod(NaN), LongestIterationPeriod);
    EXPECT_EQ(ClampIterationPeriod(-1.0f), ShortestIterationPeriod);
    EXPECT_EQ(ClampTrackPosition(NaN), 1.0f);
}

}  // namespace

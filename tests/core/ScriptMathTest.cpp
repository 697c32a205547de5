#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CoreTestSupport.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "core/ScriptMath.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

TEST(ScriptMath, EdgesOfMinMaxRoundAndAbs) {
    EXPECT_TRUE(std::isnan(MinOf(NaN, 1.0f)));
    EXPECT_EQ(MinOf(1.0f, NaN), 1.0f);
    EXPECT_EQ(MaxOf(1.0f, NaN), 1.0f);
    EXPECT_TRUE(std::signbit(MinOf(-0.0f, 0.0f)));  // ties keep the first
    EXPECT_EQ(MinMaxOf(0.0f, NaN, 1.0f), 0.0f);
    EXPECT_EQ(MinMaxOf(20, 5, 10), 20);  // an empty range gives the low end
    EXPECT_EQ(AbsInt(INT32_MIN), INT32_MIN);
    EXPECT_TRUE(std::isnan(AbsFloat(NaN)));
    EXPECT_EQ(NarrowToFloat(-1e300), -Inf);
    struct Case { float value; int32_t expected; };
    for (Case c : {Case {2.5f, 3}, Case {-2.5f, -2}, Case {-1.6f, -1}, Case {-0.7f, 0}, Case {0.49999997f, 0},
                   Case {1e10f, INT32_MAX}, Case {-Inf, INT32_MIN}, Case {NaN, 0}, Case {-2147483648.0f, -2147483647}})
        EXPECT_EQ(RoundToInt(c.value), c.expected) << c.value;
}

// Seed 1 draws 41, 18467, 6334, 26500, 19169, as the C library's generator does.
TEST(ScriptRandom, DrawsAndHelpersMatchTheCLibraryGenerator) {
    CRandGenerator generator;
    generator.Seed(1);
    for (uint32_t expected : {41u, 18467u, 6334u, 26500u, 19169u}) EXPECT_EQ(generator.Draw(), expected);
    generator.Seed(1);
    EXPECT_EQ(RandomUint(generator), 0x2329BE84u);  // low bytes of draws 2, 1, 3, 4
    EXPECT_FALSE(RandomBool(generator));            // 19169: bit 2 clear
    EXPECT_TRUE(RandomBool(generator));             // 15724: bit 2 set
    generator.Seed(1);
    EXPECT_EQ(RandomFloatRange(generator, 2.0f, 4.0f), 41.0f * 3.051851e-5f * 2.0f + 2.0f);

    generator.Seed(12345);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(RandomUintRange(generator, 5, 5), 5u);
        uint32_t value = RandomUintRange(generator, 10, 13);
        ASSERT_TRUE(value >= 10 && value <= 13) << value;
    }
    // A zero modulus (high = low - 1) gives A xor B itself.
    CRandGenerator copy;
    copy.Seed(99);
    uint32_t a = RandomUint(copy);
    uint32_t b = RandomUint(copy);
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
        double magnitude = std::sqrt(-2.0 * std::log(a / 4294967296.0)) * std::cos(2.0 * M_PI * (b / 4294967296.0)) * 2.0;
        EXPECT_NEAR(value, c < 0x7FFFFFFFu ? -magnitude : magnitude, 1e-4 * (1.0 + std::fabs(magnitude))) << seed;
    }
    uint32_t inverse = 0x0BB38435u;  // Newton's iteration for the multiplier's inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - 0x0BB38435u * inverse;
    NormalGenerator zero;  // a first step of 0: the logarithm is minus infinity
    zero.Seed((0u - 0x3619636Bu) * inverse);
    EXPECT_TRUE(std::isinf(zero.Next(1.0f)));
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

}  // namespace

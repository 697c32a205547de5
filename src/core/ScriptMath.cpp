#include "core/ScriptMath.h"

#include <cmath>
#include <limits>

#include "core/CRandGenerator.h"
#include "core/DriverClock.h"
#include "core/NormalGenerator.h"

namespace core {

namespace {

// 1/32767 as the float factor the random helpers have always used.
constexpr float DrawScale = 3.051851e-5f;

}  // namespace

void SeedProcessGenerators(DriverClock& clock) {
    ProcessCRandGenerator().Seed(clock.TickCount());
    ProcessNormalGenerator().Seed(clock.TickCount());
}

int32_t AbsInt(int32_t value) {
    if (value >= 0) return value;
    // 0 - value in unsigned arithmetic wraps INT_MIN onto itself instead of overflowing.
    return static_cast<int32_t>(0u - static_cast<uint32_t>(value));
}

float AbsFloat(float value) { return value >= 0.0f ? value : -value; }

int32_t RoundToInt(float value) {
    double shifted = std::trunc(static_cast<double>(value) + 0.5);
    if (std::isnan(shifted)) return 0;
    if (shifted >= 2147483647.0) return INT32_MAX;
    if (shifted <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(shifted);
}

bool RandomBool(CRandGenerator& generator) { return (generator.Draw() & 4u) != 0; }

uint32_t RandomUint(CRandGenerator& generator) {
    uint32_t r1 = generator.Draw();
    uint32_t r2 = generator.Draw();
    uint32_t r3 = generator.Draw();
    uint32_t r4 = generator.Draw();
    return ((r2 & 0xFFu) << 24) | ((r1 & 0xFFu) << 16) | ((r3 & 0xFFu) << 8) | (r4 & 0xFFu);
}

float RandomFloat(CRandGenerator& generator) { return static_cast<float>(generator.Draw()) * DrawScale; }

uint32_t RandomUintRange(CRandGenerator& generator, uint32_t low, uint32_t high) {
    uint32_t a = RandomUint(generator);
    uint32_t b = RandomUint(generator);
    uint32_t modulus = high - low + 1u;
    if (modulus == 0) return a ^ b;
    return (a ^ b) % modulus + low;
}

float RandomFloatRange(CRandGenerator& generator, float low, float high) {
    return static_cast<float>(generator.Draw()) * DrawScale * (high - low) + low;
}

}  // namespace core

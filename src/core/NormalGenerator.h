#pragma once
// The generator behind rand_normal: its own linear congruential state, three steps a draw.

#include <cstdint>

namespace core {

class NormalGenerator {
public:
    static constexpr uint32_t Multiplier = 0x0BB38435u;
    static constexpr uint32_t Increment = 0x3619636Bu;

    void Seed(uint32_t seed) { m_state = seed; }
    uint32_t State() const { return m_state; }

    // A normally distributed number with mean 0 and standard deviation `deviation`, by the
    // Box-Muller transform over two steps of the state, the sign taken from a third. When the
    // first step gives 0 the logarithm is minus infinity: the result is then infinite, or NaN
    // for a deviation of 0.
    float Next(float deviation);

private:
    uint32_t Step(uint32_t value) const { return value * Multiplier + Increment; }

    uint32_t m_state { 0 };
};

// The one process-wide instance, seeded with the tick count at process start.
NormalGenerator& ProcessNormalGenerator();

}  // namespace core

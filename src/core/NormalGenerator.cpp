#include "core/NormalGenerator.h"

#include <cmath>

namespace core {

float NormalGenerator::Next(float deviation) {
    uint32_t a = Step(m_state);
    uint32_t b = Step(a);
    uint32_t c = Step(b);
    m_state = c;
    // The factors are the float values the generator has always used (2^-32 and 2 pi).
    float u1 = static_cast<float>(a) * 2.3283064e-10f;
    float u2 = static_cast<float>(b) * 2.3283064e-10f;
    float result = std::sqrt(-2.0f * std::log(u1)) * std::cos(6.2831855f * u2) * deviation;
    if (c < 0x7FFFFFFFu) result = -result;
    return result;
}

NormalGenerator& ProcessNormalGenerator() {
    static NormalGenerator generator;
    return generator;
}

}  // namespace core

#pragma once
// The C-library-style generator behind rand_b, rand_u, rand_f, rand_u_range and rand_f_range.

#include <cstdint>

namespace core {

// state = state * 214013 + 2531011 (mod 2^32); a draw is bits 16..30 of the new state, 0..32767.
class CRandGenerator {
public:
    static constexpr uint32_t Maximum = 0x7FFF;

    void Seed(uint32_t seed) { m_state = seed; }
    uint32_t Draw() {
        m_state = m_state * 214013u + 2531011u;
        return (m_state >> 16) & Maximum;
    }
    uint32_t State() const { return m_state; }

private:
    uint32_t m_state { 1 };
};

// The one process-wide instance. It is seeded with the tick count at process start and again
// before every OnFrame, so the iterations that start within one millisecond draw alike.
CRandGenerator& ProcessCRandGenerator();

}  // namespace core

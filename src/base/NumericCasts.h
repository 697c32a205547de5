#pragma once
// Conversions from floating point that are defined for every input. Script results, cell
// fields, header numbers, zoom values and track-bar positions may be NaN, infinite or far
// outside the target range, and a plain cast of such a value is undefined behaviour.

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace base {

// Truncation toward zero; NaN gives 0, values beyond the int32 range give its nearest end.
inline int32_t TruncateToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int32_t TruncateToInt32(float value) { return TruncateToInt32(static_cast<double>(value)); }

// Double to float with round-to-nearest-even, overflow included: a value from half a step
// beyond the largest float on becomes the signed infinity, one below that the largest float.
inline float NarrowToFloat(double value) {
    constexpr double Largest = static_cast<double>(FLT_MAX);
    constexpr double Overflow = Largest + 0x1p103;  // half the spacing of floats at the top
    if (value >= Overflow) return INFINITY;
    if (value <= -Overflow) return -INFINITY;
    if (value > Largest) return FLT_MAX;
    if (value < -Largest) return -FLT_MAX;
    return static_cast<float>(value);
}

// A fraction limited to at most 1 first (so NaN becomes 1), then to at least 0: track-bar
// positions and the script's colour parameters.
inline float ClampUnit(float value) {
    if (!(value <= 1.0f)) value = 1.0f;
    if (value < 0.0f) value = 0.0f;
    return value;
}

}  // namespace base

#pragma once
// Conversions from floating point that are defined for every input. The colour mapping and
// the geometry take cell fields, header numbers and zoom values that may be NaN, infinite or
// far outside the target range; a plain cast of such a value is undefined behaviour.

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace view_detail {

// Truncation toward zero; NaN gives 0, values beyond the int32 range give its nearest end.
inline int32_t TruncateToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int32_t TruncateToInt32(float value) { return TruncateToInt32(static_cast<double>(value)); }

// Double to float as IEEE rounding does it, with overflow going to the signed infinity.
inline float NarrowToFloat(double value) {
    if (value > static_cast<double>(FLT_MAX)) return INFINITY;
    if (value < -static_cast<double>(FLT_MAX)) return -INFINITY;
    return static_cast<float>(value);
}

}  // namespace view_detail

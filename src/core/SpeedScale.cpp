#include "core/SpeedScale.h"

#include <cmath>

#include "base/NumericCasts.h"

namespace core {

float ClampIterationPeriod(float period) {
    if (!(period <= LongestIterationPeriod)) period = LongestIterationPeriod;
    if (period < ShortestIterationPeriod) period = ShortestIterationPeriod;
    return period;
}

float PeriodToPosition(float period) {
    return base::ClampUnit(1.0f - (std::log10(period) + 5.0f) / 6.0f);
}

float PositionToPeriod(float position) { return std::pow(10.0f, 6.0f * (1.0f - position) - 5.0f); }

}  // namespace core

#include "core/SpeedScale.h"

#include <cmath>

namespace core {

float ClampIterationPeriod(float period) {
    if (!(period <= LongestIterationPeriod)) period = LongestIterationPeriod;
    if (period < ShortestIterationPeriod) period = ShortestIterationPeriod;
    return period;
}

float ClampTrackPosition(float position) {
    if (!(position <= 1.0f)) position = 1.0f;
    if (position < 0.0f) position = 0.0f;
    return position;
}

float PeriodToPosition(float period) {
    return ClampTrackPosition(1.0f - (std::log10(period) + 5.0f) / 6.0f);
}

float PositionToPeriod(float position) { return std::pow(10.0f, 6.0f * (1.0f - position) - 5.0f); }

}  // namespace core

#pragma once
// The speed scale: iteration periods between 0.00001 s and 10 s, and the speed track bar's
// position for them, position = 1 - (log10(period) + 5) / 6 (1: 100000 iterations a second,
// 0: one iteration every 10 seconds).

namespace core {

inline constexpr float ShortestIterationPeriod = 0.00001f;
inline constexpr float LongestIterationPeriod = 10.0f;

// The period limited to [0.00001, 10]; the upper limit first, so NaN becomes 10.
float ClampIterationPeriod(float period);
// The track-bar position of a period, clamped as the track bar clamps it (base::ClampUnit).
float PeriodToPosition(float period);
// The period of a position: 10^(6 (1 - position) - 5).
float PositionToPeriod(float position);

}  // namespace core

#pragma once
// The arithmetic behind the script's maths and random host functions. Every function is
// defined for every input: no input reaches signed overflow or a float-to-int conversion out
// of range.

#include <cstdint>

#include "base/NumericCasts.h"

namespace core {

class CRandGenerator;
class DriverClock;

// The process entry's seeding: the C-style generator with the tick count, then the normal
// generator with a second reading of it.
void SeedProcessGenerators(DriverClock& clock);

// The argument negated when negative; the most negative int has no positive counterpart and
// is returned unchanged (two's complement).
int32_t AbsInt(int32_t value);
// The argument when it is >= 0, else its negation (so NaN comes back negated, still NaN).
float AbsFloat(float value);

// min: the second argument if it is smaller than the first, else the first; max: the second
// if the first is smaller than it, else the first. Ties and unordered floats give the first.
template <class T> T MinOf(T first, T second) { return second < first ? second : first; }
template <class T> T MaxOf(T first, T second) { return first < second ? second : first; }
// max(low, min(value, high)): value clamped to [low, high]; low when low > high.
template <class T> T MinMaxOf(T low, T value, T high) { return MaxOf(low, MinOf(value, high)); }


// value + 0.5 truncated toward zero: round(2.5) = 3, round(-2.5) = -2, round(-0.7) = 0.
// NaN gives 0; values beyond the int range give the nearest end of it.
int32_t RoundToInt(float value);

// The random helpers, drawing from `generator` in the order stated.
bool RandomBool(CRandGenerator& generator);           // bit 2 of one draw
uint32_t RandomUint(CRandGenerator& generator);       // four draws, one byte of each
float RandomFloat(CRandGenerator& generator);         // one draw / 32767: 0..1 inclusive
// (A xor B) mod (high - low + 1) + low, unsigned; A xor B alone when the modulus is 0
// (high = low - 1, the whole unsigned range).
uint32_t RandomUintRange(CRandGenerator& generator, uint32_t low, uint32_t high);
float RandomFloatRange(CRandGenerator& generator, float low, float high);

}  // namespace core

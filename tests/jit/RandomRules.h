#pragma once
// A generator of random automaton definitions for comparing the machine code with the
// interpreter: rules over int, uint, float, bool, double, int64 and the small integer types,
// with arithmetic, comparisons, conversions, branches, loops, switches, calls of script
// functions and of host functions, globals, and edge values (INT_MIN, zero divisors, NaN,
// infinities, coordinates outside the world with and without wrap). The same seed always
// gives the same definition.

#include <cstdint>
#include <string>

namespace jittest {

std::string RandomDefinition(uint64_t seed);

}  // namespace jittest

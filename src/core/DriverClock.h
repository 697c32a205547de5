#pragma once
// The clock the automaton reads: the current time for the driver's per-frame budgets and the
// tick count that seeds the random generators. Tests derive from it to control time.

#include <cstdint>

namespace core {

class DriverClock {
public:
    virtual ~DriverClock() = default;
    // Seconds on a monotonic clock (the high-resolution clock of the utilities).
    virtual double Now();
    // Milliseconds on the same clock, wrapping at 2^32 like the system's tick count.
    virtual uint32_t TickCount();

    // The system clock, shared by every automaton that is given no other.
    static DriverClock& System();
};

}  // namespace core

#include "core/DriverClock.h"

#include <cmath>

#include "base/Utilities.h"

namespace core {

double DriverClock::Now() { return base::GetTime(); }

uint32_t DriverClock::TickCount() {
    double milliseconds = std::floor(base::GetTime() * 1000.0);
    // Keep the low 32 bits, as a tick counter that wraps does.
    return static_cast<uint32_t>(static_cast<uint64_t>(milliseconds));
}

DriverClock& DriverClock::System() {
    static DriverClock clock;
    return clock;
}

}  // namespace core

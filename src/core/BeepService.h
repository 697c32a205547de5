#pragma once
// The sound behind the script's Beep. The workbench plays a square wave and returns when it
// ends; this default is silent and returns at once (tests and the batch runner use it).

#include <cstdint>

namespace core {

class BeepService {
public:
    virtual ~BeepService() = default;
    // Frequency in hertz, duration in milliseconds.
    virtual void Beep(uint32_t frequency, uint32_t duration);

    static BeepService& Silent();
};

}  // namespace core

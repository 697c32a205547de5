#include "core/BeepService.h"

void BeepService::Beep(uint32_t, uint32_t) {}

BeepService& BeepService::Silent() {
    static BeepService silent;
    return silent;
}

#include "core/BeepService.h"

namespace core {

void BeepService::Beep(uint32_t, uint32_t) {}

BeepService& BeepService::Silent() {
    static BeepService silent;
    return silent;
}

}  // namespace core

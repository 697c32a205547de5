#include "core/ScriptControls.h"

namespace core {

namespace {

class NoControls final : public ScriptControls {
public:
    bool ButtonDown(int) const override { return false; }
    void SetButtonDown(int, bool) override {}
    void SetStatus(std::string, uint32_t) override {}
};

}  // namespace

ScriptControls& ScriptControls::None() {
    static NoControls none;
    return none;
}

}  // namespace core

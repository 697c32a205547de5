#pragma once
// The ten user buttons, and what a script reaches beyond its world: the buttons' latched down
// flags (GetButtonDown, SetButtonDown) and the status line (Debug). The workbench's state
// (WorkbenchState) is the script's controls there; vorlen-batch gives plain UserButtons.

#include <array>
#include <cassert>
#include <cstdint>
#include <string>

namespace core {

inline constexpr int UserButtonCount = 10;

// The slot of user button `number` as the digit keys, the header's Buttons section and the
// script number the buttons: 1..9 are slots 0..8, 0 and 10 both slot 9 (the button of the
// digit key 0); -1 for any other number.
constexpr int ButtonSlot(int number) {
    if (number == 0 || number == UserButtonCount) return UserButtonCount - 1;
    return number >= 1 && number < UserButtonCount ? number - 1 : -1;
}

class ScriptControls {
public:
    // The latched down flag of the user button in `slot` (0..9).
    virtual bool ButtonDown(int slot) const = 0;
    virtual void SetButtonDown(int slot, bool down) = 0;
    // Shows a text in the status line in `color` (0xAARRGGBB).
    virtual void SetStatus(std::string text, uint32_t color) = 0;

    // The controls of an automaton that was given none: no button is down, and a status line
    // nobody sees.
    static ScriptControls& None();

protected:
    ScriptControls() = default;
    ScriptControls(const ScriptControls&) = default;
    ScriptControls& operator=(const ScriptControls&) = default;
    ~ScriptControls() = default;
};

// The user buttons' down flags alone: the controls of a run without a window, where no status
// line is shown.
class UserButtons final : public ScriptControls {
public:
    bool ButtonDown(int slot) const override { return m_down[Index(slot)]; }
    void SetButtonDown(int slot, bool down) override { m_down[Index(slot)] = down; }
    void SetStatus(std::string, uint32_t) override {}

private:
    static size_t Index(int slot) {
        assert(slot >= 0 && slot < UserButtonCount && "user button slot out of range");
        return static_cast<size_t>(slot);
    }

    std::array<bool, UserButtonCount> m_down {};
};

}  // namespace core

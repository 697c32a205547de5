#pragma once
// The arguments and the result of one call of a host function registered with the generic
// calling convention.
//
// The generic interface hands out the address of argument i (GetAddressOfArg) and of the
// result (GetAddressOfReturnLocation). Each of those is a call into the engine that checks
// the argument's type on the way, and for the per-cell functions (a bounds test and one load)
// the two or three such calls cost more than everything else the host does: a Life script on
// a 1000 x 1000 world spends twice the engine's own call time in them. So the addresses are
// learnt once: the engine keeps the arguments as consecutive 32-bit stack slots whose start
// lies in the call object, and the result at a fixed place in the same object. LearnLayout
// finds both through one probe call on a private engine and verifies every address against
// the interface; only when all of them agree does HostCall read them directly. Otherwise every
// access goes through the interface. The layout is a fact about the engine library loaded into
// the process, so it is learnt once per process and never changes afterwards.
//
// Every argument of the registered host functions is a bool, int, uint or float: one slot each.

#include <cstdint>
#include <cstring>

#include "core/AngelScript.h"

namespace core {

class HostCall {
public:
    // Where a call object keeps the pointer to the argument slots and the result, in bytes
    // from its start. `Direct` false (the default) means: ask the interface.
    struct Layout {
        bool Direct { false };
        long SlotsOffset { 0 };
        long ReturnOffset { 0 };
    };

    // A call read the way ProcessLayout says.
    explicit HostCall(AngelScript::asIScriptGeneric* generic) : HostCall(generic, ProcessLayout()) {}
    HostCall(AngelScript::asIScriptGeneric* generic, const Layout& layout) : m_generic(generic) {
        if (!layout.Direct) return;
        std::memcpy(&m_slots, reinterpret_cast<const char*>(generic) + layout.SlotsOffset, sizeof m_slots);
        m_returnOffset = layout.ReturnOffset;
    }

    int32_t Int(unsigned index) const { return static_cast<int32_t>(*Slot(index)); }
    uint32_t Uint(unsigned index) const { return *Slot(index); }
    float Float(unsigned index) const;
    // The engine stores a bool in the first byte of its slot.
    bool Bool(unsigned index) const { return *reinterpret_cast<const uint8_t*>(Slot(index)) != 0; }

    void ReturnInt(int32_t value) const { *static_cast<int32_t*>(ReturnLocation()) = value; }
    void ReturnUint(uint32_t value) const { *static_cast<uint32_t*>(ReturnLocation()) = value; }
    void ReturnFloat(float value) const { *static_cast<float*>(ReturnLocation()) = value; }
    void ReturnBool(bool value) const { *static_cast<bool*>(ReturnLocation()) = value; }

    // Learns and verifies the direct layout of the engine library in use; a layout with Direct
    // false when the library is not of the series it was made for or any address disagrees.
    static Layout LearnLayout();
    // LearnLayout's answer, asked once in the process (on the first call) and kept.
    static const Layout& ProcessLayout() {
        static const Layout layout = LearnLayout();
        return layout;
    }

private:
    const AngelScript::asDWORD* Slot(unsigned index) const {
        if (m_slots) return m_slots + index;
        return static_cast<const AngelScript::asDWORD*>(m_generic->GetAddressOfArg(index));
    }
    void* ReturnLocation() const {
        if (m_returnOffset != 0) return reinterpret_cast<char*>(m_generic) + m_returnOffset;
        return m_generic->GetAddressOfReturnLocation();
    }

    AngelScript::asIScriptGeneric* m_generic;
    const AngelScript::asDWORD* m_slots { nullptr };  // null: ask the interface
    long m_returnOffset { 0 };                        // 0: ask the interface
};

}  // namespace core

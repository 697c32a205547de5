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
// the interface; only when all of them agree does HostCall read them directly. Otherwise (and
// until LearnLayout has run) every access goes through the interface.
//
// Every argument of the registered host functions is a bool, int, uint or float: one slot each.

#include <cstdint>
#include <cstring>

#include "core/AngelScript.h"

class HostCall {
public:
    explicit HostCall(AngelScript::asIScriptGeneric* generic) : m_generic(generic) {
        if (s_direct) m_slots = ReadSlotPointer(generic);
    }

    // The auxiliary pointer given at registration.
    void* Auxiliary() const { return m_generic->GetAuxiliary(); }

    int32_t Int(unsigned index) const { return static_cast<int32_t>(*Slot(index)); }
    uint32_t Uint(unsigned index) const { return *Slot(index); }
    float Float(unsigned index) const;
    // The engine stores a bool in the first byte of its slot.
    bool Bool(unsigned index) const { return *reinterpret_cast<const uint8_t*>(Slot(index)) != 0; }

    void ReturnInt(int32_t value) const { *static_cast<int32_t*>(ReturnLocation()) = value; }
    void ReturnUint(uint32_t value) const { *static_cast<uint32_t*>(ReturnLocation()) = value; }
    void ReturnFloat(float value) const { *static_cast<float*>(ReturnLocation()) = value; }
    void ReturnBool(bool value) const { *static_cast<bool*>(ReturnLocation()) = value; }

    // Learns and verifies the direct layout (once per process; later calls return the first
    // answer). True when direct access is in use.
    static bool LearnLayout();
    // For tests: force every access through the interface (true), or back to what
    // LearnLayout found (false).
    static void UseInterfaceOnly(bool interfaceOnly);
    static bool Direct() { return s_direct; }

private:
    static const AngelScript::asDWORD* ReadSlotPointer(AngelScript::asIScriptGeneric* generic) {
        const AngelScript::asDWORD* slots;
        std::memcpy(&slots, reinterpret_cast<const char*>(generic) + s_slotsOffset, sizeof slots);
        return slots;
    }

    const AngelScript::asDWORD* Slot(unsigned index) const {
        if (m_slots) return m_slots + index;
        return static_cast<const AngelScript::asDWORD*>(m_generic->GetAddressOfArg(index));
    }
    void* ReturnLocation() const {
        if (s_direct) return reinterpret_cast<char*>(m_generic) + s_returnOffset;
        return m_generic->GetAddressOfReturnLocation();
    }

    AngelScript::asIScriptGeneric* m_generic;
    const AngelScript::asDWORD* m_slots { nullptr };

    static inline bool s_direct { false };
    static inline long s_slotsOffset { 0 };   // bytes from the call object to the slot pointer
    static inline long s_returnOffset { 0 };  // bytes from the call object to the result
};

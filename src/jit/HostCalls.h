#pragma once
// What the translation knows about the automaton's host functions: which it inlines, which
// it calls directly with their arguments in registers (the helpers below, computing exactly
// what the host function computes), and which go through the engine's ordinary call.

#include <array>
#include <cstdint>

#include "core/AngelScript.h"

namespace core {
class Automaton;
class Generations;
}  // namespace core

namespace jit {

enum class HostKind : uint8_t {
    Ordinary,   // the engine's call
    ReadCell,   // GetBuffer_*: inlined; outside the world through ReadOutsideWorld
    WriteCell,  // SetBuffer_*: inlined; outside the world the engine's call raises the exception
    Width,      // GetWidth, GetHeight: the header's number
    Height,
    Constant,   // PI, E
    AbsInt,     // abs_i, abs_f, min_*, max_*, minmax_*: inlined
    AbsFloat,
    Min,
    Max,
    MinMax,
    Direct,  // a helper below, called with the arguments in registers
    ArrayElement,  // opIndex of the array add-on: ArrayElement below
};

// The type of a field, an operand or a result.
enum class Scalar : uint8_t { Bool, Int, Uint, Float };

struct HostCallInfo {
    HostKind Kind { HostKind::Ordinary };
    Scalar Type { Scalar::Int };     // ReadCell/WriteCell: the field's; Min..MinMax: the operands'
    uint32_t FieldOffset { 0 };      // ReadCell/WriteCell: the field's offset in a Cell, in bytes
    uint32_t Field { 0 };            // ReadCell: 0..11 for b1..f4
    uint32_t ConstantBits { 0 };     // Constant: the float's bits
    const void* Function { nullptr };  // Direct: the helper
    std::array<Scalar, 3> Parameters {};
    uint32_t ParameterCount { 0 };   // each one 32-bit slot on the script stack
    bool ReturnsValue { false };
    Scalar Result { Scalar::Int };
};

// What `function` is: one of the host functions registered for `automaton` (recognised by
// its declaration and its auxiliary pointer), the array add-on's element access, or anything
// else, which is Ordinary.
HostCallInfo DescribeHostCall(AngelScript::asIScriptFunction& function, const core::Automaton* automaton);

// Whether `type` is an array of the add-on with elements of a primitive type: its reference
// counting (AddRef, Release) is plain arithmetic and freeing, and never runs script code.
bool IsArrayOfValues(const AngelScript::asITypeInfo* type);

// The array add-on's own functions, called directly: the element at `index` (null outside
// the array, where the engine's call raises the exception), and the reference counting.
void* ArrayElement(void* array, uint32_t index) noexcept;
void ArrayAddRef(void* array) noexcept;
void ArrayRelease(void* array) noexcept;

// GetBuffer's answer for a cell outside the world (the wrapped cell or the default one), as
// the value register holds it after the call: field `field` (0..11), a bool as 0 or 1.
uint64_t ReadOutsideWorld(const core::Generations* cells, int32_t x, int32_t y, uint32_t field) noexcept;

}  // namespace jit

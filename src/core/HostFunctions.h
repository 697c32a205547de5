#pragma once
// The 73 functions a script can call, registered in this order with these declarations.

#include <array>

#include "core/AngelScript.h"

namespace core {

class Automaton;

struct HostFunction {
    const char* Declaration;
    AngelScript::asGENFUNC_t Function;
};

inline constexpr size_t HostFunctionCount = 73;
extern const std::array<HostFunction, HostFunctionCount> HostFunctions;

// Registers every host function with `automaton` as its auxiliary pointer: each call acts on
// the automaton it was registered for.
void RegisterHostFunctions(AngelScript::asIScriptEngine& engine, Automaton& automaton);

}  // namespace core

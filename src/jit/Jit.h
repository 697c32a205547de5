#pragma once
// Scripts at native speed: the compiler of script functions to machine code that the
// programs give their automatons. It is on by default on x86-64; VORLEN_JIT=0 in the
// environment turns it off, and other machines always run scripts in the interpreter.

#include <memory>

#include "core/AngelScript.h"

namespace core {
class Automaton;
}

namespace jit {

// Whether this build can compile scripts to machine code (x86-64 only).
bool Supported();

// Whether the environment allows it: anything but VORLEN_JIT=0.
bool AllowedByEnvironment();

// A compiler for `automaton`'s script, which inlines its host functions; null when this
// build cannot compile.
std::unique_ptr<AngelScript::asIJITCompiler> MakeCompiler(core::Automaton& automaton);

// Makes MakeCompiler the default of every automaton built from now on when the build
// supports it and the environment allows it, and the interpreter otherwise.
void InstallDefault();

}  // namespace jit

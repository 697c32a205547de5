#pragma once
// The one place where a compiler of script functions to machine code joins the script host.
// The core never depends on such a compiler: an automaton asks the factory it was given for
// one while its script is set up, and runs the script in the engine's interpreter when there
// is none.

#include <functional>
#include <memory>

#include "core/AngelScript.h"

namespace core {

class Automaton;

// Makes the compiler for one automaton's script; a null result means the interpreter. The
// compiler must outlive the automaton's engine: the automaton keeps both and releases the
// engine first.
using ScriptJitFactory = std::function<std::unique_ptr<AngelScript::asIJITCompiler>(Automaton&)>;

// The factory that automatons built from now on start with. Empty at process start (the
// interpreter); a program that links a compiler installs it once, before it builds its first
// automaton.
void SetDefaultScriptJit(ScriptJitFactory factory);
const ScriptJitFactory& DefaultScriptJit();

}  // namespace core

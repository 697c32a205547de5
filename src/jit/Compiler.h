#pragma once
// The engine's JIT compiler interface over the translation: compiles each script function
// of one automaton's script to x86-64 code when the engine builds the script, and releases
// the code when the engine discards the function.

#include <cstdint>
#include <map>
#include <unordered_map>

#include <asmjit/core.h>

#include "core/AngelScript.h"
#include "jit/HostCalls.h"

namespace core {
class Automaton;
}

namespace jit {

class Compiler final : public AngelScript::asIJITCompiler {
public:
    // With `automaton` the compiler knows its host functions and inlines them; without one
    // every host function goes through the engine's ordinary call.
    explicit Compiler(const core::Automaton* automaton = nullptr);
    ~Compiler() override;
    Compiler(const Compiler&) = delete;
    Compiler& operator=(const Compiler&) = delete;

    // A negative result leaves the whole function to the interpreter, silently.
    int CompileFunction(AngelScript::asIScriptFunction* function, AngelScript::asJITFunction* output) override;
    void ReleaseJITFunction(AngelScript::asJITFunction function) override;

    // What the compiler has done so far: functions given machine code and functions left to
    // the interpreter, and the instructions the machine code hands to the interpreter.
    struct Statistics {
        int Compiled { 0 };
        int Refused { 0 };
        std::map<AngelScript::asEBCInstr, int> LeftToInterpreter;
        double Seconds { 0 };  // spent compiling, all functions together
    };
    const Statistics& Counts() const { return m_statistics; }

private:
    int Compile(AngelScript::asIScriptFunction& function, AngelScript::asJITFunction& output);
    HostCallInfo LookUp(AngelScript::asIScriptEngine& engine, int functionId);

    const core::Automaton* m_automaton;
    asmjit::JitRuntime m_runtime;
    std::unordered_map<int, HostCallInfo> m_hosts;
    Statistics m_statistics;
};

}  // namespace jit

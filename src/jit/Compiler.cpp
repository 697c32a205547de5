#include "jit/Compiler.h"

#include <chrono>
#include <cstring>
#include <new>

#include <asmjit/x86.h>

#include "core/Automaton.h"
#include "jit/Bytecode.h"
#include "jit/Translator.h"

using namespace AngelScript;

namespace jit {

namespace {

// Remembers the assembler's first error; the function is then left to the interpreter.
class ErrorRecorder : public asmjit::ErrorHandler {
public:
    void handleError(asmjit::Error error, const char*, asmjit::BaseEmitter*) override {
        if (m_error == asmjit::kErrorOk) m_error = error;
    }
    bool Failed() const { return m_error != asmjit::kErrorOk; }

private:
    asmjit::Error m_error { asmjit::kErrorOk };
};

}  // namespace

Compiler::Compiler(const core::Automaton* automaton) : m_automaton(automaton) {}

Compiler::~Compiler() = default;

HostCallInfo Compiler::LookUp(asIScriptEngine& engine, int functionId) {
    auto found = m_hosts.find(functionId);
    if (found != m_hosts.end()) return found->second;
    HostCallInfo info;
    if (asIScriptFunction* function = engine.GetFunctionById(functionId)) info = DescribeHostCall(*function, m_automaton);
    m_hosts.emplace(functionId, info);
    return info;
}

int Compiler::CompileFunction(asIScriptFunction* function, asJITFunction* output) {
    if (!output) return asERROR;
    *output = nullptr;
    if (!function || function->GetFuncType() != asFUNC_SCRIPT) return asERROR;
    auto start = std::chrono::steady_clock::now();
    int result = asERROR;
    // Nothing may escape into the engine: running out of memory while translating leaves
    // the function to the interpreter like any other refusal.
    try {
        result = Compile(*function, *output);
    } catch (const std::bad_alloc&) {
        ++m_statistics.Refused;
    }
    m_statistics.Seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

int Compiler::Compile(asIScriptFunction& function, asJITFunction& output) {
    asUINT length = 0;
    asDWORD* words = function.GetByteCode(&length);
    Bytecode code;
    if (!code.Decode(words, length)) {
        ++m_statistics.Refused;
        return asERROR;
    }

    asIScriptEngine& engine = *function.GetEngine();
    World world;
    if (m_automaton) world = {&m_automaton->Cells(), &m_automaton->Header().Width, &m_automaton->Header().Height};
    asmjit::CodeHolder holder;
    ErrorRecorder errors;
    holder.init(m_runtime.environment());
    holder.setErrorHandler(&errors);
    asmjit::x86::Assembler assembler(&holder);
    Translator translator(code, assembler, [&](int id) { return LookUp(engine, id); }, world);
    bool translated = translator.Translate() && !errors.Failed();
    asJITFunction compiled = nullptr;
    if (!translated || translator.Entries().empty() || m_runtime.add(&compiled, &holder) != asmjit::kErrorOk) {
        ++m_statistics.Refused;
        return asERROR;
    }

    // Every JitEntry gets the address of its entry stub, or 0 where the interpreter stays.
    uintptr_t base = reinterpret_cast<uintptr_t>(compiled);
    for (const Instruction& instruction : code.Instructions())
        if (instruction.Op == asBC_JitEntry) {
            asPWORD zero = 0;
            std::memcpy(words + instruction.Position + 1, &zero, sizeof zero);
        }
    for (const Translator::Entry& entry : translator.Entries()) {
        asPWORD address = base + static_cast<uintptr_t>(holder.labelOffsetFromBase(entry.Stub));
        std::memcpy(words + entry.Position + 1, &address, sizeof address);
    }
    for (const auto& [op, count] : translator.LeftToInterpreter()) m_statistics.LeftToInterpreter[op] += count;
    ++m_statistics.Compiled;
    output = compiled;
    return asSUCCESS;
}

void Compiler::ReleaseJITFunction(asJITFunction function) {
    if (function) m_runtime.release(function);
}

}  // namespace jit

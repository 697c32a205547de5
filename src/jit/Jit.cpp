#include "jit/Jit.h"

#include <cstdlib>
#include <string_view>

#include "core/ScriptJit.h"
#if VORLEN_JIT_MACHINE_CODE
#include "jit/Compiler.h"
#endif

namespace jit {

bool Supported() { return VORLEN_JIT_MACHINE_CODE != 0; }

bool AllowedByEnvironment() {
    const char* setting = std::getenv("VORLEN_JIT");
    return !setting || std::string_view(setting) != "0";
}

std::unique_ptr<AngelScript::asIJITCompiler> MakeCompiler([[maybe_unused]] core::Automaton& automaton) {
#if VORLEN_JIT_MACHINE_CODE
    return std::make_unique<Compiler>(&automaton);
#else
    return nullptr;
#endif
}

void InstallDefault() {
    if (Supported() && AllowedByEnvironment())
        core::SetDefaultScriptJit(MakeCompiler);
    else
        core::SetDefaultScriptJit({});
}

}  // namespace jit

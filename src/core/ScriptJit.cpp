#include "core/ScriptJit.h"

namespace core {

namespace {

// The choice is made once per process, from its command line and environment, so it is kept
// where every automaton finds it rather than handed through each owner of an automaton.
ScriptJitFactory& DefaultFactory() {
    static ScriptJitFactory factory;
    return factory;
}

}  // namespace

void SetDefaultScriptJit(ScriptJitFactory factory) { DefaultFactory() = std::move(factory); }

const ScriptJitFactory& DefaultScriptJit() { return DefaultFactory(); }

}  // namespace core

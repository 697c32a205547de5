#include "core/ScriptTeardown.h"

using namespace AngelScript;

namespace core {

namespace {

void StopAtOnce(asIScriptContext* context, void*) { context->Abort(); }

// The contexts the engine asks for while it is torn down: each stops at its first check.
asIScriptContext* RequestStoppedContext(asIScriptEngine* engine, void*) {
    asIScriptContext* context = engine->CreateContext();
    if (context) context->SetLineCallback(asFUNCTION(StopAtOnce), nullptr, asCALL_CDECL);
    return context;
}

void ReturnContext(asIScriptEngine*, asIScriptContext* context, void*) { context->Release(); }

// Releases every object held by a property of a script object in the collector.
void CutLinks(asIScriptEngine& engine) {
    asITypeInfo* type = nullptr;
    void* object = nullptr;
    for (asUINT index = 0; engine.GetObjectInGC(index, nullptr, &object, &type) >= 0; ++index) {
        if (!object || !type || !(type->GetFlags() & asOBJ_SCRIPT_OBJECT)) continue;
        auto* script = static_cast<asIScriptObject*>(object);
        for (asUINT property = 0; property < script->GetPropertyCount(); ++property) {
            const int typeId = script->GetPropertyTypeId(property);
            if (!(typeId & asTYPEID_MASK_OBJECT)) continue;
            void** slot = static_cast<void**>(script->GetAddressOfProperty(property));
            if (!slot || !*slot) continue;
            void* held = *slot;
            *slot = nullptr;
            engine.ReleaseScriptObject(held, engine.GetTypeInfoById(typeId));
        }
    }
}

}  // namespace

void ShutDownScriptEngine(asIScriptEngine& engine) {
    engine.SetContextCallbacks(RequestStoppedContext, ReturnContext, nullptr);
    CutLinks(engine);
    if (asIScriptModule* module = engine.GetModule(nullptr, asGM_ONLY_IF_EXISTS)) module->Discard();
    engine.GarbageCollect(asGC_FULL_CYCLE);
    engine.ShutDownAndRelease();
}

}  // namespace core

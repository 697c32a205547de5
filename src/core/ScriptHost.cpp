#include "core/ScriptHost.h"

#include <cassert>

#include <angelscript/scriptarray.h>

#include "base/Utilities.h"
#include "core/HostCall.h"
#include "errors/ErrorTrail.h"

namespace core {

using errors::AddError;
using errors::AddErrorAt;
using errors::ErrorPosition;
using errors::ErrorRaised;
using errors::RaiseError;
using errors::RaiseErrorAt;
using namespace AngelScript;

namespace {

int FunctionId(asIScriptModule& module, const char* declaration) {
    asIScriptFunction* function = module.GetFunctionByDecl(declaration);
    return function ? function->GetId() : -1;
}

// The mouse callbacks are declared with const int parameters. The engine tells a const value
// parameter from a plain one, so a script that writes (int x, int y) would otherwise never
// be called: the plain form is looked up when the declared one is absent.
int MouseCallbackId(asIScriptModule& module, const char* name) {
    std::string declared = std::string("void ") + name + "(const int, const int)";
    int id = FunctionId(module, declared.c_str());
    if (id >= 0) return id;
    std::string plain = std::string("void ") + name + "(int, int)";
    return FunctionId(module, plain.c_str());
}

}  // namespace

ScriptHost::~ScriptHost() {
    if (m_context) m_context->Release();
    if (m_engine) {
        if (asIScriptModule* module = m_engine->GetModule(nullptr, asGM_ONLY_IF_EXISTS)) module->Discard();
        m_engine->ShutDownAndRelease();
    }
}

bool ScriptHost::SetupScript(std::string_view code, const Registrar& registerFunctions, asIJITCompiler* jit) {
    assert(!m_engine && "a script host is set up once");
    HostCall::ProcessLayout();  // learnt here rather than inside the first script call
    m_engine = asCreateScriptEngine(ANGELSCRIPT_VERSION);
    if (!m_engine) {
        RaiseError("Nie można utworzyć silnika AngelScript");
    } else {
        m_messages.Attach(*m_engine);
        m_engine->SetEngineProperty(asEP_MAX_STACK_SIZE, MaxStackSize);
        m_engine->SetEngineProperty(asEP_MAX_CALL_STACK_SIZE, MaxCallDepth);
        if (jit) {
            m_engine->SetEngineProperty(asEP_INCLUDE_JIT_INSTRUCTIONS, true);
            m_engine->SetJITCompiler(jit);
        }
        // Definitions written for the first engine declare arrays (int[] counts(9);), which
        // this engine knows only through its array add-on.
        RegisterScriptArray(m_engine, true);
        registerFunctions(*m_engine);
        asIScriptModule* module = m_engine->GetModule(nullptr, asGM_ALWAYS_CREATE);
        if (!module || module->AddScriptSection("script", code.data(), code.size(), 0) < 0) {
            RaiseError("Nie można dodać treści skryptu");
        } else {
            m_messages.Clear();
            if (module->Build() < 0) {
                RaiseErrorAt(m_messages.Text(), ErrorPosition::None());
                AddError("Nie można skompilować skryptu");
            } else if (m_context = m_engine->CreateContext(); !m_context) {
                RaiseError("Nie można utworzyć kontekstu wirtualnej maszyny");
            } else {
                LookUpCallbacks(*module);
            }
        }
    }
    if (ErrorRaised()) {
        AddError("Nie można wczytać skryptu");
        return false;
    }
    return true;
}

void ScriptHost::LookUpCallbacks(asIScriptModule& module) {
    m_ids.OnInit = FunctionId(module, "void OnInit()");
    if (m_ids.OnInit < 0) {
        RaiseError("Nie znaleziono funkcji \"OnInit\"");
        return;
    }
    m_ids.OnFrame = FunctionId(module, "void OnFrame()");
    if (m_ids.OnFrame < 0) {
        RaiseError("Nie znaleziono funkcji \"OnFrame\"");
        return;
    }
    m_ids.OnLoadImage = FunctionId(module, "void OnLoadImage()");
    m_ids.OnSaveImage = FunctionId(module, "void OnSaveImage()");
    for (int digit = 0; digit <= 9; ++digit) {
        std::string declaration = "void OnButton" + base::IntToStr(digit) + "()";
        m_ids.Buttons[static_cast<size_t>(ButtonSlot(digit))] = FunctionId(module, declaration.c_str());
    }
    m_ids.OnMouseDown = MouseCallbackId(module, "OnMouseDown");
    m_ids.OnMouseUp = MouseCallbackId(module, "OnMouseUp");
    m_ids.OnMouseMove = MouseCallbackId(module, "OnMouseMove");
}

bool ScriptHost::PrepareCall(int id) {
    asIScriptFunction* function = m_engine && id >= 0 ? m_engine->GetFunctionById(id) : nullptr;
    if (!m_context || m_context->Prepare(function) < 0) {
        RaiseError("Nie można przygotować wywołania funkcji o ID: " + base::IntToStr(id));
        return false;
    }
    return true;
}

bool ScriptHost::ExecuteCall() {
    int result = m_context->Execute();
    if (result == asEXECUTION_EXCEPTION) {
        RaiseErrorAt("Wiersz: " + base::IntToStr(m_context->GetExceptionLineNumber()), ErrorPosition::None());
        const asIScriptFunction* function = m_context->GetExceptionFunction();
        AddErrorAt(std::string("Funkcja: ") + (function ? function->GetDeclaration() : ""), ErrorPosition::None());
        const char* text = m_context->GetExceptionString();
        if (text && *text) AddErrorAt(std::string("Komunikat: ") + text, ErrorPosition::None());
        AddError("Wystąpił wyjątek");
    } else if (result < 0) {
        RaiseError("Nie można wykonać funkcji");
    }
    if (ErrorRaised()) {
        AddError("Nie można wykonać funkcji");
        return false;
    }
    return true;
}

bool ScriptHost::Call(int id) { return PrepareCall(id) && ExecuteCall(); }

bool ScriptHost::CallWithPosition(int id, int x, int y) {
    if (!PrepareCall(id)) return false;
    m_context->SetArgDWord(0, static_cast<asDWORD>(x));
    m_context->SetArgDWord(1, static_cast<asDWORD>(y));
    return ExecuteCall();
}

}  // namespace core

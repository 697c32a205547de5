#include "core/ScriptHost.h"

#include <cassert>
#include <set>

#include <angelscript/scriptarray.h>

#include "base/Utilities.h"
#include "core/HostCall.h"
#include "core/ScriptEngineFixes.h"
#include "core/ScriptNesting.h"
#include "core/ScriptOperands.h"
#include "core/ScriptTeardown.h"
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

// The names of the host's functions and methods that return nothing.
std::set<std::string> HostVoidFunctions(const asIScriptEngine& engine) {
    std::set<std::string> names;
    for (asUINT i = 0; i < engine.GetGlobalFunctionCount(); ++i)
        if (const asIScriptFunction* function = engine.GetGlobalFunctionByIndex(i); function && function->GetReturnTypeId() == asTYPEID_VOID)
            names.insert(function->GetName());
    for (asUINT i = 0; i < engine.GetObjectTypeCount(); ++i) {
        const asITypeInfo* type = engine.GetObjectTypeByIndex(i);
        for (asUINT m = 0; type && m < type->GetMethodCount(); ++m)
            if (const asIScriptFunction* method = type->GetMethodByIndex(m); method && method->GetReturnTypeId() == asTYPEID_VOID)
                names.insert(method->GetName());
    }
    return names;
}

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
    if (m_engine) ShutDownScriptEngine(*m_engine);
}

bool ScriptHost::SetupScript(std::string_view code, const Registrar& registerFunctions, asIJITCompiler* jit) {
    assert(!m_engine && "a script host is set up once");
    InstallScriptAllocationCounter();  // before any engine exists
    InstallScriptEngineFixes();
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
        // Global initialisers run through the one context, where they can be stopped.
        m_engine->SetEngineProperty(asEP_INIT_GLOBAL_VARS_AFTER_BUILD, false);
        registerFunctions(*m_engine);
        asIScriptModule* module = m_engine->GetModule(nullptr, asGM_ALWAYS_CREATE);
        if (!module || module->AddScriptSection("script", code.data(), code.size(), 0) < 0) {
            RaiseError("Nie można dodać treści skryptu");
        } else {
            if (!Compile(*module, code)) {
                AddError("Nie można skompilować skryptu");
            } else if (m_context = m_engine->CreateContext(); !m_context) {
                RaiseError("Nie można utworzyć kontekstu wirtualnej maszyny");
            } else {
                m_interrupt.Attach(m_context);
                if (!InitialiseGlobals(*module))
                    AddError("Nie można skompilować skryptu");
                else
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

bool ScriptHost::Compile(asIScriptModule& module, std::string_view code) {
    // A script nested deeper, or with longer names, than the engine survives is not given to it.
    const ScriptNesting nesting = MeasureScriptNesting(code);
    if (nesting.Depth > MaxScriptNesting) {
        RaiseErrorAt("script (" + base::IntToStr(nesting.Row) + ", " + base::IntToStr(nesting.Column) + ") : ERR : Skrypt jest zagnieżdżony zbyt głęboko (najwięcej " +
                         base::IntToStr(MaxScriptNesting) + " poziomów)",
                     ErrorPosition::None());
        return false;
    }
    if (nesting.LongestName > MaxScriptName) {
        RaiseErrorAt("script (" + base::IntToStr(nesting.NameRow) + ", " + base::IntToStr(nesting.NameColumn) + ") : ERR : Nazwa jest dłuższa niż " +
                         base::IntToStr(MaxScriptName) + " znaki",
                     ErrorPosition::None());
        return false;
    }
    if (nesting.MostOperators > MaxStatementOperators) {
        RaiseErrorAt("script (" + base::IntToStr(nesting.OperatorRow) + ", " + base::IntToStr(nesting.OperatorColumn) +
                         ") : ERR : Instrukcja ma więcej niż " + base::IntToStr(MaxStatementOperators) + " operatorów",
                     ErrorPosition::None());
        return false;
    }
    const VoidOperand operand = FindVoidOperand(code, HostVoidFunctions(*m_engine));
    if (operand.Found) {
        RaiseErrorAt("script (" + base::IntToStr(operand.Row) + ", " + base::IntToStr(operand.Column) + ") : ERR : Funkcja \"" + operand.Function +
                         "\" nie zwraca wartości, a jest argumentem operatora \"" + operand.Operator + "\"",
                     ErrorPosition::None());
        return false;
    }
    m_messages.Clear();
    if (module.Build() < 0) {
        RaiseErrorAt(m_messages.Text(), ErrorPosition::None());
        return false;
    }
    return true;
}

bool ScriptHost::InitialiseGlobals(asIScriptModule& module) {
    m_messages.Clear();
    m_interrupt.Enter(m_context);
    const int result = module.ResetGlobalVars(m_context);
    const StopReason stopped = m_interrupt.Leave();
    if (stopped != StopReason::None) m_context->Unprepare();
    if (result >= 0) return true;
    RaiseErrorAt(m_messages.Text(), ErrorPosition::None());
    if (stopped != StopReason::None) {
        AddErrorAt("Komunikat: " + StopReasonText(stopped, m_interrupt.TimeLimit()), ErrorPosition::None());
        AddError("Przerwano działanie skryptu");
    }
    return false;
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
    m_interrupt.Enter(m_context);
    const int result = m_context->Execute();
    const StopReason stopped = m_interrupt.Leave();
    m_lastStop = result == asEXECUTION_ABORTED || result == asEXECUTION_FINISHED ? stopped : StopReason::None;
    if (result == asEXECUTION_ABORTED && m_lastStop == StopReason::None) m_lastStop = StopReason::User;
    // A call that finished although it was asked to stop had a stop consumed on the way (a
    // destructor nested in it was stopped): it did not run as written either.
    if (result == asEXECUTION_ABORTED || (result == asEXECUTION_FINISHED && stopped != StopReason::None)) {
        RaiseStopped(stopped);
    } else if (result == asEXECUTION_EXCEPTION) {
        RaiseErrorAt("Wiersz: " + base::IntToStr(m_context->GetExceptionLineNumber()), ErrorPosition::None());
        const asIScriptFunction* function = m_context->GetExceptionFunction();
        AddErrorAt(std::string("Funkcja: ") + (function ? function->GetDeclaration() : ""), ErrorPosition::None());
        const char* text = m_context->GetExceptionString();
        if (text && *text) AddErrorAt(std::string("Komunikat: ") + text, ErrorPosition::None());
        AddError("Wystąpił wyjątek");
    } else if (result != asEXECUTION_FINISHED) {
        RaiseError("Nie można wykonać funkcji");
    }
    // A request that came as the call ended leaves the context's stop flags set; unpreparing
    // clears them, so that the next call does not stop at once.
    if (stopped != StopReason::None && result != asEXECUTION_ABORTED) m_context->Unprepare();
    if (ErrorRaised()) {
        AddError("Nie można wykonać funkcji");
        return false;
    }
    return true;
}

void ScriptHost::RaiseStopped(StopReason reason) {
    const asIScriptFunction* function = m_context->GetFunction(0);
    RaiseErrorAt("Wiersz: " + base::IntToStr(m_context->GetLineNumber(0)), ErrorPosition::None());
    AddErrorAt(std::string("Funkcja: ") + (function ? function->GetDeclaration() : ""), ErrorPosition::None());
    // The engine stops a call only when asked; a stop whose reason was lost is the user's.
    if (reason == StopReason::None) reason = StopReason::User;
    AddErrorAt("Komunikat: " + StopReasonText(reason, m_interrupt.TimeLimit()), ErrorPosition::None());
    AddError("Przerwano działanie skryptu");
}

bool ScriptHost::Call(int id) { return PrepareCall(id) && ExecuteCall(); }

bool ScriptHost::CallWithPosition(int id, int x, int y) {
    if (!PrepareCall(id)) return false;
    m_context->SetArgDWord(0, static_cast<asDWORD>(x));
    m_context->SetArgDWord(1, static_cast<asDWORD>(y));
    return ExecuteCall();
}

}  // namespace core

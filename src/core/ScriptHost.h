#pragma once
// The script engine of one automaton: its set-up and compilation, the one context through
// which every script call runs, the callbacks found in the script, and the conversion of
// script failures into error-trail entries.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/AngelScript.h"
#include "core/CompileMsgs.h"
#include "core/ScriptControls.h"
#include "core/ScriptInterrupt.h"

namespace core {

// Function ids of the callbacks; negative when the script does not define one.
struct CallbackIds {
    int OnInit { -1 };
    int OnFrame { -1 };
    int OnLoadImage { -1 };
    int OnSaveImage { -1 };
    // OnButton0..OnButton9 by the slot of their digit (ButtonSlot).
    std::array<int, UserButtonCount> Buttons { -1, -1, -1, -1, -1, -1, -1, -1, -1, -1 };
    int OnMouseDown { -1 };
    int OnMouseUp { -1 };
    int OnMouseMove { -1 };
};

class ScriptHost {
public:
    // Registers the host functions on a new engine.
    using Registrar = std::function<void(AngelScript::asIScriptEngine&)>;

    ScriptHost() = default;
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Creates the engine, registers the array type and the host functions, compiles `code` as
    // the section "script", creates the context and looks the callbacks up. Called once; on
    // failure the trail holds the reason and "Nie można wczytać skryptu". With `jit`, the
    // script's functions are also compiled to machine code where `jit` can; it must outlive
    // this host.
    bool SetupScript(std::string_view code, const Registrar& registerFunctions,
                     AngelScript::asIJITCompiler* jit = nullptr);

    // Prepares the context for the function `id`.
    bool PrepareCall(int id);
    // Runs the prepared call; a script exception becomes the entries "Wiersz: ", "Funkcja: ",
    // "Komunikat: ", "Wystąpił wyjątek" and then "Nie można wykonać funkcji". A call stopped
    // through Interrupt() gives "Wiersz: ", "Funkcja: " (where it stopped), "Komunikat: " with
    // the reason, "Przerwano działanie skryptu" and then "Nie można wykonać funkcji".
    bool ExecuteCall();
    // PrepareCall and ExecuteCall of a function without arguments.
    bool Call(int id);
    // PrepareCall, the two int arguments, ExecuteCall.
    bool CallWithPosition(int id, int x, int y);

    const CallbackIds& Ids() const { return m_ids; }

    // Stops the running call from another thread, the time limit of every call, and whether
    // a call is running (see ScriptInterrupt). Global initialisers run under it too.
    ScriptInterrupt& Interrupt() { return m_interrupt; }
    // Why the last call was stopped; None when it ran to its end or failed otherwise. Lets a
    // caller tell the user's stop from a failure of the script.
    StopReason LastStop() const { return m_lastStop; }

    AngelScript::asIScriptEngine* Engine() const { return m_engine; }
    AngelScript::asIScriptContext* Context() const { return m_context; }

    // Limits of a context's stacks: the script's data in bytes, and nested script calls.
    // Unbounded recursion ends in the script exception "Stack overflow" instead of
    // exhausting memory.
    static constexpr unsigned MaxStackSize = 16u << 20;
    static constexpr unsigned MaxCallDepth = 10000;

private:
    bool Compile(AngelScript::asIScriptModule& module, std::string_view code);
    // Runs the global initialisers through the one context, under the interrupt.
    bool InitialiseGlobals(AngelScript::asIScriptModule& module);
    void LookUpCallbacks(AngelScript::asIScriptModule& module);
    // The entries of a call stopped for `reason`, with the place where it stopped.
    void RaiseStopped(StopReason reason);

    AngelScript::asIScriptEngine* m_engine { nullptr };
    AngelScript::asIScriptContext* m_context { nullptr };
    CompileMsgs m_messages;
    CallbackIds m_ids;
    ScriptInterrupt m_interrupt;
    StopReason m_lastStop { StopReason::None };
};

}  // namespace core

#pragma once
// Shared helpers of the machine-code compiler's tests: one definition run with the compiler
// and in the interpreter from the same seeds and clock, and everything a script can change
// compared between the two.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "cells/Cell.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "core/WorkbenchState.h"
#include "jit/Compiler.h"

namespace jittest {

using cells::Cell;
using cells::CellTable;
using core::Automaton;
using core::Chain;
using core::Generations;
using core::ScriptJitFactory;
using errors::ClearErrors;

enum class Engine { Interpreter, MachineCode };

// What a script can change: the load's and each step's error chain, every generation's
// bytes, the counter, the status line and the user buttons.
struct Observed {
    std::vector<Chain> Steps;  // the load first
    std::vector<std::string> Tables;
    uint32_t Counter { 0 };
    std::string Status;
    uint32_t StatusColor { 0 };
    std::array<bool, core::UserButtonCount> Buttons {};
    bool operator==(const Observed&) const = default;
};

struct Outcome {
    bool Loaded { false };
    Observed Seen;
    jit::Compiler::Statistics Compiler;  // of the machine-code run
};

// A factory of compilers for automatons that tells the last compiler it made.
inline ScriptJitFactory Compilers(jit::Compiler*& made) {
    return [&made](Automaton& owner) {
        auto compiler = std::make_unique<jit::Compiler>(&owner);
        made = compiler.get();
        return std::unique_ptr<AngelScript::asIJITCompiler>(std::move(compiler));
    };
}

// Compiles nothing: the engine keeps the instructions for a JIT and interprets them.
struct Refusing : AngelScript::asIJITCompiler {
    int CompileFunction(AngelScript::asIScriptFunction*, AngelScript::asJITFunction*) override { return AngelScript::asERROR; }
    void ReleaseJITFunction(AngelScript::asJITFunction) override {}
};

// A step after loading: by default one iteration; tests add button and mouse calls.
using Step = std::function<bool(Automaton&)>;
inline bool Iterate(Automaton& automaton) { return automaton.ComputeIteration(); }
inline std::vector<Step> Iterations(int count) { return std::vector<Step>(static_cast<size_t>(count), Iterate); }

inline Outcome RunDefinition(const std::string& definition, Engine engine, const std::vector<Step>& steps) {
    static core::ManualClock clock;
    clock.Seconds = 100.0;
    core::ProcessCRandGenerator().Seed(20240601u);
    core::ProcessNormalGenerator().Seed(777u);
    ClearErrors();
    Outcome outcome;
    jit::Compiler* compiler = nullptr;
    core::WorkbenchState controls;  // the status line and the buttons, as the workbench has them
    Automaton automaton(clock);
    automaton.SetBeepService(clock);
    automaton.SetScriptControls(controls);
    automaton.SetScriptJit(engine == Engine::MachineCode ? Compilers(compiler) : ScriptJitFactory());
    // One path for both ways: the load's chain names the file.
    std::string path = (core::TempFolder() / "differential.vl").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << definition;
    outcome.Loaded = automaton.LoadDefinition(path);
    outcome.Seen.Steps.push_back(core::TakeChain());
    for (size_t k = 0; outcome.Loaded && k < steps.size(); ++k) {
        steps[k](automaton);
        outcome.Seen.Steps.push_back(core::TakeChain());
    }
    const Generations& cells = automaton.Cells();
    for (int i = 0; i < cells.Buffers(); ++i)
        outcome.Seen.Tables.emplace_back(reinterpret_cast<const char*>(cells.Table(i).Data()),
                                         cells.Table(i).CellCount() * sizeof(Cell));
    outcome.Seen.Counter = automaton.IterationCounter();
    outcome.Seen.Status = controls.StatusText();
    outcome.Seen.StatusColor = controls.StatusColor();
    for (int slot = 0; slot < core::UserButtonCount; ++slot)
        outcome.Seen.Buttons[static_cast<size_t>(slot)] = controls.ButtonDown(slot);
    if (compiler) outcome.Compiler = compiler->Counts();
    return outcome;
}

// Where two runs differ, for the failure message: the chains, or the first differing byte.
inline std::string Difference(const Observed& a, const Observed& b) {
    if (a.Steps != b.Steps) return "chains " + ::testing::PrintToString(a.Steps) + " / " + ::testing::PrintToString(b.Steps);
    std::string text = "status " + a.Status + " / " + b.Status + ", counter " + std::to_string(a.Counter) + " / " +
                       std::to_string(b.Counter) + ", buttons " + ::testing::PrintToString(a.Buttons) + " / " +
                       ::testing::PrintToString(b.Buttons);
    for (size_t t = 0; t < std::min(a.Tables.size(), b.Tables.size()); ++t)
        for (size_t i = 0; i < std::min(a.Tables[t].size(), b.Tables[t].size()); ++i)
            if (a.Tables[t][i] != b.Tables[t][i])
                return text + "; generation " + std::to_string(t) + " cell " + std::to_string(i / sizeof(Cell)) +
                       " byte " + std::to_string(i % sizeof(Cell));
    return text;
}

// Runs `definition` both ways and expects the same outcome; returns the compiled run.
inline Outcome ExpectSameBothWays(const std::string& definition, const std::vector<Step>& steps, const std::string& what) {
    Outcome jit = RunDefinition(definition, Engine::MachineCode, steps);
    Outcome interpreter = RunDefinition(definition, Engine::Interpreter, steps);
    EXPECT_TRUE(jit.Seen == interpreter.Seen) << what << ": " << Difference(jit.Seen, interpreter.Seen);
    return jit;
}

}  // namespace jittest

#pragma once
// Shared helpers of the machine-code compiler's tests: one definition run with the compiler
// and in the interpreter from the same seeds and clock, and everything a script can change
// compared between the two.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../core/CoreTestSupport.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "jit/Compiler.h"

namespace jittest {

using coretest::Chain;

enum class Engine { Interpreter, MachineCode };

// What a run leaves: the load's outcome, each step's error chain, every generation's bytes,
// the counter, the status line and the user buttons.
struct Outcome {
    bool Loaded { false };
    std::vector<Chain> Steps;  // the load first, then each step
    std::vector<std::string> Tables;
    uint32_t Counter { 0 };
    std::string Status;
    uint32_t StatusColor { 0 };
    std::array<bool, Automaton::UserButtons> Buttons {};
    int Compiled { 0 };  // functions the compiler gave machine code
    int Refused { 0 };   // and those it left to the interpreter
    std::map<AngelScript::asEBCInstr, int> LeftToInterpreter;
};

// A step after loading: by default one iteration; tests add button and mouse calls.
using Step = std::function<bool(Automaton&)>;

inline bool Iterate(Automaton& automaton) { return automaton.ComputeIteration(); }

inline Outcome RunDefinition(const std::string& definition, Engine engine, const std::vector<Step>& steps) {
    static coretest::ManualClock clock;
    clock.Seconds = 100.0;
    ProcessCRandGenerator().Seed(20240601u);
    ProcessNormalGenerator().Seed(777u);
    ClearErrors();
    Outcome outcome;
    jit::Compiler* compiler = nullptr;
    {
        Automaton automaton(clock);
        automaton.SetBeepService(clock);
        if (engine == Engine::MachineCode)
            automaton.SetScriptJit([&compiler](Automaton& owner) {
                auto made = std::make_unique<jit::Compiler>(&owner);
                compiler = made.get();
                return std::unique_ptr<AngelScript::asIJITCompiler>(std::move(made));
            });
        else
            automaton.SetScriptJit({});
        // One path for both ways: the load's chain names the file.
        std::string path = (coretest::TempFolder() / "differential.vl").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << definition;
        outcome.Loaded = automaton.LoadDefinition(path);
        outcome.Steps.push_back(coretest::TakeChain());
        if (outcome.Loaded) {
            for (const Step& step : steps) {
                step(automaton);
                outcome.Steps.push_back(coretest::TakeChain());
            }
            const Generations& cells = automaton.Cells();
            for (int i = 0; i < cells.Buffers(); ++i) {
                const CellTable& table = cells.Table(i);
                outcome.Tables.emplace_back(reinterpret_cast<const char*>(table.Data()), table.CellCount() * sizeof(Cell));
            }
        }
        outcome.Counter = automaton.IterationCounter();
        outcome.Status = automaton.StatusText();
        outcome.StatusColor = automaton.StatusColor();
        for (int slot = 0; slot < Automaton::UserButtons; ++slot) outcome.Buttons[static_cast<size_t>(slot)] = automaton.ButtonDown(slot);
        if (compiler) {
            outcome.Compiled = compiler->Counts().Compiled;
            outcome.Refused = compiler->Counts().Refused;
            outcome.LeftToInterpreter = compiler->Counts().LeftToInterpreter;
        }
    }
    return outcome;
}

inline std::vector<Step> Iterations(int count) { return std::vector<Step>(static_cast<size_t>(count), Iterate); }

// The fields of the first cell where two tables differ, for the failure message.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t cells = std::min(a.size(), b.size()) / sizeof(Cell);
    for (size_t i = 0; i < cells; ++i)
        if (std::memcmp(a.data() + i * sizeof(Cell), b.data() + i * sizeof(Cell), sizeof(Cell)) != 0) {
            Cell x, y;
            std::memcpy(&x, a.data() + i * sizeof(Cell), sizeof x);
            std::memcpy(&y, b.data() + i * sizeof(Cell), sizeof y);
            std::string text = "cell " + std::to_string(i) + ":";
            for (int k = 0; k < 4; ++k)
                text += " b" + std::to_string(k + 1) + " " + std::to_string(BoolField(x, k)) + "/" + std::to_string(BoolField(y, k));
            for (int k = 0; k < 4; ++k)
                text += " u" + std::to_string(k + 1) + " " + std::to_string(UintField(x, k)) + "/" + std::to_string(UintField(y, k));
            for (int k = 0; k < 4; ++k)
                text += " f" + std::to_string(k + 1) + " " + std::to_string(FloatField(x, k)) + "/" + std::to_string(FloatField(y, k));
            return text;
        }
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size());
}

// Compares everything but the compiler's own count; true when the two runs agree.
inline bool Same(const Outcome& jit, const Outcome& interpreter, std::string& difference) {
    if (jit.Loaded != interpreter.Loaded)
        difference = "loaded " + std::to_string(jit.Loaded) + "/" + std::to_string(interpreter.Loaded) + " " +
                     ::testing::PrintToString(jit.Steps[0]) + " / " + ::testing::PrintToString(interpreter.Steps[0]);
    else if (jit.Steps != interpreter.Steps) difference = "chains " + ::testing::PrintToString(jit.Steps) + " / " + ::testing::PrintToString(interpreter.Steps);
    else if (jit.Tables.size() != interpreter.Tables.size()) difference = "generation count";
    else if (jit.Counter != interpreter.Counter) difference = "counter";
    else if (jit.Status != interpreter.Status || jit.StatusColor != interpreter.StatusColor) difference = "status " + jit.Status + " / " + interpreter.Status;
    else if (jit.Buttons != interpreter.Buttons) difference = "buttons";
    else
        for (size_t i = 0; i < jit.Tables.size() && difference.empty(); ++i)
            if (jit.Tables[i] != interpreter.Tables[i])
                difference = "generation " + std::to_string(i) + ", " + FirstDifference(jit.Tables[i], interpreter.Tables[i]);
    return difference.empty();
}

// Runs `definition` both ways and expects the same outcome; returns the compiled run.
inline Outcome ExpectSameBothWays(const std::string& definition, const std::vector<Step>& steps, const std::string& what) {
    Outcome jit = RunDefinition(definition, Engine::MachineCode, steps);
    Outcome interpreter = RunDefinition(definition, Engine::Interpreter, steps);
    std::string difference;
    EXPECT_TRUE(Same(jit, interpreter, difference)) << what << ": " << difference;
    return jit;
}

}  // namespace jittest

#include <gtest/gtest.h>

#include <cmath>

#include "CoreTestSupport.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::LoadAutomaton;
using coretest::TakeChain;
using Chain = std::vector<std::string>;

namespace {

enum class Kind { Uint, Float, Bool };

struct Expression {
    const char* Text;
    Kind Type;
    double Expected;
};

// One call of (nearly) every host function, each checked for the behaviour its declaration
// promises, so a function bound to the wrong declaration or reading the wrong argument shows.
const Expression Expressions[] = {
    {"GetWidth()", Kind::Uint, 60},
    {"GetHeight()", Kind::Uint, 2},
    {"PI()", Kind::Float, 3.1415927f},
    {"E()", Kind::Float, 2.7182817f},
    {"abs_i(-2147483647 - 1)", Kind::Uint, 0x80000000u},
    {"abs_f(-2.5f)", Kind::Float, 2.5},
    {"min_u(3, 0xFFFFFFFF)", Kind::Uint, 3},
    {"min_i(-3, 2)", Kind::Uint, static_cast<uint32_t>(-3)},
    {"min_f(1.5f, -1.0f)", Kind::Float, -1.0},
    {"max_u(3, 0xFFFFFFFF)", Kind::Uint, 0xFFFFFFFFu},
    {"max_i(-3, 2)", Kind::Uint, 2},
    {"max_f(1.5f, -1.0f)", Kind::Float, 1.5},
    {"minmax_u(2, 9, 7)", Kind::Uint, 7},
    {"minmax_i(0, -3, 10)", Kind::Uint, 0},
    {"minmax_f(20.0f, 5.0f, 10.0f)", Kind::Float, 20.0},
    {"rand_u_range(5, 5)", Kind::Uint, 5},
    {"rand_f_range(3.0f, 3.0f)", Kind::Float, 3.0},
    {"sin(0.5f)", Kind::Float, std::sin(0.5)},
    {"cos(0.5f)", Kind::Float, std::cos(0.5)},
    {"tan(0.5f)", Kind::Float, std::tan(0.5)},
    {"asin(0.5f)", Kind::Float, std::asin(0.5)},
    {"acos(0.5f)", Kind::Float, std::acos(0.5)},
    {"atan(0.5f)", Kind::Float, std::atan(0.5)},
    {"sinh(0.5f)", Kind::Float, std::sinh(0.5)},
    {"cosh(0.5f)", Kind::Float, std::cosh(0.5)},
    {"tanh(0.5f)", Kind::Float, std::tanh(0.5)},
    {"atan2(1.0f, -1.0f)", Kind::Float, std::atan2(1.0, -1.0)},
    {"ceil(1.2f)", Kind::Float, 2.0},
    {"floor(-1.2f)", Kind::Float, -2.0},
    {"round(-2.5f)", Kind::Uint, static_cast<uint32_t>(-2)},
    {"round(2.5f)", Kind::Uint, 3},
    {"fmod(7.5f, 2.0f)", Kind::Float, 1.5},
    {"log10(1000.0f)", Kind::Float, 3.0},
    {"log(1.0f)", Kind::Float, 0.0},
    {"exp(1.0f)", Kind::Float, std::exp(1.0)},
    {"pow(2.0f, 10.0f)", Kind::Float, 1024.0},
    {"sqrt(16.0f)", Kind::Float, 4.0},
    {"exp(1000.0f)", Kind::Float, HUGE_VAL},
    {"InterpolateColor(0x000000, 0xFFFFFF, 0.5f)", Kind::Uint, 0xFF7F7F7Fu},
    {"InterpolateColor(0x123456, 0xFFFFFF, 0.0f)", Kind::Uint, 0xFF123456u},
    {"RainbowColor(0.0f)", Kind::Uint, 0x00FF0000u},
    {"RainbowColor(1.0f)", Kind::Uint, 0x007F00FFu},
    {"Grayscale(0xFFFFFF)", Kind::Float, 1.0},
    {"GetButtonDown(0) == GetButtonDown(10)", Kind::Bool, 1},
    {"GetButtonDown(3)", Kind::Bool, 1},
    {"GetButtonDown(11)", Kind::Bool, 0},
};

std::string ExpressionScript() {
    std::string code = "void OnInit() {\n  SetButtonDown(10, true);\n  SetButtonDown(3, true);\n  SetButtonDown(-1, true);\n";
    int x = 0;
    for (const Expression& e : Expressions) {
        const char* setter = e.Type == Kind::Uint ? "SetBuffer_u1" : e.Type == Kind::Float ? "SetBuffer_f1" : "SetBuffer_b1";
        const char* cast = e.Type == Kind::Uint ? "uint(" : "(";
        code += "  " + std::string(setter) + "(" + std::to_string(x++) + ", 1, " + cast + e.Text + "));\n";
    }
    return code + "}\nvoid OnFrame() {}\n";
}

class HostFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { ClearErrors(); }
};

TEST_F(HostFunctionsTest, EveryFunctionDoesWhatItsDeclarationSays) {
    auto automaton = LoadAutomaton(Definition(ExpressionScript(), "", 60, 2));
    ASSERT_TRUE(automaton->Loaded()) << ::testing::PrintToString(TakeChain());
    int x = 0;
    for (const Expression& e : Expressions) {
        const Cell& cell = automaton->Cells().ReadCell(x++, 1);
        switch (e.Type) {
            case Kind::Uint: EXPECT_EQ(cell.u1, static_cast<uint32_t>(e.Expected)) << e.Text; break;
            case Kind::Bool: EXPECT_EQ(cell.b1, e.Expected) << e.Text; break;
            case Kind::Float:
                if (std::isinf(e.Expected)) {
                    EXPECT_TRUE(std::isinf(cell.f1)) << e.Text;
                } else {
                    EXPECT_NEAR(cell.f1, e.Expected, 1e-6 * std::max(1.0, std::fabs(e.Expected))) << e.Text;
                }
                break;
        }
    }
    EXPECT_TRUE(automaton->ButtonDown(9));
    EXPECT_TRUE(automaton->GetButtonDown(0));
}

TEST_F(HostFunctionsTest, CellsAreReadFromThePreviousGenerationAndWrittenToTheCurrentOne) {
    // b/u/f fields of each number, written through SetBuffer and read back after the copy.
    std::string code =
        "void OnInit() {\n"
        "  SetBuffer_b1(0, 0, true); SetBuffer_b4(1, 0, true);\n"
        "  SetBuffer_u2(0, 0, 7); SetBuffer_u3(1, 0, 0xFFFFFFFF);\n"
        "  SetBuffer_f3(0, 0, -1.5f); SetBuffer_f4(1, 0, 2.25f);\n"
        "}\n"
        "void OnFrame() {\n"
        "  SetBuffer_u1(2, 2, 5);\n"
        "  SetBuffer_u1(3, 3, GetBuffer_u1(2, 2) + 1);\n"                   // still the old 0
        "  SetBuffer_u1(4, 3, GetBuffer_u2(-5, 0) + GetBuffer_u3(1, -4));\n"  // outside: default cell
        "  SetBuffer_b2(0, 1, GetBuffer_b1(0, 0) && GetBuffer_b4(1, 0) && !GetBuffer_b2(0, 0));\n"
        "  SetBuffer_f1(1, 1, GetBuffer_f3(0, 0) + GetBuffer_f4(1, 0) + GetBuffer_f2(-1, 0));\n"
        "}\n";
    auto automaton = LoadAutomaton(Definition(code, "Default: [u2 = 100, u3: 20, f2: 0.5]"));
    ASSERT_TRUE(automaton->Loaded()) << ::testing::PrintToString(TakeChain());
    ASSERT_TRUE(automaton->ComputeIteration());
    const Generations& cells = automaton->Cells();
    EXPECT_EQ(cells.ReadCell(3, 3).u1, 1u);
    EXPECT_EQ(cells.ReadCell(4, 3).u1, 120u);
    EXPECT_EQ(cells.ReadCell(0, 1).b2, 1);
    EXPECT_EQ(cells.ReadCell(1, 1).f1, 1.25f);
    EXPECT_EQ(cells.ReadCell(1, 0).u3, 0xFFFFFFFFu);
}

TEST_F(HostFunctionsTest, WritesOutsideTheWorldStopTheScriptWithTheFamilysText) {
    struct Case { const char* call; const char* text; };
    for (Case c : {Case {"SetBuffer_b3(-1, 3, true)", "Błąd w funkcji \"SetBuffer_bX\" - indeks poza zakresem (-1,3)"},
                   Case {"SetBuffer_u1(5, 0, 1)", "Błąd w funkcji \"SetBuffer_uX\" - indeks poza zakresem (5,0)"},
                   Case {"SetBuffer_f4(0, -2147483647 - 1, 1.0f)",
                         "Błąd w funkcji \"SetBuffer_fX\" - indeks poza zakresem (0,-2147483648)"}}) {
        // Not even a try/catch in the script keeps it going.
        std::string code = std::string("void OnInit() {}\nvoid OnFrame() {\n  try { ") + c.call +
                           "; } catch {}\n  SetBuffer_u4(0, 0, 1);\n}\n";
        // Wrap does not make writes wrap.
        auto automaton = LoadAutomaton(Definition(code, "", 5, 4, 2, "true"));
        ASSERT_TRUE(automaton->Loaded());
        EXPECT_FALSE(automaton->ComputeIteration());
        EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 4", "Funkcja: void OnFrame()", std::string("Komunikat: ") + c.text,
                                       "Wystąpił wyjątek", "Nie można wykonać funkcji", "Nie można przeliczyć klatki"}));
        EXPECT_EQ(automaton->Cells().Table(0).At(0, 0).u4, 0u) << "the script stopped at the failing write";
    }
}

TEST_F(HostFunctionsTest, GlobalInitialisersRunBeforeTheWorldExists) {
    // The engine initialises globals while it compiles: reads then see the default cell and
    // the header's size, and a write has nowhere to go.
    auto automaton = LoadAutomaton(Definition(
        "int w = GetWidth();\nuint d = GetBuffer_u1(0, 0) + GetBuffer_u1(-1, 9);\n"
        "void OnInit() { SetBuffer_u1(0, 0, w * 100 + d); }\nvoid OnFrame() {}\n", "Default: [u1: 3]", 7, 2));
    ASSERT_TRUE(automaton->Loaded()) << ::testing::PrintToString(TakeChain());
    EXPECT_EQ(automaton->Cells().ReadCell(0, 0).u1, 706u);

    auto writing = LoadAutomaton(Definition("bool b = Write();\nbool Write() { SetBuffer_b1(0, 0, true); return true; }\n"
                                            "void OnInit() {}\nvoid OnFrame() {}\n"));
    EXPECT_FALSE(writing->Loaded());
    Chain chain = TakeChain();
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_NE(chain[0].find("SetBuffer_bX"), std::string::npos) << chain[0];
    EXPECT_EQ(chain[1], "Nie można skompilować skryptu");
}

TEST_F(HostFunctionsTest, StatusBeepAssertAndError) {
    struct Recorder : BeepService {
        void Beep(uint32_t frequency, uint32_t duration) override { Calls.push_back({frequency, duration}); }
        std::vector<std::pair<uint32_t, uint32_t>> Calls;
    } recorder;
    auto automaton = LoadAutomaton(Definition("void OnInit() { Debug(-12, 7); }\n"
                                              "void OnFrame() { Beep(440, 20); Beep(0xFFFFFFFF, 0); assert(true); error(-3); }\n"
                                              "void OnButton1() { assert(false); }\n"));
    automaton->SetBeepService(recorder);
    EXPECT_EQ(automaton->StatusText(), "-12 7");
    EXPECT_EQ(automaton->StatusColor(), 0xFFFFFFFFu);
    EXPECT_FALSE(automaton->ComputeIteration());
    EXPECT_EQ(TakeChain()[2], "Komunikat: Wywołano funkcję \"error\", kod: -3");
    EXPECT_EQ(recorder.Calls, (std::vector<std::pair<uint32_t, uint32_t>> {{440u, 20u}, {0xFFFFFFFFu, 0u}}));
    EXPECT_FALSE(automaton->RunButtonCallback(0));
    EXPECT_EQ(TakeChain()[2], "Komunikat: Asercja jest fałszywa");
}

TEST_F(HostFunctionsTest, RandomFunctionsDrawFromTheProcessGenerators) {
    // The tick count seeds the C-style generator before every OnFrame: at 1 ms, seed 1.
    coretest::ManualClock clock;
    clock.Seconds = 0.001;
    auto automaton = LoadAutomaton(Definition(
        "void OnInit() {}\nvoid OnFrame() {\n  SetBuffer_u1(0, 0, rand_u());\n  SetBuffer_b1(1, 0, rand_b());\n"
        "  SetBuffer_f1(2, 0, rand_f());\n  SetBuffer_f2(3, 0, rand_normal(1.0f));\n}\n"), clock);
    ASSERT_TRUE(automaton->Loaded());
    NormalGenerator expected;
    expected.Seed(777);
    ProcessNormalGenerator().Seed(777);
    ASSERT_TRUE(automaton->ComputeIteration());
    const Generations& cells = automaton->Cells();
    EXPECT_EQ(cells.ReadCell(0, 0).u1, 0x2329BE84u);
    EXPECT_EQ(cells.ReadCell(1, 0).b1, 0);                     // 19169 = ...0001: bit 2 clear
    EXPECT_EQ(cells.ReadCell(2, 0).f1, 15724.0f * 3.051851e-5f);  // the sixth draw of seed 1
    EXPECT_EQ(cells.ReadCell(3, 0).f2, expected.Next(1.0f));
    // The next iteration in the same millisecond draws the same numbers.
    ASSERT_TRUE(automaton->ComputeIteration());
    EXPECT_EQ(automaton->Cells().ReadCell(0, 0).u1, 0x2329BE84u);
}

}  // namespace

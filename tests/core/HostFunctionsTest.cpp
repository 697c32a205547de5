// The script's host functions, the maths and random helpers behind them, and how the script
// host passes arguments and reports failing calls.
#include <cfloat>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/CRandGenerator.h"
#include "core/HostCall.h"
#include "core/NormalGenerator.h"
#include "core/ScriptHost.h"
#include "core/ScriptMath.h"
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"

using namespace AngelScript;

namespace core {
namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

// One call of (nearly) every host function, so that a function bound to the wrong declaration
// or reading the wrong argument shows. Whole-number results are compared as uint.
const std::pair<const char*, double> Whole[] = {
    {"GetWidth()", 30}, {"GetHeight()", 2}, {"abs_i(-2147483647 - 1)", 0x80000000u}, {"min_u(3, 0xFFFFFFFF)", 3},
    {"min_i(-3, 2)", 0xFFFFFFFDu}, {"max_u(3, 0xFFFFFFFF)", 0xFFFFFFFFu}, {"max_i(-3, 2)", 2}, {"minmax_u(2, 9, 7)", 7},
    {"minmax_i(0, 15, 10)", 10}, {"minmax_i(0, -3, 10)", 0}, {"minmax_i(20, 5, 10)", 20}, {"rand_u_range(5, 5)", 5},
    {"round(-2.5f)", 0xFFFFFFFEu}, {"round(2.5f)", 3}, {"InterpolateColor(0x000000, 0xFFFFFF, 0.5f)", 0xFF7F7F7Fu},
    {"InterpolateColor(0x123456, 0xFFFFFF, 0.0f)", 0xFF123456u}, {"RainbowColor(0.0f)", 0x00FF0000u},
    {"RainbowColor(1.0f)", 0x007F00FFu}, {"GetButtonDown(0) ? 1 : 0", 1}, {"GetButtonDown(10) ? 1 : 0", 1},
    {"GetButtonDown(3) ? 1 : 0", 1}, {"GetButtonDown(11) ? 1 : 0", 0},
};
const std::pair<const char*, double> Floats[] = {
    {"PI()", 3.1415927f}, {"E()", 2.7182817f}, {"abs_f(-2.5f)", 2.5}, {"min_f(1.5f, -1.0f)", -1.0},
    {"max_f(1.5f, -1.0f)", 1.5}, {"minmax_f(20.0f, 5.0f, 10.0f)", 20}, {"rand_f_range(3.0f, 3.0f)", 3},
    {"sin(0.5f)", std::sin(0.5)}, {"cos(0.5f)", std::cos(0.5)}, {"tan(0.5f)", std::tan(0.5)},
    {"asin(0.5f)", std::asin(0.5)}, {"acos(0.5f)", std::acos(0.5)}, {"atan(0.5f)", std::atan(0.5)},
    {"sinh(0.5f)", std::sinh(0.5)}, {"cosh(0.5f)", std::cosh(0.5)}, {"tanh(0.5f)", std::tanh(0.5)},
    {"atan2(1.0f, -1.0f)", std::atan2(1.0, -1.0)}, {"ceil(1.2f)", 2}, {"floor(-1.2f)", -2}, {"fmod(7.5f, 2.0f)", 1.5},
    {"log10(1000.0f)", 3}, {"log(1.0f)", 0}, {"exp(1.0f)", std::exp(1.0)}, {"pow(2.0f, 10.0f)", 1024},
    {"sqrt(16.0f)", 4}, {"exp(1000.0f)", HUGE_VAL}, {"Grayscale(0xFFFFFF)", 1},
};

TEST(HostFunctions, EveryFunctionDoesWhatItsDeclarationSays) {
    std::string code = "void OnFrame() {}\nvoid OnInit() {\n  SetButtonDown(10, true); SetButtonDown(3, true);\n"
                       "  SetButtonDown(-1, true); SetButtonDown(11, true); Debug(-12, 7); assert(true);\n";
    for (size_t x = 0; x < std::size(Whole); ++x)
        code += "  SetBuffer_u1(" + std::to_string(x) + ", 0, uint(" + Whole[x].first + "));\n";
    for (size_t x = 0; x < std::size(Floats); ++x)
        code += "  SetBuffer_f1(" + std::to_string(x) + ", 1, " + Floats[x].first + ");\n";
    WorkbenchState state;  // the buttons and the status line the script reaches
    auto automaton = LoadAutomaton(Definition(code + "}\n", "", 30, 2), DriverClock::System(), &state);
    ASSERT_TRUE(automaton->Loaded());
    for (int x = 0; x < static_cast<int>(std::size(Whole)); ++x)
        EXPECT_EQ(automaton->Cells().ReadCell(x, 0).u1, static_cast<uint32_t>(Whole[x].second)) << Whole[x].first;
    for (int x = 0; x < static_cast<int>(std::size(Floats)); ++x) {
        double value = automaton->Cells().ReadCell(x, 1).f1, expected = Floats[x].second;
        EXPECT_TRUE(value == expected || std::fabs(value - expected) <= 1e-6 * std::max(1.0, std::fabs(expected)))
            << Floats[x].first << " gave " << value;
    }
    EXPECT_EQ(state.StatusText(), "-12 7");
    for (int slot = 0; slot < UserButtonCount; ++slot)
        EXPECT_EQ(state.ButtonDown(slot), slot == 2 || slot == 9) << slot;
}

// The tick count seeds the C-style generator before every OnFrame: at 1 ms, seed 1, whose
// fifth draw 19169 has bit 2 clear and whose sixth is 15724.
TEST(HostFunctions, RandomFunctionsDrawFromTheProcessGenerators) {
    ManualClock clock;
    clock.Seconds = 0.001;
    auto automaton = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() {\n  SetBuffer_u1(0, 0, rand_u());\n"
                                              "  SetBuffer_b1(0, 0, rand_b()); SetBuffer_f1(0, 0, rand_f());\n"
                                              "  SetBuffer_f2(0, 0, rand_normal(2.0f));\n}\n"), clock);
    NormalGenerator normal;
    normal.Seed(777);
    ProcessNormalGenerator().Seed(777);
    normal.Next(2.0f);
    ASSERT_TRUE(automaton->ComputeIteration() && automaton->ComputeIteration());  // within one millisecond
    const cells::Cell& cell = automaton->Cells().ReadCell(0, 0);
    EXPECT_EQ(std::make_tuple(cell.u1, cell.b1, cell.f1, cell.f2),
              std::make_tuple(0x2329BE84u, 0, 15724.0f * 3.051851e-5f, normal.Next(2.0f)));
}

TEST(ScriptMath, EdgesOfMinMaxAndRound) {
    EXPECT_TRUE(std::isnan(MinOf(NaN, 1.0f)) && std::isnan(MaxOf(NaN, 1.0f)));  // unordered: the first
    EXPECT_EQ(std::make_tuple(MinOf(1.0f, NaN), MaxOf(1.0f, NaN), MinMaxOf(0.0f, NaN, 1.0f)),
              std::make_tuple(1.0f, 1.0f, 0.0f));
    EXPECT_TRUE(std::signbit(MinOf(-0.0f, 0.0f)));  // ties keep the first
    EXPECT_EQ(base::NarrowToFloat(-1e300), -Inf);
    EXPECT_EQ(base::NarrowToFloat(static_cast<double>(FLT_MAX) * (1 + 0x1p-25)), FLT_MAX);  // rounds down, as IEEE does
    EXPECT_EQ(base::NarrowToFloat(static_cast<double>(FLT_MAX) * (1 + 0x1p-24)), Inf);
    const std::pair<float, int32_t> cases[] = {{2.5f, 3}, {-2.5f, -2}, {-1.6f, -1}, {-0.7f, 0}, {0.49999997f, 0},
        {1e10f, INT32_MAX}, {-Inf, INT32_MIN}, {NaN, 0}, {-2147483648.0f, -2147483647}};
    for (auto [value, expected] : cases) EXPECT_EQ(RoundToInt(value), expected) << value;
}

// The C-style generator: seed 1 draws 41, 18467, 6334, 26500, 19169, 15724, as the C
// library's does. The normal generator steps three times per number and takes its sign from
// the third step; a first step of 0 (seed 0x969B02E1) makes the logarithm infinite.
TEST(ScriptRandom, TheGeneratorsFromKnownSeeds) {
    CRandGenerator generator;
    generator.Seed(1);
    for (uint32_t expected : {41u, 18467u, 6334u, 26500u, 19169u}) EXPECT_EQ(generator.Draw(), expected);
    EXPECT_TRUE(RandomBool(generator));  // 15724: bit 2 set
    generator.Seed(99);  // a zero modulus (high = low - 1) gives A xor B itself
    uint32_t a = RandomUint(generator), b = RandomUint(generator);
    generator.Seed(99);
    EXPECT_EQ(RandomUintRange(generator, 7, 6), a ^ b);

    struct Case { uint32_t seed, state; float value; };
    for (Case c : {Case {0, 4111285669u, -2.64545894f}, Case {3, 1237488204u, 0.382774115f},
                   Case {12345678u, 3658105755u, 0.489488602f}, Case {0x969B02E1u, 0x9D6F2492u, Inf}}) {
        NormalGenerator normal;
        normal.Seed(c.seed);
        float value = normal.Next(2.0f);
        EXPECT_EQ(std::make_pair(value, normal.State()), std::make_pair(c.value, c.state)) << c.seed;
    }
}

TEST(ScriptHost, RunawayRecursionIsAScriptExceptionAndUnknownFunctionsAreRefused) {
    auto automaton = LoadAutomaton(Definition(MinimalScript + "int Deep(int n) { return Deep(n + 1) + 1; }\n"
                                                              "void OnButton1() { Deep(0); }\n"));
    EXPECT_FALSE(automaton->RunButtonCallback(0));
    Chain chain = TakeChain();
    EXPECT_EQ(chain.size() == 5 ? chain[1] : "", "Funkcja: int Deep(int)");
    EXPECT_TRUE(automaton->ComputeIteration());  // the context is still usable
    EXPECT_FALSE(automaton->Script().Call(123456));
    EXPECT_EQ(TakeChain(), (Chain {"Nie można przygotować wywołania funkcji o ID: 123456"}));
}

// Functions that read every kind of argument and give every kind of result through the
// layout of their auxiliary record, and count the script's checks.
struct Checked {
    HostCall::Layout Layout;
    int Checks { 0 }, Failures { 0 };
};
Checked& Record(asIScriptGeneric* g) { return *static_cast<Checked*>(g->GetAuxiliary()); }
HostCall Of(asIScriptGeneric* g) { return HostCall(g, Record(g).Layout); }
void Mix(asIScriptGeneric* g) {
    HostCall call = Of(g);
    call.ReturnFloat(static_cast<float>(call.Int(0)) + static_cast<float>(call.Uint(1)) + (call.Bool(2) ? 0.5f : 0.0f) +
                     call.Float(3));
}
void Twice(asIScriptGeneric* g) { Of(g).ReturnUint(Of(g).Uint(0) * 2); }
void Negate(asIScriptGeneric* g) { Of(g).ReturnInt(-Of(g).Int(0)); }
void IsNegative(asIScriptGeneric* g) { Of(g).ReturnBool(Of(g).Int(0) < 0); }
void Expect(asIScriptGeneric* g) { ++Record(g).Checks; Record(g).Failures += Of(g).Bool(0) ? 0 : 1; }
const std::pair<const char*, asGENFUNC_t> Functions[] = {{"float Mix(int, uint, bool, float)", Mix},
    {"uint Twice(uint)", Twice}, {"int Negate(int)", Negate}, {"bool IsNegative(int)", IsNegative},
    {"void Expect(bool)", Expect}};

TEST(HostCall, LearntLayoutAndInterfaceReadTheSameArgumentsAndResults) {
    ASSERT_TRUE(HostCall::ProcessLayout().Direct) << "the per-cell speed depends on the learnt layout";
    for (const HostCall::Layout& layout : {HostCall::ProcessLayout(), HostCall::Layout {}}) {
        Checked checked {layout};
        ScriptHost host;
        auto registrar = [&](asIScriptEngine& engine) {
            for (auto [declaration, function] : Functions)
                engine.RegisterGlobalFunction(declaration, asFUNCTION(function), asCALL_GENERIC, &checked);
        };
        ASSERT_TRUE(host.SetupScript("void OnFrame() {}\nvoid OnInit() {\n  Expect(Mix(-3, 10, true, 0.25f) == 7.75f);\n"
                                     "  Expect(Mix(5, 0, false, -1.5f) == 3.5f);\n"
                                     "  Expect(Twice(0x40000000) == 0x80000000);\n"
                                     "  Expect(Negate(-2147483647) == 2147483647);\n"
                                     "  Expect(IsNegative(-1) && !IsNegative(0));\n  Expect(false);\n}\n", registrar));
        ASSERT_TRUE(host.Call(host.Ids().OnInit));
        EXPECT_EQ(std::make_pair(checked.Checks, checked.Failures), std::make_pair(6, 1));  // only Expect(false) fails
    }
}

}  // namespace
}  // namespace core

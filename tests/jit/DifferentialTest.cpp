// Scripts compiled to machine code against the interpreter: the examples and the forms rules
// use, every cell field bit for bit, with the same chains, counters and statuses.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "JitTestSupport.h"
#include "jit/Jit.h"

using namespace jittest;
using namespace AngelScript;

namespace {

std::string ReadExample(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Differential, EveryExampleRunsAlikeWithItsButtonsAndMouse) {
    int examples = 0;
    for (const auto& file : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR)) {
        if (file.path().extension() != ".vl") continue;
        ++examples;
        std::vector<Step> steps = Iterations(6);
        for (int slot = 0; slot < core::UserButtonCount; ++slot)
            steps.push_back([slot](Automaton& automaton) { return automaton.RunButtonCallback(slot); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseDown(true, 3, 4); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseMove(true, 5, 5); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseUp(true, 5, 6); });
        for (int i = 0; i < 4; ++i) steps.push_back(Iterate);
        Outcome jit = ExpectSameBothWays(ReadExample(file.path()), steps, file.path().filename().string());
        EXPECT_TRUE(jit.Loaded);
        EXPECT_GT(jit.Compiler.Compiled, 0) << file.path();
    }
    EXPECT_GE(examples, 5);
}

// The programs' default: machine code unless VORLEN_JIT=0.
TEST(Differential, TheDefaultFollowsTheEnvironment) {
    const char* saved = std::getenv("VORLEN_JIT");
    std::string kept = saved ? saved : "";
    for (const char* setting : {"0", "1", ""}) {
        setenv("VORLEN_JIT", setting, 1);
        jit::InstallDefault();
        auto automaton = core::LoadAutomaton(core::Definition(core::MinimalScript));
        EXPECT_EQ(automaton->UsesScriptJit(), std::string(setting) != "0") << setting;
    }
    if (saved) setenv("VORLEN_JIT", kept.c_str(), 1);
    else unsetenv("VORLEN_JIT");
    jit::InstallDefault();
}

// Each snippet runs in OnFrame of a 4 x 3 world and leaves its results in cells; the ones
// that end in a script exception must end in the same chain.
TEST(Differential, EdgeValuesOfEveryKindOfInstruction) {
    const char* const snippets[] = {
        // Integer wrap-around, division and its exceptions, shifts past the width.
        "int a = 2147483647; a++; SetBuffer_u1(0, 0, uint(a)); SetBuffer_u2(0, 0, uint(a * -1));",
        "int m = -2147483647 - 1; SetBuffer_u1(0, 0, uint(-m)); SetBuffer_u2(0, 0, uint(abs_i(m)));",
        "int m = -2147483647 - 1; int d = -1; SetBuffer_u1(0, 0, uint(m / d));",
        "int m = -2147483647 - 1; int d = -1; SetBuffer_u1(0, 0, uint(m % d));",
        "int z = 0; SetBuffer_u1(1, 0, uint(7 / z));",
        "uint z = 0; SetBuffer_u1(1, 0, 7 % z);",
        "int64 z = 0; SetBuffer_u1(1, 0, uint(int64(7) / z));",
        "int s = 33; int v = -5; SetBuffer_u1(0, 0, uint(v << s)); SetBuffer_u2(0, 0, uint(v >> s));"
        " SetBuffer_u3(0, 0, uint(v >>> s)); uint w = 0x80000000; SetBuffer_u4(0, 0, w >> uint(31));",
        "int64 v = -5; uint s = 65; SetBuffer_u1(0, 0, uint(v << s)); SetBuffer_u2(0, 0, uint(v >> s >> uint(1)));",
        "int q = -7; SetBuffer_u1(2, 1, uint(q / 2)); SetBuffer_u2(2, 1, uint(q % 2)); SetBuffer_u3(2, 1, uint(q ** 3));",
        "int big = 1 << 20; SetBuffer_u1(0, 0, uint(big ** 3));",
        // Floats: NaN, infinities, signed zeros, denormals, division by zero.
        "float n = sqrt(-1.0f); SetBuffer_b1(0, 0, n == n); SetBuffer_b2(0, 0, n < 1.0f); SetBuffer_b3(0, 0, n >= 1.0f);"
        " SetBuffer_f1(0, 0, min_f(n, 1.0f)); SetBuffer_f2(0, 0, max_f(1.0f, n)); SetBuffer_f3(0, 0, abs_f(n));",
        "float z = -0.0f; SetBuffer_f1(0, 0, -z); SetBuffer_f2(0, 0, min_f(z, 0.0f)); SetBuffer_f3(0, 0, 1e-45f / 2.0f);"
        " SetBuffer_b1(0, 0, z == 0.0f);",
        "float z = 0.0f; SetBuffer_f1(0, 0, 1.0f / z);",
        "float z = -0.0f; SetBuffer_f1(0, 0, 5.5f % z);",
        "double z = 0.0; SetBuffer_f1(0, 0, float(1.0 / z));",
        "float f = 7.5f; SetBuffer_f1(0, 0, f % -2.0f); double d = -7.5; SetBuffer_f2(0, 0, float(d % 2.0));"
        " SetBuffer_f3(0, 0, float(d ** 0.5)); SetBuffer_f4(0, 0, f ** 40.0f);",
        // Conversions of values beyond the target range.
        "float h = 3e9f; float n = sqrt(-1.0f); SetBuffer_u1(0, 0, uint(h)); SetBuffer_u2(0, 0, uint(int(-h)));"
        " SetBuffer_u3(0, 0, uint(int(n))); SetBuffer_u4(0, 0, uint(-1.5f)); SetBuffer_u1(1, 0, uint(int(1e30)));"
        " SetBuffer_u2(1, 0, uint(int64(h * h))); SetBuffer_u3(1, 0, uint(uint64(-1.0)));",
        "uint u = 0xFFFFFFFF; SetBuffer_f1(0, 0, float(u)); SetBuffer_f2(0, 0, float(double(u)));"
        " uint64 b = 0xFFFFFFFFFFFFFFFF; SetBuffer_f3(0, 0, float(b)); SetBuffer_f4(0, 0, float(double(b)));"
        " int64 c = -9223372036854775807; SetBuffer_f1(1, 0, float(c)); SetBuffer_f2(1, 0, float(double(c)));"
        " uint64 e = 0x8000000000000401; SetBuffer_f3(1, 0, float(e)); SetBuffer_f4(1, 0, float(double(e) - 9.2e18));",
        "int8 a = int8(200); uint8 b = uint8(-1); int16 c = int16(40000); uint16 d = uint16(-2);"
        " SetBuffer_u1(0, 0, uint(a)); SetBuffer_u2(0, 0, uint(b)); SetBuffer_u3(0, 0, uint(c)); SetBuffer_u4(0, 0, uint(d));"
        " SetBuffer_f1(0, 0, float(a) + float(b) + float(c) + float(d));",
        // Reads outside the world (default cell, or wrapped) and the world's size.
        "SetBuffer_u1(0, 0, GetBuffer_u1(-1, 0) + GetBuffer_u1(4, 3) + GetBuffer_u1(-2147483647 - 1, 2147483647));"
        " SetBuffer_f1(0, 0, GetBuffer_f1(-5, -5)); SetBuffer_b1(0, 0, GetBuffer_b1(100, 0));"
        " SetBuffer_u2(0, 0, uint(GetWidth() * 10 + GetHeight()));",
        // Writes outside the world are exceptions, wrap or not.
        "SetBuffer_u1(4, 0, 1);",
        "SetBuffer_b3(0, -1, true);",
        "SetBuffer_f2(-2147483647 - 1, 0, 1.0f);",
        // The maths helpers and the colours.
        "float v = 0.7f; SetBuffer_f1(0, 0, sin(v) + cos(v) + tan(v) + asin(v) + acos(v) + atan(v));"
        " SetBuffer_f2(0, 0, sinh(v) + cosh(v) + tanh(v) + ceil(v) + floor(-v) + log10(v) + log(v) + exp(v) + sqrt(v));"
        " SetBuffer_f3(0, 0, atan2(v, -v) + fmod(v, 0.0f) + pow(v, 1000.0f) + exp(1000.0f));"
        " SetBuffer_u3(0, 0, uint(round(2.5f) + round(-2.5f) + round(1e10f)));"
        " SetBuffer_u4(0, 0, InterpolateColor(0x102030, 0xFFFFFF, sqrt(-1.0f)) ^ RainbowColor(0.3f));"
        " SetBuffer_f4(0, 0, Grayscale(0x123456) + PI() + E());",
        "SetBuffer_u1(0, 0, minmax_u(5, 1, 3) + min_u(1, 0xFFFFFFFF) + max_u(2, 0x80000000));"
        " SetBuffer_u2(0, 0, uint(minmax_i(20, 5, 10) + min_i(-3, 2) + max_i(-3, 2)));"
        " SetBuffer_f1(0, 0, minmax_f(0.0f, sqrt(-1.0f), 1.0f) + minmax_f(2.0f, 0.5f, 1.0f));",
        "SetBuffer_u1(0, 0, rand_u() ^ rand_u_range(3, 9) ^ rand_u_range(0, 0xFFFFFFFF)); SetBuffer_b1(0, 0, rand_b());"
        " SetBuffer_f1(0, 0, rand_f() + rand_f_range(-1.0f, 1.0f) + rand_normal(3.0f));",
        // The host functions that the code leaves to the engine, and their failures.
        "Debug(-7, 2147483647); SetButtonDown(3, true); SetBuffer_b1(0, 0, GetButtonDown(3)); assert(true);",
        "assert(GetWidth() == 5);",
        "error(-42);",
        // Script calls, recursion, globals and references.
        "SetBuffer_u1(0, 0, uint(Fib(15))); Bump(); Bump(); SetBuffer_u2(0, 0, Counter); SetBuffer_f1(0, 0, Scaled);",
        "int r = 0; Into(r); SetBuffer_u1(0, 0, uint(r));",
        "SetBuffer_u1(0, 0, uint(Fib(-1) / Zero()));",
    };
    const std::string helpers = "int Fib(int n) { return n < 2 ? n : Fib(n - 1) + Fib(n - 2); }\n"
                                "uint Counter = 7;\nfloat Scaled = 1.5f;\nconst int Step = 3;\n"
                                "void Bump() { Counter += Step; Counter++; Scaled *= -2.0f; }\n"
                                "void Into(int &out r) { r = 12345; }\nint Zero() { return 0; }\n";
    int exceptions = 0;
    for (const char* snippet : snippets) {
        std::string code = helpers + "void OnInit() {}\nvoid OnFrame() {\n  " + std::string(snippet) + "\n}\n";
        for (const char* wrap : {"false", "true"}) {
            Outcome jit = ExpectSameBothWays(core::Definition(code, "", 4, 3, 2, wrap), Iterations(2), snippet);
            EXPECT_TRUE(jit.Loaded) << snippet;
            exceptions += jit.Seen.Steps.size() > 1 && !jit.Seen.Steps[1].empty();
        }
    }
    EXPECT_EQ(exceptions, 2 * 15);  // the snippets that end in an exception, both ways
}

// The per-cell host functions and the maths, random and colour helpers never go through the
// engine's call.
TEST(Differential, CellAndMathsFunctionsAreInlinedOrCalledDirectly) {
    std::string code = "void OnInit() {}\nvoid OnFrame() {\n  int w = GetWidth(), h = GetHeight();\n"
                       "  for (int x = 0; x < w; x++)\n    for (int y = 0; y < h; y++) {\n";
    for (char kind : {'b', 'u', 'f'})
        for (int field = 1; field <= 4; ++field) {
            std::string n = std::string(1, kind) + std::to_string(field);
            code += "      SetBuffer_" + n + "(x, y, GetBuffer_" + n + "(x + 1, y - 1));\n";
        }
    code += "      float v = float(x) * 0.1f;\n"
            "      SetBuffer_f1(x, y, sin(v) + cos(v) + tan(v) + asin(v) + acos(v) + atan(v) + sinh(v) + cosh(v) + tanh(v)"
            " + atan2(v, 1.0f) + ceil(v) + floor(v) + fmod(v, 0.3f) + log10(v) + log(v) + exp(v) + pow(v, v) + sqrt(v)"
            " + PI() + E() + abs_f(-v) + min_f(v, 1.0f) + max_f(v, 1.0f) + minmax_f(0.0f, v, 1.0f) + rand_f()"
            " + rand_normal(1.0f) + rand_f_range(v, 2.0f) + Grayscale(x));\n"
            "      SetBuffer_u1(x, y, uint(round(v) + abs_i(-x) + min_i(x, y) + max_i(x, y) + minmax_i(0, x, 2)) + min_u(x, 3)"
            " + max_u(y, 2) + minmax_u(1, y, 3) + rand_u() + rand_u_range(1, 6) + InterpolateColor(x, y, v)"
            " + RainbowColor(v) + (rand_b() ? 1 : 0));\n"
            "    }\n}\n";
    ClearErrors();
    Automaton automaton;
    jit::Compiler* compiler = nullptr;
    automaton.SetScriptJit(Compilers(compiler));
    ASSERT_TRUE(automaton.LoadDefinition(core::WriteFile(core::Definition(code))));
    ASSERT_TRUE(compiler);
    EXPECT_EQ(compiler->Counts().LeftToInterpreter.count(asBC_CALLSYS), 0u);
    ExpectSameBothWays(core::Definition(code, "", 5, 4, 2, "true"), Iterations(3), "all cell functions");
}

}  // namespace

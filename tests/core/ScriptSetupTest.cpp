// How a script is set up: arrays as the first engine had them, and the compiler of its
// functions to machine code that an automaton may be given.
#include "CoreTestSupport.h"
#include "core/BatchRunner.h"

using namespace AngelScript;

namespace core {
namespace {

// Rules written for the first engine: a lookup table by neighbour count, constant weights,
// and arrays made and grown at run time.
TEST(ScriptArrays, TheFormsRulesUseCompileAndRun) {
    const std::string code = R"(
const bool[] Born = {false, false, false, true, false, false, false, false, false};
const float[] Weights = {0.5f, 0.25f};
void OnInit() { SetBuffer_b1(1, 0, true); SetBuffer_b1(1, 1, true); SetBuffer_b1(1, 2, true); }  // a blinker
void OnFrame() {
  int[] counts(9);
  uint[] seen(0);
  for (int x = 0; x < 5; x++)
    for (int y = 0; y < 5; y++) {
      int n = 0;
      for (int k = 0; k < 9; k++) if (k != 4 && GetBuffer_b1(x + k % 3 - 1, y + k / 3 - 1)) n++;
      counts[n]++;
      SetBuffer_b1(x, y, Born[n] || (GetBuffer_b1(x, y) && n == 2));
      if (n == 3) seen.insertLast(uint(x * 10 + y));
    }
  SetBuffer_u1(0, 0, uint(counts[0]) * 100 + seen.length() * 10 + seen[0]);
  SetBuffer_f1(0, 0, Weights[1]);
}
)";
    auto automaton = LoadAutomaton(Definition(code, "", 5, 5));
    ASSERT_TRUE(automaton->Loaded() && automaton->ComputeIteration());
    const Generations& cells = automaton->Cells();
    for (int x = 0; x < 3; ++x) EXPECT_EQ(cells.ReadCell(x, 1).b1, 1) << x;  // the blinker turned
    EXPECT_EQ(cells.ReadCell(1, 0).b1, 0);
    EXPECT_EQ(cells.ReadCell(0, 0).u1, 1321u);  // 13 cells see nobody; (0,1) and (2,1) see three
    EXPECT_EQ(cells.ReadCell(0, 0).f1, 0.25f);
}

TEST(ScriptArrays, AnIndexOutsideAnArrayIsAScriptException) {
    auto automaton = LoadAutomaton(Definition("int[] Table = {1, 2, 3};\nvoid OnInit() {}\nvoid OnFrame() {\n"
                                              "  int i = GetWidth();\n  SetBuffer_u1(0, 0, uint(Table[i]));\n}\n"));
    ASSERT_TRUE(automaton->Loaded());
    EXPECT_FALSE(automaton->ComputeIteration());
    EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 6", "Funkcja: void OnFrame()", "Komunikat: Index out of bounds",
                                   "Wystąpił wyjątek", "Nie można wykonać funkcji", "Nie można przeliczyć klatki"}));
}

// Records what the engine asks of it and compiles nothing.
struct Recorder : asIJITCompiler {
    explicit Recorder(int& compiled) : Compiled(compiled) {}
    int CompileFunction(asIScriptFunction*, asJITFunction*) override {
        ++Compiled;
        return asERROR;
    }
    void ReleaseJITFunction(asJITFunction) override {}
    int& Compiled;
};

// Installs a recording factory as the process's default for one test.
class ScriptCompilerSeam : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = DefaultScriptJit();
        SetDefaultScriptJit([this](Automaton& automaton) {
            ++m_made;
            m_owner = &automaton;
            return std::make_unique<Recorder>(m_compiled);
        });
    }
    void TearDown() override { SetDefaultScriptJit(m_saved); }

    ScriptJitFactory m_saved;
    int m_made { 0 }, m_compiled { 0 };
    const Automaton* m_owner { nullptr };
};

TEST_F(ScriptCompilerSeam, AnAutomatonAsksItsFactoryOnceAndTheEngineOffersEveryFunction) {
    auto automaton = LoadAutomaton(Definition("int Twice(int v) { return 2 * v; }\nvoid OnInit() {}\n"
                                              "void OnFrame() { SetBuffer_u1(0, 0, uint(Twice(4))); }\n"));
    ASSERT_TRUE(automaton->Loaded());
    EXPECT_EQ(std::make_tuple(m_made, m_owner, automaton->UsesScriptJit()), std::make_tuple(1, automaton.get(), true));
    EXPECT_GE(m_compiled, 3);
    EXPECT_TRUE(automaton->ComputeIteration());  // refused everywhere: the interpreter runs it, silently
    EXPECT_EQ(automaton->Cells().ReadCell(0, 0).u1, 8u);
    EXPECT_TRUE(errors::ErrorEntries().empty());

    Automaton plain;
    plain.SetScriptJit({});
    ASSERT_TRUE(plain.LoadDefinition(WriteFile(Definition(MinimalScript))));
    EXPECT_EQ(std::make_tuple(m_made, plain.UsesScriptJit()), std::make_tuple(1, false));
}

// vorlen-batch --no-jit, anywhere on the command line, keeps the factory from being asked.
TEST_F(ScriptCompilerSeam, TheBatchRunnersNoJitSwitchRunsTheInterpreter) {
    std::string definition = WriteFile(Definition(MinimalScript));
    const std::pair<std::vector<const char*>, int> cases[] = {{{"-n", "2"}, 1}, {{"--no-jit", "-n", "2"}, 0}, {{"-n", "2", "--no-jit"}, 0}};
    for (const auto& [arguments, made] : cases) {
        m_made = 0;
        BatchRunner runner(stdout, stderr);
        AddIterationActions(runner);
        std::vector<const char*> argv {"vorlen-batch", definition.c_str()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(runner.Run(static_cast<int>(argv.size()), argv.data()), 0);
        EXPECT_EQ(m_made, made);
        EXPECT_NE(runner.UsageText().find("\n  --no-jit" + std::string(18, ' ') + "wykonuje skrypt w interpreterze"), std::string::npos);
    }
}

}  // namespace
}  // namespace core

// How a script is set up: arrays as the first engine had them, and the compiler of its
// functions to machine code that an automaton may be given.
#include "CoreTestSupport.h"
#include "core/BatchRunner.h"

using namespace AngelScript;

namespace core {
namespace {

// Rules written for the first engine: a lookup table by neighbour count, neighbourhood
// weights, arrays filled at run time and arrays of every cell type.
TEST(ScriptArrays, TheFormsRulesUseCompileAndRun) {
    const std::string code = R"(
const bool[] Born = {false, false, false, true, false, false, false, false, false};
const bool[] Survives = {false, false, true, true, false, false, false, false, false};
const float[] Weights = {0.05f, 0.2f, 0.05f, 0.2f, 0.0f, 0.2f, 0.05f, 0.2f, 0.05f};
void OnInit() {
  SetBuffer_b1(1, 0, true); SetBuffer_b1(1, 1, true); SetBuffer_b1(1, 2, true);  // a blinker
  SetBuffer_f1(2, 2, 1.0f);
}
void OnFrame() {
  int[] counts(9);
  uint[] seen(0);
  for (int x = 0; x < GetWidth(); x++)
    for (int y = 0; y < GetHeight(); y++) {
      int n = 0;
      float heat = 0;
      for (int k = 0; k < 9; k++) {
        int dx = k % 3 - 1, dy = k / 3 - 1;
        if (k != 4 && GetBuffer_b1(x + dx, y + dy)) n++;
        heat += Weights[k] * GetBuffer_f1(x + dx, y + dy);
      }
      counts[n]++;
      bool alive = GetBuffer_b1(x, y);
      SetBuffer_b1(x, y, alive ? Survives[n] : Born[n]);
      SetBuffer_f1(x, y, heat);
      if (n == 3) seen.insertLast(uint(x * 10 + y));
    }
  SetBuffer_u1(0, 0, uint(counts[0]));
  SetBuffer_u2(0, 0, uint(counts[3]));
  SetBuffer_u3(0, 0, seen.length() > 0 ? seen[0] : uint(999));
}
)";
    auto automaton = LoadAutomaton(Definition(code, "", 5, 5));
    ASSERT_TRUE(automaton->Loaded());
    ASSERT_TRUE(automaton->ComputeIteration());
    const Generations& cells = automaton->Cells();
    for (int y = 0; y < 3; ++y) EXPECT_EQ(cells.ReadCell(y, 1).b1, 1) << y;  // the blinker turned
    EXPECT_EQ(cells.ReadCell(1, 0).b1, 0);
    EXPECT_EQ(std::make_tuple(cells.ReadCell(0, 0).u1, cells.ReadCell(0, 0).u2, cells.ReadCell(0, 0).u3),
              std::make_tuple(13u, 2u, 1u));  // 13 cells see nobody; (0,1) and (2,1) see three
    EXPECT_FLOAT_EQ(cells.ReadCell(2, 1).f1, 0.2f);
    EXPECT_FLOAT_EQ(cells.ReadCell(1, 1).f1, 0.05f);
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
    for (const auto& [arguments, made] : {std::make_pair(std::vector<const char*> {"-n", "2"}, 1),
                                          std::make_pair(std::vector<const char*> {"--no-jit", "-n", "2"}, 0),
                                          std::make_pair(std::vector<const char*> {"-n", "2", "--no-jit"}, 0)}) {
        m_made = 0;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        BatchRunner runner(out, err);
        AddIterationActions(runner);
        std::vector<const char*> argv {"vorlen-batch", definition.c_str()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(runner.Run(static_cast<int>(argv.size()), argv.data()), 0);
        EXPECT_EQ(m_made, made);
        std::string usage = runner.UsageText();
        EXPECT_NE(usage.find("\n  --no-jit" + std::string(18, ' ') + "wykonuje skrypt w interpreterze"), std::string::npos)
            << usage;
        std::fclose(out);
        std::fclose(err);
    }
}

}  // namespace
}  // namespace core

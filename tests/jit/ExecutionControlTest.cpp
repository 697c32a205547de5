// The engine's control over a running script holds in machine code: an abort or suspend
// request from another thread stops a loop, a suspended call resumes where it stopped, and
// a line callback sees every statement as in the interpreter.
#include <atomic>
#include <chrono>
#include <thread>

#include "JitTestSupport.h"

using namespace jittest;
using namespace AngelScript;

namespace {

// An automaton of an 8 x 8 world whose script gets its compiler from `factory`.
std::unique_ptr<Automaton> Load(const std::string& code, ScriptJitFactory factory) {
    ClearErrors();
    auto automaton = std::make_unique<Automaton>();
    automaton->SetScriptJit(std::move(factory));
    EXPECT_TRUE(automaton->LoadDefinition(core::WriteFile(core::Definition(code, "", 8, 8))))
        << ::testing::PrintToString(core::TakeChain());
    return automaton;
}

// Runs OnFrame on this thread while `request` is made from another one after `delay`.
int RunWithRequest(Automaton& automaton, void (*request)(asIScriptContext*), std::chrono::milliseconds delay) {
    asIScriptContext* context = automaton.Script().Context();
    EXPECT_TRUE(automaton.Script().PrepareCall(automaton.Script().Ids().OnFrame));
    std::thread other([&] {
        std::this_thread::sleep_for(delay);
        request(context);
    });
    int result = context->Execute();
    other.join();
    return result;
}

TEST(ExecutionControl, AnAbortFromAnotherThreadStopsAnEndlessLoopInMachineCode) {
    const std::string loops[] = {
        "void OnInit() {}\nvoid OnFrame() {\n  while (true) {}\n}\n",
        "void OnInit() {}\nvoid OnFrame() {\n  int n = 0;\n  for (;;) {\n    if (GetBuffer_b1(n, 1)) n++;\n"
        "    SetBuffer_u1(3, 3, GetBuffer_u1(3, 3) + 1);\n  }\n}\n",
    };
    for (const std::string& loop : loops) {
        jit::Compiler* compiler = nullptr;
        auto automaton = Load(loop, Compilers(compiler));
        ASSERT_TRUE(automaton->Loaded() && compiler);
        EXPECT_EQ(compiler->Counts().Compiled, 2);
        auto start = std::chrono::steady_clock::now();
        int result = RunWithRequest(*automaton, [](asIScriptContext* context) { context->Abort(); },
                                    std::chrono::milliseconds(100));
        EXPECT_EQ(result, asEXECUTION_ABORTED) << loop;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

// A long counted loop suspended again and again from another thread, resumed each time: it
// ends as if nothing had happened.
TEST(ExecutionControl, ASuspendedCallResumesWhereItStopped) {
    std::string code = "void OnInit() {}\nvoid OnFrame() {\n  uint h = 1;\n"
                       "  for (int i = 0; i < 20000000; i++) { h = h * 31 + uint(i); if (h % 7 == 0) h++; }\n"
                       "  SetBuffer_u1(0, 0, h);\n}\n";
    auto reference = Load(code, {});
    ASSERT_TRUE(reference->Loaded() && reference->ComputeIteration());
    jit::Compiler* compiler = nullptr;
    auto automaton = Load(code, Compilers(compiler));
    ASSERT_TRUE(automaton->Loaded());
    asIScriptContext* context = automaton->Script().Context();
    ASSERT_TRUE(automaton->Script().PrepareCall(automaton->Script().Ids().OnFrame));
    std::atomic<bool> done { false };
    std::thread other([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            context->Suspend();
        }
    });
    int result = context->Execute(), suspensions = 0;
    while (result == asEXECUTION_SUSPENDED) {
        ++suspensions;
        result = context->Execute();
    }
    done = true;
    other.join();
    EXPECT_EQ(result, asEXECUTION_FINISHED);
    EXPECT_GT(suspensions, 0);
    EXPECT_EQ(automaton->Cells().Table(0).At(0, 0).u1, reference->Cells().Table(1).At(0, 0).u1);
}

std::atomic<int> g_lines { 0 };
void CountLine(asIScriptContext*, void*) { ++g_lines; }

// The same bytecode interpreted: the instructions for a JIT are in it, and they place the
// engine's SUSPEND instructions a little differently from a build without them.
TEST(ExecutionControl, ALineCallbackSeesEveryStatementAsInTheInterpreter) {
    std::string code = "int Twice(int v) { return 2 * v; }\nvoid OnInit() {}\nvoid OnFrame() {\n  int n = 0;\n"
                       "  for (int x = 0; x < GetWidth(); x++)\n    for (int y = 0; y < GetHeight(); y++) {\n"
                       "      if (GetBuffer_b1(x, y)) n++;\n      n = Twice(n) % 1000;\n    }\n"
                       "  SetBuffer_u1(1, 1, uint(n));\n}\n";
    int lines[2] = {};
    jit::Compiler* compiler = nullptr;
    for (Engine engine : {Engine::Interpreter, Engine::MachineCode}) {
        ScriptJitFactory refusing = [](Automaton&) { return std::make_unique<Refusing>(); };
        auto automaton = Load(code, engine == Engine::MachineCode ? Compilers(compiler) : refusing);
        ASSERT_TRUE(automaton->Loaded());
        asIScriptContext* context = automaton->Script().Context();
        ASSERT_GE(context->SetLineCallback(asFUNCTION(CountLine), nullptr, asCALL_CDECL), 0);
        g_lines = 0;
        EXPECT_TRUE(automaton->ComputeIteration());
        lines[engine == Engine::MachineCode] = g_lines;
        context->ClearLineCallback();
    }
    EXPECT_GT(lines[0], 8 * 8 * 2);
    EXPECT_EQ(lines[1], lines[0]);
}

// Runaway scripts in machine code end as in the interpreter: the time limit stops an endless
// loop of OnInit (the load fails) and of OnFrame, the user's request from another thread stops
// one too, each with the stop's chain, and the automaton runs on afterwards.
TEST(ExecutionControl, TheTimeLimitAndTheUsersStopEndRunawayLoopsInMachineCode) {
    const std::string endlessInit = "void OnInit() {\n  while (true) {}\n}\nvoid OnFrame() {}\n";
    const std::string endlessFrame = "uint n = 0;\nvoid OnInit() {}\nvoid OnFrame() {\n  if (++n != 3) return;\n"
                                     "  for (uint i = 0; ; i++) SetBuffer_u1(1, 1, i);\n}\n";
    const std::string limit = "Komunikat: Wywołanie skryptu trwało dłużej niż 0.2 s";
    const std::string user = "Komunikat: Działanie skryptu przerwał użytkownik";
    const Chain stopped = {"Przerwano działanie skryptu", "Nie można wykonać funkcji"};

    jit::Compiler* compiler = nullptr;
    {
        ClearErrors();
        Automaton automaton;
        automaton.SetScriptJit(Compilers(compiler));
        automaton.Script().Interrupt().SetTimeLimit(0.2);
        EXPECT_FALSE(automaton.LoadDefinition(core::WriteFile(core::Definition(endlessInit, "", 8, 8))));
        ASSERT_TRUE(compiler);
        EXPECT_EQ(compiler->Counts().Compiled, 2);
        const Chain chain = core::TakeChain();
        ASSERT_GE(chain.size(), 5u);
        EXPECT_EQ(Chain(chain.begin(), chain.begin() + 5),
                  (Chain {"Wiersz: 3", "Funkcja: void OnInit()", limit, stopped[0], stopped[1]}));
    }
    for (const bool byUser : {false, true}) {
        SCOPED_TRACE(byUser ? "the user's stop" : "the time limit");
        auto automaton = Load(endlessFrame, Compilers(compiler));
        ASSERT_TRUE(automaton->Loaded());
        EXPECT_EQ(compiler->Counts().Compiled, 2);
        core::ScriptInterrupt& interrupt = automaton->Script().Interrupt();
        if (!byUser) interrupt.SetTimeLimit(0.2);
        EXPECT_TRUE(automaton->ComputeIteration() && automaton->ComputeIteration());
        std::thread other([&] {
            while (byUser && !interrupt.Request(core::StopReason::User)) std::this_thread::yield();
        });
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(automaton->ComputeIteration());
        other.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        const Chain chain = core::TakeChain();
        ASSERT_GE(chain.size(), 5u);
        EXPECT_EQ(Chain(chain.begin() + 1, chain.begin() + 5), (Chain {"Funkcja: void OnFrame()", byUser ? user : limit, stopped[0], stopped[1]}));
        EXPECT_EQ(automaton->Script().LastStop(), byUser ? core::StopReason::User : core::StopReason::TimeLimit);
        EXPECT_TRUE(automaton->ComputeIteration()) << "the call after the stopped one runs";
    }
}

}  // namespace

// Stopping runaway scripts: by a time limit, from another thread, and by the engine's object
// limit; what stays of the automaton afterwards; and scripts nested too deeply to compile.
#include <atomic>
#include <thread>

#include "CoreTestSupport.h"
#include "core/ScriptNesting.h"

namespace core {
namespace {

// Loads `definition` with every script call limited to `seconds`; the chain of a failed load
// (without its file message), empty when it loaded.
Chain LoadLimited(Automaton& automaton, const std::string& definition, double seconds) {
    errors::ClearErrors();
    automaton.Script().Interrupt().SetTimeLimit(seconds);
    const std::string path = WriteFile(definition);
    if (automaton.LoadDefinition(path)) return {};
    Chain chain = TakeChain();
    if (!chain.empty()) chain.pop_back();
    return chain;
}

const std::string Endless = "while (true) {}";
const Chain LoadStopped = {"Przerwano działanie skryptu", "Nie można wykonać funkcji", "Nie można zainicjalizować aplikacji"};

const std::string OverLimit = "Komunikat: Wywołanie skryptu trwało dłużej niż 0.2 s";

// Every kind of script call ends at the time limit with the chain naming where it stopped;
// a destructor that loops inside the call, or while the automaton is destroyed, is no escape.
TEST(ScriptInterrupt, TheTimeLimitStopsEveryKindOfEndlessCall) {
    const std::string destructor = "class Stuck { ~Stuck() { " + Endless + " } }\n";
    // Script, what fails (0 load, 1 iteration, 2 button 1), the chain's start.
    const std::tuple<std::string, int, Chain> cases[] = {
        {"void OnInit() {\n " + Endless + "\n}\nvoid OnFrame() {}\n", 0, {"Wiersz: 3", "Funkcja: void OnInit()", OverLimit}},
        {"void OnInit() {}\nvoid OnFrame() { int n = 0;\n  while (n >= 0) n = (n + 1) % 1000; }\n", 1, {"Wiersz: 4", "Funkcja: void OnFrame()", OverLimit}},
        {"void OnInit() {}\nvoid OnFrame() { Loop(0); }\nvoid Loop(int depth) { if (depth < 50) Loop(depth + 1); else { " + Endless + " } }\n", 1,
         {"Wiersz: 4", "Funkcja: void Loop(int)", OverLimit}},
        {"void OnInit() {}\nvoid OnFrame() {}\nvoid OnButton1() {\n\n " + Endless + " }\n", 2, {"Wiersz: 6", "Funkcja: void OnButton1()", OverLimit}},
        {destructor + "void OnInit() {}\nvoid OnFrame() { Stuck s; }\n", 1, {"Wiersz: 4", "Funkcja: void OnFrame()", OverLimit}},
        {destructor + "Stuck kept;\nvoid OnInit() {}\nvoid OnFrame() {}\n", -1, {}},
    };
    for (const auto& [script, failing, start] : cases) {
        SCOPED_TRACE(script);
        Automaton automaton;
        Chain chain = LoadLimited(automaton, Definition(script, "Buttons: [1: A]"), 0.2);
        if (failing == 0) {
            EXPECT_EQ(chain, [&] { Chain whole = start; whole.insert(whole.end(), LoadStopped.begin(), LoadStopped.end()); return whole; }());
            continue;
        }
        ASSERT_EQ(chain, Chain {});
        if (failing < 0) continue;  // the destructor runs when the automaton goes
        const bool done = failing == 1 ? automaton.ComputeIteration() : automaton.RunButtonCallback(0);
        EXPECT_FALSE(done);
        chain = TakeChain();
        ASSERT_GE(chain.size(), 5u);
        EXPECT_EQ(Chain(chain.begin(), chain.begin() + 3), start);
        EXPECT_EQ(Chain(chain.begin() + 3, chain.begin() + 5), (Chain {"Przerwano działanie skryptu", "Nie można wykonać funkcji"}));
    }
}

// A global initialiser that never ends fails the load like one that throws.
TEST(ScriptInterrupt, AnEndlessGlobalInitialiserFailsTheLoad) {
    Automaton automaton;
    const Chain chain = LoadLimited(automaton, Definition("int Forever() { " + Endless + " return 1; }\nint g = Forever();\n" + MinimalScript), 0.1);
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_NE(chain[0].find("(3, 5) : ERR : Failed to initialize global variable 'g'"), std::string::npos) << chain[0];
    EXPECT_EQ(Chain(chain.begin() + 1, chain.end()),
              (Chain {"Komunikat: Wywołanie skryptu trwało dłużej niż 0.1 s", "Przerwano działanie skryptu", "Nie można skompilować skryptu",
                      "Nie można wczytać skryptu"}));
}

// Requests that arrive at any moment, also between calls and as a call ends, stop at most
// the call they reach: every call either completes or reports the stop, and once the
// requests end every call completes.
TEST(ScriptInterrupt, RequestsAtAnyMomentNeverReachALaterCall) {
    auto automaton = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() { SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1); }\n"));
    ASSERT_TRUE(automaton->Loaded());
    std::atomic<bool> stop = false;
    std::atomic<int> granted = 0;
    std::thread user([&] {
        while (!stop) granted += automaton->Script().Interrupt().Request(StopReason::User);
    });
    int completed = 0, stopped = 0;
    for (int i = 0; i < 20000; ++i) {
        if (automaton->Script().Call(automaton->Script().Ids().OnFrame)) {
            ++completed;
        } else {
            const Chain chain = TakeChain();
            stopped += chain.size() == 5 && chain[3] == "Przerwano działanie skryptu";
        }
    }
    stop = true;
    user.join();
    EXPECT_EQ(completed + stopped, 20000);
    EXPECT_LE(stopped, granted.load());
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(automaton->Script().Call(automaton->Script().Ids().OnFrame));
}

// Objects beyond the engine's own limit stop the script instead of ending the program, and
// the automaton with hundreds of thousands of linked objects goes away at once.
TEST(ScriptInterrupt, TooManyObjectsStopTheScript) {
    const std::string script = "class Node { Node@ next; }\nNode@ head;\nvoid OnInit() {}\n"
                               "void OnFrame() {\n  while (true) { Node n; @n.next = head; @head = n; }\n}\n";
    auto automaton = LoadAutomaton(Definition(script));
    ASSERT_TRUE(automaton->Loaded());
    EXPECT_FALSE(automaton->ComputeIteration());
    const Chain chain = TakeChain();
    ASSERT_GE(chain.size(), 3u);
    EXPECT_EQ(chain[2], "Komunikat: Skrypt utworzył zbyt wiele obiektów (najwięcej 400000)");
    automaton.reset();
    EXPECT_LT(ScriptAllocations(), 100000);
}

// Nesting that the engine's compiler would not survive is refused before compiling, with the
// place where the limit was crossed; nesting within the limit compiles and runs.
TEST(ScriptNesting, TooDeepScriptsAreRefusedBeforeTheyCompile) {
    auto repeat = [](const std::string& text, int count) {
        std::string out;
        for (int i = 0; i < count; ++i) out += text;
        return out;
    };
    const std::string call = "int f(int x) { return x; }\n";
    // Script body inside OnFrame, accepted.
    const std::pair<std::string, bool> cases[] = {
        {"int x = " + repeat("(", 499) + "1" + repeat(")", 499) + ";", true},
        {"int x = " + repeat("(", 501) + "1" + repeat(")", 501) + ";", false},
        {"int x = " + repeat("f(", 3000) + "1" + repeat(")", 3000) + ";", false},
        {"int x = " + repeat("x == 1 ? 1 : ", 2000) + "0;", false},
        {repeat("{", 990) + repeat("}", 990), true},
        {repeat("{", 50000) + repeat("}", 50000), false},
        {"int a = 0; " + repeat("if (a == 0) ", 990) + "a = 1;", true},
        {"int a = 0; " + repeat("while (a < 0) ", 20000) + "a = 1;", false},
        {"int a = 0; if (a == 0) {} " + repeat("else if (a == 1) { a = 2; } ", 990), true},
        {"int a = 0; " + repeat("a = ", 20000) + "1;", false},
        // Long statements, whose compilation takes the square of their length.
        {"int a = 0; a = " + repeat("a + ", 998) + "1;", true},
        {"int a = 0; a = " + repeat("(a + a) - ", 20000) + "1;", false},
        {"int a = 0; a = " + repeat("- ", 1500) + "a;", false},
        // Sequences are no nesting; brackets in comments and strings do not count.
        {repeat("{ int a = (1 + (2)); } ", 5000) + repeat("// ((((\n", 2000) + "/* " + repeat("{", 5000) + " */ int s = 1;", true},
    };
    for (const auto& [body, accepted] : cases) {
        SCOPED_TRACE(body.substr(0, 60));
        const std::string script = call + "void OnInit() {}\nvoid OnFrame() {\n" + body + "\n}\n";
        const ScriptNesting nesting = MeasureScriptNesting(script);
        const bool deep = nesting.Depth > MaxScriptNesting;
        EXPECT_EQ(!deep && nesting.MostOperators <= MaxStatementOperators, accepted) << nesting.Depth << " " << nesting.MostOperators;
        if (accepted) {
            auto automaton = LoadAutomaton(Definition(script));
            EXPECT_TRUE(automaton->Loaded() && automaton->ComputeIteration());
            continue;
        }
        const Chain chain = LoadFailure(WriteFile(Definition(script)));
        ASSERT_EQ(chain.size(), 3u);
        // The definition's code begins with the rest of the marker's line.
        const int row = deep ? nesting.Row : nesting.OperatorRow, column = deep ? nesting.Column : nesting.OperatorColumn;
        EXPECT_EQ(chain[0], "script (" + std::to_string(row + 1) + ", " + std::to_string(column) + ") : ERR : " +
                                (deep ? "Skrypt jest zagnieżdżony zbyt głęboko (najwięcej 1000 poziomów)" : "Instrukcja ma więcej niż 1000 operatorów"));
        EXPECT_EQ(row, 4);
        EXPECT_EQ(Chain(chain.begin() + 1, chain.end()), (Chain {"Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
    }
}

// The engine ends the program on a type name of 100 characters, and crashed on any function
// whose declaration is 1,024 characters or more; names are bounded, long declarations build.
TEST(ScriptNesting, LongNamesAreRefusedAndLongDeclarationsBuild) {
    const std::string type = std::string(60, 'T'), name64 = std::string(64, 'n');
    std::string parameters;
    for (int i = 0; i < 16; ++i) parameters += std::string(i ? ", " : "") + "const " + type + "@ &in";
    const std::string declaration = "class " + type + " {}\nint f(" + parameters + ") { return 7; }\n";
    auto automaton = LoadAutomaton(Definition(declaration + "void OnInit() { int " + name64 + " = f(" +
                                              "null, null, null, null, null, null, null, null, null, null, null, null, null, null, null, null" +
                                              "); SetBuffer_u1(0, 0, " + name64 + "); }\nvoid OnFrame() {}\n"));
    ASSERT_TRUE(automaton->Loaded());
    EXPECT_EQ(automaton->Cells().Table(0).At(0, 0).u1, 7u);

    const Chain chain = LoadFailure(WriteFile(Definition("class " + std::string(65, 'C') + " {}\n" + MinimalScript)));
    EXPECT_EQ(chain, (Chain {"script (2, 7) : ERR : Nazwa jest dłuższa niż 64 znaki", "Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
}

// A call without a value as an operand of a bitwise operator ends the engine's compiler with
// an assertion: such scripts are refused with the place and the function named; bitwise
// operators next to calls that have a value, and void calls beside them, still compile.
TEST(ScriptNesting, VoidCallsAsBitwiseOperandsAreRefused) {
    const std::string helpers = "void V() {}\nint I() { return 6; }\nclass K { void M() {} int N() { return 1; } }\nint n = 0;\n";
    // OnInit's body, the function and the operator refused ("": it compiles).
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"V() | 1;", "V", "|"},
        {"n = 1 << V();", "V", "<<"},
        {"n &= V();", "V", "&="},
        {"n = (V()) ^ 2;", "V", "^"},
        {"n = 2 >>> (V());", "V", ">>>"},
        {"SetBuffer_b1(0, 0, true) | SetBuffer_b1(1, 0, true);", "SetBuffer_b1", "|"},
        {"K k; n = 1 | k.M();", "M", "|"},
        {"int[] a; n = a.resize(2) >> 1;", "resize", ">>"},
        {"n = I() | 1 << I() ^ (I() & 3);", "", ""},
        {"K k; n = k.N() >> 1; SetBuffer_u1(0, 0, uint(n | I()));", "", ""},
        {"n = 5; n >>= 1; V(); /* V() | 1 */ n = n | 1; // V() << 1", "", ""},
    };
    for (const auto& [body, function, op] : cases) {
        SCOPED_TRACE(body);
        const std::string script = helpers + "void OnInit() {\n  " + body + "\n}\nvoid OnFrame() {}\n";
        if (function.empty()) {
            EXPECT_TRUE(LoadAutomaton(Definition(script))->Loaded());
            continue;
        }
        const Chain chain = LoadFailure(WriteFile(Definition(script)));
        ASSERT_EQ(chain.size(), 3u) << testing::PrintToString(chain);
        EXPECT_NE(chain[0].find(") : ERR : Funkcja \"" + function + "\" nie zwraca wartości, a jest argumentem operatora \"" + op + "\""), std::string::npos)
            << chain[0];
        EXPECT_EQ(Chain(chain.begin() + 1, chain.end()), (Chain {"Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
    }
}

}  // namespace
}  // namespace core

#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "core/HostCall.h"
#include "core/ScriptHost.h"
#include "errors/ErrorTrail.h"

using namespace AngelScript;
using coretest::TakeChain;
using Chain = std::vector<std::string>;

namespace {

void Record(asIScriptGeneric* generic) {
    HostCall call(generic, HostCall::Layout {});
    *static_cast<std::pair<int, int>*>(generic->GetAuxiliary()) = {call.Int(0), call.Int(1)};
}

void Fail(asIScriptGeneric*) { asGetActiveContext()->SetException("boom"); }

class ScriptHostTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { ClearErrors(); }

    bool Setup(const std::string& code) {
        return m_host.SetupScript(code, [this](asIScriptEngine& engine) {
            engine.RegisterGlobalFunction("void Record(int, int)", asFUNCTION(Record), asCALL_GENERIC, &m_recorded);
            engine.RegisterGlobalFunction("void Fail()", asFUNCTION(Fail), asCALL_GENERIC);
        });
    }

    ScriptHost m_host;
    std::pair<int, int> m_recorded;
};

TEST_F(ScriptHostTest, CompilerMessagesAreOneLineEachWithoutAPosition) {
    EXPECT_FALSE(Setup("void OnInit() {}\nvoid OnFrame() { int a = ; }\n"));
    ASSERT_EQ(ErrorEntries().size(), 3u);
    const std::string text = ErrorEntries()[0];
    EXPECT_EQ(text.rfind("script (2, ", 0), 0u) << text;
    EXPECT_NE(text.find(") : ERR : "), std::string::npos) << text;
    EXPECT_NE(text.find("\nscript ("), std::string::npos) << text;
    EXPECT_EQ(TakeChain(), (Chain {text, "Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
}

TEST_F(ScriptHostTest, CallbacksAreFoundByTheirDeclarations) {
    ASSERT_TRUE(Setup("void OnFrame() {}\nvoid OnInit() {}\nvoid OnButton0() {}\nvoid OnButton5() {}\n"
                      "void OnButton3(int a) {}\nvoid OnLoadImage() {}\n"
                      "void OnMouseDown(const int x, const int y) {}\nvoid OnMouseMove(int x, int y) {}\n"));
    const CallbackIds& ids = m_host.Ids();
    EXPECT_GE(ids.OnInit, 0);
    EXPECT_GE(ids.Buttons[9], 0);  // digit 0 is the tenth button
    EXPECT_GE(ids.Buttons[4], 0);
    for (int slot : {0, 1, 2, 3, 5, 6, 7, 8}) EXPECT_LT(ids.Buttons[static_cast<size_t>(slot)], 0) << slot;
    EXPECT_GE(ids.OnLoadImage, 0);
    EXPECT_LT(ids.OnSaveImage, 0);
    EXPECT_GE(ids.OnMouseDown, 0);
    EXPECT_GE(ids.OnMouseMove, 0);  // plain int parameters are accepted too
    EXPECT_LT(ids.OnMouseUp, 0);
}

TEST_F(ScriptHostTest, ScriptExceptionsBecomeTheirChainAndTheContextStaysUsable) {
    ASSERT_TRUE(Setup("void OnInit() {}\nvoid OnFrame() {\n  Fail();\n}\nint Deep(int n) { return Deep(n + 1) + 1; }\n"
                      "void OnMouseUp(const int x, const int y) { Record(x, y); Deep(0); }\n"));
    EXPECT_FALSE(m_host.Call(m_host.Ids().OnFrame));
    EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 3", "Funkcja: void OnFrame()", "Komunikat: boom", "Wystąpił wyjątek",
                                   "Nie można wykonać funkcji"}));
    // Runaway recursion is a script exception, not the end of the process.
    EXPECT_FALSE(m_host.CallWithPosition(m_host.Ids().OnMouseUp, -4, 999));
    EXPECT_EQ(m_recorded, std::make_pair(-4, 999));
    Chain chain = TakeChain();
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_EQ(chain[1], "Funkcja: int Deep(int)");
    EXPECT_TRUE(m_host.Call(m_host.Ids().OnInit));

    EXPECT_FALSE(m_host.PrepareCall(-1));
    EXPECT_EQ(TakeChain(), (Chain {"Nie można przygotować wywołania funkcji o ID: -1"}));
    EXPECT_FALSE(m_host.Call(123456));
    EXPECT_EQ(TakeChain(), (Chain {"Nie można przygotować wywołania funkcji o ID: 123456"}));
}

// Functions that read every kind of argument and give every kind of result through the
// layout their auxiliary record names, and count the script's checks.
struct Checked {
    HostCall::Layout Layout;
    int Checks { 0 }, Failures { 0 };
};

Checked& Of(asIScriptGeneric* generic) { return *static_cast<Checked*>(generic->GetAuxiliary()); }

void Mix(asIScriptGeneric* g) {
    HostCall call(g, Of(g).Layout);
    call.ReturnFloat(static_cast<float>(call.Int(0)) + static_cast<float>(call.Uint(1)) + (call.Bool(2) ? 0.5f : 0.0f) +
                     call.Float(3));
}
void Twice(asIScriptGeneric* g) { HostCall call(g, Of(g).Layout); call.ReturnUint(call.Uint(0) * 2); }
void Negate(asIScriptGeneric* g) { HostCall call(g, Of(g).Layout); call.ReturnInt(-call.Int(0)); }
void IsNegative(asIScriptGeneric* g) { HostCall call(g, Of(g).Layout); call.ReturnBool(call.Int(0) < 0); }
void Expect(asIScriptGeneric* g) {
    HostCall call(g, Of(g).Layout);
    ++Of(g).Checks;
    if (!call.Bool(0)) ++Of(g).Failures;
}

TEST(HostCall, LearntLayoutAndInterfaceReadTheSameArgumentsAndResults) {
    ASSERT_TRUE(HostCall::ProcessLayout().Direct) << "the per-cell speed depends on the learnt layout";
    for (const HostCall::Layout& layout : {HostCall::ProcessLayout(), HostCall::Layout {}}) {
        Checked checked {layout};
        ScriptHost host;
        ASSERT_TRUE(host.SetupScript("void OnFrame() {}\nvoid OnInit() {\n"
                                     "  Expect(Mix(-3, 10, true, 0.25f) == 7.75f);\n"
                                     "  Expect(Mix(5, 0, false, -1.5f) == 3.5f);\n"
                                     "  Expect(Twice(0x40000000) == 0x80000000);\n"
                                     "  Expect(Negate(-2147483647) == 2147483647);\n"
                                     "  Expect(IsNegative(-1) && !IsNegative(0));\n"
                                     "  Expect(false);\n}\n",
                                     [&](asIScriptEngine& engine) {
                                         auto add = [&](const char* declaration, asGENFUNC_t function) {
                                             engine.RegisterGlobalFunction(declaration, asFUNCTION(function), asCALL_GENERIC,
                                                                           &checked);
                                         };
                                         add("float Mix(int, uint, bool, float)", Mix);
                                         add("uint Twice(uint)", Twice);
                                         add("int Negate(int)", Negate);
                                         add("bool IsNegative(int)", IsNegative);
                                         add("void Expect(bool)", Expect);
                                     }));
        ASSERT_TRUE(host.Call(host.Ids().OnInit));
        EXPECT_EQ(checked.Checks, 6);
        EXPECT_EQ(checked.Failures, 1);  // only Expect(false)
    }
}

}  // namespace

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
    HostCall call(generic);
    *static_cast<std::pair<int, int>*>(call.Auxiliary()) = {call.Int(0), call.Int(1)};
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

}  // namespace

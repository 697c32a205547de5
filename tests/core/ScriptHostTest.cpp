#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "core/HostCall.h"
#include "core/ScriptHost.h"
#include "errors/ErrorTrail.h"

using namespace AngelScript;
using coretest::TakeChain;
using Chain = std::vector<std::string>;

namespace {

struct Recorded {
    int X { 0 }, Y { 0 }, Calls { 0 };
};

void Record(asIScriptGeneric* generic) {
    HostCall call(generic);
    auto& recorded = *static_cast<Recorded*>(call.Auxiliary());
    recorded.X = call.Int(0);
    recorded.Y = call.Int(1);
    ++recorded.Calls;
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
    Recorded m_recorded;
};

TEST_F(ScriptHostTest, CompilerMessagesBecomeTheFirstEntryWithoutAPosition) {
    EXPECT_FALSE(Setup("void OnInit() {}\nvoid OnFrame() { int a = ; }\n"));
    ASSERT_EQ(ErrorEntries().size(), 3u);
    const std::string& text = ErrorEntries()[0];
    EXPECT_EQ(text.rfind("script (2, ", 0), 0u) << text;  // no "[file,line] " before it
    EXPECT_NE(text.find(") : ERR : "), std::string::npos) << text;
    EXPECT_NE(text.find("\nscript ("), std::string::npos) << "one line per message: " << text;
    EXPECT_EQ(TakeChain(), (Chain {text, "Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
}

TEST_F(ScriptHostTest, RequiredCallbacksAreLookedUpInOrder) {
    struct Case { const char* code; const char* message; };
    for (Case c : {Case {"void OnFrame() {}", "Nie znaleziono funkcji \"OnInit\""},
                   Case {"void OnInit() {}", "Nie znaleziono funkcji \"OnFrame\""},
                   Case {"void OnInit(int a) {}\nvoid OnFrame() {}", "Nie znaleziono funkcji \"OnInit\""}}) {
        ScriptHost host;
        EXPECT_FALSE(host.SetupScript(c.code, [](asIScriptEngine&) {}));
        EXPECT_EQ(TakeChain(), (Chain {c.message, "Nie można wczytać skryptu"})) << c.code;
    }
    ASSERT_TRUE(Setup("void OnFrame() {}\nvoid OnInit() {}\n"));  // order in the script does not matter
    EXPECT_GE(m_host.Ids().OnInit, 0);
    EXPECT_GE(m_host.Ids().OnFrame, 0);
}

TEST_F(ScriptHostTest, OptionalCallbacksKeepNegativeIdsWhenAbsent) {
    ASSERT_TRUE(Setup("void OnInit() {}\nvoid OnFrame() {}\nvoid OnButton0() {}\nvoid OnButton5() {}\n"
                      "void OnButton3(int a) {}\nvoid OnLoadImage() {}\n"
                      "void OnMouseDown(const int x, const int y) {}\nvoid OnMouseMove(int x, int y) {}\n"));
    const CallbackIds& ids = m_host.Ids();
    EXPECT_GE(ids.Buttons[9], 0);  // digit 0 is the tenth button
    EXPECT_GE(ids.Buttons[4], 0);
    EXPECT_LT(ids.Buttons[2], 0);  // wrong signature
    for (int slot : {0, 1, 3, 5, 6, 7, 8}) EXPECT_LT(ids.Buttons[static_cast<size_t>(slot)], 0) << slot;
    EXPECT_GE(ids.OnLoadImage, 0);
    EXPECT_LT(ids.OnSaveImage, 0);
    EXPECT_GE(ids.OnMouseDown, 0);
    EXPECT_GE(ids.OnMouseMove, 0);  // plain int parameters are accepted too
    EXPECT_LT(ids.OnMouseUp, 0);
}

TEST_F(ScriptHostTest, AScriptExceptionBecomesItsChain) {
    ASSERT_TRUE(Setup("void OnInit() {}\nvoid OnFrame() {\n  Fail();\n}\n"));
    EXPECT_FALSE(m_host.Call(m_host.Ids().OnFrame));
    EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 3", "Funkcja: void OnFrame()", "Komunikat: boom", "Wystąpił wyjątek",
                                   "Nie można wykonać funkcji"}));
    // The context is usable again afterwards.
    EXPECT_TRUE(m_host.Call(m_host.Ids().OnInit));
}

TEST_F(ScriptHostTest, EngineExceptionsAndRunawayRecursionAreReportedNotFatal) {
    ASSERT_TRUE(Setup("void OnInit() { int z = 0; int a = 5 / z; }\n"
                      "int Deep(int n) { return Deep(n + 1) + 1; }\nvoid OnFrame() { Deep(0); }\n"));
    EXPECT_FALSE(m_host.Call(m_host.Ids().OnInit));
    Chain chain = TakeChain();
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_EQ(chain[0], "Wiersz: 1");
    EXPECT_EQ(chain[2].rfind("Komunikat: ", 0), 0u);
    EXPECT_FALSE(m_host.Call(m_host.Ids().OnFrame));
    chain = TakeChain();
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_EQ(chain[1], "Funkcja: int Deep(int)");
    EXPECT_EQ(chain[3], "Wystąpił wyjątek");
}

TEST_F(ScriptHostTest, CallsCarryPositionsAndBadIdsAreRefused) {
    ASSERT_TRUE(Setup("void OnInit() {}\nvoid OnFrame() {}\nvoid OnMouseUp(const int x, const int y) { Record(x, y); }\n"));
    EXPECT_TRUE(m_host.CallWithPosition(m_host.Ids().OnMouseUp, -4, 999));
    EXPECT_EQ(m_recorded.X, -4);
    EXPECT_EQ(m_recorded.Y, 999);
    EXPECT_FALSE(m_host.PrepareCall(-1));
    EXPECT_EQ(TakeChain(), (Chain {"Nie można przygotować wywołania funkcji o ID: -1"}));
    EXPECT_FALSE(m_host.CallWithPosition(123456, 0, 0));
    EXPECT_EQ(TakeChain(), (Chain {"Nie można przygotować wywołania funkcji o ID: 123456"}));
    EXPECT_EQ(m_recorded.Calls, 1);
}

TEST(HostCallLayout, TheDirectLayoutIsVerifiedOnThisEngine) {
    // The per-cell speed depends on it; a different engine build falls back to the interface.
    EXPECT_TRUE(HostCall::LearnLayout());
    HostCall::UseInterfaceOnly(true);
    EXPECT_FALSE(HostCall::Direct());
    HostCall::UseInterfaceOnly(false);
    EXPECT_TRUE(HostCall::Direct());
}

}  // namespace

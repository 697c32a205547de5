#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::LoadAutomaton;
using coretest::MinimalScript;
using coretest::TakeChain;

namespace {

// Every callback leaves a trace in generation 0: u1 of cell (x, y) counts the calls at that
// cell, u2 of cell (0, 0) says which callback ran last. A callback given x = 99 fails.
const std::string CallbackScript = R"(
void OnInit() {}
void OnFrame() {}
void Mark(int x, int y, uint which) {
  SetBuffer_u1(x, y, GetBuffer_u1(x, y) + 1);
  SetBuffer_u2(0, 0, which);
}
void OnMouseDown(const int x, const int y) { Mark(x, y, 1); }
void OnMouseUp(const int x, const int y) { Mark(x, y, 2); }
void OnMouseMove(const int x, const int y) { Mark(x, y, 3); }
void OnButton0() { SetBuffer_u2(0, 0, 10); }
void OnButton4() { error(4); }
void OnLoadImage() { SetBuffer_u3(1, 1, GetBuffer_u1(1, 1) + 1); }
void OnSaveImage() { SetBuffer_u4(2, 2, 7); }
)";

class AutomatonEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ClearErrors();
        m_automaton = LoadAutomaton(Definition(CallbackScript, "", 5, 4, 3));
        ASSERT_TRUE(m_automaton->Loaded()) << ::testing::PrintToString(TakeChain());
    }
    void TearDown() override { ClearErrors(); }

    Cell& At(int generation, int x, int y) { return m_automaton->Cells().Table(generation).At(x, y); }

    std::unique_ptr<Automaton> m_automaton;
};

TEST_F(AutomatonEvents, MouseCallbacksFollowTheHeldButtonAndCopyAfterSuccess) {
    Automaton& a = *m_automaton;
    EXPECT_TRUE(a.MouseMove(true, 1, 1));  // not held: nothing
    EXPECT_EQ(At(0, 1, 1).u1, 0u);
    EXPECT_TRUE(a.MouseDown(false, 1, 1));  // off the world: held, but no call
    EXPECT_TRUE(a.MouseHeld());
    EXPECT_EQ(At(0, 0, 0).u2, 0u);
    EXPECT_TRUE(a.MouseMove(true, 2, 3));
    EXPECT_EQ(At(0, 2, 3).u1, 1u);
    EXPECT_EQ(At(1, 2, 3).u1, 1u);  // 0 -> 1 after the call
    EXPECT_EQ(At(2, 2, 3).u1, 0u);  // generation 2 is left alone
    EXPECT_TRUE(a.MouseUp(false, 2, 3));  // off the world: no call, still released
    EXPECT_FALSE(a.MouseHeld());
    EXPECT_EQ(At(0, 0, 0).u2, 3u);
    EXPECT_TRUE(a.MouseDown(true, 4, 0));
    EXPECT_TRUE(a.MouseUp(true, 4, 0));
    EXPECT_EQ(At(1, 4, 0).u1, 2u);
    EXPECT_EQ(At(1, 0, 0).u2, 2u);

    // A failing callback leaves the copy undone; a release still clears the held flag.
    EXPECT_TRUE(a.MouseDown(true, 0, 1));
    EXPECT_FALSE(a.MouseUp(true, 99, 0));
    EXPECT_FALSE(a.MouseHeld());
    EXPECT_EQ(TakeChain().back(), "Nie można wykonać funkcji");
    EXPECT_EQ(At(0, 0, 0).u2, 1u);
}

TEST_F(AutomatonEvents, ButtonCallbacksByDigitWhetherOrNotTheButtonIsShown) {
    Automaton& a = *m_automaton;
    EXPECT_FALSE(a.ButtonVisible(9));
    EXPECT_TRUE(a.RunButtonCallback(Automaton::SlotOfDigit(0)));
    EXPECT_EQ(At(1, 0, 0).u2, 10u);
    EXPECT_TRUE(a.RunButtonCallback(Automaton::SlotOfDigit(1)));  // no OnButton1: nothing
    EXPECT_FALSE(a.RunButtonCallback(Automaton::SlotOfDigit(4)));
    EXPECT_EQ(TakeChain()[2], "Komunikat: Wywołano funkcję \"error\", kod: 4");
    EXPECT_EQ(Automaton::SlotOfDigit(9), 8);

    // The script's button flags: 0 and 10 are the same button, others are refused quietly.
    a.SetButtonDown(0, true);
    EXPECT_TRUE(a.GetButtonDown(10));
    EXPECT_TRUE(a.ButtonDown(9));
    a.SetButtonDown(11, true);
    a.SetButtonDown(-1, true);
    EXPECT_FALSE(a.GetButtonDown(11));
    EXPECT_FALSE(a.GetButtonDown(-1));
    for (int slot = 0; slot < 9; ++slot) EXPECT_FALSE(a.ButtonDown(slot));
}

TEST_F(AutomatonEvents, PictureAndTableEventsCopyAroundTheirCallbacks) {
    Automaton& a = *m_automaton;
    ASSERT_TRUE(a.HasOnLoadImage());
    At(0, 1, 1).u1 = 0x123456;  // as a picture import leaves it
    EXPECT_TRUE(a.AfterImageLoaded());
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(At(g, 1, 1).u1, 0x123456u) << g;
        EXPECT_EQ(At(g, 1, 1).u3, 0x123457u) << g;  // OnLoadImage saw the copy and was copied
    }

    At(1, 3, 3).u1 = 5;
    EXPECT_TRUE(a.BeforeImageSaved());
    EXPECT_EQ(At(0, 2, 2).u4, 7u);
    EXPECT_EQ(At(1, 2, 2).u4, 7u);
    EXPECT_EQ(At(2, 3, 3).u1, 5u);  // rotated as after an iteration

    At(0, 4, 3).f1 = 1.5f;
    a.AfterTableLoaded();
    EXPECT_EQ(At(1, 4, 3).f1, 1.5f);
    EXPECT_EQ(At(2, 4, 3).f1, 0.0f);
}

TEST(AutomatonPictureEvents, WithoutCallbacksOnlyTheCopiesHappenAndFailuresAreReported) {
    ClearErrors();
    auto plain = LoadAutomaton(Definition(MinimalScript, "", 3, 3, 3));
    ASSERT_TRUE(plain->Loaded());
    plain->Cells().Table(0).At(2, 2).u1 = 9;
    EXPECT_TRUE(plain->AfterImageLoaded());
    EXPECT_EQ(plain->Cells().Table(2).At(2, 2).u1, 9u);
    plain->Cells().Table(0).At(0, 0).u1 = 1;
    EXPECT_TRUE(plain->BeforeImageSaved());
    EXPECT_EQ(plain->Cells().Table(1).At(0, 0).u1, 0u);  // no callback, no rotation

    auto failing = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() {}\nvoid OnLoadImage() { assert(false); }\n"
                                            "void OnSaveImage() { assert(false); }\n", "", 3, 3, 2));
    ASSERT_TRUE(failing->Loaded());
    failing->Cells().Table(0).At(1, 0).u1 = 4;
    EXPECT_FALSE(failing->AfterImageLoaded());
    EXPECT_EQ(TakeChain().back(), "Nie można wykonać funkcji");
    EXPECT_EQ(failing->Cells().Table(1).At(1, 0).u1, 4u);  // the import itself was copied
    failing->Cells().Table(0).At(1, 0).u1 = 6;
    EXPECT_FALSE(failing->BeforeImageSaved());
    EXPECT_EQ(failing->Cells().Table(1).At(1, 0).u1, 4u);
    ClearErrors();
}

}  // namespace

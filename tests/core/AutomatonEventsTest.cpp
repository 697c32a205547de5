// The callbacks of the mouse, the user buttons and the picture and table events, and the
// copies between the generations around them.
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"

namespace core {
namespace {

// Every callback leaves a trace in generation 0: u1 of cell (x, y) counts the calls at that
// cell, u2 of cell (0, 0) says which callback ran last. A callback given x = 99 fails after
// writing u2.
const std::string CallbackScript = R"(
void OnInit() {}
void OnFrame() {}
void Mark(int x, int y, uint which) { SetBuffer_u2(0, 0, which); SetBuffer_u1(x, y, GetBuffer_u1(x, y) + 1); }
void OnMouseDown(const int x, const int y) { Mark(x, y, 1); }
void OnMouseUp(const int x, const int y) { Mark(x, y, 2); }
void OnMouseMove(int x, int y) { Mark(x, y, 3); }
void OnButton0() { SetBuffer_u2(0, 0, 10); }
void OnButton4() { error(4); }
void OnLoadImage() { SetBuffer_u3(1, 1, GetBuffer_u1(1, 1) + 1); }
void OnSaveImage() { SetBuffer_u4(2, 2, 7); }
)";

class AutomatonEvents : public ::testing::Test {
protected:
    void SetUp() override {
        m_automaton = LoadAutomaton(Definition(CallbackScript, "", 5, 4, 3));
        ASSERT_TRUE(m_automaton->Loaded());
    }
    cells::Cell& At(int generation, int x, int y) { return m_automaton->Cells().Table(generation).At(x, y); }

    std::unique_ptr<Automaton> m_automaton;
};

TEST_F(AutomatonEvents, MouseAndButtonCallbacksCopyAfterSuccess) {
    Automaton& a = *m_automaton;
    WorkbenchState mouse;  // the held button's rule, seen by the user in the application's drag test
    EXPECT_TRUE(mouse.MouseDown(a, false, 1, 1));  // off the world: held, but no call
    EXPECT_TRUE(mouse.MouseMove(a, true, 2, 3));  // a plain (int, int) callback is found too
    EXPECT_EQ(std::make_tuple(At(0, 2, 3).u1, At(1, 2, 3).u1, At(2, 2, 3).u1), std::make_tuple(1u, 1u, 0u));  // 0 -> 1 only
    EXPECT_TRUE(mouse.MouseUp(a, false, 2, 3));  // off the world: no call, still released
    EXPECT_TRUE(!mouse.MouseHeld() && At(0, 0, 0).u2 == 3u);
    EXPECT_TRUE(mouse.MouseDown(a, true, 4, 0) && mouse.MouseUp(a, true, 4, 0));
    EXPECT_EQ(std::make_tuple(At(1, 4, 0).u1, At(1, 0, 0).u2), std::make_tuple(2u, 2u));
    // A failing callback leaves the copy undone; a release still clears the held flag.
    EXPECT_TRUE(mouse.MouseDown(a, true, 0, 1));
    EXPECT_FALSE(mouse.MouseUp(a, true, 99, 0));
    EXPECT_FALSE(mouse.MouseHeld());
    EXPECT_EQ(TakeChain().back(), "Nie można wykonać funkcji");
    EXPECT_EQ(std::make_tuple(At(1, 0, 1).u1, At(0, 0, 0).u2, At(1, 0, 0).u2), std::make_tuple(1u, 2u, 1u));

    // Button callbacks run by digit, whether or not the button is shown, and copy 0 -> 1.
    EXPECT_TRUE(!a.ButtonVisible(9) && a.RunButtonCallback(ButtonSlot(0)));
    EXPECT_EQ(At(1, 0, 0).u2, 10u);
    EXPECT_TRUE(a.RunButtonCallback(ButtonSlot(1)));  // no OnButton1: nothing
    EXPECT_FALSE(a.RunButtonCallback(ButtonSlot(4)));
    EXPECT_EQ(TakeChain()[2], "Komunikat: Wywołano funkcję \"error\", kod: 4");
}

TEST_F(AutomatonEvents, PictureAndTableEventsCopyAroundTheirCallbacks) {
    At(0, 1, 1).u1 = 0x123456;  // as a picture import leaves it
    EXPECT_TRUE(m_automaton->AfterImageLoaded());
    for (int g = 0; g < 3; ++g)  // OnLoadImage saw the copy and was copied
        EXPECT_EQ(std::make_tuple(At(g, 1, 1).u1, At(g, 1, 1).u3), std::make_tuple(0x123456u, 0x123457u)) << g;
    At(1, 3, 3).u1 = 5;
    EXPECT_TRUE(m_automaton->BeforeImageSaved());  // then the copies of an iteration
    EXPECT_EQ(std::make_tuple(At(0, 2, 2).u4, At(1, 2, 2).u4, At(2, 3, 3).u1), std::make_tuple(7u, 7u, 5u));
    At(0, 4, 3).f1 = 1.5f;
    m_automaton->AfterTableLoaded();
    EXPECT_EQ(std::make_tuple(At(1, 4, 3).f1, At(2, 4, 3).f1), std::make_tuple(1.5f, 0.0f));
}

// Without callbacks only the copies happen; a failing callback is reported and leaves the
// copies after it undone.
TEST(AutomatonPictureEvents, WithoutCallbacksOrWithFailingOnes) {
    auto plain = LoadAutomaton(Definition(MinimalScript, "", 3, 3, 3));
    auto failing = LoadAutomaton(Definition(MinimalScript + "void OnLoadImage() { assert(false); }\n"
                                                            "void OnSaveImage() { assert(false); }\n", "", 3, 3, 3));
    ASSERT_TRUE(plain->Loaded() && failing->Loaded());
    for (Automaton* automaton : {plain.get(), failing.get()}) {
        bool fails = automaton == failing.get();
        cells::Cell &written = automaton->Cells().Table(0).At(1, 0), &previous = automaton->Cells().Table(1).At(1, 0);
        written.u1 = 4;
        EXPECT_EQ(automaton->AfterImageLoaded(), !fails);
        EXPECT_EQ(TakeChain().size(), fails ? 5u : 0u);  // from "Wiersz: " to "Nie można wykonać funkcji"
        EXPECT_EQ(std::make_pair(previous.u1, automaton->Cells().Table(2).At(1, 0).u1), std::make_pair(4u, 4u));
        written.u1 = 6;
        EXPECT_EQ(automaton->BeforeImageSaved(), !fails);
        EXPECT_EQ(TakeChain().size(), fails ? 5u : 0u);
        EXPECT_EQ(previous.u1, 4u);  // no callback, no copies
    }
}

}  // namespace
}  // namespace core

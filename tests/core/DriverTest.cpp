#include <gtest/gtest.h>

#include <cmath>

#include "CoreTestSupport.h"
#include "core/SpeedScale.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::LoadAutomaton;
using coretest::ManualClock;
using coretest::MinimalScript;
using coretest::TakeChain;
using Chain = std::vector<std::string>;

namespace {

// A Beep of d milliseconds takes d milliseconds of the test's clock: scripts use it to make
// an iteration slow.
struct ClockBeep : BeepService {
    explicit ClockBeep(ManualClock& clock) : Clock(clock) {}
    void Beep(uint32_t, uint32_t duration) override { Clock.Seconds += duration / 1000.0; }
    ManualClock& Clock;
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { ClearErrors(); }

    std::unique_ptr<Automaton> Load(const std::string& code, const std::string& extra = "") {
        auto automaton = LoadAutomaton(Definition(code, extra), m_clock);
        EXPECT_TRUE(automaton->Loaded()) << ::testing::PrintToString(TakeChain());
        automaton->SetBeepService(m_beep);
        return automaton;
    }

    ManualClock m_clock;
    ClockBeep m_beep { m_clock };
};

TEST_F(DriverTest, FreeRunningComputesWhatHasBecomeDueAndNothingForTheTimeStopped) {
    auto automaton = Load(MinimalScript, "Speed: 1\nRunning: true");
    for (int frame = 0; frame < 150; ++frame) {
        automaton->UpdateFrame(1.0f / 60.0f, 60.0f);
        ASSERT_LT(automaton->SimClock() - automaton->SimTime(), 1.0);
    }
    EXPECT_EQ(automaton->IterationCounter(), 2u);  // 2.5 s at one iteration a second
    EXPECT_FLOAT_EQ(automaton->SpeedMark1(), PeriodToPosition(1.0f / 60.0f));
    automaton->UpdateFrame(0.0f, 0.0f);
    EXPECT_EQ(automaton->SpeedMark1(), 1.0f);

    automaton->StopRunning();
    for (int frame = 0; frame < 100; ++frame) automaton->UpdateFrame(0.1f, 10.0f);
    automaton->SetIterationPeriod(0.01f);
    automaton->StartRunning();
    automaton->UpdateFrame(0.1f, 10.0f);
    EXPECT_LE(automaton->IterationCounter(), 2u + 10u);
}

TEST_F(DriverTest, ACountedRunOfOneEndsStopped) {
    auto automaton = Load(MinimalScript, "Running: true");
    ASSERT_TRUE(automaton->StartIterations("1"));
    EXPECT_FALSE(automaton->Running());  // a counted run ends free running
    EXPECT_TRUE(automaton->RunPressed());
    automaton->UpdateFrame(0.01f, 100.0f);
    EXPECT_EQ(automaton->IterationCounter(), 1u);
    EXPECT_EQ(automaton->PendingIterations(), 0);
    EXPECT_EQ(automaton->RequestedIterations(), 1);
    EXPECT_TRUE(automaton->StopPressed());
    EXPECT_FALSE(automaton->Running());
    automaton->UpdateFrame(10.0f, 100.0f);
    EXPECT_EQ(automaton->IterationCounter(), 1u);
}

TEST_F(DriverTest, ACountedRunWorksAboutFiftyMillisecondsAFrame) {
    auto automaton = Load("void OnInit() {}\nvoid OnFrame() { Beep(0, 20); }\n", "Speed: 0.1");
    ASSERT_TRUE(automaton->StartIterations("10"));
    automaton->UpdateFrame(0.01f, 100.0f);
    EXPECT_EQ(automaton->IterationCounter(), 3u);  // the third ends at 60 ms
    EXPECT_EQ(automaton->PendingIterations(), 7);
    EXPECT_EQ(automaton->CounterText(), "3 (3/10)");
    while (automaton->PendingIterations() > 0) automaton->UpdateFrame(0.01f, 100.0f);
    EXPECT_EQ(automaton->IterationCounter(), 10u);
    EXPECT_EQ(automaton->CounterText(), "10");
}

TEST_F(DriverTest, OverloadDropsTheBacklogAndSlowsDown) {
    auto automaton = Load("void OnInit() {}\nvoid OnFrame() { Beep(0, 30); }\n", "Speed: 1000\nRunning: true");
    automaton->UpdateFrame(0.01f, 100.0f);  // ten iterations due
    EXPECT_EQ(automaton->IterationCounter(), 4u);
    EXPECT_EQ(automaton->StatusText(), "Komputer nie nadąża!");
    EXPECT_EQ(automaton->StatusColor(), 0xFFFF7F7Fu);
    EXPECT_NEAR(automaton->IterationPeriod(), 0.0275f, 1e-6);
    EXPECT_FLOAT_EQ(automaton->SpeedMark2(), PeriodToPosition(automaton->IterationPeriod()));
    EXPECT_FLOAT_EQ(automaton->SpeedPosition(), automaton->SpeedMark2());
    EXPECT_EQ(automaton->SimTime(), automaton->SimClock());

    // With one iteration due a slow OnFrame is no overload: it takes a second one.
    auto single = Load("void OnInit() {}\nvoid OnFrame() { Beep(0, 500); }\n", "Speed: 10\nRunning: true");
    single->UpdateFrame(0.15f, 10.0f);
    EXPECT_EQ(single->IterationCounter(), 1u);
    EXPECT_EQ(single->StatusText(), "");
}

TEST_F(DriverTest, AFailingIterationStopsTheFrameWithItsChain) {
    auto automaton = Load("void OnInit() {}\nvoid OnFrame() { error(7); }\n", "Speed: 100\nRunning: true");
    automaton->UpdateFrame(1.0f, 1.0f);
    EXPECT_EQ(automaton->IterationCounter(), 1u);
    Chain chain = TakeChain();
    ASSERT_GE(chain.size(), 3u);
    EXPECT_EQ(chain[2], "Komunikat: Wywołano funkcję \"error\", kod: 7");
    EXPECT_EQ(Chain(chain.end() - 2, chain.end()), (Chain {"Nie można przeliczyć klatki", "Nie można przeliczyć aplikacji"}));
}

TEST_F(DriverTest, ControlMessagesRunAfterTheClockAndAnErrorThereStopsTheFrame) {
    auto automaton = Load(MinimalScript, "Speed: 100\nRunning: true");
    double clockSeen = 0;
    float markSeen = 0;
    automaton->UpdateFrame(1.0f, 50.0f, [&] {
        clockSeen = automaton->SimClock();
        markSeen = automaton->SpeedMark1();
        RaiseError("control");
    });
    EXPECT_EQ(clockSeen, automaton->SimClock());
    EXPECT_FLOAT_EQ(markSeen, PeriodToPosition(0.02f));
    EXPECT_EQ(automaton->IterationCounter(), 0u);
    EXPECT_EQ(TakeChain(), Chain {"control"});  // nothing added on top
}

TEST_F(DriverTest, StepsAndThePrompt) {
    auto automaton = Load(MinimalScript, "Running: true");
    EXPECT_TRUE(automaton->SingleStep());  // also while free running
    EXPECT_EQ(automaton->IterationCounter(), 1u);
    EXPECT_TRUE(automaton->Running());

    for (const char* bad : {"12a", "0", "-3", "", "99999999999"}) {
        automaton->SetStatus("", 0xFFFFFFFF);
        EXPECT_FALSE(automaton->StartIterations(bad)) << bad;
        EXPECT_EQ(automaton->StatusText(), "Błędna liczba") << bad;
        EXPECT_EQ(automaton->StatusColor(), 0xFFFF7F7Fu);
        EXPECT_EQ(automaton->PendingIterations(), 0);
        EXPECT_TRUE(automaton->Running());
    }
    ASSERT_TRUE(automaton->StartIterations("5"));
    EXPECT_TRUE(automaton->SingleStep());  // refused during a counted run
    EXPECT_EQ(automaton->IterationCounter(), 1u);
    automaton->StopRunning();
    EXPECT_EQ(automaton->PendingIterations(), 0);
    EXPECT_TRUE(automaton->StopPressed());
    automaton->ResetCounter();
    EXPECT_EQ(automaton->IterationCounter(), 0u);
}

TEST_F(DriverTest, SpeedAndZoomTrackBars) {
    auto automaton = Load(MinimalScript);
    automaton->SetSpeedPosition(1.01f);  // the right key at the end changes nothing
    EXPECT_EQ(automaton->SpeedPosition(), 1.0f);
    EXPECT_NEAR(automaton->IterationPeriod(), 0.00001f, 1e-10);
    automaton->SetSpeedPosition(0.5f);
    EXPECT_NEAR(automaton->IterationPeriod(), 0.01f, 1e-6);
    automaton->SetIterationPeriod(100.0f);
    EXPECT_EQ(std::make_pair(automaton->IterationPeriod(), automaton->SpeedPosition()), std::make_pair(10.0f, 0.0f));
    automaton->SetZoomPosition(0.0f);
    EXPECT_FLOAT_EQ(automaton->Zoom(), 0.1f);
    automaton->SetZoomPosition(std::nanf(""));
    EXPECT_FLOAT_EQ(automaton->Zoom(), 10.0f);
    automaton->SetZoom(1.0f);
    EXPECT_FLOAT_EQ(automaton->ZoomPosition(), 0.5f);
    automaton->SetFittingZoom(100.0f);
    EXPECT_EQ(automaton->ZoomMark1(), 1.0f);
}

TEST(FormatCounter, GroupsDigitsInThrees) {
    struct Case { uint32_t number; const char* text; };
    for (Case c : {Case {0, "0"}, Case {999, "999"}, Case {1000, "1 000"}, Case {1234567, "1 234 567"},
                   Case {1000000000, "1 000 000 000"}, Case {4294967295u, "4 294 967 295"}}) {
        EXPECT_EQ(Automaton::FormatCounter(c.number), c.text);
    }
}

}  // namespace

// The driver: how many iterations a frame computes, counted runs, steps, the iteration
// prompt, the overload rule and the speed and zoom track bars of the workbench's state.
#include <cmath>
#include <tuple>

#include "core/SpeedScale.h"
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"

namespace core {
namespace {

class DriverTest : public ::testing::Test {
protected:
    // An automaton with the header items `extra` whose OnFrame takes `milliseconds`.
    std::unique_ptr<Automaton> Load(const std::string& extra, int milliseconds = 0) {
        std::string code = "void OnInit() {}\nvoid OnFrame() { Beep(0, " + std::to_string(milliseconds) + "); }\n";
        auto automaton = LoadAutomaton(Definition(code, extra), m_clock);
        automaton->SetBeepService(m_clock);
        return automaton;
    }

    ManualClock m_clock;
};

TEST_F(DriverTest, FreeRunningComputesWhatHasBecomeDueAndNothingForTheTimeStopped) {
    auto automaton = Load("Speed: 1\nRunning: true");
    WorkbenchState state;
    for (int frame = 0; frame < 150; ++frame) {
        state.UpdateFrame(*automaton, 1.0f / 60.0f, 60.0f);
        ASSERT_LT(automaton->SimClock() - automaton->SimTime(), 1.0);
    }
    EXPECT_EQ(automaton->IterationCounter(), 2u);  // 2.5 s at one iteration a second
    EXPECT_FLOAT_EQ(state.SpeedBar().Mark1(), PeriodToPosition(1.0f / 60.0f));
    state.UpdateFrame(*automaton, 0.0f, 0.0f);
    EXPECT_EQ(state.SpeedBar().Mark1(), 1.0f);

    automaton->StopRunning();
    for (int frame = 0; frame < 100; ++frame) automaton->UpdateFrame(0.1f);
    automaton->SetIterationPeriod(0.01f);
    automaton->StartRunning();
    automaton->UpdateFrame(0.1f);
    EXPECT_LE(automaton->IterationCounter(), 2u + 10u);
}

// The work per frame of a counted run shows in the application's counter test.
TEST_F(DriverTest, CountedRunsEndStopped) {
    auto automaton = Load("Running: true");
    WorkbenchState state;
    ASSERT_TRUE(state.StartIterations(*automaton, "1"));  // ends free running
    EXPECT_TRUE(!automaton->Running() && automaton->RunPressed());
    automaton->UpdateFrame(0.01f);
    EXPECT_EQ(std::make_tuple(automaton->IterationCounter(), automaton->PendingIterations(),
                              automaton->RequestedIterations()), std::make_tuple(1u, 0, 1));
    EXPECT_TRUE(automaton->StopPressed() && !automaton->Running());
    automaton->UpdateFrame(10.0f);
    EXPECT_EQ(automaton->IterationCounter(), 1u);
}

TEST_F(DriverTest, OverloadDropsTheBacklogAndSlowsDown) {
    auto automaton = Load("Speed: 1000\nRunning: true", 30);
    WorkbenchState state;
    state.Configure(*automaton);
    state.UpdateFrame(*automaton, 0.01f, 100.0f);  // ten iterations due; the fourth ends after 0.1 s
    EXPECT_EQ(std::make_tuple(automaton->IterationCounter(), state.StatusText(), state.StatusColor()),
              std::make_tuple(4u, "Komputer nie nadąża!", 0xFFFF7F7Fu));
    EXPECT_NEAR(automaton->IterationPeriod(), 0.0275f, 1e-6);  // 1.1 x 0.1 s / 4
    EXPECT_EQ(state.SpeedBar().Position(), PeriodToPosition(automaton->IterationPeriod()));
    EXPECT_EQ(state.SpeedBar().Mark2(), state.SpeedBar().Position());
    EXPECT_EQ(automaton->SimTime(), automaton->SimClock());
    // With one iteration due a slow OnFrame is no overload: it takes a second one.
    auto single = Load("Speed: 10\nRunning: true", 500);
    WorkbenchState calm;
    EXPECT_EQ(single->UpdateFrame(0.15f), DriverStep::Normal);
    calm.UpdateFrame(*single, 0.0f, 10.0f);
    EXPECT_EQ(std::make_tuple(single->IterationCounter(), calm.StatusText(), calm.SpeedBar().Mark2()),
              std::make_tuple(1u, "", 1.0f));
}

// A failing iteration ends the frame's loop at once; an error while the control messages are
// handled (after the clock and speed mark 1 are set) ends the frame before any iteration.
TEST_F(DriverTest, ErrorsEndTheFrame) {
    auto automaton = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() { error(7); }\n", "Speed: 100\nRunning: 1"));
    automaton->UpdateFrame(1.0f);  // a hundred iterations due
    EXPECT_EQ(automaton->IterationCounter(), 1u);
    EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 3", "Funkcja: void OnFrame()", "Komunikat: Wywołano funkcję \"error\", kod: 7",
                                   "Wystąpił wyjątek", "Nie można wykonać funkcji", "Nie można przeliczyć klatki",
                                   "Nie można przeliczyć aplikacji"}));
    std::tuple<double, float> seen;
    automaton = Load("Speed: 100\nRunning: true");
    WorkbenchState state;
    state.UpdateFrame(*automaton, 1.0f, 50.0f, [&] {
        seen = {automaton->SimClock(), state.SpeedBar().Mark1()};
        errors::RaiseError("control");
    });
    EXPECT_EQ(seen, std::make_tuple(automaton->SimClock(), PeriodToPosition(0.02f)));
    EXPECT_EQ(automaton->IterationCounter(), 0u);
    EXPECT_EQ(TakeChain(), Chain {"control"});  // nothing added on top
}

// The owner's runner (the workbench's script worker) gets a time step's iterations as one
// piece of work; the control messages are handled before it and outside it, and a failure
// there, or a stopped driver, leaves nothing to run.
TEST_F(DriverTest, TheIterationsOfATimeStepRunAsOnePieceWhereTheOwnerSays) {
    auto automaton = Load("Speed: 100\nRunning: true");
    WorkbenchState state;
    std::vector<std::string> log;
    auto note = [&](const std::string& what) { log.push_back(what + " " + std::to_string(automaton->IterationCounter())); };
    auto runner = [&](const std::function<void()>& work) { note("runner"), work(), note("done"); };
    state.UpdateFrame(*automaton, 0.05f, 60.0f, [&] { note("messages"); }, runner);
    EXPECT_GE(automaton->IterationCounter(), 4u);
    EXPECT_EQ(log, (std::vector<std::string> {"messages 0", "runner 0", "done " + std::to_string(automaton->IterationCounter())}));
    log.clear();
    state.UpdateFrame(*automaton, 0.05f, 60.0f, [] { errors::RaiseError("komunikat"); }, runner);
    EXPECT_TRUE(log.empty());
    errors::ClearErrors();
    automaton->StopRunning();
    state.UpdateFrame(*automaton, 0.05f, 60.0f, {}, runner);
    EXPECT_TRUE(log.empty()) << "stopped, nothing is handed over";
}

// The prompt, the single step and the track bars as the user drives them are the
// application's tests; here the limits that only the state's own setters reach.
TEST_F(DriverTest, StopEndsACountedRunAndTheBarsClampWhatTheyAreGiven) {
    auto automaton = Load("Running: true");
    WorkbenchState state;
    state.Configure(*automaton);
    ASSERT_TRUE(state.StartIterations(*automaton, "5"));
    automaton->StopRunning();
    EXPECT_TRUE(automaton->PendingIterations() == 0 && automaton->StopPressed());
    automaton->SetIterationPeriod(100.0f);
    state.ShowIterationPeriod(automaton->IterationPeriod());
    EXPECT_EQ(std::make_pair(state.SpeedBar().Position(), automaton->IterationPeriod()), std::make_pair(0.0f, 10.0f));
    state.SetZoomPosition(std::nanf(""));
    EXPECT_EQ(state.Zoom(), 10.0f);
}

TEST(FormatCounter, GroupsDigitsInThrees) {
    const std::pair<uint32_t, const char*> cases[] = {{0, "0"}, {999, "999"}, {1000, "1 000"}, {12345, "12 345"},
        {1234567, "1 234 567"}, {1000000000, "1 000 000 000"}, {4294967295u, "4 294 967 295"}};
    for (auto [number, text] : cases) EXPECT_EQ(Automaton::FormatCounter(number), text);
}

}  // namespace
}  // namespace core

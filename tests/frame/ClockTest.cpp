#include <gtest/gtest.h>

#include <vector>

#include "frame/Clock.h"

namespace {

// A clock whose source reads out of a scripted list of seconds.
class ScriptedClock : public testing::Test {
protected:
    ScriptedClock() : m_clock([this] { return m_now; }) {}

    void StepAt(double seconds) {
        m_now = seconds;
        m_clock.Step(nullptr);
    }

    double m_now { 0 };
    frame::Clock m_clock;
};

TEST_F(ScriptedClock, TimeCountsFromTheFirstStep) {
    StepAt(1000.0);
    EXPECT_FLOAT_EQ(m_clock.Time(), 0.0f);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.0f);
    StepAt(1000.25);
    EXPECT_FLOAT_EQ(m_clock.Time(), 0.25f);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.25f);
    StepAt(1000.75);
    EXPECT_FLOAT_EQ(m_clock.Time(), 0.75f);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.5f);
}

TEST_F(ScriptedClock, AReadingBehindTheLastGivesAZeroFrameTime) {
    StepAt(5.0);
    StepAt(6.0);
    StepAt(5.5);
    EXPECT_FLOAT_EQ(m_clock.Time(), 0.5f);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.0f);
    StepAt(5.75);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.25f);
}

TEST_F(ScriptedClock, ResynchronisingMakesTheNextFrameTimeZeroAndOnlyThatOne) {
    StepAt(0.0);
    StepAt(0.1);
    m_clock.Resynchronise();  // e.g. 30 s minimised or paused in between
    StepAt(30.1);
    EXPECT_FLOAT_EQ(m_clock.FrameTime(), 0.0f);
    EXPECT_FLOAT_EQ(m_clock.Time(), 30.1f);
    StepAt(30.2);
    EXPECT_NEAR(m_clock.FrameTime(), 0.1f, 1e-5f);
}

TEST_F(ScriptedClock, TheUpdateSeesThisStepsValues) {
    std::vector<float> seen;
    m_now = 2.0;
    m_clock.Step(nullptr);
    m_now = 2.5;
    m_clock.Step([&] { seen = {m_clock.Time(), m_clock.FrameTime()}; });
    EXPECT_EQ(seen, (std::vector<float> {0.5f, 0.5f}));
}

TEST_F(ScriptedClock, FpsChangesOncePerSecondAndCountsTheClosingStep) {
    // Ten steps a second: 0.0, 0.1, ... The measurement closes at the first time strictly
    // beyond 1.0, i.e. at 1.1 after 12 steps (0.0 through 1.1).
    for (int i = 0; i <= 10; ++i) {
        StepAt(i * 0.1);
        EXPECT_FLOAT_EQ(m_clock.FPS(), 0.0f) << "step " << i;
    }
    StepAt(1.1);
    EXPECT_NEAR(m_clock.FPS(), 12.0f / 1.1f, 1e-4f);
    // The next measurement starts at 1.1 and closes beyond 2.1.
    float first = m_clock.FPS();
    StepAt(1.6);
    StepAt(2.1);
    EXPECT_FLOAT_EQ(m_clock.FPS(), first);
    StepAt(2.2);
    EXPECT_NEAR(m_clock.FPS(), 3.0f / (2.2f - 1.1f), 1e-4f);
}

}  // namespace

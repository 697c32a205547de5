#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame/Clock.h"

namespace frame {
namespace {

// One scripted run of the clock: each row is one step at a reading of the injected source,
// optionally resynchronised before it, with what the update sees during that step.
TEST(Clock, StepsFollowTheInjectedSource) {
    struct Step {
        double Reading;
        bool ResynchroniseFirst;
        float Time, FrameTime, Fps;
    };
    const Step script[] = {
        {1000.0, false, 0.0f, 0.0f, 0.0f},  // time counts from the first step
        {1000.25, false, 0.25f, 0.25f, 0.0f},
        {1000.75, false, 0.75f, 0.5f, 0.0f},
        {1000.5, false, 0.5f, 0.0f, 0.0f},  // a reading behind the last one: no negative frame time
        {1000.6, true, 0.6f, 0.0f, 0.0f},   // after a pause or suspension: no long frame
        {1000.7, false, 0.7f, 0.1f, 0.0f},
        {1001.0, false, 1.0f, 0.3f, 0.0f},         // 1.0 is not beyond the measurement's second
        {1001.1, false, 1.1f, 0.1f, 8.0f / 1.1f},  // beyond it: 8 steps, this one counted too
        {1001.6, false, 1.6f, 0.5f, 8.0f / 1.1f},  // at most one new value a second
        {1002.0, false, 2.0f, 0.4f, 8.0f / 1.1f},
        {1002.2, false, 2.2f, 0.2f, 3.0f / 1.1f},
    };
    double now = 0;
    frame::Clock clock([&] { return now; });
    for (const Step& step : script) {
        now = step.Reading;
        if (step.ResynchroniseFirst) clock.Resynchronise();
        std::vector<float> seen;
        clock.Step([&] { seen = {clock.Time(), clock.FrameTime(), clock.FPS()}; });
        EXPECT_THAT(seen, testing::Pointwise(testing::FloatNear(1e-4f), {step.Time, step.FrameTime, step.Fps}))
            << "at " << step.Reading;
    }
}

}  // namespace
}  // namespace frame

#include <gtest/gtest.h>

#include <utility>

#include "frame/Registry.h"
#include "FrameTestSupport.h"

namespace frame {
namespace {

using Pass = void (frame::Registry::*)();

// Each set-up pass with the tear-down pass that undoes it, over three objects A, B, C.
TEST(Registry, SetUpStopsAtAFailureAndTearDownGoesBackwardOverWhatWasDone) {
    struct Pair {
        const char *SetUp, *TearDown;
        Pass Forward, Backward;
    };
    using R = frame::Registry;
    const Pair pairs[] = {{"Init", "Shutdown", &R::InitPass, &R::ShutdownPass},
                          {"Create", "Release", &R::CreateDeviceObjectsPass, &R::ReleaseDeviceObjectsPass},
                          {"Restore", "Invalidate", &R::RestoreDeviceObjectsPass, &R::InvalidateDeviceObjectsPass}};
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.SetUp);
        errors::ClearErrors();
        Journal journal;
        Probe a("A", journal), b("B", journal), c("C", journal);
        frame::Registry registry;
        for (Probe* probe : {&a, &b, &c}) registry.Register(probe);
        auto run = [&](Pass pass) { return (registry.*pass)(), std::exchange(journal, {}); };
        auto calls = [](const char* operation, std::string names) {
            Journal expected;
            for (char name : names) expected.push_back(std::string(1, name) + "." + operation);
            return expected;
        };

        b.FailIn = pair.SetUp;
        EXPECT_EQ(run(pair.Forward), calls(pair.SetUp, "AB"));
        EXPECT_TRUE(errors::ErrorRaised());
        errors::ClearErrors();
        b.FailIn.clear();
        EXPECT_EQ(run(pair.Forward), calls(pair.SetUp, "BC")) << "resumes at the object that failed";
        EXPECT_EQ(run(pair.Forward), Journal {}) << "a second pass does nothing";

        b.FailIn = c.FailIn = pair.TearDown;
        EXPECT_EQ(run(pair.Backward), calls(pair.TearDown, "CBA")) << "tear-down goes on past errors";
        EXPECT_EQ(run(pair.Backward), Journal {}) << "each flag was cleared before its call";

        errors::ClearErrors();
        b.FailIn = pair.SetUp;
        EXPECT_EQ(run(pair.Forward), calls(pair.SetUp, "AB"));
        EXPECT_EQ(run(pair.Backward), calls(pair.TearDown, "A")) << "the failed object is not torn down";
    }
    errors::ClearErrors();
}

}  // namespace
}  // namespace frame

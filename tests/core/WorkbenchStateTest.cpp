// The workbench's control state: what a loaded definition sets on it, and the track bars'
// limits. The steps and commands it carries out on the automaton are in the driver and event
// tests.
#include <cmath>

#include "core/SpeedScale.h"
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"
#include "view/ViewGeometry.h"

namespace core {
namespace {

TEST(WorkbenchState, TakesZoomTogglesAndSpeedFromTheDefinition) {
    struct Case {
        const char* Items;
        bool Filtered, Tiled, Enabled;
        float Zoom;
    };
    const Case cases[] = {
        {"", false, false, true, 1.0f},
        {"Filtered: 1\nTiled: true\nZoom: 2.5\nSpeed: 20", true, true, true, 2.5f},
        {"Zoom: 50\nSpeed: 0.01", false, false, true, 10.0f},
        {"Filtered: yes", true, false, false, 1.0f},  // with a cells view the buttons are disabled
    };
    for (const Case& c : cases) {
        std::string definition = Definition(MinimalScript, c.Items);
        if (!c.Enabled) definition = Replaced(definition, "View: texture", "View: cells");
        auto automaton = LoadAutomaton(definition);
        ASSERT_TRUE(automaton->Loaded()) << c.Items;
        WorkbenchState state;
        state.Configure(*automaton);
        EXPECT_EQ(std::make_tuple(state.Filtered(), state.Tiled(), state.FilterTileEnabled(), state.Zoom()),
                  std::make_tuple(c.Filtered, c.Tiled, c.Enabled, c.Zoom)) << c.Items;
        EXPECT_EQ(state.ZoomBar().Position(), view::ZoomToPosition(c.Zoom)) << c.Items;
        EXPECT_EQ(state.SpeedBar().Position(), PeriodToPosition(automaton->IterationPeriod())) << c.Items;
        state.ToggleFiltered();  // the keys toggle even where the buttons are disabled
        EXPECT_NE(state.Filtered(), c.Filtered) << c.Items;
    }
}

// The zoom bar's mark 1 is the fitting zoom, clamped like any zoom; mark 2 stays at 1.
TEST(WorkbenchState, TheZoomBarsMarksAreTheFittingZoomAndOne) {
    WorkbenchState state;
    for (auto [fitting, mark] : {std::pair {99.2f, 1.0f}, {1.0f, 0.5f}, {0.01f, 0.0f}}) {
        state.SetFittingZoom(fitting);
        state.SetZoomPosition(mark);
        EXPECT_EQ(std::make_tuple(state.ZoomBar().Mark1(), state.ZoomBar().Mark2()), std::make_tuple(mark, 1.0f)) << fitting;
    }
}

}  // namespace
}  // namespace core

// The button and the track bar: what the user's mouse does to them through the window system,
// the notifications they post, and the limits of the track bar's setters.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "gui/Controls.h"
#include "gui/GUISystem.h"

namespace gui {
namespace {

// A root window covering the virtual space with a button at (100, 100)-(124, 124) and a track
// bar at (200, 100)-(304, 124) in it (100 units of travel), both notifying `queue`.
struct Panel {
    GUISystem system;
    MsgHandler queue;
    ButtonSheet sheet;
    Window root {system, {0, 0, 800, 600}};
    G_Button button {root, {100, 100, 124, 124}, &queue, sheet, 3};
    G_TrackBar bar {root, {200, 100, 304, 124}, &queue};

    // The codes posted since the last call, as "sender:code" with b for the button, t for the bar.
    std::string Posted() {
        std::string text;
        while (auto message = queue.Take()) {
            auto* notification = dynamic_cast<Msg_Int*>(message.get());
            if (!notification) continue;
            text += notification->Sender == &button ? "b" : notification->Sender == &bar ? "t" : "?";
            text += ":" + std::to_string(notification->Code) + " ";
        }
        return text;
    }
};

// Plays "m x,y" (move), "d x,y" (left press), "u x,y" (left release), "c x,y" (left double
// click); a digit after the letter names another button ("d2 x,y": right press).
void Play(GUISystem& system, const std::string& script) {
    std::istringstream in(script);
    for (std::string op; in >> op;) {
        float x = 0, y = 0;
        char comma = 0;
        in >> x >> comma >> y;
        if (op == "m") system.MouseMove({x, y});
        else system.MouseButton({x, y}, op.size() > 1 ? op[1] - '0' : 0, op[0] == 'd' ? 0 : op[0] == 'u' ? 1 : 2);
    }
}

TEST(Button, ClicksOnTheReleaseOfAPressThatStartedOnIt) {
    const struct {
        const char* Script;
        const char* Posted;  // after the pointer was already over the button
    } cases[] = {
        {"d 110,110 u 110,110", "b:2 "},
        {"d 101,101 u 124,124", "b:2 "},                                // right and bottom edges belong to it
        {"d 110,110 m 200,300 u 200,300", ""},                           // dragged off: released elsewhere
        {"d 110,110 m 200,300 m 110,110 u 110,110", "b:1 b:2 "},         // and back on
        {"d 110,110 u 110,110 c 110,110 u 110,110", "b:2 b:2 "},         // a double click clicks twice
        {"d2 110,110 u2 110,110 c2 110,110 u2 110,110", ""},             // right button
        {"u 110,110", ""},                                               // a release alone
        {"d 50,50 m 110,110 u 110,110", ""},                             // pressed elsewhere
        {"d 110,110 d2 110,110 u 110,110", "b:2 "},                      // the capture ends with the right press
    };
    for (const auto& [script, posted] : cases) {
        Panel p;
        Play(p.system, "m 110,110");
        EXPECT_EQ(p.Posted(), "b:1 ") << "entering posts NotifyEnter";
        Play(p.system, script);
        EXPECT_EQ(p.Posted(), posted) << script;
    }
}

TEST(Button, PressedWhileHeldDownOnlyByItsOwner) {
    Panel p;
    Play(p.system, "m 110,110 d 110,110");
    EXPECT_TRUE(p.button.Pressed());
    EXPECT_FALSE(p.button.Down()) << "a press does not latch";
    Play(p.system, "u 110,110");
    EXPECT_FALSE(p.button.Pressed());
    p.button.SetDown(true);
    Play(p.system, "d 110,110 u 110,110");
    EXPECT_TRUE(p.button.Down()) << "a click does not change the latched flag";
}

TEST(Controls, WithoutAHandlerTheyPostNothing) {
    GUISystem system;
    ButtonSheet sheet;
    Window root {system, {0, 0, 800, 600}};
    G_Button button {root, {0, 0, 24, 24}, nullptr, sheet, NoIcon};
    G_TrackBar bar {root, {30, 0, 134, 24}, nullptr};
    Play(system, "m 10,10 d 10,10 u 10,10 m 50,10 d 50,10 m 60,10 u 60,10");
    system.MouseWheel({50, 10}, 120);
    EXPECT_NEAR(bar.Position(), 0.286f, 1e-5);  // (60 - 30 - 2) / 100, then one notch
}

TEST(TrackBar, TheThumbFollowsAPressAndADragAndStaysWithinTheBar) {
    const struct {
        const char* Script;
        float Position;
        const char* Posted;
    } cases[] = {
        {"d 252,110", 0.5f, "t:1 t:3 "},
        {"d 202,110", 0.0f, "t:1 t:3 "},                               // 2 units in: the left end
        {"d 200,110", 0.0f, "t:1 t:3 "},                               // left of it: still 0
        {"d 302,110", 1.0f, "t:1 t:3 "},
        {"d 252,110 m 100,500", 0.0f, "t:1 t:3 t:3 "},                 // dragged off to the left
        {"d 252,110 m 900,110", 1.0f, "t:1 t:3 t:3 "},                 // and to the right
        {"d 252,110 m 272,50 u 272,50 m 222,110", 0.7f, "t:1 t:3 t:3 t:1 "},  // the release ends the drag
        {"c 262,110", 0.6f, "t:1 t:3 "},                               // a double click sets it too
        {"d2 262,110 m 282,110", 0.0f, "t:1 "},                        // right button
    };
    for (const auto& [script, position, posted] : cases) {
        Panel p;
        Play(p.system, std::string("m 230,110 ") + script);
        EXPECT_NEAR(p.bar.Position(), position, 1e-5) << script;
        EXPECT_EQ(p.Posted(), posted) << script;
    }
}

TEST(TrackBar, TheWheelMovesTheThumbBy0002ALineWithinZeroAndOne) {
    const struct {
        float Start;
        int Distance;  // 120 a notch, three lines a notch
        float Position;
    } cases[] = {{0.5f, 120, 0.506f}, {0.5f, -240, 0.488f}, {0.998f, 120, 1.0f}, {0.003f, -120, 0.0f}, {1.0f, 360, 1.0f}};
    for (const auto& [start, distance, position] : cases) {
        Panel p;
        p.bar.SetPosition(start);
        Play(p.system, "m 250,110");
        p.Posted();
        EXPECT_TRUE(p.system.MouseWheel({250, 110}, distance));
        EXPECT_NEAR(p.bar.Position(), position, 1e-6) << start << " " << distance;
        EXPECT_EQ(p.Posted(), "t:3 ") << "moved or not, the user turned the wheel";
    }
}

TEST(TrackBar, SettersLimitToZeroAndOneAndPostNothing) {
    Panel p;
    const std::pair<float, float> cases[] = {{0.25f, 0.25f}, {-0.5f, 0.0f}, {1.5f, 1.0f}, {NAN, 1.0f},
                                             {INFINITY, 1.0f}, {-INFINITY, 0.0f}};
    for (const auto& [value, stored] : cases) {
        p.bar.SetPosition(value), p.bar.SetMark1(value), p.bar.SetMark2(value);
        EXPECT_EQ(p.bar.Position(), stored) << value;
        EXPECT_EQ(p.bar.Mark1(), stored) << value;
        EXPECT_EQ(p.bar.Mark2(), stored) << value;
    }
    EXPECT_EQ(p.Posted(), "");
}

}  // namespace
}  // namespace gui

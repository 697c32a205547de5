// The window system: hit testing, input routing with hover, capture, focus and wheel, the life
// of windows, drawing and updating the tree, and the message queue.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "GuiTestSupport.h"
#include "errors/ErrorTrail.h"
#include "gui/Messages.h"

namespace gui {
namespace {

using enum ButtonAction;
using enum ButtonId;

// Writes each call it gets into a shared journal as "Name.Operation arguments; ": points in its
// own coordinates as x,y, windows by name (- for none).
class Probe : public Window {
public:
    template <class Parent>
    Probe(Parent& parent, std::string name, std::string& journal, const Rect& rect, bool focusable = false)
        : Window(parent, rect), Name(std::move(name)), Focusable(focusable), m_journal(journal) {}

    std::string Name, FailIn;  // the operation that raises an error
    bool Focusable, Hittable { true };

    void Draw(const Rect& r, bool e) override { Note("Draw", Point {r.Left, r.Top}, Point {r.Right, r.Bottom}, e); }
    void Update(bool e, bool v) override { Note("Update", e, v); }
    bool HitTest(Point) override { return Hittable; }
    bool CanFocus() override { return Focusable; }
    void MouseMove(Point p) override { Note("MouseMove", p); }
    void MouseButton(Point p, ButtonId b, ButtonAction a) override { Note("MouseButton", p, int(b), int(a)); }
    void MouseWheel(Point p, float lines) override { Note("MouseWheel", p, lines); }
    void MouseEnter() override { Note("MouseEnter"); }
    void MouseLeave() override { Note("MouseLeave"); }
    void DragBegin(Point p, ButtonId b, uint32_t& data) override { Note("DragBegin", p, int(b), data), data = 7; }
    void DragEnd(Point p, Window* under, uint32_t data) override { Note("DragEnd", p, under, data); }
    void DragEnter(Window* capture, uint32_t data) override { Note("DragEnter", capture, data); }
    void DragLeave(Window* capture, uint32_t data) override { Note("DragLeave", capture, data); }
    void DragOver(Point p, Window* capture, uint32_t data) override { Note("DragOver", p, capture, data); }
    void Drop(Point p, Window* capture, uint32_t data) override { Note("Drop", p, capture, data); }
    void DropRefused(Point p, Window* capture, uint32_t data) override { Note("DropRefused", p, capture, data); }
    void FocusGained() override { Note("FocusGained"); }
    void FocusLost() override { Note("FocusLost"); }
    void KeyDown(uint32_t key) override { Note("KeyDown", key); }
    void KeyUp(uint32_t key) override { Note("KeyUp", key); }
    void Char(uint32_t code) override { Note("Char", code); }

    static void Put(std::ostream& out, Point p) { out << p.X << "," << p.Y; }
    static void Put(std::ostream& out, Window* w) { out << (w ? dynamic_cast<Probe&>(*w).Name : "-"); }
    static void Put(std::ostream& out, auto value) { out << value; }

private:
    void Note(const char* operation, const auto&... args) {
        std::ostringstream out;
        out << Name << "." << operation;
        ((out << " ", Put(out, args)), ...);
        m_journal += out.str() + "; ";
        if (FailIn == operation) errors::RaiseError(Name + " zawiódł");
    }
    std::string& m_journal;
};

// App (the virtual space, focusable, with the focus), Panel (100,100 to 300,200) in it, Button
// (110,110 to 134,134 on the screen) in the panel, Field (400,100 to 424,124, focusable) in App;
// the pointer at 50,50.
struct Scene {
    explicit Scene(int32_t wheelLines = DefaultWheelLines) : system(wheelLines) {
        system.SetFocus(&app), system.MouseMove({50, 50}), journal.clear(), errors::ClearErrors();
    }
    std::string journal;
    GUISystem system;
    Probe app {system, "A", journal, {0, 0, 800, 600}, true};
    Probe panel {app, "P", journal, {100, 100, 300, 200}};
    Probe button {panel, "B", journal, {10, 10, 34, 34}};
    Probe field {app, "F", journal, {400, 100, 424, 124}, true};
};

TEST(GUISystem, HitTestingTakesTheTopmostVisibleWindowWithBothEdgesIncluded) {
    const std::function<void(Scene&)> none = [](Scene&) {};
    const std::tuple<std::function<void(Scene&)>, Point, std::string> cases[] = {
        {none, {110, 110}, "B 0,0"},  // a child before its parent
        {none, {134, 134}, "B 24,24"},  // right and bottom edges
        {none, {134.5f, 134}, "P 34.5,34"},
        {none, {-1, 5}, "- -1,5"},
        {[](Scene& s) { s.system.SetVisible(s.button, false); }, {120, 120}, "P 20,20"},
        {[](Scene& s) { s.button.Hittable = false; }, {120, 120}, "P 20,20"},
        {[](Scene& s) { s.panel.Hittable = false; }, {150, 150}, "A 150,150"},
    };
    for (const auto& [prepare, point, expected] : cases) {
        Scene s;
        prepare(s);
        const Hit hit = s.system.FindWindow(s.system, point);
        std::ostringstream found;
        Probe::Put(found, hit.Target), found << " ", Probe::Put(found, hit.Local);
        EXPECT_EQ(found.str(), expected);
    }
}

// Each row plays a script on a fresh scene, then acts, and lists every call the windows received.
TEST(GUISystem, RoutesInputByHoverCaptureAndFocus) {
    using S = Scene&;
    const std::string grab = "A.FocusLost; F.FocusGained; F.MouseButton 10,10 0 0; F.DragBegin 10,10 0 0; "
                             "F.MouseMove 12,12; F.DragOver 12,12 F 7; A.MouseLeave; A.DragLeave F 7; F.MouseEnter; "
                             "F.DragEnter F 7; F.FocusLost; F.DropRefused 12,12 F 7; F.DragEnd 12,12 F 7; ";
    const std::tuple<std::string, std::function<void(S)>, std::string> cases[] = {
        // Dragging off a button and releasing: its own release outside it, a Drop below; no focus moved.
        {"d 112,112 m 300,300 u 300,300 k 65", [](S) {},
         "B.MouseButton 2,2 0 0; B.DragBegin 2,2 0 0; B.MouseMove 190,190; A.DragOver 300,300 B 7; "
         "A.MouseMove 300,300; B.MouseButton 190,190 0 1; A.Drop 300,300 B 7; B.DragEnd 300,300 A 7; A.KeyDown 65; "},
        // The capture gets each move once, wherever it is, and a release outside every window.
        {"d 112,112 m 120,120 m 900,900 u 900,900", [](S) {},
         "B.MouseButton 2,2 0 0; B.DragBegin 2,2 0 0; B.MouseMove 10,10; B.DragOver 10,10 B 7; A.MouseLeave; "
         "A.DragLeave B 7; B.MouseEnter; B.DragEnter B 7; B.MouseMove 790,790; B.MouseLeave; B.DragLeave B 7; "
         "B.MouseButton 790,790 0 1; B.DragEnd 900,900 - 7; "},
        // A right press during a left capture ends it with the drop refused.
        {"d 112,112 d2 410,110 u 410,110", [](S) {},
         "B.MouseButton 2,2 0 0; B.DragBegin 2,2 0 0; B.MouseButton 300,0 2 0; F.DropRefused 10,10 B 7; "
         "B.DragEnd 410,110 F 7; F.MouseButton 10,10 0 1; "},
        // A double click never captures; a release of another button refuses the drop; each drag
        // starts with clear data.
        {"d 112,112 u 112,112 c 112,112 u 112,112 d 112,112 u1 112,112", [](S) {},
         "B.MouseButton 2,2 0 0; B.DragBegin 2,2 0 0; B.MouseButton 2,2 0 1; B.Drop 2,2 B 7; B.DragEnd 112,112 B 7; "
         "B.MouseButton 2,2 0 2; B.MouseButton 2,2 0 1; B.MouseButton 2,2 0 0; B.DragBegin 2,2 0 0; "
         "B.MouseButton 2,2 1 1; B.DropRefused 2,2 B 7; B.DragEnd 112,112 B 7; "},
        // A disabled window hides the application below and hears nothing.
        {"", [](S s) {
             s.system.SetEnabled(s.button, false);
             EXPECT_FALSE(s.system.MouseMove({112, 112}) || s.system.MouseButton({112, 112}, Left, Down) ||
                          s.system.MouseWheel({112, 112}, 120) || s.system.MouseButton({112, 112}, 3, 0));
             Play(s.system, "m 50,50");
         }, "A.MouseLeave; A.MouseEnter; A.MouseMove 50,50; "},
        // Hiding the window under the pointer moves the hover; hiding it again changes nothing.
        {"m 112,112", [](S s) { s.system.SetVisible(s.button, false), s.system.SetVisible(s.button, false); },
         "A.MouseLeave; B.MouseEnter; B.MouseMove 2,2; B.MouseLeave; P.MouseEnter; "},
        // Disabling or hiding a window takes focus and capture from it and from what is below it.
        {"d 410,110 m 412,112", [](S s) { s.system.SetEnabled(s.app, false); }, grab},
        {"d 410,110 m 412,112", [](S s) { s.system.SetVisible(s.field, false); },
         grab + "F.MouseLeave; A.MouseEnter; "},
        // A window that goes clears hover, capture and focus.
        {"", [](S s) {
             auto doomed = std::make_unique<Probe>(s.app, "D", s.journal, Rect {500, 500, 520, 520}, true);
             Play(s.system, "d 510,510 m 512,512"), doomed.reset();
             EXPECT_EQ(std::make_tuple(s.system.Hover(), s.system.Capture(), s.system.Focus()),
                       std::make_tuple(&s.app, nullptr, nullptr));
         }, "A.FocusLost; D.FocusGained; D.MouseButton 10,10 0 0; D.DragBegin 10,10 0 0; D.MouseMove 12,12; "
            "D.DragOver 12,12 D 7; A.MouseLeave; A.DragLeave D 7; D.MouseEnter; D.DragEnter D 7; A.MouseEnter; "},
        // Focus brings a window to the front (the hover follows); without a focus keys go nowhere.
        {"", [](S s) {
             Probe over {s.system, "O", s.journal, {380, 80, 450, 150}};
             s.system.SetFocus(nullptr), Play(s.system, "m 410,110 k 65 d 50,50");
         }, "A.FocusLost; A.MouseLeave; O.MouseEnter; O.MouseMove 30,30; A.FocusGained; O.MouseLeave; F.MouseEnter; "
            "A.MouseButton 50,50 0 0; A.DragBegin 50,50 0 0; "},
        // Windows outliving their parent or their system leave the tree.
        {"", [](S s) {
             auto parent = std::make_unique<Probe>(s.app, "Q", s.journal, Rect {500, 500, 600, 600});
             Probe child {*parent, "C", s.journal, {0, 0, 50, 50}, true};
             s.system.SetFocus(&child), parent.reset();
             EXPECT_EQ(s.system.Focus(), nullptr);
             s.system.SetFocus(&child), Play(s.system, "d 510,510");
             auto own = std::make_unique<GUISystem>();
             Probe top {*own, "T", s.journal, {0, 0, 10, 10}};
             own.reset();
             EXPECT_FALSE(child.InTree() || top.InTree());
         }, "A.FocusLost; C.FocusGained; C.FocusLost; A.FocusGained; A.MouseButton 510,510 0 0; "
            "A.DragBegin 510,510 0 0; "},
    };
    for (const auto& [script, act, expected] : cases) {
        Scene s;
        Play(s.system, script), act(s);
        EXPECT_EQ(s.journal, expected) << script;
    }
}

TEST(GUISystem, WheelDistancesBecomeLinesOfTheSetting) {
    const std::tuple<int32_t, int, std::string> cases[] = {
        {3, 120, "3"}, {3, 20, "0.5"}, {5, -360, "-15"}, {3, 32767, "819.175"}};
    for (const auto& [lines, distance, expected] : cases) {
        Scene s(lines);
        EXPECT_TRUE(s.system.MouseWheel({412, 112}, distance));
        EXPECT_FALSE(s.system.MouseWheel({900, 0}, distance));
        EXPECT_EQ(s.journal, "F.MouseWheel 12,12 " + expected + "; ") << lines << " " << distance;
    }
}

// Drawing: visible windows, parents first, absolute rectangles, the enabled flag inherited.
// Updating: every window, children first, both flags inherited. Both stop at the first error.
TEST(GUISystem, DrawingAndUpdatingVisitTheTreeInOrderAndStopAtTheFirstError) {
    Scene s;
    Probe hidden {s.app, "H", s.journal, {0, 0, 5, 5}}, under {hidden, "U", s.journal, {1, 1, 2, 2}};
    Probe second {s.system, "S", s.journal, {700, 0, 800, 50}};
    s.system.SetEnabled(s.panel, false), s.system.SetVisible(hidden, false);
    const std::string draw = "A.Draw 0,0 800,600 1; P.Draw 100,100 300,200 0; B.Draw 110,110 134,134 0; "
                             "F.Draw 400,100 424,124 1; S.Draw 700,0 800,50 1; ";
    const std::string update = "B.Update 0 1; P.Update 0 1; F.Update 1 1; U.Update 1 0; H.Update 1 0; "
                               "A.Update 1 1; S.Update 1 1; ";
    auto upTo = [](const std::string& all, const char* next) { return all.substr(0, all.find(next)); };
    const std::tuple<Probe*, bool, std::string> cases[] = {
        {nullptr, true, draw}, {&s.panel, true, upTo(draw, "B.")}, {&s.app, true, upTo(draw, "P.")},
        {nullptr, false, update}, {&s.button, false, upTo(update, "P.")}, {&hidden, false, upTo(update, "A.")}};
    for (const auto& [failing, drawing, expected] : cases) {
        s.journal.clear(), errors::ClearErrors();
        if (failing) failing->FailIn = drawing ? "Draw" : "Update";
        EXPECT_EQ(drawing ? s.system.DrawAll() : s.system.UpdateAll(), failing == nullptr);
        EXPECT_EQ(s.journal, expected);
        EXPECT_EQ(errors::ErrorEntries().size(), failing ? 1u : 0u) << "the first error stays alone";
        if (failing) failing->FailIn.clear();
    }
}

// Messages come out oldest first; each is deleted once, by whoever took it or with the queue.
TEST(MsgHandler, TakesMessagesInOrderAndOwnsWhatItHolds) {
    struct Counted : Msg_Int {
        Counted(int32_t code, int& deleted) : Msg_Int(nullptr, code), Deleted(deleted) {}
        ~Counted() override { ++Deleted; }
        int& Deleted;
    };
    int deleted = 0;
    std::vector<int32_t> codes;
    auto handler = std::make_unique<MsgHandler>();
    for (int32_t code : {NotifyEnter, NotifyClick, NotifyTrack})
        handler->Post(std::make_unique<Counted>(code, deleted));
    handler->Post(nullptr);
    while (handler->Count() > 1) codes.push_back(dynamic_cast<Msg_Int&>(*handler->Take()).Code);
    EXPECT_EQ(std::make_pair(codes, deleted), std::make_pair(std::vector<int32_t> {1, 2}, 2));
    handler.reset();
    EXPECT_EQ(deleted, 3) << "the message still queued went with the handler";
    EXPECT_EQ(MsgHandler().Take(), nullptr);
}

}  // namespace
}  // namespace gui

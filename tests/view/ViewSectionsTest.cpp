#include <cfloat>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "view/ViewSettings.h"
#include "xnl/XNLRead.h"

namespace view {
namespace {

// ParseViewSection on `text`: the settings when it accepts the text, which it must then have read
// whole; on refusal the settings must be left as they were.
std::optional<ViewSettings> View(std::string text) {
    px::CXNLRead xnl(text);
    xnl.Begin("");
    ViewSettings settings;
    const bool read = ParseViewSection(xnl, settings);
    EXPECT_TRUE(read ? xnl.AtEnd() : settings.Color.Mode == ColorMode::Constant && settings.Color.ColorA == 0) << text;
    return read ? std::optional(settings) : std::nullopt;
}

TEST(ColourTokens, NamesAreOpaqueHexHasNoAlpha) {
    const std::pair<const char*, uint32_t> names[] = {
        {"black", 0xFF000000u}, {"BLACK", 0xFF000000u}, {"Gray", 0xFF808080u}, {"Orange", 0xFFFFA500u}, {"teal", 0xFF008080u},
        {"000000", 0x00000000u}, {"ff00Aa", 0x00FF00AAu}};
    uint32_t colour = 0;
    for (auto [token, expected] : names) EXPECT_TRUE(ParseColor(token, colour) && colour == expected) << token;
    // Six bytes of a wide character are not six hex digits.
    for (const char* bad : {"", "grey", "12345", "1234567", "12345g", "+12345", "ＦＦ"})
        EXPECT_FALSE(ParseColor(bad, colour)) << '"' << bad << '"';
}

TEST(ViewSection, AcceptsEveryFormWithItsModeAndWhetherItNeedsThreeBuffers) {
    using enum ColorMode;
    const struct { const char* text; ColorMode mode; bool triple = false; } forms[] = {  // mode: of the squares, or of the arrows
        {"texture red", Constant}, {"Texture u1 [RGB]", Rgb}, {"TEXTURE 008080", Constant}, {"texture u2 [list]", UintList},
        {"cells b1 [false: black, true: white]", BoolPair}, {"cells b1 [0 = black 1 = white]", BoolPair},
        {"cells b1 [false: black, yes: white]", BoolPair}, {"cells b2 [double black red lime blue]", BoolDouble, true},
        {"texture b2 [double black red lime blue]", BoolDouble, true}, {"texture u2 [list 0 black 1 red 2 lime]", UintList},
        {"texture u1 [list 4294967295 white]", UintList}, {"texture u1 [rainbow 0 .. 100]", UintRainbow},
        {"texture u4 [gradient 0 = black .. 4294967295 = FFFFFF]", UintGradient},
        {"texture f1 [gradient 0: blue .. 1: red]", FloatGradient}, {"texture f3 [rainbow -1.5 .. abc]", FloatRainbow},
        {"vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]", Constant}, {"vectors [u1 [RGB] r = b1 alfa = default]", Rgb},
        {"vectors [b1 [double red lime blue red] x = default y = u4 [0 .. 10]]", BoolDouble, true},
        {"complex [b3 true: cells u1 [RGB] false: vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]]", Rgb},
        {"complex {b1 1: vectors {blue x = default y = default} 0: cells b2 {double red lime blue red}}", BoolDouble, true},
        {"complex [b1 1: vectors [b2 [double red lime blue red] x = default y = default] 0: cells red]", Constant, true}};
    for (const auto& form : forms) {
        const std::optional<ViewSettings> s = View(form.text);
        ASSERT_TRUE(s) << form.text;
        EXPECT_EQ((s->Kind == ViewKind::Vectors ? s->Vector.Color : s->Color).Mode, form.mode) << form.text;
        EXPECT_EQ(RequiresTripleBuffering(*s), form.triple) << form.text;
    }
}

TEST(ViewSection, RejectsEveryDeviationAndPassesMarkupErrorsOn) {
    for (const char* text : {
             "", "textures red", "texture", "texture nocolour",
             // Ranges and numbers: ".." stands apart; digits only, at most 4294967295.
             "texture u1 [rainbow 0..100]", "texture u1 [rainbow 0 ... 100]", "texture u1 [rainbow 0 .. -5]",
             "texture u1 [rainbow 0 .. 4294967296]", "texture u1 [list 0 black 1]", "texture u1 [list +1 black]",
             "texture u1 [list \"\" black]", "texture u1 [list 1 notacolour]", "texture u1 [gradient 0 black .. 100 white]",
             "texture f1 [rainbow 0 1]",
             // Fields and exact block keywords.
             "texture u1 [rgb]", "texture u5 [RGB]", "texture u0 [RGB]", "texture u1 RGB", "texture u1 [RGB extra]",
             "texture f1 [RGB]", "texture b1 [RGB]",
             // Bool pairs: the first key is "false" or "0", the second reads as true.
             "cells b1 [true: white false: black]", "cells b1 [False: black true: white]",
             "cells b1 [false: black 0: white]", "cells b1 [false black true white]", "cells b1 [double black red lime]",
             // Arrows.
             "vectors [white x: f1 [-1 .. 1] z: f2 [-1 .. 1]]", "vectors [white r: b1 y: b2]", "vectors [white X: b1 Y: b2]",
             "vectors [white x: f1 [-1 1] y: default]", "vectors [white x: u1 y: default]", "vectors [x: default y: default]",
             // Complex: one entry false and one true, one cells and one vectors, a bool selector.
             "complex [b3 true: cells red true: vectors [white x = default y = default]]",
             "complex [b3 1: cells red no: vectors [white x = default y = default]]",
             "complex [b3 true: cells red false: cells blue]", "complex [b3 true: cells red]",
             "complex [b3 true: vectors [white x = default y = default] false: vectors [red r = b1 alfa = b2]]",
             "complex [u3 true: cells red false: vectors [white x = default y = default]]",
             "complex [b3 true: squares red false: vectors [white x = default y = default]]",
             "complex [b3 true: cells red false: vectors [white x = default y = default] 1: cells red]"})
        EXPECT_FALSE(View(text).has_value()) << text;
    EXPECT_THROW(View("texture u1 [RGB}"), px::CXNLError);
    EXPECT_THROW(View("texture u1 [list 1 \"red]"), px::CXNLError);
}

TEST(ViewSection, FillsTheSettingsFieldByField) {
    auto s = View("complex [b3 true: cells b4 [0 = 102030 on = Gray] false: vectors [teal x: f1 [-1e39 .. 1] y: u2 [5 .. 9]]]");
    ASSERT_TRUE(s);
    EXPECT_EQ(std::tuple(s->Kind, s->ComplexField, s->ComplexValue, s->Color.Field, s->Color.ColorA, s->Color.ColorB),
              std::tuple(ViewKind::Complex, 2, 1, 3, 0x00102030u, 0xFF808080u));
    const VectorSpec& a = s->Vector;  // an end beyond the float range becomes the largest float
    EXPECT_EQ(std::tuple(a.Form, a.Color.ColorA, a.Component1.Kind, a.Component1.FloatMinimum, a.Component1.FloatMaximum),
              std::tuple(VectorForm::Cartesian, 0xFF008080u, ComponentKind::Float, -FLT_MAX, 1.0f));
    EXPECT_EQ(std::tuple(a.Component2.Kind, a.Component2.Field, a.Component2.UintMinimum, a.Component2.UintMaximum),
              std::tuple(ComponentKind::Uint, 1, 5u, 9u));
    // The selector value is the key of the cells entry, wherever it stands.
    s = View("complex [b1 1: vectors [blue r = b2 alfa = f4 [0 .. 9]] 0: cells u3 [gradient 10: black .. 4294967295: lime]]");
    ASSERT_TRUE(s);
    const VectorSpec& p = s->Vector;
    EXPECT_EQ(std::tuple(s->ComplexField, s->ComplexValue, p.Form, p.Component1.Field, p.Component2.Field),
              std::tuple(0, 0, VectorForm::Polar, 1, 3));
    EXPECT_EQ(std::tuple(s->Color.Field, s->Color.UintMinimum, s->Color.UintMaximum, s->Color.ColorA, s->Color.ColorB),
              std::tuple(2, 10u, 4294967295u, 0xFF000000u, 0xFF00FF00u));
    s = View("texture u3 [list 7 red 0 000001 7 blue]");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Color.List, (std::vector<uint32_t> {7, 0xFFFF0000u, 0, 0x00000001u, 7, 0xFF0000FFu}));
}

TEST(ViewSection, RangeEndsBeyondTheFloatRangeStayUsable) {
    const std::optional<ViewSettings> s = View("texture f1 [gradient -1e39: black .. 1e39: white]");
    ASSERT_TRUE(s);
    cells::Cell middle {};
    EXPECT_EQ(CellColor(s->Color, middle, 0), 0xFF7F7F7Fu);  // the middle of the range, not a non-number
}

}  // namespace
}  // namespace view

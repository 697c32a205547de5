#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "view/ViewSettings.h"
#include "xnl/XNLRead.h"

namespace {

// Runs a section reader on `text`; its result when the reader accepts the text, which it must
// then have consumed whole. On refusal the output must be untouched.
template <class T, class Reader>
std::optional<T> Read(std::string text, Reader reader, T initial = {}) {
    px::CXNLRead xnl(text);
    xnl.Begin("");
    T value = initial;
    if (!reader(xnl, value)) {
        EXPECT_EQ(value, initial) << "changed on refusal: " << text;
        return std::nullopt;
    }
    EXPECT_TRUE(xnl.AtEnd()) << "left over after: " << text;
    return value;
}

std::optional<ViewSettings> View(std::string text) {
    px::CXNLRead xnl(text);
    xnl.Begin("");
    ViewSettings settings;
    settings.Color.ColorA = 0x5A5A5A5Au;
    if (!ParseViewSection(xnl, settings)) {
        EXPECT_EQ(settings.Color.ColorA, 0x5A5A5A5Au) << "changed on refusal: " << text;
        return std::nullopt;
    }
    EXPECT_TRUE(xnl.AtEnd()) << "left over after: " << text;
    return settings;
}

std::optional<uint32_t> Colour(std::string_view token) {
    uint32_t colour = 0;
    return ParseColor(token, colour) ? std::optional(colour) : std::nullopt;
}

TEST(ColourTokens, NamesAreOpaqueHexHasNoAlpha) {
    const std::pair<const char*, uint32_t> names[] = {
        {"black", 0xFF000000u},  {"BLACK", 0xFF000000u}, {"Gray", 0xFF808080u},   {"silver", 0xFFC0C0C0u},
        {"white", 0xFFFFFFFFu},  {"fuchsia", 0xFFFF00FFu}, {"red", 0xFFFF0000u},  {"Orange", 0xFFFFA500u},
        {"yellow", 0xFFFFFF00u}, {"lime", 0xFF00FF00u},  {"aqua", 0xFF00FFFFu},   {"blue", 0xFF0000FFu},
        {"purple", 0xFF800080u}, {"maroon", 0xFF800000u}, {"OLIVE", 0xFF808000u}, {"green", 0xFF008000u},
        {"teal", 0xFF008080u},   {"000000", 0x00000000u}, {"FF0000", 0x00FF0000u}, {"ff00Aa", 0x00FF00AAu},
    };
    for (auto [token, colour] : names) EXPECT_EQ(Colour(token), colour) << token;
    // Six bytes of a wide character are not six hex digits.
    for (const char* bad : {"", "grey", "12345", "1234567", "12345g", "0x1234", "+12345", "-12345", " 12345", "ＦＦ"})
        EXPECT_EQ(Colour(bad), std::nullopt) << '"' << bad << '"';
}

TEST(ViewSection, AcceptsEveryForm) {
    for (const char* text : {
             "texture red", "Texture u1 [RGB]", "TEXTURE 008080", "cells b1 [false: black, true: white]",
             "cells b1 [0 = black 1 = white]", "cells b1 [false: black, yes: white]", "cells b2 [double black red lime blue]",
             "texture u2 [list 0 black 1 red 2 lime]", "texture u2 [list]", "texture u1 [list 4294967295 white]",
             "texture u1 [rainbow 0 .. 100]", "texture u4 [gradient 0 = black .. 4294967295 = FFFFFF]",
             "texture f1 [gradient 0: blue .. 1: red]", "texture f3 [rainbow -1.5 .. abc]",
             "vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]", "vectors [u1 [RGB] r = b1 alfa = default]",
             "vectors [teal x = default y = u4 [0 .. 10]]",
             "complex [b3 true: cells u1 [RGB] false: vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]]",
             "complex {b1 1: vectors {blue x = default y = default} 0: cells b2 {false: red true: lime}}"})
        EXPECT_TRUE(View(text).has_value()) << text;
}

TEST(ViewSection, RejectsEveryDeviation) {
    for (const char* text : {
             "", "textures red", "texture", "texture nocolour",
             // Ranges and numbers: ".." stands apart; digits only, at most 4294967295.
             "texture u1 [rainbow 0..100]", "texture u1 [rainbow 0 ... 100]", "texture u1 [rainbow 0 .. ]",
             "texture u1 [rainbow 0 .. -5]", "texture u1 [rainbow 0 .. 4294967296]", "texture u1 [list 0 black 1]",
             "texture u1 [list x black]", "texture u1 [list +1 black]", "texture u1 [list 99999999999999999999 black]",
             "texture u1 [list \"\" black]", "texture u1 [list 1 notacolour]", "texture u1 [gradient 0 black .. 100 white]",
             "texture f1 [rainbow 0 1]",
             // Fields and exact block keywords.
             "texture u1 [rgb]", "texture u5 [RGB]", "texture u0 [RGB]", "texture U1 [RGB]", "texture u1 RGB",
             "texture u1 [RGB extra]", "texture f1 [RGB]", "texture f1 [list 0 black]", "texture b1 [RGB]",
             // Bool pairs: the first key is "false" or "0", the second reads as true.
             "cells b1 [true: white false: black]", "cells b1 [true: white yes: black]", "cells b1 [1 = white 1 = black]",
             "cells b1 [False: black true: white]", "cells b1 [false: black 0: white]", "cells b1 [false black true white]",
             "cells b1 [double black red lime]",
             // Arrows.
             "vectors [white x: f1 [-1 .. 1] z: f2 [-1 .. 1]]", "vectors [white r: b1 y: b2]", "vectors [white X: b1 Y: b2]",
             "vectors [white x: f1 [-1 1] y: default]", "vectors [white x: Default y: default]",
             "vectors [white x: u1 y: default]", "vectors [x: default y: default]", "vectors white x: default y: default",
             // Complex: one entry false and one true, one cells and one vectors, a bool selector.
             "complex [b3 true: cells red true: vectors [white x = default y = default]]",
             "complex [b3 1: cells red no: vectors [white x = default y = default]]",
             "complex [b3 true: cells red false: cells blue]",
             "complex [b3 true: vectors [white x = default y = default] false: vectors [red r = b1 alfa = b2]]",
             "complex [u3 true: cells red false: vectors [white x = default y = default]]",
             "complex [b3 true: squares red false: vectors [white x = default y = default]]", "complex [b3 true: cells red]",
             "complex [b3 true: cells red false: vectors [white x = default y = default] 1: cells red]"})
        EXPECT_FALSE(View(text).has_value()) << text;
}

TEST(ViewSection, ComplexSettings) {
    auto settings = View("complex [b3 true: cells u1 [RGB] false: vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]]");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->Kind, ViewKind::Complex);
    EXPECT_EQ(settings->ComplexField, 2);
    EXPECT_EQ(settings->ComplexValue, 1);
    EXPECT_EQ(settings->Color.Mode, ColorMode::Rgb);
    const VectorSpec& arrows = settings->Vector;
    EXPECT_EQ(arrows.Form, VectorForm::Cartesian);
    EXPECT_EQ(arrows.Color.ColorA, 0xFFFFFFFFu);
    EXPECT_EQ(arrows.Component1.Kind, ComponentKind::Float);
    EXPECT_EQ(arrows.Component1.FloatMinimum, -1.0f);
    EXPECT_EQ(arrows.Component2.Field, 1);
    // The selector value is the key of the cells entry, wherever it stands.
    settings = View("complex [b1 1: vectors [blue r = u2 [0 .. 9] alfa = b4] 0: cells b2 [double red lime blue 0000FF]]");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->ComplexField, 0);
    EXPECT_EQ(settings->ComplexValue, 0);
    EXPECT_EQ(settings->Color.Mode, ColorMode::BoolDouble);
    EXPECT_EQ(settings->Color.ColorD, 0x000000FFu);
    EXPECT_EQ(settings->Vector.Form, VectorForm::Polar);
    EXPECT_EQ(settings->Vector.Component1.UintMaximum, 9u);
    EXPECT_EQ(settings->Vector.Component2.Field, 3);
}

TEST(ViewSection, ColourSpecFields) {
    auto pair = View("cells b4 [0 = 102030 on = Silver]");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->Color.Mode, ColorMode::BoolPair);
    EXPECT_EQ(pair->Color.Field, 3);
    EXPECT_EQ(pair->Color.ColorA, 0x00102030u);
    EXPECT_EQ(pair->Color.ColorB, 0xFFC0C0C0u);
    auto list = View("texture u3 [list 7 red 0 000001 7 blue]");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Color.List, (std::vector<uint32_t> {7, 0xFFFF0000u, 0, 0x00000001u, 7, 0xFF0000FFu}));
    auto gradient = View("texture u2 [gradient 10: black .. 4294967295: white]");
    ASSERT_TRUE(gradient);
    EXPECT_EQ(gradient->Color.Mode, ColorMode::UintGradient);
    EXPECT_EQ(gradient->Color.UintMinimum, 10u);
    EXPECT_EQ(gradient->Color.UintMaximum, 4294967295u);
    EXPECT_EQ(gradient->Color.ColorB, 0xFFFFFFFFu);
    auto floats = View("texture f4 [rainbow -2.5e1 .. many]");
    ASSERT_TRUE(floats);
    EXPECT_EQ(floats->Color.FloatMinimum, -25.0f);
    EXPECT_EQ(floats->Color.FloatMaximum, 0.0f);  // a non-number reads as 0
    // Beyond the float range the ends become infinite instead of an undefined narrowing.
    auto huge = View("texture f1 [gradient -1e39: red .. 1e300: blue]");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->Color.FloatMinimum, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(huge->Color.FloatMaximum, std::numeric_limits<float>::infinity());
}

TEST(ViewSection, MarkupErrorsPassThrough) {
    EXPECT_THROW(View("texture u1 [RGB}"), px::CXNLError);
    EXPECT_THROW(View("texture u1 [list 1 \"red]"), px::CXNLError);
}

TEST(SimpleSections, BackgroundZoomAndFlags) {
    auto background = [](std::string text) { return Read<uint32_t>(text, ParseBackgroundSection, 0xDEADBEEFu); };
    EXPECT_EQ(background("red"), 0xFFFF0000u);
    EXPECT_EQ(background("FF0000"), 0x00FF0000u);
    EXPECT_EQ(background("\"Black\""), 0xFF000000u);
    for (const char* bad : {"", "reddish", "[red]"}) EXPECT_EQ(background(bad), std::nullopt) << bad;

    auto zoom = [](std::string text) { return Read<float>(text, ParseZoomSection, -7.0f); };
    EXPECT_EQ(zoom("2.5"), 2.5f);
    EXPECT_EQ(zoom("20"), 20.0f);  // SetZoom clamps, not the reader
    EXPECT_EQ(zoom("abc"), 0.0f);
    EXPECT_EQ(zoom("1e39"), std::numeric_limits<float>::infinity());
    for (const char* bad : {"", "   "}) EXPECT_EQ(zoom(bad), std::nullopt) << bad;

    auto flag = [](std::string text) { return Read<bool>(text, ParseFlagSection); };
    for (const char* yes : {"true", "yes", "no", "1"}) EXPECT_EQ(flag(yes), true) << yes;
    for (const char* no : {"0", "F", "FALSE", "\"\""}) EXPECT_EQ(flag(no), false) << no;
    EXPECT_EQ(flag(""), std::nullopt);
}

}  // namespace

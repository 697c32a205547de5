#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <limits>
#include <string>
#include <vector>

#include "view/ViewGeometry.h"
#include "view/ViewSettings.h"
#include "xnl/XNLRead.h"

namespace {

// Reads `text` as the content of a View item; the settings when the reader accepts it. A
// successful read must also consume the whole item.
std::optional<ViewSettings> View(std::string text) {
    px::CXNLRead reader(text);
    reader.Begin("");
    ViewSettings settings;
    if (!ParseViewSection(reader, settings)) return std::nullopt;
    EXPECT_TRUE(reader.AtEnd()) << "left over after: " << text;
    return settings;
}

std::optional<uint32_t> Colour(std::string_view token) {
    uint32_t colour = 0x5A5A5A5Au;
    if (!ParseColor(token, colour)) return std::nullopt;
    return colour;
}

TEST(ColourTokens, NamesInAnyCaseAreOpaque) {
    struct Case {
        const char* token;
        uint32_t colour;
    };
    const Case cases[] = {
        {"black", 0xFF000000u}, {"BLACK", 0xFF000000u}, {"Gray", 0xFF808080u},  {"silver", 0xFFC0C0C0u},
        {"white", 0xFFFFFFFFu}, {"fuchsia", 0xFFFF00FFu}, {"red", 0xFFFF0000u}, {"Orange", 0xFFFFA500u},
        {"yellow", 0xFFFFFF00u}, {"lime", 0xFF00FF00u}, {"aqua", 0xFF00FFFFu},  {"blue", 0xFF0000FFu},
        {"purple", 0xFF800080u}, {"maroon", 0xFF800000u}, {"OLIVE", 0xFF808000u}, {"green", 0xFF008000u},
        {"teal", 0xFF008080u},
    };
    for (const Case& c : cases) EXPECT_EQ(Colour(c.token), c.colour) << c.token;
}

TEST(ColourTokens, SixHexDigitsHaveNoAlpha) {
    EXPECT_EQ(Colour("000000"), 0x00000000u);  // not equal to "black"
    EXPECT_EQ(Colour("FF0000"), 0x00FF0000u);  // not equal to "red"
    EXPECT_EQ(Colour("ff00Aa"), 0x00FF00AAu);
    EXPECT_EQ(Colour("123456"), 0x00123456u);
    for (const char* bad : {"", "grey", "12345", "1234567", "12345g", "0x1234", "+12345", "-12345", " 12345", "ＦＦ", "red "})
        EXPECT_EQ(Colour(bad), std::nullopt) << '"' << bad << '"';
}

TEST(ViewSection, AcceptsEveryForm) {
    const char* accepted[] = {
        "texture red",
        "Texture u1 [RGB]",
        "TEXTURE teal",
        "cells b1 [false: black, true: white]",
        "cells b1 [0 = black 1 = white]",
        "cells b1 [false: black, yes: white]",
        "cells b2 [double black red lime blue]",
        "texture u2 [list 0 black 1 red 2 lime]",
        "texture u2 [list]",
        "texture u1 [list 4294967295 white]",
        "texture f1 [gradient 0: blue .. 1: red]",
        "texture u1 [rainbow 0 .. 100]",
        "texture u4 [gradient 0 = black .. 4294967295 = FFFFFF]",
        "texture f3 [rainbow -1.5 .. abc]",
        "vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]",
        "vectors [u1 [RGB] r = b1 alfa = default]",
        "vectors [teal x = default y = u4 [0 .. 10]]",
        "complex [b3 true: cells u1 [RGB] false: vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]]",
        "complex [b1 0: cells red 1: vectors [blue x = default y = default]]",
        "complex {b1 1: vectors {blue x = default y = default} 0: cells b2 {false: red true: lime}}",
    };
    for (const char* text : accepted) EXPECT_TRUE(View(text).has_value()) << text;
}

TEST(ViewSection, RejectsEveryDeviation) {
    const char* rejected[] = {
        "",
        "textures red",
        "texture",
        "texture nocolour",
        "texture u1 [rainbow 0..100]",  // 0..100 is one token
        "texture u1 [rainbow 0 ... 100]",
        "texture u1 [rainbow 0 .. ]",
        "texture u1 [rainbow 0 .. -5]",
        "texture u1 [rainbow 0 .. 4294967296]",
        "texture u1 [rgb]",  // block keywords are exact
        "texture u5 [RGB]",
        "texture u0 [RGB]",
        "texture U1 [RGB]",
        "texture u1 RGB",
        "texture u1 [RGB extra]",
        "texture u1 [list 0 black 1]",
        "texture u1 [list x black]",
        "texture u1 [list -1 black]",
        "texture u1 [list +1 black]",
        "texture u1 [list 4294967296 black]",
        "texture u1 [list 99999999999999999999 black]",
        "texture u1 [list \"\" black]",
        "texture u1 [list 1 notacolour]",
        "texture u1 [gradient 0 black .. 100 white]",
        "texture u1 [gradient 0 = black .. 100 = nothing]",
        "texture f1 [RGB]",
        "texture f1 [list 0 black]",
        "texture f1 [rainbow 0 1]",
        "texture b1 [RGB]",
        "cells b1 [true: white false: black]",  // the first key must be "false" or "0"
        "cells b1 [true: white yes: black]",
        "cells b1 [1 = white 1 = black]",
        "cells b1 [f: white t: black]",
        "cells b1 [False: black true: white]",
        "cells b1 [false: black false: white]",
        "cells b1 [false: black 0: white]",
        "cells b1 [false black true white]",
        "cells b1 [double black red lime]",
        "vectors [white x: f1 [-1 .. 1] z: f2 [-1 .. 1]]",
        "vectors [white r: b1 y: b2]",
        "vectors [white q: b1 y: b2]",
        "vectors [white X: b1 Y: b2]",
        "vectors [white x: f1 [-1 1] y: default]",
        "vectors [white x: Default y: default]",
        "vectors [white x: u1 y: default]",
        "vectors [x: default y: default]",
        "vectors white x: default y: default",
        "complex [b3 true: cells red true: vectors [white x = default y = default]]",
        "complex [b3 1: cells red yes: vectors [white x = default y = default]]",
        "complex [b3 true: cells red false: cells blue]",
        "complex [b3 true: vectors [white x = default y = default] false: vectors [red r = b1 alfa = b2]]",
        "complex [u3 true: cells red false: vectors [white x = default y = default]]",
        "complex [true: cells red false: vectors [white x = default y = default]]",
        "complex [b3 true: squares red false: vectors [white x = default y = default]]",
        "complex [b3 true: cells red]",
        "complex [b3 true: cells red false: vectors [white x = default y = default] 1: cells red]",
        "complex [b3 true cells red false vectors [white x = default y = default]]",
    };
    for (const char* text : rejected) EXPECT_FALSE(View(text).has_value()) << text;
}

TEST(ViewSection, ComplexExample) {
    auto settings = View("complex [b3 true: cells u1 [RGB] false: vectors [white x: f1 [-1 .. 1] y: f2 [-1 .. 1]]]");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->Kind, ViewKind::Complex);
    EXPECT_EQ(settings->ComplexField, 2);
    EXPECT_EQ(settings->ComplexValue, 1);
    EXPECT_EQ(settings->Color.Mode, ColorMode::Rgb);
    EXPECT_EQ(settings->Color.Field, 0);
    const VectorSpec& vector = settings->Vector;
    EXPECT_EQ(vector.Form, VectorForm::Cartesian);
    EXPECT_EQ(vector.Color.Mode, ColorMode::Constant);
    EXPECT_EQ(vector.Color.ColorA, 0xFFFFFFFFu);
    EXPECT_EQ(vector.Component1.Kind, ComponentKind::Float);
    EXPECT_EQ(vector.Component1.Field, 0);
    EXPECT_EQ(vector.Component1.FloatMinimum, -1.0f);
    EXPECT_EQ(vector.Component1.FloatMaximum, 1.0f);
    EXPECT_EQ(vector.Component2.Kind, ComponentKind::Float);
    EXPECT_EQ(vector.Component2.Field, 1);
}

TEST(ViewSection, SelectorValueIsTheKeyOfTheCellsEntry) {
    auto settings = View("complex [b1 1: vectors [blue r = u2 [0 .. 9] alfa = b4] 0: cells b2 [double red lime blue 0000FF]]");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->ComplexField, 0);
    EXPECT_EQ(settings->ComplexValue, 0);
    EXPECT_EQ(settings->Color.Mode, ColorMode::BoolDouble);
    EXPECT_EQ(settings->Color.Field, 1);
    EXPECT_EQ(settings->Color.ColorD, 0x000000FFu);
    EXPECT_EQ(settings->Vector.Form, VectorForm::Polar);
    EXPECT_EQ(settings->Vector.Component1.Kind, ComponentKind::Uint);
    EXPECT_EQ(settings->Vector.Component1.Field, 1);
    EXPECT_EQ(settings->Vector.Component1.UintMaximum, 9u);
    EXPECT_EQ(settings->Vector.Component2.Kind, ComponentKind::Bool);
    EXPECT_EQ(settings->Vector.Component2.Field, 3);
}

TEST(ViewSection, ColourSpecFields) {
    auto pair = View("cells b4 [0 = 102030 on = navyblue]");
    EXPECT_FALSE(pair);  // "navyblue" is no colour
    pair = View("cells b4 [0 = 102030 on = Navy]");
    EXPECT_FALSE(pair);
    pair = View("cells b4 [0 = 102030 on = Silver]");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->Kind, ViewKind::Cells);
    EXPECT_EQ(pair->Color.Mode, ColorMode::BoolPair);
    EXPECT_EQ(pair->Color.Field, 3);
    EXPECT_EQ(pair->Color.ColorA, 0x00102030u);
    EXPECT_EQ(pair->Color.ColorB, 0xFFC0C0C0u);

    auto list = View("texture u3 [list 7 red 0 000001 7 blue]");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Color.Mode, ColorMode::UintList);
    EXPECT_EQ(list->Color.Field, 2);
    EXPECT_EQ(list->Color.List, (std::vector<uint32_t> {7, 0xFFFF0000u, 0, 0x00000001u, 7, 0xFF0000FFu}));

    auto gradient = View("texture u2 [gradient 10: black .. 4294967295: white]");
    ASSERT_TRUE(gradient);
    EXPECT_EQ(gradient->Color.Mode, ColorMode::UintGradient);
    EXPECT_EQ(gradient->Color.UintMinimum, 10u);
    EXPECT_EQ(gradient->Color.UintMaximum, 4294967295u);
    EXPECT_EQ(gradient->Color.ColorA, 0xFF000000u);
    EXPECT_EQ(gradient->Color.ColorB, 0xFFFFFFFFu);

    auto floats = View("texture f4 [rainbow -2.5e1 .. many]");
    ASSERT_TRUE(floats);
    EXPECT_EQ(floats->Color.Mode, ColorMode::FloatRainbow);
    EXPECT_EQ(floats->Color.Field, 3);
    EXPECT_EQ(floats->Color.FloatMinimum, -25.0f);
    EXPECT_EQ(floats->Color.FloatMaximum, 0.0f);  // a non-number reads as 0

    // Beyond the float range: infinite ends, no fault.
    auto huge = View("texture f1 [gradient -1e39: red .. 1e300: blue]");
    ASSERT_TRUE(huge);
    EXPECT_TRUE(std::isinf(huge->Color.FloatMinimum) && huge->Color.FloatMinimum < 0);
    EXPECT_TRUE(std::isinf(huge->Color.FloatMaximum) && huge->Color.FloatMaximum > 0);
}

TEST(ViewSection, FailureLeavesTheSettingsAlone) {
    std::string text = "complex [b3 true: cells u1 [RGB] true: vectors [white x = default y = default]]";
    px::CXNLRead reader(text);
    reader.Begin("");
    ViewSettings settings;
    settings.Kind = ViewKind::Vectors;
    settings.Color.ColorA = 0x1234u;
    EXPECT_FALSE(ParseViewSection(reader, settings));
    EXPECT_EQ(settings.Kind, ViewKind::Vectors);
    EXPECT_EQ(settings.Color.ColorA, 0x1234u);
    EXPECT_EQ(settings.Color.Mode, ColorMode::Constant);
}

TEST(ViewSection, MarkupErrorsPassThrough) {
    EXPECT_THROW(View("texture u1 [RGB}"), px::CXNLError);
    EXPECT_THROW(View("texture u1 [list 1 \"red]"), px::CXNLError);
}

TEST(SimpleSections, BackgroundIsOneColour) {
    auto background = [](std::string text) -> std::optional<uint32_t> {
        px::CXNLRead reader(text);
        reader.Begin("");
        uint32_t colour = 0xDEADBEEFu;
        if (!ParseBackgroundSection(reader, colour)) {
            EXPECT_EQ(colour, 0xDEADBEEFu) << text;
            return std::nullopt;
        }
        return colour;
    };
    EXPECT_EQ(background("red"), 0xFFFF0000u);
    EXPECT_EQ(background("FF0000"), 0x00FF0000u);
    EXPECT_EQ(background("\"Black\""), 0xFF000000u);
    EXPECT_EQ(background(""), std::nullopt);
    EXPECT_EQ(background("reddish"), std::nullopt);
    EXPECT_EQ(background("[red]"), std::nullopt);
}

TEST(SimpleSections, ZoomIsAnyTokenAsAFloat) {
    auto zoom = [](std::string text) -> std::optional<float> {
        px::CXNLRead reader(text);
        reader.Begin("");
        float value = -7.0f;
        if (!ParseZoomSection(reader, value)) {
            EXPECT_EQ(value, -7.0f) << text;
            return std::nullopt;
        }
        return value;
    };
    EXPECT_EQ(zoom("2.5"), 2.5f);
    EXPECT_EQ(zoom("20"), 20.0f);  // clamped by SetZoom, not here
    EXPECT_EQ(zoom("abc"), 0.0f);
    EXPECT_EQ(zoom("3x"), 3.0f);
    EXPECT_EQ(zoom("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ClampZoom(*zoom("1e39")), 10.0f);
    EXPECT_EQ(ClampZoom(*zoom("abc")), 0.1f);
    EXPECT_EQ(zoom(""), std::nullopt);
    EXPECT_EQ(zoom("   "), std::nullopt);
}

TEST(SimpleSections, FlagsReadWithToBool) {
    auto flag = [](std::string text) -> std::optional<bool> {
        px::CXNLRead reader(text);
        reader.Begin("");
        bool value = false;
        if (!ParseFlagSection(reader, value)) return std::nullopt;
        return value;
    };
    EXPECT_EQ(flag("true"), true);
    EXPECT_EQ(flag("yes"), true);
    EXPECT_EQ(flag("no"), true);
    EXPECT_EQ(flag("1"), true);
    EXPECT_EQ(flag("0"), false);
    EXPECT_EQ(flag("F"), false);
    EXPECT_EQ(flag("FALSE"), false);
    EXPECT_EQ(flag("\"\""), false);
    EXPECT_EQ(flag(""), std::nullopt);
}

}  // namespace

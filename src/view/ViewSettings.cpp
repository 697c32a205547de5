// The header sections View, Background, Zoom, Filtered and Tiled. Each reader stands just
// behind its section's name and assignment mark and answers false on any deviation from its
// grammar, leaving the message to the header reader; the markup reader's exceptions pass
// through. Settings are written only when the whole section has been read.

#include <algorithm>
#include <cfloat>
#include <array>
#include <string>
#include <string_view>

#include "base/NumericCasts.h"
#include "base/Utilities.h"
#include "view/ViewSettings.h"
#include "xnl/TokenConversion.h"
#include "xnl/XNLRead.h"

namespace view {

namespace {

struct NamedColour {
    std::string_view Name;
    uint32_t Colour;
};

// Every name gives alpha 0xFF.
constexpr std::array<NamedColour, 16> ColourNames {{
    {"black", 0xFF000000u},  {"gray", 0xFF808080u},   {"silver", 0xFFC0C0C0u}, {"white", 0xFFFFFFFFu},
    {"fuchsia", 0xFFFF00FFu}, {"red", 0xFFFF0000u},    {"orange", 0xFFFFA500u}, {"yellow", 0xFFFFFF00u},
    {"lime", 0xFF00FF00u},   {"aqua", 0xFF00FFFFu},   {"blue", 0xFF0000FFu},   {"purple", 0xFF800080u},
    {"maroon", 0xFF800000u}, {"olive", 0xFF808000u},  {"green", 0xFF008000u},  {"teal", 0xFF008080u},
}};

// Digits of `radix` (10 or 16) only, at least one, value at most 4294967295.
bool ParseUnsigned(std::string_view text, uint32_t radix, uint32_t& value) {
    if (text.empty()) return false;
    uint64_t result = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
        else return false;
        if (digit >= radix) return false;
        result = result * radix + digit;
        if (result > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

// A field reference: the letter and a digit 1..4, giving the index 0..3.
bool IsField(const std::string& token, char letter, int32_t& index) {
    if (token.size() != 2 || token[0] != letter || token[1] < '1' || token[1] > '4') return false;
    index = token[1] - '1';
    return true;
}

// Small steps of the grammars, each false when its element is missing or wrong.
class SectionReader {
public:
    explicit SectionReader(px::CXNLRead& reader) : m_reader(reader) {}

    bool Token(std::string& token) { return m_reader.ReadToken(&token); }

    bool Word(std::string_view expected) {
        std::string token;
        return Token(token) && token == expected;
    }

    bool Assign() { return m_reader.ReadAssign(nullptr); }
    bool Open() { return m_reader.OpenSection(); }
    bool Close() { return m_reader.CloseSection(true); }

    bool Colour(uint32_t& colour) {
        std::string token;
        return Token(token) && ParseColor(token, colour);
    }

    bool Unsigned(uint32_t& value) {
        std::string token;
        return Token(token) && ParseUnsigned(token, 10, value);
    }

    // Any token; ToFloat makes a non-number 0. A value beyond the float range is taken as the
    // largest float of its sign: an infinite range end would turn every place in the range
    // into inf / inf, and so every cell into the colour of a non-number.
    bool Float(float& value) {
        std::string token;
        if (!Token(token)) return false;
        value = base::NarrowToFloat(std::clamp(px::ToFloat(token), -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
        return true;
    }

    bool UintRange(uint32_t& minimum, uint32_t& maximum) { return Unsigned(minimum) && Word("..") && Unsigned(maximum); }
    bool FloatRange(float& minimum, float& maximum) { return Float(minimum) && Word("..") && Float(maximum); }

    bool ColourSpec(ColorSpec& spec);
    bool Component(VectorComponent& component);
    bool Vectors(VectorSpec& spec);
    bool Complex(ViewSettings& settings);

private:
    bool BoolBlock(ColorSpec& spec);
    bool UintBlock(ColorSpec& spec);
    bool FloatBlock(ColorSpec& spec);

    px::CXNLRead& m_reader;
};

// A colour alone, or a field reference and its block.
bool SectionReader::ColourSpec(ColorSpec& spec) {
    std::string token;
    if (!Token(token)) return false;
    if (ParseColor(token, spec.ColorA)) {
        spec.Mode = ColorMode::Constant;
        return true;
    }
    if (IsField(token, 'b', spec.Field)) return Open() && BoolBlock(spec) && Close();
    if (IsField(token, 'u', spec.Field)) return Open() && UintBlock(spec) && Close();
    if (IsField(token, 'f', spec.Field)) return Open() && FloatBlock(spec) && Close();
    return false;
}

// "double" and four colours, or "false"/"0" = colour, true = colour. Keywords are exact.
bool SectionReader::BoolBlock(ColorSpec& spec) {
    std::string keyword;
    if (!Token(keyword)) return false;
    if (keyword == "double") {
        spec.Mode = ColorMode::BoolDouble;
        return Colour(spec.ColorA) && Colour(spec.ColorB) && Colour(spec.ColorC) && Colour(spec.ColorD);
    }
    if (keyword == "false" || keyword == "0") {
        spec.Mode = ColorMode::BoolPair;
        std::string key;
        return Assign() && Colour(spec.ColorA) && Token(key) && px::ToBool(key) && Assign() && Colour(spec.ColorB);
    }
    return false;
}

bool SectionReader::UintBlock(ColorSpec& spec) {
    std::string keyword;
    if (!Token(keyword)) return false;
    if (keyword == "RGB") {
        spec.Mode = ColorMode::Rgb;
        return true;
    }
    if (keyword == "list") {
        spec.Mode = ColorMode::UintList;
        spec.List.clear();
        std::string value;
        while (Token(value)) {
            uint32_t number = 0;
            uint32_t colour = 0;
            if (!ParseUnsigned(value, 10, number) || !Colour(colour)) return false;
            spec.List.push_back(number);
            spec.List.push_back(colour);
        }
        return true;
    }
    if (keyword == "rainbow") {
        spec.Mode = ColorMode::UintRainbow;
        return UintRange(spec.UintMinimum, spec.UintMaximum);
    }
    if (keyword == "gradient") {
        spec.Mode = ColorMode::UintGradient;
        return Unsigned(spec.UintMinimum) && Assign() && Colour(spec.ColorA) && Word("..") && Unsigned(spec.UintMaximum) &&
               Assign() && Colour(spec.ColorB);
    }
    return false;
}

bool SectionReader::FloatBlock(ColorSpec& spec) {
    std::string keyword;
    if (!Token(keyword)) return false;
    if (keyword == "rainbow") {
        spec.Mode = ColorMode::FloatRainbow;
        return FloatRange(spec.FloatMinimum, spec.FloatMaximum);
    }
    if (keyword == "gradient") {
        spec.Mode = ColorMode::FloatGradient;
        return Float(spec.FloatMinimum) && Assign() && Colour(spec.ColorA) && Word("..") && Float(spec.FloatMaximum) &&
               Assign() && Colour(spec.ColorB);
    }
    return false;
}

// "default", a bool field, or a uint or float field with its range in a block.
bool SectionReader::Component(VectorComponent& component) {
    std::string token;
    if (!Token(token)) return false;
    if (token == "default") {
        component.Kind = ComponentKind::Default;
        return true;
    }
    if (IsField(token, 'b', component.Field)) {
        component.Kind = ComponentKind::Bool;
        return true;
    }
    if (IsField(token, 'u', component.Field)) {
        component.Kind = ComponentKind::Uint;
        return Open() && UintRange(component.UintMinimum, component.UintMaximum) && Close();
    }
    if (IsField(token, 'f', component.Field)) {
        component.Kind = ComponentKind::Float;
        return Open() && FloatRange(component.FloatMinimum, component.FloatMaximum) && Close();
    }
    return false;
}

// [colours x = component y = component] or [colours r = component alfa = component], where
// colours is what ColourSpec reads.
bool SectionReader::Vectors(VectorSpec& spec) {
    std::string form;
    if (!Open() || !ColourSpec(spec.Color) || !Token(form)) return false;
    if (form == "x") {
        spec.Form = VectorForm::Cartesian;
        if (!(Assign() && Component(spec.Component1) && Word("y") && Assign() && Component(spec.Component2))) return false;
    } else if (form == "r") {
        spec.Form = VectorForm::Polar;
        if (!(Assign() && Component(spec.Component1) && Word("alfa") && Assign() && Component(spec.Component2))) return false;
    } else {
        return false;
    }
    return Close();
}

// [selector key = kind description key = kind description]: one entry keyed false and one
// true, one "cells" and one "vectors". The cells entry's key is the selector value.
bool SectionReader::Complex(ViewSettings& settings) {
    std::string selector;
    if (!Open() || !Token(selector) || !IsField(selector, 'b', settings.ComplexField)) return false;
    bool keys[2] = {};
    bool cells[2] = {};
    for (int entry = 0; entry < 2; ++entry) {
        std::string key, kind;
        if (!Token(key) || !Assign() || !Token(kind)) return false;
        keys[entry] = px::ToBool(key);
        cells[entry] = kind == "cells";
        if (!cells[entry] && kind != "vectors") return false;
        // The second entry must take the other key and the other kind.
        if (entry == 1 && (keys[1] == keys[0] || cells[1] == cells[0])) return false;
        if (!(cells[entry] ? ColourSpec(settings.Color) : Vectors(settings.Vector))) return false;
    }
    settings.ComplexValue = (cells[0] ? keys[0] : keys[1]) ? 1 : 0;
    return Close();
}

}  // namespace

bool ParseColor(std::string_view token, uint32_t& colour) {
    std::string lower = base::ToLower(token);
    for (const NamedColour& named : ColourNames) {
        if (lower == named.Name) {
            colour = named.Colour;
            return true;
        }
    }
    // Six hex digits are 0x00RRGGBB: alpha 0, so 000000 is not "black".
    uint32_t value = 0;
    if (token.size() != 6 || !ParseUnsigned(token, 16, value)) return false;
    colour = value;
    return true;
}

bool ParseViewSection(px::CXNLRead& reader, ViewSettings& settings) {
    SectionReader read(reader);
    std::string keyword;
    if (!read.Token(keyword)) return false;
    keyword = base::ToLower(keyword);
    ViewSettings parsed;
    bool ok = false;
    if (keyword == "texture") {
        parsed.Kind = ViewKind::Texture;
        ok = read.ColourSpec(parsed.Color);
    } else if (keyword == "cells") {
        parsed.Kind = ViewKind::Cells;
        ok = read.ColourSpec(parsed.Color);
    } else if (keyword == "vectors") {
        parsed.Kind = ViewKind::Vectors;
        ok = read.Vectors(parsed.Vector);
    } else if (keyword == "complex") {
        parsed.Kind = ViewKind::Complex;
        ok = read.Complex(parsed);
    }
    if (ok) settings = std::move(parsed);
    return ok;
}

bool ParseBackgroundSection(px::CXNLRead& reader, uint32_t& colour) {
    uint32_t parsed = 0;
    if (!SectionReader(reader).Colour(parsed)) return false;
    colour = parsed;
    return true;
}

bool ParseZoomSection(px::CXNLRead& reader, float& zoom) { return SectionReader(reader).Float(zoom); }

bool ParseFlagSection(px::CXNLRead& reader, bool& flag) {
    std::string token;
    if (!reader.ReadToken(&token)) return false;
    flag = px::ToBool(token);
    return true;
}

}  // namespace view

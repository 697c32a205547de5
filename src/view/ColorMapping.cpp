// The colour of a cell, the rainbow and the interpolation the colour modes share, and the
// colour helpers the script calls.

#include <cmath>

#include "base/NumericCasts.h"
#include "view/ColorKernels.h"
#include "view/ViewSettings.h"

namespace view {

using cells::Cell;
using namespace detail;

bool RequiresTripleBuffering(const ViewSettings& settings) {
    bool squares = settings.Color.Mode == ColorMode::BoolDouble;
    bool arrows = settings.Vector.Color.Mode == ColorMode::BoolDouble;
    switch (settings.Kind) {
        case ViewKind::Texture:
        case ViewKind::Cells: return squares;
        case ViewKind::Vectors: return arrows;
        case ViewKind::Complex: return squares || arrows;
    }
    return false;
}

uint32_t HsvToRgb(float hue, float saturation, float value) {
    if (saturation == 0.0f) {
        uint32_t k = ChannelByte(value * 255.0f);
        return (k << 16) | (k << 8) | k;
    }
    float hh = (hue - std::floor(hue)) * 6.0f;
    // A NaN or infinite hue leaves no sector.
    if (!(hh >= 0.0f && hh <= 6.0f)) return 0;
    int sector = static_cast<int>(hh);
    float f = hh - std::floor(hh);
    // A hue a hair below a whole number rounds to exactly 6 after the wrap: that is sector 0
    // again (f is then 0), red rather than no colour.
    if (sector == 6) sector = 0;
    float p = (1.0f - saturation) * value;
    float q = (1.0f - saturation * f) * value;
    float t = (1.0f - (1.0f - f) * saturation) * value;
    float r, g, b;
    switch (sector) {
        case 0: r = value, g = t, b = p; break;
        case 1: r = q, g = value, b = p; break;
        case 2: r = p, g = value, b = t; break;
        case 3: r = p, g = q, b = value; break;
        case 4: r = t, g = p, b = value; break;
        default: r = value, g = p, b = q; break;
    }
    return (ChannelByte(r * 255.0f) << 16) | (ChannelByte(g * 255.0f) << 8) | ChannelByte(b * 255.0f);
}

uint32_t Rainbow(float t) { return RainbowOf(t); }

uint32_t Interpolate(uint32_t a, uint32_t b, float t) { return Gradient(a, b).At(t); }

uint32_t InterpolateColor(uint32_t a, uint32_t b, float t) { return Interpolate(a, b, base::ClampUnit(t)); }

uint32_t RainbowColor(float t) { return Rainbow(base::ClampUnit(t)); }

float Grayscale(uint32_t colour) {
    return (static_cast<float>(Red(colour)) * 0.3f + static_cast<float>(Green(colour)) * 0.59f +
            static_cast<float>(Blue(colour)) * 0.11f) *
           (1.0f / 255.0f);
}

uint32_t CellColor(const ColorSpec& spec, const Cell& cell, uint32_t background) {
    return WithModeColour(spec, background, [&cell](const auto& colourOf) { return colourOf(cell); });
}

uint32_t DoubleColor(const ColorSpec& spec, const Cell& current, const Cell& previous) {
    return DoubleColour {spec.Field, {spec.ColorA, spec.ColorB, spec.ColorC, spec.ColorD}}(current, previous);
}

}  // namespace view

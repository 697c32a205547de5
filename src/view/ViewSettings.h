#pragma once
// How the world is shown: the view kind, the colour mapping from cell fields to 0xAARRGGBB
// colours, the arrow mapping of the vectors view, and the header sections that set them.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "cells/Cell.h"

namespace px {
class CXNLRead;
}

namespace view {

enum class ColorMode : int32_t {
    Rgb = 0,
    BoolPair = 1,
    BoolDouble = 2,
    UintList = 3,
    Constant = 4,
    UintRainbow = 5,
    UintGradient = 6,
    FloatRainbow = 7,
    FloatGradient = 8,
};

struct ColorSpec {
    ColorMode Mode { ColorMode::Constant };
    int32_t Field { 0 };  // field index 0..3; its type follows from the mode
    uint32_t ColorA { 0 }, ColorB { 0 }, ColorC { 0 }, ColorD { 0 };
    std::vector<uint32_t> List;  // (value, colour) pairs, in file order
    uint32_t UintMinimum { 0 }, UintMaximum { 0 };
    float FloatMinimum { 0 }, FloatMaximum { 0 };
};

enum class ComponentKind : int32_t { Bool = 0, Uint = 1, Float = 2, Default = 3 };

struct VectorComponent {
    ComponentKind Kind { ComponentKind::Default };
    uint32_t UintMinimum { 0 }, UintMaximum { 0 };
    float FloatMinimum { 0 }, FloatMaximum { 0 };
    int32_t Field { 0 };
};

enum class VectorForm : int32_t { Cartesian = 0, Polar = 1 };

struct VectorSpec {
    VectorForm Form { VectorForm::Cartesian };
    ColorSpec Color;
    VectorComponent Component1;  // x or r
    VectorComponent Component2;  // y or alfa
};

enum class ViewKind : int32_t { Texture = 0, Cells = 1, Vectors = 2, Complex = 3 };

struct ViewSettings {
    ViewKind Kind { ViewKind::Texture };
    ColorSpec Color;          // texture, cells, and the square cells of the complex view
    VectorSpec Vector;        // vectors, and the arrow cells of the complex view
    int32_t ComplexValue { 0 };  // selector value (0 or 1) for which a cell is a square
    int32_t ComplexField { 0 };  // selector bool field 0..3
};

// --- Header sections. The reader stands just behind the section's name and assignment mark.
// Each answers false on any deviation from its grammar; the caller raises the section's
// message. px::CXNLError from the reader passes through.
bool ParseViewSection(px::CXNLRead& reader, ViewSettings& settings);
bool ParseBackgroundSection(px::CXNLRead& reader, uint32_t& colour);
// Zoom: the token's ToFloat value, not yet clamped (SetZoom clamps).
bool ParseZoomSection(px::CXNLRead& reader, float& zoom);
// Filtered and Tiled: one token read with ToBool.
bool ParseFlagSection(px::CXNLRead& reader, bool& flag);

// A colour token: one of the sixteen names (any case, alpha 0xFF) or six hex digits (alpha 0).
bool ParseColor(std::string_view token, uint32_t& colour);

bool RequiresTripleBuffering(const ViewSettings& settings);

// --- Colour mapping.
// The colour of a cell for every mode but BoolDouble (which needs DoubleColor; here it gives
// the background). Rainbow and gradient ranges whose ends are equal give the colour at the
// minimum; a float field that is NaN (or infinite where the place in the range becomes NaN)
// gives opaque black, as a non-number hue does.
uint32_t CellColor(const ColorSpec& spec, const cells::Cell& cell, uint32_t background);
// Writes the colour of every cell of `shown` into a texel surface of its size: texel (x, y) is
// the 32-bit value at texels + y * pitch + 4 * x. BoolDouble compares with `previous` (same
// size; when null, each cell with itself), every other mode uses CellColor. The result is that
// of calling them cell by cell; the walk is arranged for the cache and is several times faster.
void FillTexels(const ColorSpec& spec, const cells::CellTable& shown, const cells::CellTable* previous, uint32_t background,
                uint8_t* texels, size_t pitch);
// The same for the cells of columns [Left, Right) and rows [Top, Bottom) of `shown` only:
// texel (x, y) of the surface holds the colour of cell (Left + x, Top + y). The rectangle
// must lie inside the table; an empty one writes nothing.
struct CellRect {
    int Left { 0 }, Top { 0 }, Right { 0 }, Bottom { 0 };
};
void FillTexels(const ColorSpec& spec, const cells::CellTable& shown, const cells::CellTable* previous, uint32_t background,
                uint8_t* texels, size_t pitch, CellRect cells);
// BoolDouble: A, B, C or D from the selected bool of the previous and the current generation.
uint32_t DoubleColor(const ColorSpec& spec, const cells::Cell& current, const cells::Cell& previous);
// 0x00RRGGBB; the hue wraps into [0, 1); a NaN or infinite hue gives 0.
uint32_t HsvToRgb(float hue, float saturation, float value);
// HsvToRgb(0.75 t, 1, 1): red at 0 to violet at 1, alpha 0.
uint32_t Rainbow(float t);
// Channel-wise a + (b - a) t truncated toward zero, low 8 bits kept (a NaN channel gives 0);
// alpha 0xFF. t is used as given.
uint32_t Interpolate(uint32_t a, uint32_t b, float t);

// The script's colour helpers.
uint32_t InterpolateColor(uint32_t a, uint32_t b, float t);  // t clamped, NaN counts as 1
uint32_t RainbowColor(float t);                               // alpha 0
float Grayscale(uint32_t colour);

// --- Arrows of the vectors view.
struct CellArrow {
    uint32_t Color { 0 };
    float Length { 0 };
    float Angle { 0 };  // radians, counter-clockwise on screen from pointing right
};
// Uint and float component ranges whose ends are equal give the value at the minimum. Extreme
// float ranges can make the length infinite, and a NaN field makes it NaN.
CellArrow CellVector(const VectorSpec& spec, const cells::Cell& cell, const cells::Cell& previous, uint32_t background);
// CellVector's length and angle each on its own, for a caller that decides by the length
// whether it needs the angle.
float VectorLength(const VectorSpec& spec, const cells::Cell& cell);
float VectorAngle(const VectorSpec& spec, const cells::Cell& cell);
// The largest length any cell can give: at most sqrt(2) and 1 where only bools and defaults
// decide it, infinite where a range does (a value outside the range has no bound).
float MaximumVectorLength(const VectorSpec& spec);

}  // namespace view

#pragma once
// The vertices of 2D drawing: positions in the 800 x 600 virtual drawing space with z = 0,
// drawn through the framework's orthographic projection.

#include <cstdint>

#include "platform/DeviceTypes.h"

namespace gfx {

// Outlines and filled rectangles.
struct ColorVertex {
    float X, Y, Z;
    platform::D3DCOLOR Color;
};
constexpr uint32_t ColorVertexFVF = platform::D3DFVF_XYZ | platform::D3DFVF_DIFFUSE;  // 66

// Sprites and glyphs.
struct TexturedVertex {
    float X, Y, Z;
    platform::D3DCOLOR Color;
    float U, V;
};
// 0x142
constexpr uint32_t TexturedVertexFVF = platform::D3DFVF_XYZ | platform::D3DFVF_DIFFUSE | platform::D3DFVF_TEX1;

static_assert(sizeof(ColorVertex) == 16 && sizeof(TexturedVertex) == 24, "the vertex formats' layouts");

}  // namespace gfx

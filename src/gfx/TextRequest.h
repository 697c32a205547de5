#pragma once
// A text to draw: what it says, where, and how it is laid out.

#include <cstdint>
#include <string_view>

#include "cells/VirtualSpace.h"
#include "platform/DeviceTypes.h"

namespace gfx {

// Layout flags.
constexpr uint32_t TextLeft = 0x1;        // lines start at the rectangle's left
constexpr uint32_t TextCenter = 0x2;      // lines are centred; with neither, they end at the right
constexpr uint32_t TextTop = 0x10;        // the block starts at the rectangle's top
constexpr uint32_t TextMiddle = 0x20;     // the block is centred; with neither, it ends at the bottom
constexpr uint32_t TextNoWrap = 0x100;    // lines break only at line breaks
constexpr uint32_t TextWordWrap = 0x400;  // a long line breaks at its last blank or tab; without this
                                          // and without TextNoWrap, before the first character that
                                          // does not fit
constexpr uint32_t TextUnderline = 0x1000;
constexpr uint32_t TextDoubleUnderline = 0x2000;  // ignored with TextUnderline
constexpr uint32_t TextOverline = 0x4000;
constexpr uint32_t TextStrikeOut = 0x8000;

struct TextRequest {
    uint32_t Flags { 0 };
    // For alignment and wrapping, not clipping; virtual units.
    cells::VirtualRect Rect;
    // UTF-8; a byte that is not part of valid UTF-8 is its Windows-1250 character. The text
    // is read while the request is drawn, never kept.
    std::string_view Text;
    platform::D3DCOLOR Color { 0xFFFFFFFF };  // glyphs and bars
    float TextHeight { 0 };                   // line height, virtual units
    float ScaleX { 1 };                       // horizontal scale of glyph widths
    float Slant { 0 };                        // shift of every glyph's top edge to the right
    float LetterSpacing { 0 };                // after every character
    float WordSpacing { 0 };                  // after every blank, on top of LetterSpacing
    float LineSpacing { 0 };                  // between lines
};

}  // namespace gfx

#pragma once
// Text drawing: lays texts out with the current font into glyph quads and keeps them in a
// vertex buffer of 5120 quads, so that a text drawn again unchanged costs a comparison and
// one draw call. Texts that change (counters) fill the buffer; when the next one would not
// fit, the whole cache starts over. Nothing is removed one by one.
//
// In a frame: Begin, SetFont, then any number of draws; each draw draws at once.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cells/VirtualSpace.h"
#include "frame/FrameObject.h"
#include "gfx/Font.h"
#include "gfx/TextLayout.h"
#include "gfx/TextRequest.h"
#include "platform/Device.h"

namespace gfx {

class FontManager : public frame::FrameObject {
public:
    static constexpr uint32_t MaxQuads = 5120;

    FontManager() = default;
    FontManager(const FontManager&) = delete;
    FontManager& operator=(const FontManager&) = delete;

    // Records the device state of text (no culling, alpha blending, texture times vertex
    // colour, linear filtering, format 0x142) and creates the empty cache.
    void RestoreDeviceObjects() override;
    // Empties the cache and releases it with the state; forgets the font.
    void InvalidateDeviceObjects() override;

    // Applies the recorded state.
    void Begin();
    // Binds the font's atlas with point or linear filtering. A font without an atlas is
    // refused and nothing changes.
    void SetFont(const Font* font, bool filtered);
    void DrawText(const TextRequest& request);
    // One line from the point: left, top, no wrapping.
    void DrawTextAt(cells::VirtualPoint point, std::string_view text, float height, platform::D3DCOLOR color);
    void DrawTextInRect(const cells::VirtualRect& rect, std::string_view text, float height, platform::D3DCOLOR color,
                        uint32_t flags);

    // The cache, for those who measure it.
    size_t CachedTexts() const { return m_cachedCount; }
    uint32_t UsedQuads() const { return m_usedQuads; }

private:
    // A text laid out into the buffer: a copy of its request, the font, its quads.
    struct CachedText {
        uint32_t Flags { 0 };
        cells::VirtualRect Rect;
        std::string Text;
        platform::D3DCOLOR Color { 0 };
        float TextHeight { 0 }, ScaleX { 0 }, Slant { 0 }, LetterSpacing { 0 }, WordSpacing { 0 }, LineSpacing { 0 };
        const Font* LaidOutWith { nullptr };
        uint32_t FirstQuad { 0 };
        uint32_t QuadCount { 0 };

        bool Holds(const TextRequest& request, const Font* font) const;
        void Take(const TextRequest& request, const Font* font, uint32_t firstQuad, uint32_t quadCount);
    };

    const CachedText* Find(const TextRequest& request) const;
    // Adds an entry of `quads` quads and locks its part of the buffer; null when that failed.
    CachedText* AddEntry(const TextRequest& request, uint32_t quads, void*& vertices);
    bool DrawEntry(const CachedText& entry);
    void EmptyCache();

    std::unique_ptr<platform::StateBlock> m_stateBlock;
    const Font* m_font { nullptr };
    std::unique_ptr<platform::VertexBuffer> m_textCache;
    // Entries 0 to m_cachedCount - 1, oldest first; the objects beyond are kept for reuse so
    // that their texts keep their memory.
    std::vector<CachedText> m_cached;
    size_t m_cachedCount { 0 };
    uint32_t m_usedQuads { 0 };
    float m_tabFactor { 2.0f };
    TextLayout m_layout;
};

// The process-wide font manager.
FontManager& Fonts();

}  // namespace gfx

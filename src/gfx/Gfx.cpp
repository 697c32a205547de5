// The drawing managers, the sprites and the fonts: everything of 2D drawing that reports to
// the error trail, so that its entries name this module.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "gfx/Font.h"
#include "gfx/FontAtlas.h"
#include "gfx/FontFace.h"
#include "gfx/FontManager.h"
#include "gfx/LineManager.h"
#include "gfx/RectManager.h"
#include "gfx/Sprite.h"
#include "gfx/SpriteManager.h"
#include "platform/DeviceCheck.h"

namespace gfx {

using errors::AddError;
using errors::ErrorRaised;
using errors::RaiseError;
using platform::CheckDevice;
using platform::D3DERR_INVALIDCALL;
using platform::Result;

namespace {

// The device the managers draw on: the framework's.
platform::Device* Device() { return frame::GetDevice(); }

Result BeginRecording(platform::Device* device) { return device ? device->BeginStateBlock() : D3DERR_INVALIDCALL; }

Result Apply(const std::unique_ptr<platform::StateBlock>& block) { return block ? block->Apply() : D3DERR_INVALIDCALL; }

// Culling off and alpha blending by the source's alpha: what rectangles, sprites and text share.
void RecordBlending(platform::Device& device) {
    device.SetRenderState(platform::D3DRS_CULLMODE, platform::D3DCULL_NONE);
    device.SetRenderState(platform::D3DRS_ALPHABLENDENABLE, 1);
    device.SetRenderState(platform::D3DRS_SRCBLEND, platform::D3DBLEND_SRCALPHA);
    device.SetRenderState(platform::D3DRS_DESTBLEND, platform::D3DBLEND_INVSRCALPHA);
}

void RecordDiffuseColor(platform::Device& device) {
    device.SetTextureStageState(0, platform::D3DTSS_COLOROP, platform::D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG1, platform::D3DTA_DIFFUSE);
}

// Stage 0: colour by `colorOp` and alpha by modulation, both of texture and vertex colour.
void RecordTextured(platform::Device& device, platform::D3DTEXTUREOP colorOp) {
    device.SetTextureStageState(0, platform::D3DTSS_TEXCOORDINDEX, 0);
    device.SetTextureStageState(0, platform::D3DTSS_COLOROP, colorOp);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG1, platform::D3DTA_TEXTURE);
    device.SetTextureStageState(0, platform::D3DTSS_COLORARG2, platform::D3DTA_DIFFUSE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAOP, platform::D3DTOP_MODULATE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAARG1, platform::D3DTA_TEXTURE);
    device.SetTextureStageState(0, platform::D3DTSS_ALPHAARG2, platform::D3DTA_DIFFUSE);
}

void SetFilter(platform::Device& device, bool filtered) {
    const uint32_t filter = filtered ? platform::D3DTEXF_LINEAR : platform::D3DTEXF_POINT;
    device.SetSamplerState(0, platform::D3DSAMP_MINFILTER, filter);
    device.SetSamplerState(0, platform::D3DSAMP_MAGFILTER, filter);
}

// Two triangles over the four vertices from `first`: (0, 1, 3) and (1, 3, 2).
void WriteQuadIndices(uint16_t* indices, uint32_t first) {
    const auto base = static_cast<uint16_t>(first);
    const uint16_t quad[6] = {0, 1, 3, 1, 3, 2};
    for (int i = 0; i < 6; ++i) indices[i] = static_cast<uint16_t>(base + quad[i]);
}

Result DrawTriangles(uint32_t quads, const uint16_t* indices, const void* vertices, uint32_t stride) {
    platform::Device* device = Device();
    if (!device) return D3DERR_INVALIDCALL;
    return device->DrawIndexedPrimitiveUP(platform::D3DPT_TRIANGLELIST, 0, quads * 4, quads * 2, indices,
                                          platform::D3DFMT_INDEX16, vertices, stride);
}

}  // namespace

// --- Outlines ---------------------------------------------------------------------------------

LineManager& Lines() {
    static LineManager manager;
    return manager;
}

void LineManager::RestoreDeviceObjects() {
    m_stateBlock.reset();
    platform::Device* device = Device();
    if (CheckDevice(BeginRecording(device), "Nie można rozpocząć rejestracji bloku stanów urządzenia") < 0) return;
    RecordDiffuseColor(*device);
    device->SetFVF(ColorVertexFVF);
    CheckDevice(device->EndStateBlock(m_stateBlock), "Nie można zapamiętać bloku stanów urządzenia");
}

void LineManager::InvalidateDeviceObjects() { m_stateBlock.reset(); }

void LineManager::Begin() {
    m_vertexCount = 0;
    m_indexCount = 0;
    CheckDevice(Apply(m_stateBlock), "Nie można wprowadzić ustawień do urządzenia");
}

void LineManager::AddRectOutline(const cells::VirtualRect& r, platform::D3DCOLOR color) {
    if (static_cast<uint32_t>(m_vertexCount) + 4 > MaxVertices || m_indexCount + 8 > MaxIndices) {
        if (!Flush()) {
            AddError("Nie można narysować prostokąta");
            return;
        }
    }
    const auto first = static_cast<uint16_t>(m_vertexCount);
    ColorVertex* v = m_vertices + m_vertexCount;
    v[0] = {r.Left, r.Top, 0, color};
    v[1] = {r.Right - 1, r.Top, 0, color};
    v[2] = {r.Right - 1, r.Bottom - 1, 0, color};
    v[3] = {r.Left, r.Bottom - 1, 0, color};
    m_vertexCount += 4;
    const uint16_t edges[8] = {0, 1, 1, 2, 2, 3, 3, 0};
    for (uint16_t corner : edges) m_indices[m_indexCount++] = static_cast<uint16_t>(first + corner);
}

bool LineManager::Flush() {
    platform::Device* device = Device();
    const auto vertices = static_cast<uint32_t>(m_vertexCount);
    const Result result = device ? device->DrawIndexedPrimitiveUP(platform::D3DPT_LINELIST, 0, vertices, m_indexCount / 2,
                                                                  m_indices, platform::D3DFMT_INDEX16, m_vertices,
                                                                  sizeof(ColorVertex))
                                 : D3DERR_INVALIDCALL;
    m_vertexCount = 0;
    m_indexCount = 0;
    return CheckDevice(result, "Nie można narysować linii") >= 0;
}

void LineManager::End() {
    if (m_vertexCount > 0 && !Flush()) AddError("Nie można zakończyć rysowania linii");
}

// --- Filled rectangles ------------------------------------------------------------------------

RectManager& Rects() {
    static RectManager manager;
    return manager;
}

void RectManager::RestoreDeviceObjects() {
    m_stateBlock.reset();
    platform::Device* device = Device();
    if (CheckDevice(BeginRecording(device), "Nie rozpocząć rejestracji bloku stanów") < 0) {
        errors::AddErrorAt("Nie można zainicjalizować rysowania prostokątów", errors::ErrorPosition::None());
        return;
    }
    RecordBlending(*device);
    device->SetFVF(ColorVertexFVF);
    RecordDiffuseColor(*device);
    device->EndStateBlock(m_stateBlock);
}

void RectManager::InvalidateDeviceObjects() { m_stateBlock.reset(); }

void RectManager::Begin() {
    CheckDevice(Apply(m_stateBlock), "Nie można przywrócić ustawień urządzenia do rysowania prostokątów");
    m_count = 0;
}

void RectManager::AddRect(const cells::VirtualRect& r, platform::D3DCOLOR color) {
    if (m_count == MaxRects && !Flush()) {
        AddError("Nie można narysować prostokąta");
        return;
    }
    ColorVertex* v = m_vertices + 4 * m_count;
    v[0] = {r.Left, r.Top, 0, color};
    v[1] = {r.Right, r.Top, 0, color};
    v[2] = {r.Right, r.Bottom, 0, color};
    v[3] = {r.Left, r.Bottom, 0, color};
    WriteQuadIndices(m_indices + 6 * m_count, 4 * m_count);
    ++m_count;
}

bool RectManager::Flush() {
    const Result result = DrawTriangles(m_count, m_indices, m_vertices, sizeof(ColorVertex));
    m_count = 0;
    return CheckDevice(result, "Nie można narysować prostokątów") >= 0;
}

void RectManager::End() {
    if (m_count > 0 && !Flush()) AddError("Nie można zakończyć rysowania prostokątów");
}

// --- Sprites ----------------------------------------------------------------------------------

Sprite2::Sprite2(platform::Texture* texture, uint32_t frameWidth, uint32_t frameHeight, uint32_t framesPerRow,
                 uint32_t gapX, uint32_t gapY)
    : Sprite(texture), m_frameWidth(frameWidth), m_frameHeight(frameHeight), m_gapX(gapX), m_gapY(gapY),
      m_framesPerRow(std::max(framesPerRow, 1u)) {
    platform::SurfaceDesc desc;
    if (texture && texture->GetLevelDesc(0, desc) >= 0) {
        m_textureWidth = desc.Width;
        m_textureHeight = desc.Height;
    }
}

SpriteFrame Sprite2::GetFrame(uint32_t frame) const {
    const auto width = static_cast<float>(m_textureWidth), height = static_cast<float>(m_textureHeight);
    if (frame == WholeTexture) return {0, 0, 1, 1, width, height};
    const uint32_t column = frame % m_framesPerRow, row = frame / m_framesPerRow;
    // Neighbouring frames are GapX (GapY) apart; the first column (row) starts at 0.
    const double x = double(column) * m_frameWidth + (column > 0 ? double(column - 1) * m_gapX : 0.0);
    const double y = double(row) * m_frameHeight + (row > 0 ? double(row - 1) * m_gapY : 0.0);
    return {static_cast<float>(x / width), static_cast<float>(y / height),
            static_cast<float>((x + m_frameWidth) / width), static_cast<float>((y + m_frameHeight) / height),
            static_cast<float>(m_frameWidth), static_cast<float>(m_frameHeight)};
}

SpriteManager& Sprites() {
    static SpriteManager manager;
    return manager;
}

void SpriteManager::RestoreDeviceObjects() {
    m_stateBlock.reset();
    platform::Device* device = Device();
    if (CheckDevice(BeginRecording(device), "Nie rozpocząć rejestracji bloku stanów") < 0) {
        AddError("Nie można zainicjalizować rysowania spritów");
        return;
    }
    RecordBlending(*device);
    RecordTextured(*device, platform::D3DTOP_MODULATE2X);
    device->SetFVF(TexturedVertexFVF);
    device->EndStateBlock(m_stateBlock);
}

void SpriteManager::InvalidateDeviceObjects() {
    m_stateBlock.reset();
    m_sprite = nullptr;
}

void SpriteManager::Begin() {
    CheckDevice(Apply(m_stateBlock), "Nie można przywrócić ustawień urządzenia do rysowania spritów");
}

void SpriteManager::SetSprite(const Sprite* sprite, bool filtered, bool mirrored) {
    platform::Device* device = Device();
    if (!sprite || !sprite->Texture() || !device) {
        RaiseError("Nie można rozpocząć rysowania sprita - brak tekstury");
        return;
    }
    m_sprite = sprite;
    m_filtered = filtered;
    device->SetTexture(0, sprite->Texture());
    SetFilter(*device, filtered);
    const uint32_t address = mirrored ? platform::D3DTADDRESS_MIRROR : platform::D3DTADDRESS_WRAP;
    device->SetSamplerState(0, platform::D3DSAMP_ADDRESSU, address);
    device->SetSamplerState(0, platform::D3DSAMP_ADDRESSV, address);
    m_count = 0;
}

void SpriteManager::AddSprite(uint32_t frame, const cells::VirtualRect& r, platform::D3DCOLOR color) {
    if (!m_sprite) return;
    if (m_count == MaxSprites && !Flush()) {
        AddError("Nie można narysować sprita");
        return;
    }
    const SpriteFrame f = m_sprite->GetFrame(frame);
    TexturedVertex* v = m_vertices + 4 * m_count;
    v[0] = {r.Left, r.Top, 0, color, f.UMin, f.VMin};
    v[1] = {r.Right, r.Top, 0, color, f.UMax, f.VMin};
    v[2] = {r.Right, r.Bottom, 0, color, f.UMax, f.VMax};
    v[3] = {r.Left, r.Bottom, 0, color, f.UMin, f.VMax};
    WriteQuadIndices(m_indices + 6 * m_count, 4 * m_count);
    ++m_count;
}

bool SpriteManager::Flush() {
    const Result result = DrawTriangles(m_count, m_indices, m_vertices, sizeof(TexturedVertex));
    m_count = 0;
    return CheckDevice(result, "Nie można narysować spritów") >= 0;
}

Result SpriteManager::End() {
    if (m_count > 0 && !Flush()) AddError("Nie można zakończyć rysowania spritów");
    m_sprite = nullptr;
    platform::Device* device = Device();
    return device ? device->SetTexture(0, nullptr) : D3DERR_INVALIDCALL;
}

// --- Font atlases -----------------------------------------------------------------------------

int32_t AtlasAdvance(const CharWidths& w) {
    auto rounded = [](float v) { return v > 0 ? static_cast<int32_t>(std::floor(v + 0.5f)) : 0; };
    return rounded(w.A) + rounded(w.B) + rounded(w.C);
}

namespace {

constexpr int32_t FirstHeight = 8;
// The search ends when the cell height has stayed the same for this many heights in a row.
constexpr int32_t SameCellLimit = 5;

// Codes that never get a glyph: control codes the renderer draws nothing for, and the blank.
bool NeverInAtlas(int code) { return code == 6 || code == 10 || code == 13 || code == 32; }

struct SameCell {
    int32_t Height { -1 };
    int32_t Count { 0 };
};

enum class Fit { Fits, DoesNotFit, Failed };

// The layout of one height: glyph rectangles row by row with a texel between neighbours, then
// the white block in the rest of the last row (or below it).
Fit LayOutHeight(GlyphMeasure& font, int32_t height, int32_t size, const WantedCharacters& wanted, SameCell& same,
                 AtlasLayout& layout) {
    layout = AtlasLayout {};
    layout.Height = height;
    if (CheckFreeType(font.SetHeight(height, layout.Metrics), "Nie można utworzyć czcionki Windows")) return Fit::Failed;
    const int32_t h = layout.Metrics.CellHeight;
    if (h != same.Height) same = {h, 1};
    else ++same.Count;

    std::array<CharWidths, 256> widths;
    for (int code = 0; code < 256; ++code) {
        if (CheckFreeType(font.MeasureChar(static_cast<uint8_t>(code), widths[code]),
                          "Nie można pobrać szerokości znaków czcionki"))
            return Fit::Failed;
        layout.Advances[code] = AtlasAdvance(widths[code]);
    }

    // A row higher than the texture fits nowhere, glyphs or not; this also ends the search
    // when nothing is wanted.
    bool fits = h + 1 < size;
    int32_t x = 0, y = 0;
    for (int code = 0; code < 256 && fits; ++code) {
        if (!wanted[code] || NeverInAtlas(code)) continue;
        const float a = widths[code].A;
        layout.BearingOffsets[code] = a < 0 ? static_cast<int32_t>(0.5f - a) : 0;
        const int32_t w = layout.Advances[code];
        if (x + w + 1 < size) {
            layout.Rects[code] = {x, y, x + w, y + h};
            x += w + 1;
        } else {
            y += h + 1;
            layout.Rects[code] = {0, y, w, y + h};
            x = w + 1;
            // A glyph wider than the texture does not fit either.
            if (y + h + 1 >= size || w + 1 >= size) fits = false;
        }
    }
    if (fits) {
        layout.WhiteBlock = {x, y, size - 1, size - 1};
        if (x >= size - 1) {
            layout.WhiteBlock = {0, y + h + 1, size - 1, size - 1};
            if (y + h + 1 >= size - 1) fits = false;
        }
    }
    if (same.Count >= SameCellLimit) fits = false;
    return fits ? Fit::Fits : Fit::DoesNotFit;
}

}  // namespace

bool SearchAtlasLayout(GlyphMeasure& font, uint32_t size, const WantedCharacters& wanted, AtlasLayout& layout) {
    const int32_t side = static_cast<int32_t>(std::min<uint32_t>(size, INT32_MAX));
    SameCell same;
    AtlasLayout attempt;
    switch (LayOutHeight(font, FirstHeight, side, wanted, same, attempt)) {
        case Fit::Failed: return false;  // the font itself failed: its own entries say why
        case Fit::DoesNotFit:
            RaiseError("Na teksturze tej wielkości nie da się napisać żadnej czcionki");
            return false;
        case Fit::Fits: break;
    }
    layout = attempt;
    for (int32_t height = FirstHeight + 1;; ++height) {
        const Fit fit = LayOutHeight(font, height, side, wanted, same, attempt);
        if (fit == Fit::Failed) return false;
        if (fit == Fit::DoesNotFit) return true;
        layout = attempt;
    }
}

namespace {

// Row y of a locked texture level.
uint32_t* Row(const platform::LockedRect& locked, uint32_t y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.Bits) + size_t(y) * size_t(locked.Pitch));
}

// A face name as the platform's logical font holds it: at most 32 characters.
std::string_view FaceName(std::string_view face) {
    size_t at = 0;
    for (int characters = 0; at < face.size() && characters < 32; ++characters) {
        ++at;
        while (at < face.size() && (static_cast<unsigned char>(face[at]) & 0xC0) == 0x80) ++at;
    }
    return face.substr(0, at);
}

}  // namespace

FontAuto::FontAuto(std::string_view face, bool bold, uint32_t textureSize, const WantedCharacters* wanted,
                   uint8_t defaultChar, platform::Device* device) {
    m_textureSize = textureSize;
    WantedCharacters aboveBlank;
    if (!wanted) {
        for (int code = 0; code < 256; ++code) aboveBlank[code] = code > 32;
        wanted = &aboveBlank;
    }
    if (!device) device = Device();

    std::unique_ptr<platform::Texture> memory;
    Result result = device ? device->CreateTexture(textureSize, textureSize, 1, 0, platform::D3DFMT_X8R8G8B8,
                                                   platform::D3DPOOL_SYSTEMMEM, memory)
                           : D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można utworzyć pamięciowej tekstury") >= 0) {
        // The memory texture's texels are where the glyphs are drawn.
        platform::LockedRect canvas;
        if (CheckDevice(memory->LockRect(0, canvas, nullptr, 0),
                        "Nie można pobrać uchwytu urządzenia z powierzchni tekstury pamięciowej") >= 0) {
            Rasterise(face, bold, *wanted, defaultChar, canvas);
            memory->UnlockRect(0);
        }
        if (!ErrorRaised()) {
            std::unique_ptr<platform::Texture> atlas;
            result = device->CreateTexture(textureSize, textureSize, 1, 0, platform::D3DFMT_A8R8G8B8,
                                           platform::D3DPOOL_MANAGED, atlas);
            if (CheckDevice(result, "Nie można utworzyć tekstury") >= 0) {
                CopyCoverage(*memory, *atlas);
                if (!ErrorRaised()) {
                    m_atlas = std::move(atlas);
                    m_texture = m_atlas.get();
                }
            }
        }
    }
    if (ErrorRaised()) AddError("Nie można utworzyć czcionki");
}

FontAuto::~FontAuto() = default;

void FontAuto::Rasterise(std::string_view face, bool bold, const WantedCharacters& wanted, uint8_t defaultChar,
                         const platform::LockedRect& canvas) {
    FontFace font;
    AtlasLayout layout;
    if (CheckFreeType(font.Open(FaceName(face), bold), "Nie można utworzyć czcionki Windows") == 0 &&
        SearchAtlasLayout(font, m_textureSize, wanted, layout)) {
        FaceMetrics metrics;
        if (CheckFreeType(font.SetHeight(layout.Height, metrics), "Nie można pobrać informacji o tekście") == 0) {
            TakeLayout(layout, metrics, defaultChar);
            // White glyphs on black; then the white block.
            auto* texels = static_cast<uint8_t*>(canvas.Bits);
            for (uint32_t y = 0; y < m_textureSize; ++y) std::memset(Row(canvas, y), 0, size_t(m_textureSize) * 4);
            for (int code = 0; code < 256; ++code) {
                const platform::Rect& rect = layout.Rects[code];
                if (!wanted[code] || NeverInAtlas(code) || rect.Right == rect.Left) continue;
                const int32_t pen = rect.Left + layout.BearingOffsets[code];
                const int error = font.DrawChar(static_cast<uint8_t>(code), texels, canvas.Pitch, pen, rect.Top, rect);
                if (CheckFreeType(error, "")) break;
            }
            const platform::Rect& white = m_whiteBlock;
            for (int32_t y = white.Top; y < white.Bottom; ++y)
                for (int32_t x = white.Left; x < white.Right; ++x) Row(canvas, uint32_t(y))[x] = 0xFFFFFF;
        }
    }
    if (ErrorRaised()) AddError("Nie można narysować znaków na teksturze w pamięci");
}

void FontAuto::TakeLayout(const AtlasLayout& layout, const FaceMetrics& metrics, uint8_t defaultChar) {
    const float size = static_cast<float>(m_textureSize);
    auto uv = [size](float left, float top, float right, float bottom) {
        return UVRect {left / size, top / size, right / size, bottom / size};
    };
    m_cellHeight = static_cast<float>(metrics.CellHeight);
    m_averageCharWidth = metrics.AverageCharWidth;
    m_externalLeading = metrics.ExternalLeading;
    m_internalLeading = metrics.InternalLeading;
    for (int code = 0; code < 256; ++code) {
        const platform::Rect& r = layout.Rects[code];
        m_glyphRect[code] = r;
        m_advance[code] = static_cast<float>(layout.Advances[code]);
        m_hasGlyph[code] = r.Right != r.Left;
        m_glyphUV[code] = uv(float(r.Left), float(r.Top), float(r.Right), float(r.Bottom));
    }
    const platform::Rect& w = layout.WhiteBlock;
    m_whiteBlock = w;
    m_whiteBlockUV = uv(float(w.Left), float(w.Top), float(w.Right - 1), float(w.Bottom - 1));
    m_substituteChar = defaultChar;
    if (!m_hasGlyph[defaultChar])
        for (int code = 255; code >= 0; --code)
            if (m_hasGlyph[code]) {
                m_substituteChar = static_cast<uint8_t>(code);
                break;
            }
}

void FontAuto::CopyCoverage(platform::Texture& memory, platform::Texture& atlas) {
    platform::LockedRect source, target;
    if (CheckDevice(memory.LockRect(0, source, nullptr, platform::D3DLOCK_READONLY),
                    "Nie można zablokować źródłowej tekstury w pamięci") >= 0) {
        if (CheckDevice(atlas.LockRect(0, target, nullptr, platform::D3DLOCK_DISCARD),
                        "Nie można zablokować tekstury docelowej") < 0) {
            memory.UnlockRect(0);
        } else {
            // The coverage (the blue byte of the grey glyphs) becomes the alpha of white.
            for (uint32_t y = 0; y < m_textureSize; ++y) {
                const uint32_t* from = Row(source, y);
                uint32_t* to = Row(target, y);
                for (uint32_t x = 0; x < m_textureSize; ++x) to[x] = (from[x] & 0xFF) << 24 | 0xFFFFFF;
            }
            memory.UnlockRect(0);
            atlas.UnlockRect(0);
        }
    }
    if (ErrorRaised()) AddError("Nie można przepisać obrazu z tektury z pamięci do tekstury docelowej");
}

// --- Text -------------------------------------------------------------------------------------

namespace {

constexpr uint32_t QuadBytes = TextLayout::VerticesPerQuad * sizeof(TexturedVertex);  // 144

bool SameRect(const cells::VirtualRect& a, const cells::VirtualRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

}  // namespace

FontManager& Fonts() {
    static FontManager manager;
    return manager;
}

bool FontManager::CachedText::Holds(const TextRequest& r, const Font* font) const {
    return LaidOutWith == font && Flags == r.Flags && Color == r.Color && TextHeight == r.TextHeight &&
           ScaleX == r.ScaleX && Slant == r.Slant && LetterSpacing == r.LetterSpacing && WordSpacing == r.WordSpacing &&
           LineSpacing == r.LineSpacing && SameRect(Rect, r.Rect) && Text == r.Text;
}

void FontManager::CachedText::Take(const TextRequest& r, const Font* font, uint32_t firstQuad, uint32_t quadCount) {
    Flags = r.Flags;
    Rect = r.Rect;
    Text.assign(r.Text);  // reuses the memory of the text this entry held before
    Color = r.Color;
    TextHeight = r.TextHeight;
    ScaleX = r.ScaleX;
    Slant = r.Slant;
    LetterSpacing = r.LetterSpacing;
    WordSpacing = r.WordSpacing;
    LineSpacing = r.LineSpacing;
    LaidOutWith = font;
    FirstQuad = firstQuad;
    QuadCount = quadCount;
}

void FontManager::RestoreDeviceObjects() {
    m_stateBlock.reset();
    platform::Device* device = Device();
    if (CheckDevice(BeginRecording(device), "Nie rozpocząć rejestracji bloku stanów") < 0) {
        AddError("Nie można zainicjować rysowania czcionek");
    } else {
        RecordBlending(*device);
        RecordTextured(*device, platform::D3DTOP_MODULATE);
        SetFilter(*device, true);
        device->SetFVF(TexturedVertexFVF);
        device->EndStateBlock(m_stateBlock);
    }
    EmptyCache();
    const Result result = device ? device->CreateVertexBuffer(MaxQuads * QuadBytes, platform::D3DUSAGE_WRITEONLY,
                                                              TexturedVertexFVF, platform::D3DPOOL_MANAGED, m_textCache)
                                 : D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można utworzyć bufora wierzchołków") < 0) m_textCache.reset();
    if (ErrorRaised()) AddError("Nie można zainicjalizować systemu buforowania tekstu");
}

void FontManager::InvalidateDeviceObjects() {
    EmptyCache();
    m_textCache.reset();
    m_stateBlock.reset();
    m_font = nullptr;
}

void FontManager::Begin() {
    CheckDevice(Apply(m_stateBlock), "Nie można przywrócić ustawień urządzenia do rysowania tekstu");
}

void FontManager::SetFont(const Font* font, bool filtered) {
    platform::Device* device = Device();
    if (!font || !font->Texture() || !device) {
        RaiseError("Nie można rozpocząć rysowania tekstu - brak tekstury");
        return;
    }
    m_font = font;
    device->SetTexture(0, font->Texture());
    SetFilter(*device, filtered);
}

void FontManager::DrawText(const TextRequest& request) {
    if (request.Text.empty()) return;
    bool drawn = true;
    if (const CachedText* cached = Find(request)) {
        drawn = DrawEntry(*cached);
    } else if (!m_font) {
        RaiseError("Nie można rozpocząć rysowania tekstu - brak tekstury");
        drawn = false;
    } else {
        m_layout.Lay(*m_font, request, m_tabFactor);
        const uint32_t quads = m_layout.QuadCount();
        if (quads > 0) {
            void* vertices = nullptr;
            const CachedText* entry = AddEntry(request, quads, vertices);
            if (entry) {
                m_layout.WriteQuads(static_cast<TexturedVertex*>(vertices));
                m_textCache->Unlock();
                drawn = DrawEntry(*entry);
            } else {
                drawn = false;
            }
        }
    }
    if (!drawn) AddError("Nie można narysować tekstu");
}

void FontManager::DrawTextAt(cells::VirtualPoint point, std::string_view text, float height, platform::D3DCOLOR color) {
    DrawTextInRect({point.X, point.Y, point.X + 1, point.Y + 1}, text, height, color, TextLeft | TextTop | TextNoWrap);
}

void FontManager::DrawTextInRect(const cells::VirtualRect& rect, std::string_view text, float height,
                                 platform::D3DCOLOR color, uint32_t flags) {
    TextRequest request;
    request.Flags = flags;
    request.Rect = rect;
    request.Text = text;
    request.Color = color;
    request.TextHeight = height;
    DrawText(request);
}

const FontManager::CachedText* FontManager::Find(const TextRequest& request) const {
    for (size_t i = m_cachedCount; i-- > 0;)
        if (m_cached[i].Holds(request, m_font)) return &m_cached[i];
    return nullptr;
}

FontManager::CachedText* FontManager::AddEntry(const TextRequest& request, uint32_t quads, void*& vertices) {
    if (quads > MaxQuads) {
        RaiseError("Za dużo znaków do narysowania");
        AddError("Nie można dodać napisu");
        return nullptr;
    }
    if (m_usedQuads + quads >= MaxQuads) EmptyCache();
    const uint32_t first = m_usedQuads;
    const Result result = m_textCache ? m_textCache->Lock(first * QuadBytes, quads * QuadBytes, vertices,
                                                          platform::D3DLOCK_DISCARD)
                                      : D3DERR_INVALIDCALL;
    // The slots count as used even when the lock failed, until the cache starts over.
    m_usedQuads += quads;
    if (CheckDevice(result, "Nie można zablokować bufora wierzchołków") < 0) {
        AddError("Nie można dodać napisu");
        return nullptr;
    }
    if (m_cachedCount == m_cached.size()) m_cached.emplace_back();
    CachedText& entry = m_cached[m_cachedCount++];
    entry.Take(request, m_font, first, quads);
    return &entry;
}

bool FontManager::DrawEntry(const CachedText& entry) {
    platform::Device* device = Device();
    Result result = device && m_textCache ? device->SetStreamSource(0, m_textCache.get(), 0, sizeof(TexturedVertex))
                                          : D3DERR_INVALIDCALL;
    if (CheckDevice(result, "Nie można ustawić bufora wierchołków jako źródła danych") >= 0) {
        result = device->DrawPrimitive(platform::D3DPT_TRIANGLELIST, entry.FirstQuad * TextLayout::VerticesPerQuad,
                                       entry.QuadCount * 2);
        CheckDevice(result, "");
    }
    if (result >= 0) return true;
    AddError("Nie można narysować napisu");
    return false;
}

void FontManager::EmptyCache() {
    m_cachedCount = 0;
    m_usedQuads = 0;
}

}  // namespace gfx

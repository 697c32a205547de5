#include "capture/WorldArea.h"

#include <algorithm>

#include "base/NumericCasts.h"
#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"
#include "platform/gl/GlDevice.h"
#include "view/ViewGeometry.h"

namespace capture {

namespace {

// The depth range the framework gives its viewports.
constexpr float NearZ = -999.0f;
constexpr float FarZ = 999.0f;

cells::VirtualRect CutAtTopLeft(cells::VirtualRect rect) {
    rect.Left = std::max(rect.Left, 0.0f);
    rect.Top = std::max(rect.Top, 0.0f);
    return rect;
}

int Nearest(float value) { return std::max(base::TruncateToInt32(value + 0.5f), 0); }

}  // namespace

std::vector<uint8_t> Image::Rgb() const {
    std::vector<uint8_t> bytes(Pixels.size() * 3);
    uint8_t* byte = bytes.data();
    for (uint32_t pixel : Pixels) {
        *byte++ = static_cast<uint8_t>(pixel >> 16);
        *byte++ = static_cast<uint8_t>(pixel >> 8);
        *byte++ = static_cast<uint8_t>(pixel);
    }
    return bytes;
}

PixelRect ClipPixels(const cells::VirtualRect& rect, cells::ModeSize mode) {
    const cells::VirtualRect pixels = cells::RectToPixels(CutAtTopLeft(rect), mode);
    PixelRect area {Nearest(pixels.Left), Nearest(pixels.Top), Nearest(pixels.Right - pixels.Left),
                    Nearest(pixels.Bottom - pixels.Top)};
    area.X = std::min(area.X, mode.Width);
    area.Y = std::min(area.Y, mode.Height);
    area.Width = std::min(area.Width, mode.Width - area.X);
    area.Height = std::min(area.Height, mode.Height - area.Y);
    return area;
}

PixelRect WorldArea(cells::ModeSize mode) { return ClipPixels(view::ViewRect, mode); }

Image Crop(const std::vector<uint32_t>& pixels, cells::ModeSize mode, const PixelRect& area) {
    Image image {area.Width, area.Height, {}};
    image.Pixels.resize(static_cast<size_t>(area.Width) * static_cast<size_t>(area.Height));
    for (int y = 0; y < area.Height; ++y) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(area.Y + y) * static_cast<size_t>(mode.Width) + area.X;
        std::copy(row, row + area.Width, image.Pixels.begin() + static_cast<ptrdiff_t>(y) * area.Width);
    }
    return image;
}

bool ReadWorldArea(platform::Device& device, Image& image) {
    std::vector<uint32_t> pixels;
    uint32_t width = 0, height = 0;
    if (platform::CheckDevice(platform::ReadBackBuffer(device, pixels, width, height), "Nie można odczytać obrazu z urządzenia") < 0)
        return false;
    const cells::ModeSize mode {static_cast<int>(width), static_cast<int>(height)};
    image = Crop(pixels, mode, WorldArea(mode));
    return true;
}

void ClipCanvas::PushClipRect(const cells::VirtualRect& rect) {
    cells::VirtualRect clip = rect;
    if (!m_stack.empty()) {
        const cells::VirtualRect& top = m_stack.back();
        clip = {std::max(rect.Left, top.Left), std::max(rect.Top, top.Top), std::min(rect.Right, top.Right),
                std::min(rect.Bottom, top.Bottom)};
        if (!(clip.Right > clip.Left && clip.Bottom > clip.Top)) clip = {};
    }
    m_stack.push_back(clip);
    Apply(clip);
}

void ClipCanvas::PopClipRect() {
    if (m_stack.empty()) {
        errors::RaiseError("Stos ograniczających prostokątów jest pusty");
        return;
    }
    m_stack.pop_back();
    Apply(m_stack.empty() ? cells::VirtualRect {0, 0, 800, 600} : m_stack.back());
}

void ClipCanvas::Apply(const cells::VirtualRect& rect) {
    const cells::VirtualRect cut = CutAtTopLeft(rect);
    const cells::VirtualRect pixels = cells::RectToPixels(cut, m_mode);
    platform::Viewport viewport;
    viewport.X = static_cast<uint32_t>(Nearest(pixels.Left));
    viewport.Y = static_cast<uint32_t>(Nearest(pixels.Top));
    viewport.Width = static_cast<uint32_t>(Nearest(pixels.Right - pixels.Left));
    viewport.Height = static_cast<uint32_t>(Nearest(pixels.Bottom - pixels.Top));
    viewport.MinZ = NearZ;
    viewport.MaxZ = FarZ;
    if (platform::CheckDevice(m_device.SetViewport(viewport), "Nie można ustawić widoku") < 0) return;
    platform::CheckDevice(m_device.SetTransform(platform::D3DTS_PROJECTION,
                                                platform::MatrixOrthoOffCenterLH(cut.Left, cut.Right, cut.Bottom, cut.Top, NearZ, FarZ)),
                          "Nie można ustawić widoku");
}

}  // namespace capture

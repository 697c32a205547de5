#pragma once
// The world area of a back buffer: the view rectangle of the 800 x 600 virtual drawing space in
// pixels, with its edges rounded to the nearest pixel as the framework rounds the clip
// rectangle it draws the world in; and the canvas that draws through that rectangle on a device
// the framework does not run.

#include <cstdint>
#include <vector>

#include "capture/Image.h"
#include "cells/VirtualSpace.h"
#include "platform/Device.h"
#include "render/Canvas.h"

namespace capture {

struct PixelRect {
    int X { 0 }, Y { 0 };               // top-left pixel
    int Width { 0 }, Height { 0 };      // in pixels
    bool operator==(const PixelRect&) const = default;
};

// The pixels a clip rectangle (virtual units) covers on a back buffer of `mode`: cut at the
// screen's left and top edges, each edge rounded to the nearest pixel, cut at the right and
// bottom edges.
PixelRect ClipPixels(const cells::VirtualRect& rect, cells::ModeSize mode);
// The world area of a back buffer of `mode`.
PixelRect WorldArea(cells::ModeSize mode);

// The rectangle `area` of a back buffer of `mode` whose pixels lie top row first.
Image Crop(const std::vector<uint32_t>& pixels, cells::ModeSize mode, const PixelRect& area);

// Reads the back buffer of an OpenGL device (after a frame has been drawn, before it is
// presented) and keeps its world area: what a window shows of the world. False, with the
// reason on the trail, on failure.
bool ReadWorldArea(platform::Device& device, Image& image);

// A device and back-buffer size without the framework, clipping as the framework does: the
// clip rectangle becomes the viewport and the projection of the cut rectangle.
class ClipCanvas final : public render::Canvas {
public:
    ClipCanvas(platform::Device& device, cells::ModeSize mode) : m_device(device), m_mode(mode) {}

    platform::Device& Device() override { return m_device; }
    cells::ModeSize Mode() const override { return m_mode; }
    void PushClipRect(const cells::VirtualRect& rect) override;
    void PopClipRect() override;

private:
    void Apply(const cells::VirtualRect& rect);

    platform::Device& m_device;
    cells::ModeSize m_mode;
    std::vector<cells::VirtualRect> m_stack;
};

}  // namespace capture

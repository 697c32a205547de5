#pragma once
// Where the world is drawn: a device, the size of its back buffer, and a stack of clip
// rectangles in the virtual drawing space. The workbench draws on the framework's canvas
// (FrameCanvas); a program that drives a device without the framework brings a canvas of its own.

#include "cells/VirtualSpace.h"
#include "platform/Device.h"

namespace render {

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual platform::Device& Device() = 0;
    // The back buffer's size, over which the 800 x 600 virtual drawing space is stretched.
    virtual cells::ModeSize Mode() const = 0;
    // Pushing intersects the rectangle with the one on top and cuts drawing to the result;
    // popping goes back to the one below. Failures are entered in the error trail.
    virtual void PushClipRect(const cells::VirtualRect& rect) = 0;
    virtual void PopClipRect() = 0;
};

// The size of the running framework's back buffer (800 x 600 between runs).
cells::ModeSize FrameMode();

// The running framework's device, display mode and clip-rectangle stack.
class FrameCanvas final : public Canvas {
public:
    explicit FrameCanvas(platform::Device& device) : m_device(device) {}

    platform::Device& Device() override { return m_device; }
    cells::ModeSize Mode() const override { return FrameMode(); }
    void PushClipRect(const cells::VirtualRect& rect) override;
    void PopClipRect() override;

private:
    platform::Device& m_device;
};

}  // namespace render

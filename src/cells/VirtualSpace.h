#pragma once
// The virtual drawing space: 800 x 600 units, origin at the top left, y downwards, stretched
// over the back buffer whatever its size. Pure arithmetic, shared by the framework and by the
// views' geometry (which must agree to the pixel).

namespace cells {

struct VirtualRect {
    float Left { 0 }, Top { 0 }, Right { 0 }, Bottom { 0 };
};

struct VirtualPoint {
    float X { 0 }, Y { 0 };
};

// Back-buffer size in pixels.
struct ModeSize {
    int Width { 800 };
    int Height { 600 };
};

// Virtual units to back-buffer pixels: x * width * 0.00125, y * height * 0.0016666667.
inline VirtualPoint ToPixels(VirtualPoint point, ModeSize mode) {
    return {point.X * static_cast<float>(mode.Width) * 0.00125f, point.Y * static_cast<float>(mode.Height) * 0.0016666667f};
}

inline VirtualRect RectToPixels(VirtualRect rect, ModeSize mode) {
    VirtualPoint topLeft = ToPixels({rect.Left, rect.Top}, mode);
    VirtualPoint bottomRight = ToPixels({rect.Right, rect.Bottom}, mode);
    return {topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
}

// Back-buffer (client) pixels to virtual units: x / width * 800, y / height * 600.
inline VirtualPoint ToVirtual(VirtualPoint pixels, ModeSize mode) {
    return {pixels.X / static_cast<float>(mode.Width) * 800.0f, pixels.Y / static_cast<float>(mode.Height) * 600.0f};
}

inline float ToVirtualX(float x, ModeSize mode) { return x / static_cast<float>(mode.Width) * 800.0f; }

}  // namespace cells

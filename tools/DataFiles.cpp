// Draws the data files of the programs into the folder given: "buttons.tga", the faces and
// icons of the on-screen buttons (128 x 128, four rows of four frames of 32 x 32: the face in
// frame 0, the icons in frames 1 to 12), and "arrow.tga", a white arrow pointing right whose
// shape is its alpha channel. Shapes are signed distance functions: a pixel's coverage is how
// far its centre lies inside the shape's edge, which anti-aliases every edge by itself.
//
// Usage: vorlen-data-files FOLDER. Exit status 0 when both files were written, 1 otherwise.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Point {
    float X, Y;
};

// Straight colour, components 0..1.
struct Color {
    float R, G, B, A = 1;
};

constexpr Color Rgb(uint32_t rgb, float alpha = 1) {
    return {float(rgb >> 16 & 0xFF) / 255, float(rgb >> 8 & 0xFF) / 255, float(rgb & 0xFF) / 255, alpha};
}

// Distance from a point to a shape's edge: negative inside, positive outside, in pixels.
using Shape = std::function<float(Point)>;
// A colour that may change over the shape.
using Paint = std::function<Color(Point)>;

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

Shape Circle(Point centre, float radius) {
    return [=](Point p) { return Length(p.X - centre.X, p.Y - centre.Y) - radius; };
}

Shape RoundedBox(float left, float top, float right, float bottom, float radius) {
    const Point centre {(left + right) / 2, (top + bottom) / 2};
    const float halfWidth = (right - left) / 2 - radius, halfHeight = (bottom - top) / 2 - radius;
    return [=](Point p) {
        const float qx = std::abs(p.X - centre.X) - halfWidth, qy = std::abs(p.Y - centre.Y) - halfHeight;
        return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape Box(float left, float top, float right, float bottom) { return RoundedBox(left, top, right, bottom, 0); }

// A line from a to b, `width` wide with round ends.
Shape Stroke(Point a, Point b, float width) {
    return [=](Point p) {
        const float dx = b.X - a.X, dy = b.Y - a.Y;
        const float t = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        return Length(p.X - a.X - t * dx, p.Y - a.Y - t * dy) - width / 2;
    };
}

Shape Polygon(std::vector<Point> corners) {
    return [corners = std::move(corners)](Point p) {
        float nearest = 1e9f;
        bool inside = false;
        for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Point a = corners[j], b = corners[i];
            const float dx = b.X - a.X, dy = b.Y - a.Y;
            const float t = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
            nearest = std::min(nearest, Length(p.X - a.X - t * dx, p.Y - a.Y - t * dy));
            if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < a.X + (p.Y - a.Y) / dy * dx) inside = !inside;
        }
        return inside ? -nearest : nearest;
    };
}

Shape Union(Shape a, Shape b) {
    return [=](Point p) { return std::min(a(p), b(p)); };
}
Shape Cut(Shape a, Shape away) {
    return [=](Point p) { return std::max(a(p), -away(p)); };
}
// The shape grown by `by` pixels on every side (shrunk when negative).
Shape Grown(Shape a, float by) {
    return [=](Point p) { return a(p) - by; };
}
Shape Moved(Shape a, float dx, float dy) {
    return [=](Point p) { return a({p.X - dx, p.Y - dy}); };
}

Paint Solid(Color color) {
    return [=](Point) { return color; };
}
Paint VerticalGradient(float top, Color upper, float bottom, Color lower) {
    return [=](Point p) {
        const float t = std::clamp((p.Y - top) / (bottom - top), 0.0f, 1.0f);
        return Color {upper.R + (lower.R - upper.R) * t, upper.G + (lower.G - upper.G) * t,
                      upper.B + (lower.B - upper.B) * t, upper.A + (lower.A - upper.A) * t};
    };
}

// An image in premultiplied colour; shapes are painted over it inside a window of it.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_pixels(size_t(width) * height) {}

    // Where the next shapes go: a window of the canvas, with its own origin at its top left.
    void Window(int left, int top, int size) { m_left = left, m_top = top, m_size = size; }

    void Fill(const Shape& shape, const Paint& paint) {
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x) {
                const Point centre {x + 0.5f, y + 0.5f};
                const float coverage = std::clamp(0.5f - shape(centre), 0.0f, 1.0f);
                if (coverage <= 0) continue;
                const Color c = paint(centre);
                const float a = c.A * coverage;
                std::array<float, 4>& pixel = m_pixels[size_t(m_top + y) * m_width + m_left + x];
                pixel = {c.R * a + pixel[0] * (1 - a), c.G * a + pixel[1] * (1 - a), c.B * a + pixel[2] * (1 - a),
                         a + pixel[3] * (1 - a)};
            }
    }
    void Fill(const Shape& shape, Color color) { Fill(shape, Solid(color)); }
    // The shape with a dark edge `width` wide around it.
    void Outlined(const Shape& shape, Color color, Color edge, float width = 1.2f) {
        Fill(Grown(shape, width), edge);
        Fill(shape, color);
    }

    // Gives texels that are fully transparent the colour of their nearest visible neighbours,
    // so that filtering at a shape's edge blends towards its own colour, not towards black.
    void BleedColour() {
        std::vector<bool> known(m_pixels.size());
        for (size_t i = 0; i < m_pixels.size(); ++i) known[i] = m_pixels[i][3] > 0;
        std::vector<std::array<float, 3>> colour(m_pixels.size());
        for (size_t i = 0; i < m_pixels.size(); ++i)
            if (known[i])
                colour[i] = {m_pixels[i][0] / m_pixels[i][3], m_pixels[i][1] / m_pixels[i][3],
                             m_pixels[i][2] / m_pixels[i][3]};
        for (int pass = 0; pass < 6; ++pass) {
            std::vector<bool> next = known;
            for (int y = 0; y < m_height; ++y)
                for (int x = 0; x < m_width; ++x) {
                    const size_t i = size_t(y) * m_width + x;
                    if (known[i]) continue;
                    std::array<float, 3> sum {};
                    int count = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = x + dx, ny = y + dy;
                            if (nx < 0 || ny < 0 || nx >= m_width || ny >= m_height ||
                                !known[size_t(ny) * m_width + nx])
                                continue;
                            const auto& c = colour[size_t(ny) * m_width + nx];
                            sum = {sum[0] + c[0], sum[1] + c[1], sum[2] + c[2]};
                            ++count;
                        }
                    if (count == 0) continue;
                    colour[i] = {sum[0] / count, sum[1] / count, sum[2] / count};
                    next[i] = true;
                }
            known = next;
        }
        m_straight = colour;
        m_bled = true;
    }

    // An uncompressed true-colour TGA with eight alpha bits, top row first.
    bool WriteTga(const std::string& path) const {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return false;
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    uint8_t(m_width), uint8_t(m_width >> 8), uint8_t(m_height), uint8_t(m_height >> 8),
                                    32, 0x28};
        bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header;
        std::vector<uint8_t> bytes;
        bytes.reserve(m_pixels.size() * 4);
        auto byte = [](float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
        for (size_t i = 0; i < m_pixels.size(); ++i) {
            const auto& p = m_pixels[i];
            std::array<float, 3> c {};
            if (p[3] > 0) c = {p[0] / p[3], p[1] / p[3], p[2] / p[3]};
            else if (m_bled) c = m_straight[i];
            bytes.insert(bytes.end(), {byte(c[2]), byte(c[1]), byte(c[0]), byte(p[3])});
        }
        written = written && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && written;
    }

private:
    int m_width, m_height;
    std::vector<std::array<float, 4>> m_pixels;
    std::vector<std::array<float, 3>> m_straight;
    bool m_bled { false };
    int m_left { 0 }, m_top { 0 }, m_size { 0 };
};

constexpr int FrameSize = 32;
const Color Edge = Rgb(0x202020, 0.85f);

// Frame 0: a rounded face lit from above, with a dark rim, a light inner edge at the top and
// a shadowed one at the bottom.
void DrawFace(Canvas& c) {
    const Shape outer = RoundedBox(0.5f, 0.5f, 31.5f, 31.5f, 5);
    c.Fill(outer, Rgb(0x3C3C3C));
    const Shape inner = Grown(outer, -1.3f);
    c.Fill(inner, Rgb(0xF0F0F0));
    c.Fill(Moved(Grown(inner, -1.2f), 0, 0.8f), Rgb(0x8C8C8C));
    c.Fill(Grown(inner, -1.8f), VerticalGradient(3, Rgb(0xDCDCDC), 29, Rgb(0xB0B0B0)));
}

// Icons, in the frames of the buttons that show them.
void ResetCounter(Canvas& c) {  // 1: a circular arrow: the count starts again
    const Point centre {16, 17};
    const Shape ring = Cut(Grown(Circle(centre, 9), 1.9f), Circle(centre, 7.1f));
    const Shape arc = Cut(ring, Polygon({centre, {16, -4}, {36, -4}, {36, 14}}));
    const Shape head = Polygon({{15, 2.5f}, {24, 8}, {15, 13.5f}});
    c.Outlined(Union(arc, head), Rgb(0x1F5FBF), Edge);
}

void Iterations(Canvas& c) {  // 2: fast forward, a number of steps at once
    const Color green = Rgb(0x2E8B3A);
    c.Outlined(Union(Polygon({{5, 8}, {16, 16}, {5, 24}}), Polygon({{15, 8}, {26, 16}, {15, 24}})), green, Edge);
    c.Outlined(Box(25.5f, 8, 28.5f, 24), green, Edge);
}

void StopIcon(Canvas& c) { c.Outlined(RoundedBox(8, 8, 24, 24, 1.5f), Rgb(0xD32F2F), Edge); }  // 3

void RunIcon(Canvas& c) { c.Outlined(Polygon({{9, 6.5f}, {25, 16}, {9, 25.5f}}), Rgb(0x2E9E3E), Edge); }  // 4

void StepIcon(Canvas& c) {  // 5: one step and stop
    const Color green = Rgb(0x2E9E3E);
    c.Outlined(Union(Polygon({{7, 7.5f}, {20, 16}, {7, 24.5f}}), Box(21, 7.5f, 25, 24.5f)), green, Edge);
}

void FilterIcon(Canvas& c) {  // 6: smooth shading instead of blocks
    c.Fill(Grown(Circle({16, 16}, 10), 1.2f), Edge);
    c.Fill(Circle({16, 16}, 10), [](Point p) {
        const float t = std::clamp(Length(p.X - 12, p.Y - 12) / 15, 0.0f, 1.0f);
        return Color {1 - 0.8f * t, 1 - 0.55f * t, 1 - 0.1f * t, 1};
    });
}

void TileIcon(Canvas& c) {  // 7: the world repeated in tiles
    const Color tiles[4] = {Rgb(0x3F7FD0), Rgb(0x5FA0E8), Rgb(0x5FA0E8), Rgb(0x3F7FD0)};
    for (int i = 0; i < 4; ++i) {
        const float x = 6.5f + 10.5f * (i % 2), y = 6.5f + 10.5f * (i / 2);
        c.Outlined(RoundedBox(x, y, x + 8.5f, y + 8.5f, 1), tiles[i], Edge);
    }
}

void ResetZoomIcon(Canvas& c) {  // 8: a magnifying glass at one to one
    const Color dark = Rgb(0x303540);
    c.Outlined(Stroke({19.5f, 19.5f}, {26.5f, 26.5f}, 4.5f), dark, Edge, 0.8f);
    c.Fill(Grown(Circle({13.5f, 13.5f}, 8), 1.5f), dark);
    c.Fill(Circle({13.5f, 13.5f}, 7.2f), Rgb(0xCFE6FA));
    c.Fill(Union(Box(12.4f, 9, 15, 18.5f), Polygon({{10.5f, 11.5f}, {13.5f, 8.5f}, {13.5f, 11.5f}})), dark);
}

void FullScreenIcon(Canvas& c) {  // 9: four arrows pushing out to the corners
    const Color dark = Rgb(0x2A3140);
    for (int corner = 0; corner < 4; ++corner) {
        const float sx = corner % 2 ? 1.0f : -1.0f, sy = corner / 2 ? 1.0f : -1.0f;
        const Point tip {16 + sx * 12.5f, 16 + sy * 12.5f};
        const Shape shaft = Stroke({16 + sx * 3, 16 + sy * 3}, {16 + sx * 9, 16 + sy * 9}, 3.4f);
        const Shape head = Polygon({tip, {tip.X, tip.Y - sy * 8.5f}, {tip.X - sx * 8.5f, tip.Y}});
        c.Fill(Union(shaft, head), dark);
    }
}

void ExitIcon(Canvas& c) {  // 10: a cross
    c.Outlined(Union(Stroke({8, 8}, {24, 24}, 5), Stroke({24, 8}, {8, 24}, 5)), Rgb(0xD32F2F), Edge);
}

void SaveIcon(Canvas& c) {  // 11: a diskette
    const Shape body = Cut(RoundedBox(5, 5, 27, 27, 2), Polygon({{23, 4}, {28, 4}, {28, 9}}));
    c.Outlined(body, Rgb(0x2F5FA8), Edge);
    c.Fill(RoundedBox(9.5f, 5, 22.5f, 12.5f, 1), Rgb(0xC8CDD4));
    c.Fill(Box(18, 6.5f, 20.5f, 11), Rgb(0x2F5FA8));
    c.Fill(RoundedBox(8.5f, 16.5f, 23.5f, 27, 1), Rgb(0xF5F5F5));
    c.Fill(Box(11, 19.5f, 21, 20.7f), Rgb(0x9AA4B0));
    c.Fill(Box(11, 22.5f, 21, 23.7f), Rgb(0x9AA4B0));
}

void LoadIcon(Canvas& c) {  // 12: an open folder
    c.Outlined(Union(RoundedBox(4, 8, 14, 14, 1.5f), RoundedBox(4, 10, 25, 26, 1.5f)), Rgb(0xC8901E), Edge);
    c.Outlined(Polygon({{8.5f, 15.5f}, {29, 15.5f}, {24.5f, 26}, {4, 26}}), Rgb(0xF4C430), Edge, 1);
}

// The arrow: a shaft from the left and a head to the right edge, white, over the whole
// square, with a texel of nothing at every border so that filtering stays inside.
void DrawArrow(Canvas& c, int size) {
    const float s = float(size), middle = s / 2;
    const Shape shaft = Box(0.06f * s, middle - 0.1f * s, 0.6f * s, middle + 0.1f * s);
    const Shape head = Polygon({{0.48f * s, middle - 0.34f * s}, {0.95f * s, middle}, {0.48f * s, middle + 0.34f * s}});
    c.Fill(Union(shaft, head), Color {1, 1, 1, 1});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const std::string folder = std::string(argv[1]) + "/";

    Canvas buttons(4 * FrameSize, 4 * FrameSize);
    using Icon = void (*)(Canvas&);
    const Icon frames[] = {DrawFace,      ResetCounter, Iterations,     StopIcon, RunIcon,  StepIcon, FilterIcon,
                           TileIcon,      ResetZoomIcon, FullScreenIcon, ExitIcon, SaveIcon, LoadIcon};
    for (int frame = 0; frame < int(std::size(frames)); ++frame) {
        buttons.Window(frame % 4 * FrameSize, frame / 4 * FrameSize, FrameSize);
        frames[frame](buttons);
    }
    buttons.BleedColour();

    constexpr int ArrowSize = 128;
    Canvas arrow(ArrowSize, ArrowSize);
    arrow.Window(0, 0, ArrowSize);
    DrawArrow(arrow, ArrowSize);
    arrow.BleedColour();

    bool written = true;
    for (const auto& [name, canvas] :
         {std::pair<const char*, const Canvas&> {"buttons.tga", buttons}, {"arrow.tga", arrow}}) {
        if (canvas.WriteTga(folder + name)) continue;
        std::fprintf(stderr, "%s: cannot write %s%s\n", argv[0], folder.c_str(), name);
        written = false;
    }
    return written ? 0 : 1;
}

// The data files the build draws, loaded as the programs load them and cut as they cut them.

#include <IL/il.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "gfx/Sprite.h"
#include "platform/recording/RecordingDevice.h"

namespace gfx {
namespace {

struct Picture {
    uint32_t Width { 0 }, Height { 0 };
    std::vector<uint32_t> Texels;  // 0xAARRGGBB, top row first
    uint32_t At(uint32_t x, uint32_t y) const { return Texels[y * Width + x]; }
    uint32_t Alpha(uint32_t x, uint32_t y) const { return At(x, y) >> 24; }
};

class DataFiles : public testing::Test {
protected:
    static void SetUpTestSuite() { ilInit(); }
    static void TearDownTestSuite() { ilShutDown(); }

    Picture Load(const char* name) {
        std::unique_ptr<platform::Texture> texture;
        EXPECT_EQ(m_device->CreateTextureFromFile(std::string(VORLEN_DATA_DIR) + "/" + name, texture),
                  platform::D3D_OK);
        Picture picture;
        platform::SurfaceDesc desc;
        platform::LockedRect locked;
        if (!texture || texture->GetLevelDesc(0, desc) < 0 || texture->LockRect(0, locked, nullptr, 0) < 0)
            return picture;
        EXPECT_EQ(desc.Format, platform::D3DFMT_A8R8G8B8) << name << " has an alpha channel";
        picture.Width = desc.Width, picture.Height = desc.Height;
        for (uint32_t y = 0; y < desc.Height; ++y)
            for (uint32_t x = 0; x < desc.Width; ++x)
                picture.Texels.push_back(static_cast<const uint32_t*>(locked.Bits)[y * locked.Pitch / 4 + x]);
        texture->UnlockRect(0);
        m_texture = std::move(texture);
        return picture;
    }

    std::unique_ptr<platform::RecordingDevice> m_device = platform::RecordingDevice::Make();
    std::unique_ptr<platform::Texture> m_texture;
};

// Frame 0 is the face: opaque, grey, lighter at the top, with rounded corners. Frames 1 to 12
// are twelve different icons with a clear border; 13 to 15 are empty.
TEST_F(DataFiles, ButtonsHoldTheFaceAndTwelveIconsInFramesOf32) {
    const Picture sheet = Load("buttons.tga");
    ASSERT_EQ(sheet.Width, 128u);
    ASSERT_EQ(sheet.Height, 128u);
    const Sprite2 sprite(m_texture.get(), 32, 32, 4);
    auto origin = [&](uint32_t frame) {
        const SpriteFrame f = sprite.GetFrame(frame);
        return std::pair<uint32_t, uint32_t> {uint32_t(f.UMin * 128), uint32_t(f.VMin * 128)};
    };

    const auto [fx, fy] = origin(0);
    const uint32_t top = sheet.At(fx + 16, fy + 6), bottom = sheet.At(fx + 16, fy + 26);
    EXPECT_EQ(top >> 24, 255u);
    EXPECT_EQ(top & 0xFF, top >> 8 & 0xFF) << "grey";
    EXPECT_GT(top & 0xFF, bottom & 0xFF) << "lit from above";
    EXPECT_GT(top & 0xFF, 0xA0u) << "light enough for the tints to darken";
    EXPECT_EQ(sheet.Alpha(fx, fy), 0u) << "a rounded corner";

    std::set<std::vector<uint32_t>> icons;
    for (uint32_t frame = 1; frame < 16; ++frame) {
        const auto [x0, y0] = origin(frame);
        std::vector<uint32_t> alphas;
        uint32_t ink = 0, border = 0;
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 32; ++x) {
                alphas.push_back(sheet.Alpha(x0 + x, y0 + y));
                ink += alphas.back() > 200;
                if (x == 0 || y == 0 || x == 31 || y == 31) border += alphas.back();
            }
        EXPECT_EQ(border, 0u) << "frame " << frame << " keeps off its neighbours";
        if (frame > 12) {
            EXPECT_EQ(ink, 0u) << "frame " << frame;
            continue;
        }
        EXPECT_GT(ink, 80u) << "frame " << frame;
        EXPECT_LT(ink, 700u) << "frame " << frame;
        EXPECT_TRUE(icons.insert(alphas).second) << "frame " << frame << " repeats another";
    }
}

// The arrow points right: a white shape, symmetric top to bottom, thin at the left (the shaft)
// and tall further right (the head), reaching almost across the square.
TEST_F(DataFiles, TheArrowIsWhiteAndPointsRight) {
    const Picture arrow = Load("arrow.tga");
    ASSERT_EQ(arrow.Width, arrow.Height);
    const uint32_t size = arrow.Width, middle = size / 2;
    auto height = [&](uint32_t x) {
        uint32_t opaque = 0;
        for (uint32_t y = 0; y < size; ++y) opaque += arrow.Alpha(x, y) > 128;
        return opaque;
    };
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
            EXPECT_TRUE(arrow.Alpha(x, y) == 0 || (arrow.At(x, y) & 0xFFFFFF) == 0xFFFFFF) << x << ", " << y;
            EXPECT_EQ(arrow.Alpha(x, y), arrow.Alpha(x, size - 1 - y)) << x << ", " << y;
            EXPECT_TRUE(!edge || arrow.Alpha(x, y) == 0) << x << ", " << y;
        }
    EXPECT_GT(height(size / 4), size / 8) << "the shaft";
    EXPECT_GT(height(size * 5 / 8), 2 * height(size / 4)) << "the head";
    uint32_t left = size, right = 0;
    for (uint32_t x = 0; x < size; ++x)
        if (arrow.Alpha(x, middle) > 128) left = std::min(left, x), right = std::max(right, x);
    EXPECT_LT(left, size / 10);
    EXPECT_GT(right, size * 9 / 10);
}

}  // namespace
}  // namespace gfx

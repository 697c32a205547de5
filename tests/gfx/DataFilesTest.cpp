// The data files the build draws, loaded as the programs load them.

#include <IL/il.h>
#include <gtest/gtest.h>

#include <set>

#include "platform/recording/RecordingDevice.h"

namespace gfx {
namespace {

// The alpha of every texel of a data file, top row first.
std::vector<uint32_t> Alphas(const char* name, uint32_t& size) {
    ilInit();
    auto device = platform::RecordingDevice::Make();
    std::unique_ptr<platform::Texture> texture;
    EXPECT_EQ(device->CreateTextureFromFile(std::string(VORLEN_DATA_DIR "/") + name, texture), platform::D3D_OK);
    std::vector<uint32_t> alphas;
    platform::SurfaceDesc desc;
    if (texture && texture->GetLevelDesc(0, desc) >= 0 && desc.Format == platform::D3DFMT_A8R8G8B8) size = desc.Width;
    for (uint32_t texel : static_cast<platform::BasicTexture&>(*texture).Texels()) alphas.push_back(texel >> 24);
    ilShutDown();
    return alphas;
}

// Frame 0 is an opaque face with rounded corners; 1 to 12 are twelve different icons, each
// clear of its frame's border; 13 to 15 are empty.
TEST(DataFiles, ButtonsHoldTheFaceAndTwelveIconsInFramesOf32) {
    uint32_t size = 0;
    const std::vector<uint32_t> alpha = Alphas("buttons.tga", size);
    ASSERT_EQ(size, 128u);
    EXPECT_EQ(alpha[16 * 128 + 16], 255u);
    EXPECT_EQ(alpha[0], 0u);
    std::set<std::vector<uint32_t>> icons;
    for (uint32_t frame = 1; frame < 16; ++frame) {
        const uint32_t x0 = frame % 4 * 32, y0 = frame / 4 * 32;
        std::vector<uint32_t> icon;
        uint32_t ink = 0, border = 0;
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 32; ++x) {
                icon.push_back(alpha[(y0 + y) * 128 + x0 + x]);
                ink += icon.back() > 200;
                if (x % 31 == 0 || y % 31 == 0) border += icon.back();
            }
        EXPECT_EQ(border, 0u) << frame;
        EXPECT_TRUE(frame > 12 ? ink == 0 : ink > 80 && ink < 700 && icons.insert(icon).second) << frame;
    }
}

// An arrow pointing right: symmetric top to bottom, clear of the border, a thin shaft at the
// left and a head twice as tall further right.
TEST(DataFiles, TheArrowPointsRight) {
    uint32_t size = 0;
    const std::vector<uint32_t> alpha = Alphas("arrow.tga", size);
    ASSERT_GT(size, 16u);
    std::vector<uint32_t> height(size);  // opaque texels of each column
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            EXPECT_EQ(alpha[y * size + x], alpha[(size - 1 - y) * size + x]);
            EXPECT_TRUE((x % (size - 1) && y % (size - 1)) || alpha[y * size + x] == 0);
            height[x] += alpha[y * size + x] > 128;
        }
    EXPECT_TRUE(height[size / 10] > size / 8 && height[size * 5 / 8] > 2 * height[size / 10] && height[size * 9 / 10] > 0);
}

}  // namespace
}  // namespace gfx

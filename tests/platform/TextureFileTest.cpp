// Textures from picture files, read through DevIL.

#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/RecordingDevice.h"

namespace platform {
namespace {

class TextureFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ilInit(); }

    void SetUp() override { m_directory = ::testing::TempDir(); }

    // An uncompressed TGA of 2 x 2 pixels, rows written top first or bottom first.
    std::string WriteTga(const char* name, const std::vector<uint32_t>& topDown, bool alpha, bool storedTopFirst) {
        const std::string path = m_directory + name;
        std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, uint8_t(alpha ? 32 : 24),
                                      uint8_t((alpha ? 8 : 0) | (storedTopFirst ? 0x20 : 0))};
        for (int row = 0; row < 2; ++row) {
            const int source = storedTopFirst ? row : 1 - row;
            for (int x = 0; x < 2; ++x) {
                const uint32_t argb = topDown[size_t(source) * 2 + size_t(x)];
                bytes.insert(bytes.end(), {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16)});
                if (alpha) bytes.push_back(uint8_t(argb >> 24));
            }
        }
        FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        m_written.push_back(path);
        return path;
    }

    void TearDown() override {
        for (const std::string& path : m_written) unlink(path.c_str());
    }

    std::string m_directory;
    std::vector<std::string> m_written;
    std::unique_ptr<RecordingDevice> m_device { RecordingDevice::Make() };
};

TEST_F(TextureFileTest, LoadsUprightWhateverTheStoredOrder) {
    const std::vector<uint32_t> picture = {0xFF112233, 0x80445566, 0x00778899, 0xFFAABBCC};
    for (bool topFirst : {true, false}) {
        SCOPED_TRACE(topFirst);
        std::unique_ptr<Texture> texture;
        ASSERT_EQ(m_device->CreateTextureFromFile(WriteTga("arrow.tga", picture, true, topFirst), texture), D3D_OK);
        SurfaceDesc desc;
        ASSERT_EQ(texture->GetLevelDesc(0, desc), D3D_OK);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
        EXPECT_EQ(desc.Width, 2u);
        EXPECT_EQ(desc.Height, 2u);
        EXPECT_EQ(dynamic_cast<BasicTexture&>(*texture).Texels(), picture);
    }
}

TEST_F(TextureFileTest, PicturesWithoutAlphaBecomeX8R8G8B8) {
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(m_device->CreateTextureFromFile(WriteTga("rgb.tga", {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C},
                                                       false, false),
                                              texture),
              D3D_OK);
    SurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(0, desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(dynamic_cast<BasicTexture&>(*texture).Texels()[0] & 0xFFFFFF, 0x010203u);
}

// A failed load reports through its result and leaves DevIL as it found it: the same image
// bound and no error waiting for the next check of the picture import.
TEST_F(TextureFileTest, UnreadableFilesFailCleanly) {
    ILuint mine = 0;
    ilGenImages(1, &mine);
    ilBindImage(mine);
    std::unique_ptr<Texture> texture;
    EXPECT_EQ(m_device->CreateTextureFromFile(m_directory + "missing.tga", texture), D3DXERR_INVALIDDATA);
    EXPECT_FALSE(texture);
    const std::string garbage = m_directory + "garbage.tga";
    FILE* file = std::fopen(garbage.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("not a picture", file);
    std::fclose(file);
    m_written.push_back(garbage);
    EXPECT_EQ(m_device->CreateTextureFromFile(garbage, texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(m_device->CreateTextureFromFile("", texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(ILuint(ilGetInteger(IL_CUR_IMAGE)), mine);
    EXPECT_EQ(ilGetError(), IL_NO_ERROR);
    ilDeleteImages(1, &mine);

    m_device->Log().FailCall("CreateTextureFromFile", 1, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(m_device->CreateTextureFromFile(WriteTga("ok.tga", {0, 0, 0, 0}, true, true), texture),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_FALSE(texture);
}

}  // namespace
}  // namespace platform

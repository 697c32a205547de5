// Textures from picture files, read through DevIL.

#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/recording/RecordingDevice.h"

namespace platform {
namespace {

class TextureFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ilInit(); }
    void TearDown() override {
        for (const std::string& path : m_written) unlink(path.c_str());
    }

    std::string Write(const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = ::testing::TempDir() + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) std::fwrite(bytes.data(), 1, bytes.size(), file), std::fclose(file);
        m_written.push_back(path);
        return path;
    }

    // An uncompressed TGA of 2 x 2 pixels, rows written top first or bottom first.
    std::string WriteTga(const std::vector<uint32_t>& topDown, bool alpha, bool storedTopFirst) {
        std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, uint8_t(alpha ? 32 : 24),
                                      uint8_t((alpha ? 8 : 0) | (storedTopFirst ? 0x20 : 0))};
        for (int row = 0; row < 2; ++row)
            for (int x = 0; x < 2; ++x) {
                const uint32_t argb = topDown[size_t(storedTopFirst ? row : 1 - row) * 2 + size_t(x)];
                bytes.insert(bytes.end(), {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16)});
                if (alpha) bytes.push_back(uint8_t(argb >> 24));
            }
        return Write("picture.tga", bytes);
    }

    std::vector<std::string> m_written;
    std::unique_ptr<RecordingDevice> m_device { RecordingDevice::Make() };
};

// The top row of the picture is texture row 0 whatever the stored order; pictures with alpha
// become A8R8G8B8, the others X8R8G8B8.
TEST_F(TextureFileTest, LoadsUprightAsAManagedTexture) {
    const std::vector<uint32_t> picture = {0xFF112233, 0x80445566, 0x00778899, 0xFFAABBCC};
    for (bool alpha : {true, false})
        for (bool topFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << "alpha " << alpha << ", top first " << topFirst);
            std::unique_ptr<Texture> texture;
            ASSERT_EQ(m_device->CreateTextureFromFile(WriteTga(picture, alpha, topFirst), texture), D3D_OK);
            SurfaceDesc desc;
            ASSERT_EQ(texture->GetLevelDesc(0, desc), D3D_OK);
            EXPECT_EQ(desc.Format, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
            EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
            EXPECT_EQ(desc.Width, 2u);
            EXPECT_EQ(desc.Height, 2u);
            const std::vector<uint32_t>& texels = dynamic_cast<BasicTexture&>(*texture).Texels();
            const uint32_t mask = alpha ? 0xFFFFFFFF : 0xFFFFFF;
            for (size_t i = 0; i < 4; ++i) EXPECT_EQ(texels[i] & mask, picture[i] & mask) << i;
        }
}

// A failed load reports through its result and leaves DevIL as it found it: the same image
// bound and no error waiting for the next check of the picture import.
TEST_F(TextureFileTest, UnreadableFilesFailCleanly) {
    ILuint mine = 0;
    ilGenImages(1, &mine);
    ilBindImage(mine);
    std::unique_ptr<Texture> texture;
    EXPECT_EQ(m_device->CreateTextureFromFile(::testing::TempDir() + "missing.tga", texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(m_device->CreateTextureFromFile(Write("garbage.tga", {'n', 'o', 't'}), texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(m_device->CreateTextureFromFile("", texture), D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);
    EXPECT_EQ(ILuint(ilGetInteger(IL_CUR_IMAGE)), mine);
    EXPECT_EQ(ilGetError(), IL_NO_ERROR);
    ilDeleteImages(1, &mine);
}

}  // namespace
}  // namespace platform

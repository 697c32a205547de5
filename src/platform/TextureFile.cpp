// Picture files as textures, read through DevIL.

#include <IL/il.h>

#include <cstring>

#include "platform/DeviceBase.h"

namespace platform {

namespace {

bool HasAlpha(ILint format, ILint paletteType) {
    if (format == IL_RGBA || format == IL_BGRA || format == IL_LUMINANCE_ALPHA) return true;
    return format == IL_COLOUR_INDEX && (paletteType == IL_PAL_RGBA32 || paletteType == IL_PAL_BGRA32);
}

// Binds a fresh DevIL image for the lifetime of the object, then deletes it and binds the
// image that was bound before, so the picture import and export keep their own current image.
// DevIL's error queue is emptied afterwards: a failed load here is reported through the
// result, and must not reach the next CheckDevIL of unrelated code.
class ScopedImage {
public:
    ScopedImage() : m_previous(static_cast<ILuint>(ilGetInteger(IL_CUR_IMAGE))) {
        ilGenImages(1, &m_image);
        ilBindImage(m_image);
    }
    ~ScopedImage() {
        ilDeleteImages(1, &m_image);
        ilBindImage(m_previous);
        while (ilGetError() != IL_NO_ERROR) {
        }
    }
    ScopedImage(const ScopedImage&) = delete;
    ScopedImage& operator=(const ScopedImage&) = delete;

private:
    ILuint m_previous;
    ILuint m_image { 0 };
};

}  // namespace

Result DeviceBase::CreateTextureFromFile(const std::string& path, std::unique_ptr<Texture>& texture) {
    texture.reset();
    if (path.empty()) return D3DERR_INVALIDCALL;
    ScopedImage image;
    if (!ilLoadImage(path.c_str())) return D3DXERR_INVALIDDATA;
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
    const bool alpha = HasAlpha(ilGetInteger(IL_IMAGE_FORMAT), ilGetInteger(IL_PALETTE_TYPE));
    if (width <= 0 || height <= 0) return D3DXERR_INVALIDDATA;
    if (static_cast<uint32_t>(width) > MaxSize() || static_cast<uint32_t>(height) > MaxSize()) return D3DERR_INVALIDCALL;
    // BGRA bytes are the little-endian layout of 0xAARRGGBB texels.
    if (!ilConvertImage(IL_BGRA, IL_UNSIGNED_BYTE)) return D3DXERR_INVALIDDATA;
    const uint8_t* pixels = ilGetData();
    if (!pixels) return D3DXERR_INVALIDDATA;
    const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;

    std::unique_ptr<BasicTexture> created;
    const SurfaceDesc desc {alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, 0, D3DPOOL_MANAGED, uint32_t(width),
                            uint32_t(height)};
    Result result = CreateTextureInternal(desc, created);
    if (result < 0) return result;
    std::vector<uint32_t>& texels = created->MutableTexels();
    const size_t rowBytes = size_t(width) * 4;
    for (ILint y = 0; y < height; ++y) {
        const ILint source = bottomUp ? height - 1 - y : y;
        std::memcpy(texels.data() + size_t(y) * width, pixels + size_t(source) * rowBytes, rowBytes);
    }
    result = created->Upload({0, 0, width, height}, false);
    if (result < 0) return result;
    texture = std::move(created);
    return D3D_OK;
}

}  // namespace platform

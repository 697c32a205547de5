#include "decode/PictureDecoding.h"

#include <IL/il.h>
#include <cstring>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "decode/PsdDecoding.h"
#include "files/PictureProtocol.h"

namespace decode {

using files::MaxPictureSide;

namespace {

bool Plausible(uint64_t width, uint64_t height) { return width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide; }

const char* PixbufType(PictureFormat format) {
    switch (format) {
        case PictureFormat::Png: return "png";
        case PictureFormat::Jpeg: return "jpeg";
        case PictureFormat::Gif: return "gif";
        case PictureFormat::Bmp: return "bmp";
        case PictureFormat::Tiff: return "tiff";
        case PictureFormat::Pnm: return "pnm";
        case PictureFormat::Ico: return "ico";
        case PictureFormat::Tga: return "tga";
        default: return nullptr;
    }
}

ILenum DevILType(PictureFormat format) {
    switch (format) {
        case PictureFormat::Sgi: return IL_SGI;
        case PictureFormat::Pcx: return IL_PCX;
        case PictureFormat::Dcx: return IL_DCX;
        case PictureFormat::Dds: return IL_DDS;
        case PictureFormat::Psp: return IL_PSP;
        case PictureFormat::Ilbm: return IL_ILBM;
        case PictureFormat::Lif: return IL_LIF;
        case PictureFormat::Mdl: return IL_MDL;
        case PictureFormat::Pic: return IL_PIC;
        case PictureFormat::Pcd: return IL_PCD;
        case PictureFormat::Raw: return IL_RAW;
        case PictureFormat::Wal: return IL_WAL;
        case PictureFormat::Cut: return IL_CUT;
        default: return IL_TYPE_UNKNOWN;
    }
}

// The whole file through a loader of the given type; a loader that cannot finish (a truncated
// file) fails in its close. The picture is turned as its orientation tag says.
bool DecodeWithPixbuf(const char* type, std::span<const uint8_t> bytes, DecodedPicture& picture) {
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, &error);
    if (!loader) {
        g_clear_error(&error);
        return false;
    }
    bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
    g_clear_error(&error);
    ok = gdk_pixbuf_loader_close(loader, &error) && ok;
    g_clear_error(&error);
    GdkPixbuf* loaded = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    GdkPixbuf* upright = loaded ? gdk_pixbuf_apply_embedded_orientation(loaded) : nullptr;
    ok = upright && gdk_pixbuf_get_colorspace(upright) == GDK_COLORSPACE_RGB && gdk_pixbuf_get_bits_per_sample(upright) == 8 &&
         gdk_pixbuf_get_n_channels(upright) >= 3 && Plausible(static_cast<uint64_t>(gdk_pixbuf_get_width(upright)), static_cast<uint64_t>(gdk_pixbuf_get_height(upright)));
    if (ok) {
        picture.Width = static_cast<uint32_t>(gdk_pixbuf_get_width(upright));
        picture.Height = static_cast<uint32_t>(gdk_pixbuf_get_height(upright));
        const size_t channels = static_cast<size_t>(gdk_pixbuf_get_n_channels(upright));
        const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(upright));
        const guchar* pixels = gdk_pixbuf_read_pixels(upright);
        picture.Rgb.resize(static_cast<size_t>(picture.Width) * picture.Height * 3);
        uint8_t* out = picture.Rgb.data();
        for (size_t y = 0; y < picture.Height; ++y) {
            const guchar* row = pixels + y * stride;
            for (size_t x = 0; x < picture.Width; ++x, out += 3) std::memcpy(out, row + x * channels, 3);
        }
    }
    if (upright) g_object_unref(upright);
    g_object_unref(loader);
    return ok;
}

// From memory: DevIL's memory reader reports the end of the data, where its file reader
// would let some loaders read on forever.
bool DecodeWithDevIL(ILenum type, std::span<const uint8_t> bytes, DecodedPicture& picture) {
    if (bytes.size() > 0xFFFFFFFFu) return false;
    ilInit();
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    bool ok = ilLoadL(type, bytes.data(), static_cast<ILuint>(bytes.size())) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILubyte* data = ilGetData();
    ok = ok && data && ilGetInteger(IL_IMAGE_BPP) == 3 && width > 0 && height > 0 &&
         Plausible(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
    if (ok) {
        // A picture whose origin is the lower left corner holds its bottom row first.
        const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
        picture.Width = static_cast<uint32_t>(width);
        picture.Height = static_cast<uint32_t>(height);
        const size_t row = static_cast<size_t>(width) * 3;
        picture.Rgb.resize(row * static_cast<size_t>(height));
        for (size_t y = 0; y < picture.Height; ++y)
            std::memcpy(&picture.Rgb[y * row], data + (bottomUp ? picture.Height - 1 - y : y) * row, row);
    }
    ilDeleteImages(1, &name);
    return ok;
}

}  // namespace

bool DecodePicture(PictureFormat format, std::span<const uint8_t> bytes, DecodedPicture& picture) {
    if (const char* type = PixbufType(format)) return DecodeWithPixbuf(type, bytes, picture);
    if (format == PictureFormat::Psd) return DecodePsd(bytes, picture);
    const ILenum type = DevILType(format);
    return type != IL_TYPE_UNKNOWN && DecodeWithDevIL(type, bytes, picture);
}

}  // namespace decode

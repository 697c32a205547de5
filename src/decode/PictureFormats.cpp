#include "decode/PictureFormats.h"

#include <algorithm>

#include "files/PictureProtocol.h"

namespace decode {

using files::MaxPictureSide;

namespace {

// Bounds-checked reads of little- and big-endian numbers; 0 beyond the end.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    uint64_t Size() const { return m_bytes.size(); }
    bool Has(uint64_t at, uint64_t count) const { return at <= Size() && count <= Size() - at; }
    uint8_t U8(uint64_t at) const { return at < Size() ? m_bytes[at] : 0; }
    uint32_t U16le(uint64_t at) const { return U8(at) | static_cast<uint32_t>(U8(at + 1)) << 8; }
    uint32_t U16be(uint64_t at) const { return static_cast<uint32_t>(U8(at)) << 8 | U8(at + 1); }
    uint32_t U32le(uint64_t at) const { return U16le(at) | U16le(at + 2) << 16; }
    uint32_t U32be(uint64_t at) const { return U16be(at) << 16 | U16be(at + 2); }
    bool Match(uint64_t at, std::string_view text) const {
        if (!Has(at, text.size())) return false;
        return std::equal(text.begin(), text.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
    }

private:
    std::span<const uint8_t> m_bytes;
};

bool Side(uint64_t value) { return value >= 1 && value <= MaxPictureSide; }
bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
Completeness Enough(bool enough) { return enough ? Completeness::Complete : Completeness::Incomplete; }

// --- Formats without a signature -------------------------------------------------------------

bool PlausibleTga(const Bytes& b) {
    if (!b.Has(0, 18)) return false;
    const uint8_t mapType = b.U8(1), type = b.U8(2), mapDepth = b.U8(7), depth = b.U8(16);
    const bool typeKnown = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    const bool mapped = type == 1 || type == 9;
    const bool mapOk = mapType == 0 ? !mapped : mapType == 1 && (mapDepth == 15 || mapDepth == 16 || mapDepth == 24 || mapDepth == 32);
    const bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return typeKnown && mapOk && depthOk && b.U16le(12) >= 1 && b.U16le(14) >= 1;
}

// A raw picture: width, height and depth (4 bytes each), bytes per pixel and bytes per
// channel (1 each), then the data.
bool PlausibleRaw(const Bytes& b) {
    if (!b.Has(0, 14)) return false;
    const uint8_t pixel = b.U8(12), channel = b.U8(13);
    return Side(b.U32le(0)) && Side(b.U32le(4)) && b.U32le(8) >= 1 && pixel >= 1 && pixel <= 4 &&
           (channel == 1 || channel == 2 || channel == 4);
}

// A Quake 2 texture: a 32-byte name, width, height, four mipmap offsets and 44 bytes more.
bool PlausibleWal(const Bytes& b) {
    return b.Has(0, 100) && Side(b.U32le(32)) && Side(b.U32le(36)) && b.U32le(40) >= 100;
}

// A Dr. Halo picture: width, height, a reserved 0, then one length-prefixed line per row.
bool PlausibleCut(const Bytes& b) { return b.Has(0, 6) && Side(b.U16le(0)) && Side(b.U16le(2)) && b.U16le(4) == 0; }

// --- Walks of the formats' structure ---------------------------------------------------------

Completeness PngComplete(const Bytes& b) {
    for (uint64_t at = 8;;) {
        if (!b.Has(at, 12)) return Completeness::Incomplete;
        const uint64_t length = b.U32be(at);
        if (length > 0x7FFFFFFF) return Completeness::Damaged;
        if (b.Match(at + 4, "IEND")) return Completeness::Complete;
        at += 12 + length;
    }
}

// Markers up to the end of image, stepping over each scan's entropy-coded data.
Completeness JpegComplete(const Bytes& b) {
    for (uint64_t at = 2;;) {
        if (!b.Has(at, 2)) return Completeness::Incomplete;
        if (b.U8(at) != 0xFF) return Completeness::Damaged;
        const uint8_t marker = b.U8(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD9) return Completeness::Complete;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (!b.Has(at + 2, 2)) return Completeness::Incomplete;
        const uint32_t length = b.U16be(at + 2);
        if (length < 2) return Completeness::Damaged;
        at += 2 + length;
        if (at > b.Size()) return Completeness::Incomplete;
        if (marker != 0xDA) continue;
        // Entropy-coded data ends at the first marker that is neither a stuffed 0xFF00 nor
        // a restart marker.
        for (;; ++at) {
            if (!b.Has(at, 2)) return Completeness::Incomplete;
            const uint8_t next = b.U8(at + 1);
            if (b.U8(at) == 0xFF && next != 0x00 && !(next >= 0xD0 && next <= 0xD7)) break;
        }
    }
}

// Sub-blocks end with an empty one; false when the file ends first.
bool SkipSubBlocks(const Bytes& b, uint64_t& at) {
    for (;;) {
        if (!b.Has(at, 1)) return false;
        const uint8_t length = b.U8(at);
        at += 1 + length;
        if (length == 0) return true;
    }
}

// Up to the end of the first image's data (what is shown), or the trailer before it.
Completeness GifComplete(const Bytes& b) {
    if (!b.Has(0, 13)) return Completeness::Incomplete;
    uint64_t at = 13;
    if (b.U8(10) & 0x80) at += 3ull << ((b.U8(10) & 7) + 1);
    for (;;) {
        if (!b.Has(at, 1)) return Completeness::Incomplete;
        const uint8_t block = b.U8(at);
        if (block == 0x3B) return Completeness::Damaged;  // no image at all
        if (block == 0x21) {
            at += 2;
            if (!SkipSubBlocks(b, at)) return Completeness::Incomplete;
        } else if (block == 0x2C) {
            if (!b.Has(at, 11)) return Completeness::Incomplete;
            const uint8_t flags = b.U8(at + 9);
            at += 10;
            if (flags & 0x80) at += 3ull << ((flags & 7) + 1);
            at += 1;  // the LZW code size
            return Enough(SkipSubBlocks(b, at));
        } else {
            return Completeness::Damaged;
        }
    }
}

// A run-length encoded bitmap (4 or 8 bits a pixel) up to its end-of-bitmap escape.
Completeness BmpRleComplete(const Bytes& b, uint64_t at, bool fourBits) {
    for (;;) {
        if (!b.Has(at, 2)) return Completeness::Incomplete;
        const uint8_t count = b.U8(at), value = b.U8(at + 1);
        at += 2;
        if (count > 0) continue;
        if (value == 1) return Completeness::Complete;
        if (value == 2) at += 2;
        if (value >= 3) {
            const uint64_t bytes = fourBits ? (value + 1u) / 2 : value;
            at += (bytes + 1) & ~1ull;
        }
    }
}

Completeness BmpComplete(const Bytes& b) {
    const uint32_t info = b.U32le(14);
    if (!b.Has(14, 4 + (info == 12 ? 8 : 20))) return Completeness::Incomplete;
    const uint64_t offset = b.U32le(10);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0;
    if (info == 12) {
        width = b.U16le(18);
        height = b.U16le(20);
        bits = b.U16le(24);
    } else {
        width = static_cast<int32_t>(b.U32le(18));
        height = static_cast<int32_t>(b.U32le(22));
        bits = b.U16le(28);
        compression = b.U32le(30);
    }
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    if (!Side(static_cast<uint64_t>(width < 0 ? 0 : width)) || !Side(rows)) return Completeness::Damaged;
    if (compression == 1 || compression == 2) return BmpRleComplete(b, offset, compression == 2);
    if (compression != 0 && compression != 3 && compression != 6) return Enough(offset < b.Size());
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return Completeness::Damaged;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    return Enough(b.Has(offset, stride * rows));
}

// The header's tokens: the magic, width, height and (except for bitmaps) the largest value.
Completeness PnmComplete(const Bytes& b) {
    const uint8_t kind = b.U8(1);
    const bool bitmap = kind == '1' || kind == '4';
    uint64_t values[3] = {0, 0, 1};
    uint64_t at = 2;
    for (int token = 0; token < (bitmap ? 2 : 3); ++token) {
        for (;;) {  // spacing and comments
            if (!b.Has(at, 1)) return Completeness::Incomplete;
            if (b.U8(at) == '#') {
                while (b.Has(at, 1) && b.U8(at) != '\n') ++at;
            } else if (IsSpace(b.U8(at))) {
                ++at;
            } else {
                break;
            }
        }
        uint64_t value = 0;
        const uint64_t start = at;
        while (b.Has(at, 1) && b.U8(at) >= '0' && b.U8(at) <= '9') {
            value = std::min<uint64_t>(value * 10 + (b.U8(at) - '0'), 1ull << 40);
            ++at;
        }
        if (at == start) return b.Has(at, 1) ? Completeness::Damaged : Completeness::Incomplete;
        values[token] = value;
    }
    const uint64_t width = values[0], height = values[1], largest = values[2];
    if (!Side(width) || !Side(height) || largest < 1 || largest > 65535) return Completeness::Damaged;
    const uint64_t channels = kind == '3' || kind == '6' ? 3 : 1;
    const uint64_t samples = width * height * channels;
    if (kind >= '4') {
        const uint64_t bytes = kind == '4' ? (width + 7) / 8 * height : samples * (largest > 255 ? 2 : 1);
        return Enough(b.Has(at + 1, bytes));  // one blank ends the header
    }
    // Text: a bitmap's digits need no blank between them, the others' numbers do.
    uint64_t found = 0;
    bool inNumber = false;
    for (; at < b.Size() && found < samples; ++at) {
        const uint8_t c = b.U8(at);
        if (c == '#') {
            while (at < b.Size() && b.U8(at) != '\n') ++at;
            inNumber = false;
        } else if (c >= '0' && c <= '9') {
            if (bitmap || !inNumber) ++found;
            inNumber = true;
        } else {
            inNumber = false;
        }
    }
    return Enough(found >= samples);
}

Completeness IcoComplete(const Bytes& b) {
    const uint32_t count = b.U16le(4);
    if (count == 0) return Completeness::Damaged;
    if (!b.Has(6, 16ull * count)) return Completeness::Incomplete;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = 6 + 16ull * i;
        if (!b.Has(b.U32le(entry + 12), b.U32le(entry + 8))) return Completeness::Incomplete;
    }
    return Completeness::Complete;
}

// The image data of an uncompressed or run-length encoded TGA.
Completeness TgaComplete(const Bytes& b) {
    const uint64_t mapBytes = b.U8(1) == 1 ? static_cast<uint64_t>(b.U16le(5)) * ((b.U8(7) + 7) / 8) : 0;
    const uint64_t pixelBytes = (b.U8(16) + 7) / 8;
    const uint64_t pixels = static_cast<uint64_t>(b.U16le(12)) * b.U16le(14);
    uint64_t at = 18 + b.U8(0) + mapBytes;
    if (b.U8(2) < 9) return Enough(b.Has(at, pixels * pixelBytes));
    for (uint64_t done = 0; done < pixels;) {
        if (!b.Has(at, 1)) return Completeness::Incomplete;
        const uint8_t packet = b.U8(at);
        const uint64_t count = (packet & 0x7F) + 1u;
        at += 1 + (packet & 0x80 ? 1 : count) * pixelBytes;
        done += count;
    }
    return Enough(at <= b.Size());
}

// The composite image after the three length-prefixed sections.
Completeness PsdComplete(const Bytes& b) {
    if (!b.Has(0, 26)) return Completeness::Incomplete;
    const uint64_t channels = b.U16be(12), height = b.U32be(14), width = b.U32be(18), depth = b.U16be(22);
    if (channels < 1 || channels > 56 || !Side(width) || !Side(height) || (depth != 1 && depth != 8 && depth != 16 && depth != 32))
        return Completeness::Damaged;
    uint64_t at = 26;
    for (int section = 0; section < 3; ++section) {
        if (!b.Has(at, 4)) return Completeness::Incomplete;
        at += 4 + static_cast<uint64_t>(b.U32be(at));
    }
    if (!b.Has(at, 2)) return Completeness::Incomplete;
    const uint32_t compression = b.U16be(at);
    at += 2;
    const uint64_t rowBytes = (width * depth + 7) / 8;
    if (compression == 0) return Enough(b.Has(at, channels * height * rowBytes));
    if (compression != 1) return Completeness::Complete;
    const uint64_t rows = channels * height;
    if (!b.Has(at, rows * 2)) return Completeness::Incomplete;
    uint64_t packed = 0;
    for (uint64_t row = 0; row < rows; ++row) packed += b.U16be(at + 2 * row);
    return Enough(b.Has(at + rows * 2, packed));
}

Completeness SgiComplete(const Bytes& b) {
    if (!b.Has(0, 512)) return Completeness::Incomplete;
    const uint64_t channel = b.U8(3), width = b.U16be(6), dimension = b.U16be(4);
    const uint64_t height = dimension >= 2 ? b.U16be(8) : 1, planes = dimension >= 3 ? b.U16be(10) : 1;
    if (dimension < 1 || dimension > 3 || !Side(width) || !Side(height) || planes < 1 || planes > 4) return Completeness::Damaged;
    if (b.U8(2) == 0) return Enough(b.Has(512, width * height * planes * channel));
    // Run-length encoded: a table of row starts, then one of row lengths.
    const uint64_t rows = height * planes;
    if (!b.Has(512, rows * 8)) return Completeness::Incomplete;
    for (uint64_t row = 0; row < rows; ++row)
        if (!b.Has(b.U32be(512 + 4 * row), b.U32be(512 + 4 * (rows + row)))) return Completeness::Incomplete;
    return Completeness::Complete;
}

// Every row's bytes of every plane, decoded from the run-length data that follows the header.
Completeness PcxComplete(const Bytes& b) {
    const uint32_t xMin = b.U16le(4), yMin = b.U16le(6), xMax = b.U16le(8), yMax = b.U16le(10);
    if (xMax < xMin || yMax < yMin) return Completeness::Damaged;
    const uint64_t height = yMax - yMin + 1ull, line = b.U16le(66);
    const uint64_t planes = b.U8(65);
    if (line == 0 || planes == 0 || planes > 4) return Completeness::Damaged;
    const uint64_t wanted = line * planes * height;
    uint64_t at = 128, produced = 0;
    while (produced < wanted) {
        if (!b.Has(at, 1)) return Completeness::Incomplete;
        const uint8_t c = b.U8(at++);
        if ((c & 0xC0) == 0xC0) {
            if (!b.Has(at, 1)) return Completeness::Incomplete;
            ++at;
            produced += c & 0x3F;
        } else {
            ++produced;
        }
    }
    return Completeness::Complete;
}

Completeness DdsComplete(const Bytes& b) {
    if (!b.Has(0, 128)) return Completeness::Incomplete;
    const uint64_t height = b.U32le(12), width = b.U32le(16);
    if (!Side(width) || !Side(height)) return Completeness::Damaged;
    uint64_t bytes = 0;
    if (b.U32le(80) & 0x4) {  // compressed blocks of 4 x 4 pixels
        const uint64_t block = b.Match(84, "DXT1") ? 8 : 16;
        bytes = (width + 3) / 4 * ((height + 3) / 4) * block;
    } else {
        bytes = width * height * ((b.U32le(88) + 7) / 8);
    }
    return Enough(b.Has(128, bytes));
}

Completeness LifComplete(const Bytes& b) {
    if (!b.Has(0, 44)) return Completeness::Incomplete;
    const uint64_t width = b.U32le(16), height = b.U32le(20);
    if (!Side(width) || !Side(height)) return Completeness::Damaged;
    return Enough(b.Has(44, width * height) && b.Has(b.U32le(32), 1024));
}

Completeness CutComplete(const Bytes& b) {
    uint64_t at = 6;
    for (uint32_t row = 0; row < b.U16le(2); ++row) {
        if (!b.Has(at, 2)) return Completeness::Incomplete;
        at += 2 + static_cast<uint64_t>(b.U16le(at));
    }
    return Enough(at <= b.Size());
}

Completeness RawComplete(const Bytes& b) {
    uint64_t bytes = 1;
    for (uint64_t factor : {static_cast<uint64_t>(b.U32le(0)), static_cast<uint64_t>(b.U32le(4)), static_cast<uint64_t>(b.U32le(8)),
                            static_cast<uint64_t>(b.U8(12)), static_cast<uint64_t>(b.U8(13))}) {
        if (bytes > b.Size() / factor) return Completeness::Incomplete;
        bytes *= factor;
    }
    return Enough(b.Has(14, bytes));
}

}  // namespace

PictureFormat IdentifyPicture(std::span<const uint8_t> bytes, std::string_view extension) {
    const Bytes b(bytes);
    if (b.Match(0, "\x89PNG\r\n\x1a\n")) return PictureFormat::Png;
    if (b.Match(0, "\xFF\xD8\xFF")) return PictureFormat::Jpeg;
    if (b.Match(0, "GIF87a") || b.Match(0, "GIF89a")) return PictureFormat::Gif;
    if (b.Match(0, "BM") && b.Has(0, 18)) {
        const uint32_t info = b.U32le(14);
        if (info == 12 || info == 16 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108 || info == 124)
            return PictureFormat::Bmp;
    }
    if (b.Match(0, std::string_view("II*\0", 4)) || b.Match(0, std::string_view("MM\0*", 4)) || b.Match(0, std::string_view("II+\0", 4)) ||
        b.Match(0, std::string_view("MM\0+", 4)))
        return PictureFormat::Tiff;
    if (b.U8(0) == 'P' && b.U8(1) >= '1' && b.U8(1) <= '6' && IsSpace(b.U8(2))) return PictureFormat::Pnm;
    if (b.Has(0, 6) && b.U16le(0) == 0 && (b.U16le(2) == 1 || b.U16le(2) == 2) && b.U16le(4) >= 1) return PictureFormat::Ico;
    if (b.Match(0, "8BPS") && b.U16be(4) == 1) return PictureFormat::Psd;
    if (b.U16be(0) == 0x01DA && b.U8(2) <= 1 && (b.U8(3) == 1 || b.U8(3) == 2)) return PictureFormat::Sgi;
    if (b.Has(0, 4) && b.U32le(0) == 0x3ADE68B1) return PictureFormat::Dcx;
    if (b.U8(0) == 0x0A && b.Has(0, 128)) {
        const uint8_t version = b.U8(1), bits = b.U8(3);
        if ((version == 0 || version == 2 || version == 3 || version == 4 || version == 5) && b.U8(2) == 1 &&
            (bits == 1 || bits == 2 || bits == 4 || bits == 8))
            return PictureFormat::Pcx;
    }
    if (b.Match(0, "DDS ") && b.U32le(4) == 124) return PictureFormat::Dds;
    if (b.Match(0, "Paint Shop Pro Image File\n\x1a")) return PictureFormat::Psp;
    if (b.Match(0, "FORM") && (b.Match(8, "ILBM") || b.Match(8, "PBM "))) return PictureFormat::Ilbm;
    if (b.Match(0, "Willy 7")) return PictureFormat::Lif;
    if (b.Match(0, "IDST") || b.Match(0, "IDPO")) return PictureFormat::Mdl;
    if (b.Has(0, 4) && b.U32be(0) == 0x5380F634) return PictureFormat::Pic;
    if (b.Match(0x800, "PCD_IPI")) return PictureFormat::Pcd;
    if ((extension == ".tga" || extension == ".vda" || extension == ".icb" || extension == ".vst") && PlausibleTga(b)) return PictureFormat::Tga;
    if (extension == ".raw" && PlausibleRaw(b)) return PictureFormat::Raw;
    if (extension == ".wal" && PlausibleWal(b)) return PictureFormat::Wal;
    if (extension == ".cut" && PlausibleCut(b)) return PictureFormat::Cut;
    return PictureFormat::Unknown;
}

Completeness CheckCompleteness(PictureFormat format, std::span<const uint8_t> bytes) {
    const Bytes b(bytes);
    switch (format) {
        case PictureFormat::Unknown: return Completeness::Damaged;
        case PictureFormat::Png: return PngComplete(b);
        case PictureFormat::Jpeg: return JpegComplete(b);
        case PictureFormat::Gif: return GifComplete(b);
        case PictureFormat::Bmp: return BmpComplete(b);
        case PictureFormat::Pnm: return PnmComplete(b);
        case PictureFormat::Ico: return IcoComplete(b);
        case PictureFormat::Tga: return TgaComplete(b);
        case PictureFormat::Psd: return PsdComplete(b);
        case PictureFormat::Sgi: return SgiComplete(b);
        case PictureFormat::Pcx: return PcxComplete(b);
        case PictureFormat::Dds: return DdsComplete(b);
        case PictureFormat::Lif: return LifComplete(b);
        case PictureFormat::Cut: return CutComplete(b);
        case PictureFormat::Raw: return RawComplete(b);
        case PictureFormat::Wal: return Enough(b.Has(b.U32le(40), static_cast<uint64_t>(b.U32le(32)) * b.U32le(36)));
        case PictureFormat::Pcd: return Enough(b.Has(0x30000, 768 * 512 * 3 / 2));
        // TIFF, DCX, PSP, ILBM, MDL and PIC keep their data where tables and chunks say;
        // their decoders check it.
        default: return Completeness::Complete;
    }
}

std::string_view PictureFormatName(PictureFormat format) {
    constexpr std::string_view names[] = {"unknown", "PNG", "JPEG", "GIF", "BMP", "TIFF", "PNM", "ICO", "TGA", "PSD", "SGI",
                                          "PCX", "DCX", "DDS", "PSP", "ILBM", "LIF", "MDL", "PIC", "PCD", "RAW", "WAL", "CUT"};
    return names[static_cast<size_t>(format)];
}

}  // namespace decode

// The composite image of a Photoshop file, which DevIL reads only at 8 bits a channel: bitmap,
// grayscale, indexed, RGB, CMYK, duotone and multichannel images of 1, 8, 16 or 32 bits a
// channel, raw or run-length encoded.
#include "decode/PsdDecoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/PictureProtocol.h"

namespace decode {

using files::MaxPictureSide;

namespace {

enum Mode : uint32_t { Bitmap = 0, Grayscale = 1, Indexed = 2, Rgb = 3, Cmyk = 4, Multichannel = 7, Duotone = 8 };

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    bool Has(uint64_t count) const { return count <= m_bytes.size() - m_at; }
    uint32_t U16() { return Has(2) ? (m_at += 2, static_cast<uint32_t>(m_bytes[m_at - 2]) << 8 | m_bytes[m_at - 1]) : 0; }
    uint32_t U32() { return U16() << 16 | U16(); }
    bool Skip(uint64_t count) {
        if (!Has(count)) return false;
        m_at += count;
        return true;
    }
    const uint8_t* Here() const { return m_bytes.data() + m_at; }
    uint64_t Left() const { return m_bytes.size() - m_at; }

private:
    std::span<const uint8_t> m_bytes;
    uint64_t m_at { 0 };
};

// PackBits: a count n below 128 copies n + 1 bytes, above it repeats the next byte 257 - n
// times, 128 does nothing. False when the row's bytes run out before `out` is full.
bool Unpack(const uint8_t* in, uint64_t size, uint8_t* out, uint64_t wanted) {
    uint64_t at = 0, done = 0;
    while (done < wanted) {
        if (at >= size) return false;
        const uint8_t n = in[at++];
        if (n < 128) {
            const uint64_t count = std::min<uint64_t>(n + 1u, wanted - done);
            if (size - at < count) return false;
            std::memcpy(out + done, in + at, count);
            at += n + 1u;
            done += count;
        } else if (n > 128) {
            if (at >= size) return false;
            const uint64_t count = std::min<uint64_t>(257u - n, wanted - done);
            std::memset(out + done, in[at++], count);
            done += count;
        }
    }
    return true;
}

// One sample of `depth` bits at pixel x of a channel's row, as 0..255.
uint8_t Sample(const uint8_t* row, uint64_t x, uint32_t depth) {
    switch (depth) {
        case 1: return row[x / 8] >> (7 - x % 8) & 1 ? 0 : 255;  // a set bit is black
        case 8: return row[x];
        case 16: return row[2 * x];
        default: {
            uint32_t bits = 0;
            for (int i = 0; i < 4; ++i) bits = bits << 8 | row[4 * x + static_cast<uint64_t>(i)];
            float value = 0;
            std::memcpy(&value, &bits, 4);
            return static_cast<uint8_t>(std::isnan(value) ? 0 : std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
        }
    }
}

}  // namespace

bool DecodePsd(std::span<const uint8_t> bytes, DecodedPicture& picture) {
    Reader in(bytes);
    if (!in.Skip(4) || in.U16() != 1 || !in.Skip(6)) return false;
    const uint32_t channels = in.U16(), height = in.U32(), width = in.U32(), depth = in.U16(), mode = in.U16();
    if (channels < 1 || channels > 56 || width < 1 || height < 1 || width > MaxPictureSide || height > MaxPictureSide) return false;
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32) return false;
    const uint32_t needed = mode == Rgb ? 3 : mode == Cmyk ? 4 : 1;
    if ((mode == Bitmap) != (depth == 1) || (mode == Indexed && depth != 8) || channels < needed) return false;
    if (mode != Bitmap && mode != Grayscale && mode != Indexed && mode != Rgb && mode != Cmyk && mode != Multichannel && mode != Duotone)
        return false;
    // Colour mode data (the palette of an indexed image), image resources, layers and masks.
    const uint32_t paletteSize = in.U32();
    const uint8_t* palette = in.Here();
    if ((mode == Indexed && paletteSize < 768) || !in.Skip(paletteSize)) return false;
    for (int section = 0; section < 2; ++section)
        if (!in.Has(4) || !in.Skip(in.U32())) return false;
    const uint32_t compression = in.U16();
    if (compression > 1) return false;

    // The channels that make the picture, each as rows of samples.
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * depth + 7) / 8;
    std::vector<uint8_t> planes(needed * height * rowBytes);
    const uint8_t* packed = nullptr;
    if (compression == 1) {
        // Byte counts of every row of every channel come first.
        const uint64_t rows = static_cast<uint64_t>(channels) * height;
        if (!in.Has(rows * 2)) return false;
        std::vector<uint32_t> counts(rows);
        for (uint32_t& count : counts) count = in.U16();
        packed = in.Here();
        uint64_t at = 0;
        for (uint64_t row = 0; row < needed * static_cast<uint64_t>(height); ++row) {
            if (in.Left() - at < counts[row] || !Unpack(packed + at, counts[row], &planes[row * rowBytes], rowBytes)) return false;
            at += counts[row];
        }
    } else {
        if (!in.Has(planes.size())) return false;
        std::memcpy(planes.data(), in.Here(), planes.size());
    }

    picture.Width = width;
    picture.Height = height;
    picture.Rgb.resize(static_cast<size_t>(width) * height * 3);
    uint8_t* out = picture.Rgb.data();
    for (uint64_t y = 0; y < height; ++y) {
        const uint8_t* row[4];
        for (uint32_t c = 0; c < needed; ++c) row[c] = &planes[(c * static_cast<uint64_t>(height) + y) * rowBytes];
        for (uint64_t x = 0; x < width; ++x, out += 3) {
            if (mode == Rgb) {
                for (int c = 0; c < 3; ++c) out[c] = Sample(row[c], x, depth);
            } else if (mode == Cmyk) {
                // Stored inverted: 255 is no ink.
                const uint32_t k = Sample(row[3], x, depth);
                for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(Sample(row[c], x, depth) * k / 255);
            } else if (mode == Indexed) {
                const uint8_t index = row[0][x];
                for (int c = 0; c < 3; ++c) out[c] = palette[256 * c + index];
            } else {
                out[0] = out[1] = out[2] = Sample(row[0], x, depth);
            }
        }
    }
    return true;
}

}  // namespace decode

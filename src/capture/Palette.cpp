#include "capture/Palette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace capture {

namespace {

constexpr int Bins = 1 << 15;  // 5 bits of red, green and blue

int BinOf(uint32_t pixel) { return static_cast<int>((pixel >> 9 & 0x7C00) | (pixel >> 6 & 0x03E0) | (pixel >> 3 & 0x001F)); }
int Channel(int bin, int channel) { return bin >> (10 - 5 * channel) & 31; }

struct Bin {
    uint64_t Count { 0 };
    uint64_t Sum[3] { 0, 0, 0 };  // of the 8-bit channels of the pixels in it
};

// A box of the 5-bit colour cube holding the bins [First, Last) of the ordered list.
struct Box {
    size_t First, Last;
    uint64_t Count;
    int Low[3], High[3];
};

void Measure(Box& box, const std::vector<int>& order, const std::vector<Bin>& bins) {
    box.Count = 0;
    for (int c = 0; c < 3; ++c) box.Low[c] = 31, box.High[c] = 0;
    for (size_t i = box.First; i < box.Last; ++i) {
        box.Count += bins[static_cast<size_t>(order[i])].Count;
        for (int c = 0; c < 3; ++c) {
            box.Low[c] = std::min(box.Low[c], Channel(order[i], c));
            box.High[c] = std::max(box.High[c], Channel(order[i], c));
        }
    }
}

// The colours of more than 256: median cut over the occupied bins.
IndexedImage MedianCut(const Image& image) {
    std::vector<Bin> bins(Bins);
    for (uint32_t pixel : image.Pixels) {
        Bin& bin = bins[static_cast<size_t>(BinOf(pixel))];
        ++bin.Count;
        bin.Sum[0] += pixel >> 16 & 0xFF;
        bin.Sum[1] += pixel >> 8 & 0xFF;
        bin.Sum[2] += pixel & 0xFF;
    }
    std::vector<int> order;
    for (int b = 0; b < Bins; ++b)
        if (bins[static_cast<size_t>(b)].Count) order.push_back(b);
    std::vector<Box> boxes {{0, order.size(), 0, {}, {}}};
    Measure(boxes[0], order, bins);
    while (boxes.size() < 256) {
        // Split the box with the widest channel range, weighted by its pixels.
        size_t widest = boxes.size();
        uint64_t widestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const Box& box = boxes[i];
            if (box.Last - box.First < 2) continue;
            const int range = std::max({box.High[0] - box.Low[0], box.High[1] - box.Low[1], box.High[2] - box.Low[2]});
            const uint64_t score = static_cast<uint64_t>(range + 1) * box.Count;
            if (score > widestScore) widestScore = score, widest = i;
        }
        if (widest == boxes.size()) break;
        Box box = boxes[widest];
        int channel = 0;
        for (int c = 1; c < 3; ++c)
            if (box.High[c] - box.Low[c] > box.High[channel] - box.Low[channel]) channel = c;
        std::sort(order.begin() + static_cast<ptrdiff_t>(box.First), order.begin() + static_cast<ptrdiff_t>(box.Last),
                  [&](int a, int b) { return Channel(a, channel) < Channel(b, channel); });
        uint64_t seen = 0;
        size_t split = box.First + 1;
        for (size_t i = box.First; i + 1 < box.Last; ++i) {
            seen += bins[static_cast<size_t>(order[i])].Count;
            split = i + 1;
            if (seen * 2 >= box.Count) break;
        }
        Box low {box.First, split, 0, {}, {}}, high {split, box.Last, 0, {}, {}};
        Measure(low, order, bins);
        Measure(high, order, bins);
        boxes[widest] = low;
        boxes.push_back(high);
    }
    IndexedImage indexed;
    std::vector<uint8_t> binIndex(Bins, 0);
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = box.First; i < box.Last; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += bins[static_cast<size_t>(order[i])].Sum[c];
        const uint64_t count = std::max<uint64_t>(box.Count, 1);
        indexed.Palette.push_back(0xFF000000u | static_cast<uint32_t>(sum[0] / count) << 16 |
                                  static_cast<uint32_t>(sum[1] / count) << 8 | static_cast<uint32_t>(sum[2] / count));
    }
    // Each occupied bin to the nearest palette colour (the middle of the bin measured).
    for (int b : order) {
        const int rgb[3] = {Channel(b, 0) * 8 + 4, Channel(b, 1) * 8 + 4, Channel(b, 2) * 8 + 4};
        int best = 0, bestDistance = 1 << 30;
        for (size_t p = 0; p < indexed.Palette.size(); ++p) {
            int distance = 0;
            for (int c = 0; c < 3; ++c) {
                const int d = rgb[c] - static_cast<int>(indexed.Palette[p] >> (16 - 8 * c) & 0xFF);
                distance += d * d;
            }
            if (distance < bestDistance) bestDistance = distance, best = static_cast<int>(p);
        }
        binIndex[static_cast<size_t>(b)] = static_cast<uint8_t>(best);
    }
    indexed.Indices.reserve(image.Pixels.size());
    for (uint32_t pixel : image.Pixels) indexed.Indices.push_back(binIndex[static_cast<size_t>(BinOf(pixel))]);
    return indexed;
}

}  // namespace

IndexedImage ToIndexed(const Image& image) {
    IndexedImage indexed;
    indexed.Indices.reserve(image.Pixels.size());
    std::unordered_map<uint32_t, uint8_t> known;
    uint32_t last = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (uint32_t pixel : image.Pixels) {
        const uint32_t colour = pixel | 0xFF000000u;
        if (!haveLast || colour != last) {
            auto found = known.find(colour);
            if (found == known.end()) {
                if (known.size() == 256) return MedianCut(image);
                found = known.emplace(colour, static_cast<uint8_t>(known.size())).first;
                indexed.Palette.push_back(colour);
            }
            last = colour, lastIndex = found->second, haveLast = true;
        }
        indexed.Indices.push_back(lastIndex);
    }
    if (indexed.Palette.empty()) indexed.Palette.push_back(0xFF000000u);
    return indexed;
}

}  // namespace capture

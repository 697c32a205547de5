#include "frame/DisplayModeList.h"

#include <algorithm>
#include <cmath>

#include "frame/Framework.h"

namespace frame {

void DisplayModeList::Build() {
    std::vector<DisplayMode> modes;
    BeginModeEnumeration();
    DisplayMode mode;
    while (NextDisplayMode(mode)) modes.push_back(mode);
    Build(std::move(modes));
}

void DisplayModeList::Build(std::vector<DisplayMode> modes) {
    std::erase_if(modes, [](const DisplayMode& m) { return m.ModeWidth < 640 || m.ModeHeight < 480; });
    // Pixel counts in 64 bits: no mode is large enough to wrap around and sort first.
    auto pixels = [](const DisplayMode& m) { return static_cast<uint64_t>(m.ModeWidth) * m.ModeHeight; };
    std::stable_sort(modes.begin(), modes.end(), [&](const DisplayMode& a, const DisplayMode& b) {
        if (pixels(a) != pixels(b)) return pixels(a) < pixels(b);
        return a.RefreshRate < b.RefreshRate;
    });
    m_modes = std::move(modes);
}

std::optional<DisplayMode> DisplayModeList::Choose(float fraction) const {
    if (m_modes.empty()) return std::nullopt;
    float f = std::isnan(fraction) ? 0.0f : std::clamp(fraction, 0.0f, 1.0f);
    auto index = static_cast<size_t>(static_cast<float>(m_modes.size() - 1) * f);
    return m_modes[std::min(index, m_modes.size() - 1)];
}

}  // namespace frame

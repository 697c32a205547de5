#pragma once
// The full-screen modes the application offers (the resolution track bar chooses among them):
// every mode of the adapter of at least 640 x 480, ascending by pixel count and, for equal
// counts, by refresh rate.

#include <optional>
#include <string>
#include <vector>

#include "frame/FrameConfig.h"

namespace frame {

class DisplayModeList {
public:
    // Enumerates the adapter's modes (frame::BeginModeEnumeration, NextDisplayMode) and keeps
    // those the application offers, in order.
    void Build();
    // The same from a given list of modes.
    void Build(std::vector<DisplayMode> modes);

    const std::vector<DisplayMode>& Modes() const { return m_modes; }
    bool Empty() const { return m_modes.empty(); }

    // The mode a track-bar position chooses: index = integer part of (count - 1) * f, with f
    // clamped to [0, 1] (NaN counting as 0); nothing when the list is empty.
    std::optional<DisplayMode> Choose(float fraction) const;

private:
    std::vector<DisplayMode> m_modes;
};

}  // namespace frame

#include <gtest/gtest.h>

#include <limits>

#include "frame/DisplayModeList.h"

namespace frame {
namespace {

using frame::DisplayMode;

DisplayMode Mode(uint32_t width, uint32_t height, uint32_t refresh) { return {width, height, refresh, true}; }

TEST(DisplayModeList, KeepsModesOfAtLeast640By480SortedByPixelsThenRefresh) {
    frame::DisplayModeList list;
    list.Build({Mode(1920, 1080, 60), Mode(640, 480, 75), Mode(320, 240, 60), Mode(1024, 768, 85),
                Mode(1024, 768, 60), Mode(639, 1000, 60), Mode(1000, 479, 60), Mode(640, 480, 60),
                Mode(1280, 720, 60), Mode(1152, 864, 60)});
    EXPECT_EQ(list.Modes(), (std::vector<DisplayMode> {Mode(640, 480, 60), Mode(640, 480, 75), Mode(1024, 768, 60),
                                                       Mode(1024, 768, 85), Mode(1280, 720, 60), Mode(1152, 864, 60),
                                                       Mode(1920, 1080, 60)}));
    list.Build({Mode(320, 200, 70)});
    EXPECT_FALSE(list.Choose(0.5f).has_value()) << "an empty list chooses nothing";
}

TEST(DisplayModeList, ATrackBarPositionChoosesByTruncatedIndex) {
    frame::DisplayModeList list;
    list.Build({Mode(640, 480, 60), Mode(800, 600, 60), Mode(1024, 768, 60), Mode(1280, 1024, 60)});
    const float nan = std::numeric_limits<float>::quiet_NaN(), infinity = std::numeric_limits<float>::infinity();
    const std::pair<float, uint32_t> cases[] = {{0.0f, 640},  {0.33f, 640}, {0.34f, 800}, {0.99f, 1024}, {1.0f, 1280},
                                                {-5.0f, 640}, {7.0f, 1280}, {nan, 640},    {infinity, 1280}};
    for (auto [fraction, width] : cases) EXPECT_EQ(list.Choose(fraction).value().ModeWidth, width) << fraction;
}

}  // namespace
}  // namespace frame

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/DisplayModeList.h"

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
}

TEST(DisplayModeList, ATrackBarPositionChoosesByTruncatedIndex) {
    frame::DisplayModeList list;
    list.Build({Mode(640, 480, 60), Mode(800, 600, 60), Mode(1024, 768, 60), Mode(1280, 1024, 60)});
    struct Case {
        float Fraction;
        uint32_t Width;
    };
    for (Case c : {Case {0.0f, 640}, Case {0.33f, 640}, Case {0.34f, 800}, Case {0.99f, 1024}, Case {1.0f, 1280},
                   Case {-5.0f, 640}, Case {7.0f, 1280}, Case {std::numeric_limits<float>::quiet_NaN(), 640},
                   Case {std::numeric_limits<float>::infinity(), 1280}}) {
        std::optional<DisplayMode> chosen = list.Choose(c.Fraction);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(chosen->ModeWidth, c.Width) << c.Fraction;
    }
}

TEST(DisplayModeList, AnEmptyListChoosesNothing) {
    frame::DisplayModeList list;
    list.Build({Mode(320, 200, 70)});
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(list.Choose(0.5f).has_value());
}

}  // namespace

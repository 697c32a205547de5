#include <gtest/gtest.h>

#include "platform/gtk/DesktopFileChooser.h"

namespace {

TEST(FilterPatterns, MatchLikeTheDialogsDo) {
    struct Case {
        const char *Name, *Pattern;
        bool Matches;
    };
    for (Case c : {Case {"life.vl", "*.vl", true}, Case {"LIFE.VL", "*.vl", true}, Case {"life.vls", "*.vl", false},
                   Case {"README", "*.*", true}, Case {"a.png", "*.bmp;*.png", true}, Case {"a.jpg", "*.bmp;*.png", false},
                   Case {"a.bmp", ";*.bmp", true}, Case {"a.bmp", "", false}})
        EXPECT_EQ(platform::MatchesFilterPattern(c.Name, c.Pattern), c.Matches) << c.Name << " ~ " << c.Pattern;
}

}  // namespace

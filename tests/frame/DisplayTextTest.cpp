#include <gtest/gtest.h>

#include <string>

#include "frame/DisplayText.h"

namespace {

using namespace std::string_literals;

TEST(DisplayText, Utf8StaysAndOtherBytesReadAsWindows1250) {
    struct Case {
        std::string Bytes;
        std::string Shown;
    };
    for (const Case& c : {
             Case {"Life", "Life"},
             Case {"Gra w życie", "Gra w życie"},                            // valid UTF-8
             Case {"Gra w \xBF" "ycie", "Gra w życie"},                      // Windows-1250 ż
             Case {"\xA3\xF3\x64\x9F", "Łódź"},
             Case {"\xBC", "Ľ"},
             Case {"za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1", "zażółć gęślą jaźń"},
             Case {"\xC0\xAF", "ŔŻ"},                                       // overlong '/' is no UTF-8
             Case {"\xED\xA0\x80", "í\u00A0€"},                             // a surrogate is no UTF-8
             Case {"\xF4\x90\x80\x80", "ô\uFFFD€€"},                        // above U+10FFFF
             Case {"ab\xC5", "abĹ"},                                        // sequence cut off at the end
             Case {"\xC5\x82\xC5", "łĹ"},                                   // valid, then cut off
             Case {"\x81\x98", "\uFFFD\uFFFD"},                             // unassigned in Windows-1250
             Case {"a\0b"s, "ab"},                                          // a title carries no NUL
         }) {
        EXPECT_EQ(frame::DisplayText(c.Bytes), c.Shown) << c.Bytes;
    }
}

}  // namespace

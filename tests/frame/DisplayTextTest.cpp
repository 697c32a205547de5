#include <gtest/gtest.h>

#include <string>

#include "frame/DisplayText.h"

namespace frame {
namespace {

using namespace std::string_literals;

TEST(DisplayText, Utf8StaysAndOtherBytesReadAsWindows1250) {
    const std::pair<std::string, std::string> cases[] = {
        {"Gra w życie", "Gra w życie"},                                  // valid UTF-8
        {"za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 \x9F", "zażółć gęślą ź"},  // Windows-1250
        {"\xC0\xAF", "ŔŻ"},                                              // an overlong '/' is no UTF-8
        {"\xED\xA0\x80", "í\u00A0€"},                                     // nor is a surrogate
        {"\xF4\x90\x80\x80", "ô\uFFFD€€"},                                // nor anything above U+10FFFF
        {"\xC5\x82\xC5", "łĹ"},                                          // valid, then cut off at the end
        {"\x81\x98", "\uFFFD\uFFFD"},                                    // unassigned in Windows-1250
        {"a\0b"s, "ab"},                                                 // a title carries no NUL
    };
    for (const auto& [bytes, shown] : cases) EXPECT_EQ(frame::DisplayText(bytes), shown) << bytes;
}

}  // namespace
}  // namespace frame

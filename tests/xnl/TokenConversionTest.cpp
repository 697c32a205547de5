#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "xnl/TokenConversion.h"

namespace {

TEST(TokenConversion, IntegersFloatsAndBooleans) {
    const struct {
        const char* text;
        int radix, status;
        int32_t value;  // when the status is 0
    } ints[] = {
        {"0", 10, 0, 0}, {"+", 10, 0, 0}, {"-", 10, 0, 0}, {"", 10, -1, 0}, {"12a", 10, -1, 0},
        {"12a", 16, 0, 0x12a}, {"fF", 16, 0, 255}, {"zZ", 36, 0, 1295}, {"2", 2, -1, 0}, {"-101", 2, 0, -5},
        {" 1", 10, -1, 0}, {"1 ", 10, -1, 0}, {"+-1", 10, -1, 0}, {"2147483647", 10, 0, INT32_MAX},
        {"2147483648", 10, -2, 0}, {"-2147483648", 10, 0, INT32_MIN}, {"-2147483649", 10, -2, 0},
        {"-80000000", 16, 0, INT32_MIN}, {"80000000", 16, -2, 0},
        {"99999999999999999999999999999999", 10, -2, 0},  // must not overflow on the way
        {"99999999999999999999a", 10, -1, 0},              // a bad digit wins over the overflow
    };
    for (const auto& c : ints) {
        SCOPED_TRACE(std::string(c.text) + " radix " + std::to_string(c.radix));
        int32_t value = 12345;
        EXPECT_EQ(StrToInt(c.text, value, c.radix), c.status);
        EXPECT_EQ(value, c.status == 0 ? c.value : 12345);  // untouched on failure
    }
    EXPECT_EQ(ToInt("-17", 3) + ToInt("0x10", 3), -14);
    EXPECT_EQ(ToHexInt("5D", 3) + ToHexInt("5G", 3), 96);

    const struct {
        const char* text;
        double value;
    } floats[] = {
        {"1.5", 1.5}, {" \t\n\v\f\r-2.5e2xyz", -250.0}, {"+.5", 0.5}, {"5.", 5.0}, {"1E-2", 0.01},
        {"12,5", 12.0}, {"1.2.3", 1.2}, {"1e", 1.0}, {"1e+", 1.0}, {"2e-x", 2.0}, {".", 0.0}, {"", 0.0},
        {"--1", 0.0}, {"0x10", 0.0}, {"inf", 0.0}, {"-infinity", 0.0}, {"nan", 0.0}, {"1e999", HUGE_VAL},
        {"-1e999", -HUGE_VAL}, {"1e-999", 0.0}, {"0.00000000001e320", HUGE_VAL}, {"100000e-330", 0.0},
        {"1e99999999999999999999", HUGE_VAL},
    };
    for (const auto& c : floats) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(ToFloat(c.text), c.value);
    }
    EXPECT_TRUE(std::signbit(ToFloat("-0")));

    for (const char* text : {"", "0", "f", "F", "false", "FALSE", "fAlSe"}) EXPECT_FALSE(ToBool(text)) << text;
    for (const char* text : {"1", "yes", "no", "off", "00", " false", "falsey"}) EXPECT_TRUE(ToBool(text)) << text;
}

}  // namespace

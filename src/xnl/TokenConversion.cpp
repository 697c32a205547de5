#include "xnl/TokenConversion.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <system_error>

#include "base/Utilities.h"

namespace px {

namespace {

// The value of a digit character in radix 36, or -1 when it is none.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return -1;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits from `at`; the value saturates instead of overflowing.
int64_t ReadSaturatedExponent(std::string_view text, size_t& at) {
    constexpr int64_t ceiling = int64_t { 1 } << 40;
    int64_t value = 0;
    while (at < text.size() && IsDecimalDigit(text[at])) {
        if (value < ceiling) value = value * 10 + (text[at] - '0');
        ++at;
    }
    return value;
}

}  // namespace

int StrToInt(std::string_view text, int32_t& out, int radix) {
    assert(radix >= 2 && radix <= 36 && "StrToInt: radix out of range");
    if (text.empty() || radix < 2 || radix > 36) return StrToIntBadDigit;
    size_t at = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        at = 1;
    }
    // The magnitude may reach 2^31 for a negative value; beyond the limit it stops growing, so
    // nothing can overflow however many digits follow.
    const uint64_t limit = negative ? uint64_t { 2147483648u } : uint64_t { 2147483647u };
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; at < text.size(); ++at) {
        int digit = DigitValue(text[at]);
        if (digit < 0 || digit >= radix) return StrToIntBadDigit;
        if (!overflow) {
            magnitude = magnitude * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
            overflow = magnitude > limit;
        }
    }
    if (overflow) return StrToIntOverflow;
    out = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return StrToIntOk;
}

int32_t ToInt(std::string_view text, int32_t fallback) {
    int32_t value = 0;
    return StrToInt(text, value, 10) == StrToIntOk ? value : fallback;
}

int32_t ToHexInt(std::string_view text, int32_t fallback) {
    int32_t value = 0;
    return StrToInt(text, value, 16) == StrToIntOk ? value : fallback;
}

double ToFloat(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    const size_t mantissa = at;
    while (at < text.size() && IsDecimalDigit(text[at])) ++at;
    const size_t integerDigits = at - mantissa;
    size_t fractionStart = at;
    if (at < text.size() && text[at] == '.') {
        fractionStart = ++at;
        while (at < text.size() && IsDecimalDigit(text[at])) ++at;
    }
    const size_t fractionDigits = at - fractionStart;
    if (integerDigits + fractionDigits == 0) return 0.0;

    size_t end = at;
    int64_t exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t digits = at + 1;
        bool negativeExponent = false;
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) {
            negativeExponent = text[digits] == '-';
            ++digits;
        }
        if (digits < text.size() && IsDecimalDigit(text[digits])) {
            exponent = ReadSaturatedExponent(text, digits);
            if (negativeExponent) exponent = -exponent;
            end = digits;
        }
    }

    // std::from_chars takes no '+', hence the sign is handled here.
    double value = 0.0;
    auto result = std::from_chars(text.data() + mantissa, text.data() + end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the decimal order of the first
        // significant digit.
        int64_t order = 0;
        size_t first = mantissa;
        while (first < mantissa + integerDigits && text[first] == '0') ++first;
        if (first < mantissa + integerDigits) {
            order = static_cast<int64_t>(mantissa + integerDigits - first);
        } else {
            first = fractionStart;
            while (first < fractionStart + fractionDigits && text[first] == '0') ++first;
            order = -static_cast<int64_t>(first - fractionStart);
        }
        value = order + exponent > 0 ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

bool ToBool(std::string_view text) {
    if (text.empty() || text == "0") return false;
    std::string lower = base::ToLower(text);
    return lower != "f" && lower != "false";
}

}  // namespace px

#pragma once
// Conversions of XNL tokens to numbers and booleans. None of them throws, and none depends on
// the process's C locale.

#include <cstdint>
#include <string_view>

namespace px {

// Status of StrToInt.
constexpr int StrToIntOk = 0;
constexpr int StrToIntBadDigit = -1;  // empty text, or a character that is not a digit of the radix
constexpr int StrToIntOverflow = -2;  // the value does not fit in a signed 32-bit integer

// Converts an optional '+' or '-' followed by digits of `radix` (2..36; 0-9, then A-Z or a-z
// worth 10..35) with no spaces anywhere. A lone sign converts to 0. `out` is written only when
// the status is StrToIntOk. A bad digit anywhere wins over an overflow.
int StrToInt(std::string_view text, int32_t& out, int radix);

// StrToInt in radix 10 (ToInt) or 16 (ToHexInt); `fallback` when the status is not StrToIntOk.
int32_t ToInt(std::string_view text, int32_t fallback);
int32_t ToHexInt(std::string_view text, int32_t fallback);

// Skips leading blanks, tabs, line feeds, vertical tabs, form feeds and carriage returns, then
// converts the longest prefix of the form [+-] digits [. digits] [(e|E) [+-] digits] (at least
// one mantissa digit; an exponent marker without digits is not part of it). 0.0 when there is
// no such prefix; the rest of the text is ignored. Hexadecimal, infinity and NaN forms are not
// numbers here. A value beyond the double range gives +-HUGE_VAL, one below it +-0.0.
double ToFloat(std::string_view text);

// False for the empty text, "0", and any text whose lower-case form is "f" or "false"; true
// for every other text.
bool ToBool(std::string_view text);

}  // namespace px

#pragma once
// The Windows-1250 code page, in which definition files written on the original platform
// carry their Polish texts, and the reading of shown texts: UTF-8 where it is valid, every
// other byte its Windows-1250 character.

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// The Unicode character of a Windows-1250 code; U+FFFD for the five codes the page leaves
// unassigned (0x81, 0x83, 0x88, 0x90, 0x98).
uint32_t Windows1250ToUnicode(uint8_t code);
// The Windows-1250 code of a Unicode character; -1 when the page has none.
int UnicodeToWindows1250(uint32_t character);

// The character that starts at `at` in a shown text, and `at` moved past it: a valid UTF-8
// sequence is its code point, any other byte its Windows-1250 character (overlong forms,
// surrogates and code points above U+10FFFF are not valid UTF-8). `at` must lie inside.
uint32_t NextShownCharacter(std::string_view text, size_t& at);

// Appends the UTF-8 form of a code point below U+110000.
void AppendUtf8(std::string& out, uint32_t character);

}  // namespace base

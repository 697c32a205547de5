#pragma once
// Texts as they are shown (window title): valid UTF-8 stays as it is, and every byte that is
// not part of a valid UTF-8 sequence is taken as a Windows-1250 character, so titles written
// by older tools in that code page still read correctly.

#include <string>
#include <string_view>

namespace frame {

// The text as valid UTF-8. NUL bytes, which a window title cannot carry, are dropped.
std::string DisplayText(std::string_view bytes);

}  // namespace frame

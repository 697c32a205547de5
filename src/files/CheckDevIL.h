#pragma once
// The image library's error check, beside the picture code so that the error trail itself
// does not depend on the image library.

#include <source_location>
#include <string_view>

namespace files {

// Takes every pending image-library error. When there is any: a new chain with one entry
// "(DevIL," + code + ") " + its text per code (without a position), then the caller's
// message when it is not empty. Returns whether there was any.
bool CheckDevIL(std::string_view message, std::source_location where = std::source_location::current());

// Drops pending image-library errors that earlier users left, so that a check reports only
// the calls made after it.
void DiscardDevILErrors();

}  // namespace files

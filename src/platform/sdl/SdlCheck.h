#pragma once
// The check for failed SDL calls: enters "(SDL) " + SDL's error text as a new chain, then the
// caller's message when it is not empty, both with the caller's position.

#include <source_location>
#include <string_view>

namespace platform {

void CheckSdl(std::string_view message, std::source_location where = std::source_location::current());

}  // namespace platform

#pragma once
// Library checks: turn a failed library or system call into trail entries.

#include <source_location>
#include <string_view>

namespace errors {

// The caller has just seen a system call fail: enters "(System," + errno + ") " + its text
// as a new chain, then the caller's message when it is not empty.
void CheckSystem(std::string_view message, std::source_location where = std::source_location::current());
// The same for a known error number.
void CheckSystemCode(int code, std::string_view message,
                     std::source_location where = std::source_location::current());

// Returns the zlib code unchanged; a negative one enters "(Zlib," + code + ") " + zError text
// (without a position) as a new chain, then the caller's message when it is not empty.
int CheckZlib(int code, std::string_view message, std::source_location where = std::source_location::current());

}  // namespace errors

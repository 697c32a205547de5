#pragma once
// The library check of device results.

#include <source_location>
#include <string_view>

#include "platform/DeviceTypes.h"

namespace platform {

// Returns the result unchanged. A result of 0 or more touches nothing; a negative one enters
// "(Device," + the result as unsigned decimal + ") " + its name + " (" + its description + ")"
// as a new chain, then the caller's message when it is not empty, both at the caller's
// position. Callers test the returned value for less than zero.
Result CheckDevice(Result result, std::string_view message,
                             std::source_location where = std::source_location::current());

}  // namespace platform

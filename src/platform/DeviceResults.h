#pragma once
// Names and descriptions of device results, as error reports show them.

#include <string_view>

#include "platform/DeviceTypes.h"

namespace platform {

// The symbolic name ("D3DERR_INVALIDCALL"); "Unknown" for a code the device layer never uses.
std::string_view ResultName(Result result);
// The description ("Invalid call"); "n/a" for an unknown code.
std::string_view ResultDescription(Result result);

}  // namespace platform

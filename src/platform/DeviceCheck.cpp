#include "platform/DeviceCheck.h"

#include <string>

#include "base/Utilities.h"
#include "errors/ErrorTrail.h"
#include "platform/DeviceResults.h"

namespace platform {

Result CheckDevice(Result result, std::string_view message, std::source_location where) {
    if (result >= 0) return result;
    std::string entry = "(Device," + base::UIntToStr(static_cast<uint32_t>(result)) + ") ";
    entry += ResultName(result);
    entry += " (";
    entry += ResultDescription(result);
    entry += ")";
    errors::ClearErrors();
    errors::AddError(entry, where);
    if (!message.empty()) errors::AddError(message, where);
    return result;
}

}  // namespace platform

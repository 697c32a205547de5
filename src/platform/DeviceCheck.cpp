#include "platform/DeviceCheck.h"

#include <string>

#include "errors/ErrorTrail.h"
#include "platform/DeviceResults.h"
#include "base/Utilities.h"

platform::Result CheckDevice(platform::Result result, std::string_view message, std::source_location where) {
    if (result >= 0) return result;
    std::string entry = "(Device," + UIntToStr(static_cast<uint32_t>(result)) + ") ";
    entry += platform::ResultName(result);
    entry += " (";
    entry += platform::ResultDescription(result);
    entry += ")";
    ClearErrors();
    AddError(entry, where);
    if (!message.empty()) AddError(message, where);
    return result;
}

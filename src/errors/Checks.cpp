#include "errors/Checks.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <zlib.h>

#include "base/Utilities.h"
#include "errors/ErrorTrail.h"

namespace errors {

void CheckSystemCode(int code, std::string_view message, std::source_location where) {
    char buffer[256];
    // The GNU strerror_r returns the text it chose, which may not be the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    std::string entry = "(System," + base::UIntToStr(static_cast<unsigned>(code)) + ") " + (text ? text : "");
    ClearErrors();
    AddError(entry, where);
    if (!message.empty()) AddError(message, where);
}

void CheckSystem(std::string_view message, std::source_location where) {
    CheckSystemCode(errno, message, where);
}

int CheckZlib(int code, std::string_view message, std::source_location where) {
    if (code >= 0) return code;
    const char* text = zError(code);
    ClearErrors();
    AddErrorAt("(Zlib," + base::IntToStr(code) + ") " + (text ? text : ""), ErrorPosition::None());
    if (!message.empty()) AddError(message, where);
    return code;
}

}  // namespace errors

#include "files/CheckDevIL.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <string>

#include "base/Utilities.h"
#include "errors/ErrorTrail.h"

namespace files {

using errors::AddError;
using errors::AddErrorAt;
using errors::ClearErrors;
using errors::ErrorPosition;

bool CheckDevIL(std::string_view message, std::source_location where) {
    bool any = false;
    // The library's queue holds a bounded number of codes; the loop ends when it is empty.
    for (ILenum code = ilGetError(); code != IL_NO_ERROR; code = ilGetError()) {
        if (!any) ClearErrors();
        any = true;
        const char* text = iluErrorString(code);
        AddErrorAt("(DevIL," + base::IntToStr(static_cast<int32_t>(code)) + ") " + (text ? text : ""), ErrorPosition::None());
    }
    if (any && !message.empty()) AddError(message, where);
    return any;
}

void DiscardDevILErrors() {
    while (ilGetError() != IL_NO_ERROR) {
    }
}

}  // namespace files

#include "platform/sdl/SdlCheck.h"

#include <SDL_error.h>
#include <string>

#include "errors/ErrorTrail.h"

namespace platform {

void CheckSdl(std::string_view message, std::source_location where) {
    const char* text = SDL_GetError();
    errors::ClearErrors();
    errors::AddError(std::string("(SDL) ") + (text ? text : ""), where);
    if (!message.empty()) errors::AddError(message, where);
}

}  // namespace platform

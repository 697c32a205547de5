#include "frame/DisplayText.h"

#include "base/Windows1250.h"

namespace frame {

std::string DisplayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const uint32_t character = base::NextShownCharacter(bytes, at);
        if (character != 0) base::AppendUtf8(out, character);
    }
    return out;
}

}  // namespace frame

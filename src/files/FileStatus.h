#pragma once
// The outcome of a table or picture command, as the status line shows it.

#include <cstdint>
#include <string>

#include "core/StatusColors.h"

namespace files {

struct FileStatus {
    std::string Text;
    uint32_t Color { core::StatusInfoColor };  // 0xAARRGGBB

    // The success status is the white one.
    bool Succeeded() const { return Color == core::StatusInfoColor; }
};

}  // namespace files

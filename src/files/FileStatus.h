#pragma once
// The outcome of a table or picture command, as the status line shows it.

#include <cstdint>
#include <string>

#include "core/StatusColors.h"

namespace files {

struct FileStatus {
    std::string Text;
    uint32_t Color { core::StatusInfoColor };  // 0xAARRGGBB
};

}  // namespace files

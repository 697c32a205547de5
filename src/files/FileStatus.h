#pragma once
// The outcome of a table or picture command, as the status line shows it.

#include <cstdint>
#include <string>

struct FileStatus {
    std::string Text;
    uint32_t Color { 0xFFFFFFFF };  // 0xAARRGGBB
};

inline constexpr uint32_t StatusColorSuccess = 0xFFFFFFFF;
inline constexpr uint32_t StatusColorFailure = 0xFFFF7F7F;

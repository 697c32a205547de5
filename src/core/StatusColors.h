#pragma once
// Colours of the status line: white for information, light red for warnings and failures.

#include <cstdint>

namespace core {

inline constexpr uint32_t StatusInfoColor = 0xFFFFFFFF;
inline constexpr uint32_t StatusWarningColor = 0xFFFF7F7F;

}  // namespace core

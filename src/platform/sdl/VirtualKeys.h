#pragma once
// The virtual-key codes the application understands, and their SDL counterparts.

#include <SDL_keycode.h>
#include <cstdint>

namespace platform {

namespace vk {
inline constexpr uint32_t Back = 8;
inline constexpr uint32_t Tab = 9;
inline constexpr uint32_t Return = 13;
inline constexpr uint32_t Shift = 16;
inline constexpr uint32_t Control = 17;
inline constexpr uint32_t Menu = 18;  // Alt
inline constexpr uint32_t Escape = 27;
inline constexpr uint32_t Space = 32;
inline constexpr uint32_t Left = 37;
inline constexpr uint32_t Up = 38;
inline constexpr uint32_t Right = 39;
inline constexpr uint32_t Down = 40;
inline constexpr uint32_t Multiply = 106;  // numeric keypad *
inline constexpr uint32_t Add = 107;       // numeric keypad +
inline constexpr uint32_t Subtract = 109;  // numeric keypad -
inline constexpr uint32_t LShift = 160;
inline constexpr uint32_t RShift = 161;
inline constexpr uint32_t LControl = 162;
inline constexpr uint32_t RControl = 163;
}  // namespace vk

// The virtual-key code of an SDL key, or 0 for a key without one. Left and right Shift and
// Ctrl both give the generic code (16, 17), as the key messages carry it.
uint32_t VirtualKeyOf(SDL_Keycode key);

// The character a key produces by itself, for the keys that type no text through SDL's text
// input: Backspace 8, Tab 9, Enter 13, Escape 27; otherwise 0.
uint32_t ControlCharacterOf(SDL_Keycode key);

}  // namespace platform

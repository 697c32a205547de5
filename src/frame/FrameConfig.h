#pragma once
// What frame::Run is given: the configuration of the window and the loop, and the display mode.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Device.h"
#include "platform/DeviceTypes.h"
#include "platform/sdl/WindowMessage.h"

namespace frame {

struct DisplayMode {
    uint32_t ModeWidth { 800 };   // pixels
    uint32_t ModeHeight { 600 };  // pixels
    uint32_t RefreshRate { 0 };   // Hz; used in full screen only
    bool FullScreen { false };

    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// What the loop does while it is suspended (the window minimised or the device lost).
enum class SuspendKind : uint32_t {
    Wait = 0,            // wait for messages; no time steps, no frames
    StepPerMessage = 1,  // one time step before each message
    StepWhenIdle = 2,    // time steps whenever no message waits
};

// The framework clock's values at a time step, as the update callback receives them.
struct TimeStep {
    float Time { 0 };       // seconds since the first time step
    float FrameTime { 0 };  // seconds between this time step and the one before
    float FPS { 0 };        // time steps per second over the last measurement
};

// Receives every message the framework's window procedure passes on.
using MessageHandler = std::function<void(const platform::WindowMessage&)>;

struct FrameConfig {
    std::string Title;  // initial caption (UTF-8)
    // A key-down of Escape asks the window to close.
    bool EscapeCloses { false };
    SuspendKind SuspendMode { SuspendKind::Wait };
    // While suspended, timer 1 with this period drives time steps; 0 or less means no timer.
    float SuspendTimerPeriod { 0 };  // seconds
    // Depth-stencil buffer format; D3DFMT_UNKNOWN means none.
    platform::D3DFORMAT DepthFormat { platform::D3DFMT_UNKNOWN };
    // Keep depth-stencil contents across presents.
    bool KeepDepth { false };
    // The window has a sizing frame.
    bool Resizable { true };
    // Client-area limits of a resizable window in pixels; 0 or less means no limit.
    int32_t MinWidth { 0 }, MinHeight { 0 }, MaxWidth { 0 }, MaxHeight { 0 };
    bool CursorWindowed { true };
    bool CursorFullScreen { true };
    // The user may close the window (close box, window manager); false leaves only RequestClose.
    bool CloseBox { true };
    MessageHandler MessageHook;
    // Called at every time step.
    std::function<void(const TimeStep&)> UpdateCallback;
    // Called at every frame before presentation, with the device to draw on; it clears,
    // begins and ends the scene itself.
    std::function<void(platform::Device&)> DrawCallback;
};

}  // namespace frame

#pragma once
// The framework: one window, one graphics device, the registry of frame objects, the clock and
// the main loop that alternates one time step with one drawn frame. Everything runs on the
// thread that calls Run.
//
// Run builds the framework for the length of the run (window, device, clock, message queue,
// SDL's video subsystem) and takes it all down before it returns. The functions below reach
// the running framework; between runs there is none, and they change nothing and answer with
// empty values (no device, time 0, no window). Only the registry of frame objects outlives a
// run: objects are registered before it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "cells/VirtualSpace.h"
#include "frame/Clock.h"
#include "frame/FrameConfig.h"
#include "frame/FrameObject.h"
#include "platform/Device.h"

namespace frame {

// --- Registry and run ---

// Appends an object with every flag cleared. Objects are registered before Run.
void Register(FrameObject* object);
// Forgets every registered object, for a process that runs the framework more than once.
void ClearRegistry();

// What a run is built on. The defaults are the OpenGL device and the utilities' clock; tests
// give a recording device and a clock of their own.
struct DeviceBackend {
    // Makes the adapter object ("Direct3D") of the device layer, at the start of the run; a
    // factory that yields nothing fails Run with -1. Empty: the OpenGL device.
    std::function<std::unique_ptr<platform::Direct3D>()> CreateDirect3D;
    // The window is made to carry an OpenGL context.
    bool OpenGLWindow { true };
};
struct RunSeams {
    DeviceBackend Device;
    // The clock's source of seconds; empty: the utilities' GetTime.
    Clock::TimeSource Time;
};

// Creates the window and the device, brings every frame object up, runs the message loop and
// tears everything down again. Returns the loop's quit code (0), or a failed start-up step:
// -1 no device factory object, -2 the windowing system did not start, -3 no window,
// -4 to -7 a failed stage 1 / device / stage 2 / stage 3, -11 an exception escaped.
int Run(const FrameConfig& config, const DisplayMode& mode, const RunSeams& seams = {});

// Pause adds one to the pause counter; while it is above 0 neither time steps nor frames
// happen. Resume subtracts one and, when the counter falls below 1, resynchronises the clock.
void Pause();
void Resume();
// Asks the window to close; the close sequence runs when the loop takes the request.
void RequestClose();

// Seconds since the first time step; seconds between the last two; time steps per second.
float GetTime();
float GetFrameTime();
float GetFPS();

// Sets the window's caption; bytes that are not UTF-8 show as Windows-1250 characters.
void SetWindowTitle(std::string_view text);
// Whether the key (virtual-key code) was down when the message being handled was made.
bool IsKeyDown(uint32_t virtualKey);

// --- Waiting for a call that runs on another thread ---

// What asked a call the window waits for to stop.
enum class StopCause {
    Escape,      // the Escape key
    MousePress,  // a mouse press the caller accepted (its Stop button)
    Close,       // the close request: the close box, a termination signal, RequestClose
};

// What the window does while it waits for a call.
struct CallWait {
    // Waits at most `seconds` for the call to end; true once it has. Required.
    std::function<bool(double seconds)> WaitForEnd;
    // Asks the call to end soon; asked again at each Escape, accepted press or close request.
    std::function<void(StopCause cause)> Stop;
    // A mouse button (0 left, 1 middle, 2 right) pressed at a point in virtual units: true when
    // the press stops the call. Empty: no press does.
    std::function<bool(cells::VirtualPoint point, int button)> MousePress;
    // Draws a frame as the draw callback does (it clears, begins and ends the scene itself);
    // `seconds` is how long the call has run. Empty: nothing is drawn during the wait.
    std::function<void(platform::Device& device, double seconds)> Draw;
};

struct CallWaitResult {
    bool Long { false };            // the call outlasted QuickCallWait
    bool Stopped { false };         // the call was asked to stop
    bool CloseRequested { false };  // the window closes now that the call has ended
    bool DrawFailed { false };      // a frame failed: its entries follow the call's in the trail
    double Seconds { 0 };           // how long the wait took
};

// A call that ends within this many seconds costs the waiting thread nothing but the wait.
inline constexpr double QuickCallWait = 0.02;
// Once a call has run this long, the window is drawn every frame until it ends.
inline constexpr double BusyDrawDelay = 1.0;
// Frames per second drawn during a long call.
inline constexpr double BusyFrameRate = 60.0;

// Waits on the window's thread for a call that runs on another thread (and may record into the
// error trail meanwhile). Within QuickCallWait nothing else happens. Beyond it the window
// keeps answering: its messages are taken and
//   - Escape, a press that MousePress accepts and the close request ask the call to stop; a
//     close request closes the window after the call has ended (it is posted again);
//   - minimising, restoring, resizing and a lost device are handled as the loop handles them
//     (a device reset runs the frame objects' invalidate and restore passes, which must not
//     touch what the call uses);
//   - releases of keys and mouse buttons, and the loss of focus, reach the message hook after
//     the call, so that nothing stays held; any other input is dropped;
// from BusyDrawDelay on (at once when the window was exposed) Draw is called BusyFrameRate
// times a second and the frame presented. No time step, update or draw callback runs. What the
// window's thread records meanwhile is added to the trail after the call's entries; a failed
// frame stops the drawing and, after the call, closes the window as a failed frame does in the
// loop. Without a running framework this only waits.
CallWaitResult WaitForCall(const CallWait& wait);

// --- Graphics device ---

// The device, or null while none exists.
platform::Device* GetDevice();
bool CreateDevice();
void ReleaseDevice();
void RecordDefaultState();
void ResetDevice();
// Makes the back buffer match the window's client area (resetting the device) when it differs.
void CheckClientSize();
void ChangeDisplayMode(const DisplayMode& mode);
// The current display mode (its size is the back buffer's); 800 x 600 windowed between runs.
DisplayMode GetDisplayMode();

void BeginModeEnumeration();
// The next full-screen mode of the adapter; false after the last one.
bool NextDisplayMode(DisplayMode& mode);

// Sets the viewport to the rectangle (virtual units), cut at the screen's left and top edges,
// and the projection so that virtual coordinates keep their meaning inside it; returns the
// result of setting the projection.
platform::Result SetViewportRect(const cells::VirtualRect& rect);
void SetDefaultViewport();
// The clip-rectangle stack: pushing intersects with the top (disjoint rectangles give the
// all-zero rectangle) and applies the result; popping applies the one below, or the default.
void PushClipRect(const cells::VirtualRect& rect);
void PopClipRect();

// Conversions between virtual units and back-buffer pixels of the current mode.
cells::VirtualPoint ToPixels(cells::VirtualPoint point);
cells::VirtualRect RectToPixels(cells::VirtualRect rect);
cells::VirtualPoint ToVirtual(cells::VirtualPoint pixels);
float ToVirtualX(float x);

// --- Loop state, for the code that shows or tests it ---

bool IsSuspended();
bool IsDeviceLost();
int32_t GetPauseCounter();
bool IsMouseCaptured();
// The SDL id of the window, which tells its events apart; 0 without a window.
uint32_t GetWindowId();

// The framework's window procedure: handles the lifecycle messages and passes the rest on to
// the configured MessageHook.
void WindowProc(const platform::WindowMessage& message);

}  // namespace frame

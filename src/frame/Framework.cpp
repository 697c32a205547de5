#include "frame/Framework.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <vector>

#include "base/Utilities.h"
#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "frame/DisplayText.h"
#include "frame/Registry.h"
#include "platform/DeviceCheck.h"
#include "platform/gl/GlDevice.h"
#include "platform/sdl/MessageQueue.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sdl/VirtualKeys.h"

namespace frame {

using errors::AddError;
using errors::ErrorRaised;
using errors::GuardedRun;
using errors::RaiseError;

namespace {

using platform::MessageKind;
using platform::Result;
using platform::WindowMessage;

constexpr int SuspendTimerId = 1;
// Depth range of every viewport and projection the framework sets.
constexpr float NearZ = -999.0f;
constexpr float FarZ = 999.0f;
// While the device is lost in a shown window, how often the loop asks whether it is back.
constexpr double LostDevicePollSeconds = 0.1;

DeviceBackend OpenGLBackend() { return DeviceBackend { [] { return platform::CreateGlDirect3D(); }, true }; }

// The framework's state: one window, one device, one registry, one clock, for the process.
struct State {
    FrameConfig Config;
    DisplayMode Mode;
    Registry Objects;
    Clock Time;
    DeviceBackend Backend { OpenGLBackend() };
    platform::SdlWindow Window;
    platform::MessageQueue Queue;
    bool VideoStarted { false };
    bool Running { false };

    std::unique_ptr<platform::Direct3D> Direct3D;
    std::unique_ptr<platform::Device> Device;
    std::unique_ptr<platform::StateBlock> DefaultState;
    platform::Matrix Identity;
    std::vector<cells::VirtualRect> ClipStack;

    int32_t PauseCounter { 0 };
    bool Suspended { false };
    bool DeviceLost { false };
    bool Maximised { false };
    bool Minimised { false };
    bool CursorHidden { false };  // the framework hid the cursor for the current mode

    uint32_t ModeCount { 0 };
    uint32_t ModeIndex { 0 };
};

State& The() {
    static State state;
    return state;
}

bool CursorShown(const FrameConfig& config, const DisplayMode& mode) {
    return mode.FullScreen ? config.CursorFullScreen : config.CursorWindowed;
}

platform::WindowSettings WindowSettingsFor(const FrameConfig& config, const DisplayMode& mode) {
    platform::WindowSettings settings;
    settings.Title = DisplayText(config.Title);
    // A size beyond what SDL takes makes the creation fail, as it should.
    constexpr uint32_t Largest = std::numeric_limits<int>::max();
    settings.ClientWidth = static_cast<int>(std::min(mode.ModeWidth, Largest));
    settings.ClientHeight = static_cast<int>(std::min(mode.ModeHeight, Largest));
    if (mode.FullScreen)
        settings.Style = platform::WindowStyle::FullScreen;
    else if (!config.Resizable)
        settings.Style = platform::WindowStyle::Fixed;
    else if (config.MaxWidth != 0 || config.MaxHeight != 0)
        settings.Style = platform::WindowStyle::ResizableWithMaximum;
    else
        settings.Style = platform::WindowStyle::Resizable;
    settings.MinWidth = config.MinWidth;
    settings.MinHeight = config.MinHeight;
    settings.MaxWidth = config.MaxWidth;
    settings.MaxHeight = config.MaxHeight;
    settings.OpenGL = The().Backend.OpenGLWindow;
    return settings;
}

platform::PresentParameters BuildPresentParameters() {
    State& s = The();
    platform::PresentParameters p;
    p.BackBufferWidth = s.Mode.ModeWidth;
    p.BackBufferHeight = s.Mode.ModeHeight;
    p.BackBufferFormat = platform::D3DFMT_A8R8G8B8;
    p.BackBufferCount = 1;
    p.MultiSampleType = platform::D3DMULTISAMPLE_NONE;
    p.MultiSampleQuality = 0;
    p.SwapEffect = platform::D3DSWAPEFFECT_DISCARD;
    p.DeviceWindow = s.Window.Handle();
    p.Windowed = !s.Mode.FullScreen;
    p.EnableAutoDepthStencil = s.Config.DepthFormat != platform::D3DFMT_UNKNOWN;
    p.AutoDepthStencilFormat = s.Config.DepthFormat;
    p.Flags = p.EnableAutoDepthStencil && !s.Config.KeepDepth ? platform::D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
    p.FullScreen_RefreshRateInHz = s.Mode.FullScreen ? s.Mode.RefreshRate : 0;
    p.PresentationInterval = platform::D3DPRESENT_INTERVAL_IMMEDIATE;
    return p;
}

// Integer part of a float for a viewport field; values no int32 holds (and NaN) are cut to
// what it holds instead of being undefined.
int32_t TruncateToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

Result SetProjection(const cells::VirtualRect& rect) {
    platform::Matrix projection =
        platform::MatrixOrthoOffCenterLH(rect.Left, rect.Right, rect.Bottom, rect.Top, NearZ, FarZ);
    return The().Device->SetTransform(platform::D3DTS_PROJECTION, projection);
}

// The InvalidateDeviceObjects pass with what the framework itself drops at that point.
void InvalidatePass() {
    State& s = The();
    s.Objects.InvalidateDeviceObjectsPass();
    s.ClipStack.clear();
    s.DefaultState.reset();
}

// Stage 3: the default state, then the RestoreDeviceObjects pass unless that failed.
void RestoreStage() {
    RecordDefaultState();
    if (!ErrorRaised()) The().Objects.RestoreDeviceObjectsPass();
}

void Suspend() {
    State& s = The();
    s.Suspended = true;
    float period = s.Config.SuspendTimerPeriod;
    if (period > 0.0f) {
        double milliseconds = std::min(static_cast<double>(period) * 1000.0, 4.0e9);
        s.Queue.SetTimer(SuspendTimerId, static_cast<uint32_t>(milliseconds));
    }
}

void ResumeLoop() {
    State& s = The();
    s.Suspended = false;
    float period = s.Config.SuspendTimerPeriod;
    if (period > 0.0f) s.Queue.KillTimer(SuspendTimerId);
    // Without a timer nothing stepped the clock while suspended; the time spent so must not
    // show up as one long frame.
    if (s.Config.SuspendMode == SuspendKind::Wait && !(period > 0.0f)) s.Time.Resynchronise();
}

void TimeStep() {
    State& s = The();
    s.Time.Step(s.Config.UpdateCallback);
}

void ComputeStep() {
    if (The().PauseCounter > 0) return;
    TimeStep();
    if (ErrorRaised()) {
        AddError("Błąd podczas działania programu (obliczenia)");
        RequestClose();
    }
}

// Tests a lost device and resets it when it can be. True once the device is usable again;
// false while drawing has to wait, or after a failure (recorded, and the close requested).
bool RecoverLostDevice() {
    State& s = The();
    while (s.DeviceLost) {
        Result result = s.Device->TestCooperativeLevel();
        if (result >= 0) {
            s.DeviceLost = false;
        } else if (result == platform::D3DERR_DEVICELOST) {
            return false;
        } else if (result == platform::D3DERR_DEVICENOTRESET) {
            ResetDevice();
            if (ErrorRaised()) return false;
        } else {
            platform::CheckDevice(result, "Błąd podczas testowania poziomu kooperatywności urządzenia");
            RequestClose();
            s.DeviceLost = false;
            return false;
        }
    }
    return true;
}

void Present() {
    if (ErrorRaised()) return;
    State& s = The();
    Result result = s.Device->Present();
    if (result == platform::D3DERR_DEVICELOST) {
        Suspend();
        s.DeviceLost = true;
        return;
    }
    platform::CheckDevice(result, "Nie można wyświetlić ekranu");
}

void DrawStep() {
    State& s = The();
    if (!s.Device) return;
    if (s.DeviceLost && !RecoverLostDevice()) return;
    if (s.PauseCounter < 1 && !s.Suspended) {
        if (s.Config.DrawCallback) s.Config.DrawCallback();
        Present();
    }
    if (ErrorRaised()) {
        AddError("Błąd podczas działania programu (rysowanie)");
        RequestClose();
    }
}

void ShowHiddenCursor() {
    State& s = The();
    if (!s.CursorHidden) return;
    s.Window.ShowCursor(true);
    s.CursorHidden = false;
}

void DestroyWindow() {
    State& s = The();
    ShowHiddenCursor();
    s.Window.Destroy();
    s.Queue.Translator().SetWindow(0);
}

// Undoes the start-up steps up to the window when a later one fails. The window goes too:
// nothing is left of a run that never started.
void AbandonStart() {
    State& s = The();
    DestroyWindow();
    if (s.VideoStarted) {
        platform::SdlWindow::StopVideo();
        s.VideoStarted = false;
    }
    s.Direct3D.reset();
}

void CloseSequence() {
    State& s = The();
    InvalidatePass();
    s.Objects.ReleaseDeviceObjectsPass();
    ReleaseDevice();
    s.Objects.ShutdownPass();
    s.Direct3D.reset();
    DestroyWindow();
    s.Queue.Post({.Kind = MessageKind::Quit, .QuitCode = 0});
}

void PassOn(const WindowMessage& message) {
    const MessageHandler& hook = The().Config.MessageHook;
    if (hook) hook(message);
}

int MessageLoop() {
    State& s = The();
    WindowMessage message;
    for (;;) {
        if (s.Suspended && s.DeviceLost && !s.Minimised && s.Device) {
            // A device lost while its window stays shown comes back without any window message,
            // so the loop asks the device itself now and then.
            if (s.Queue.WaitFor(message, LostDevicePollSeconds)) {
                if (message.Kind == MessageKind::Quit) return message.QuitCode;
                WindowProc(message);
            } else if (RecoverLostDevice()) {
                ResumeLoop();
            }
            continue;
        }
        if (s.Suspended) {
            switch (s.Config.SuspendMode) {
                case SuspendKind::StepPerMessage:
                    s.Queue.Wait(message);
                    if (message.Kind == MessageKind::Quit) return message.QuitCode;
                    ComputeStep();
                    WindowProc(message);
                    break;
                case SuspendKind::StepWhenIdle:
                    if (s.Queue.Peek(message)) {
                        if (message.Kind == MessageKind::Quit) return message.QuitCode;
                        WindowProc(message);
                    } else {
                        ComputeStep();
                    }
                    break;
                default:
                    s.Queue.Wait(message);
                    if (message.Kind == MessageKind::Quit) return message.QuitCode;
                    WindowProc(message);
                    break;
            }
            continue;
        }
        if (s.Queue.Peek(message)) {
            if (message.Kind == MessageKind::Quit) return message.QuitCode;
            WindowProc(message);
        } else {
            ComputeStep();
            if (!ErrorRaised()) DrawStep();
        }
    }
}

// Whatever an aborted run (an exception ends a run without clean-up) left behind.
void DropLeftovers() {
    State& s = The();
    s.DefaultState.reset();
    s.Device.reset();
    s.Direct3D.reset();
    DestroyWindow();
    s.Queue.Clear();
}

int RunStages(const FrameConfig& config, const DisplayMode& mode) {
    State& s = The();
    DropLeftovers();
    s.Config = config;
    s.Mode = mode;
    s.Time.Reset();
    s.ClipStack.clear();
    s.PauseCounter = 0;
    s.Suspended = s.DeviceLost = s.Maximised = s.Minimised = false;
    s.ModeCount = s.ModeIndex = 0;

    if (s.Backend.CreateDirect3D) s.Direct3D = s.Backend.CreateDirect3D();
    if (!s.Direct3D) {
        RaiseError("Nie można zainicjalizować Direct3D 9 (wymaga conajmniej DirectX 9.0c)");
        return -1;
    }
    if (!s.VideoStarted) {
        if (!platform::SdlWindow::StartVideo("Nie można zarejestrować klasy okna")) {
            s.Direct3D.reset();
            return -2;
        }
        s.VideoStarted = true;
    }
    if (!s.Window.Create(WindowSettingsFor(s.Config, s.Mode), "Nie można utworzyć okna")) {
        AbandonStart();
        return -3;
    }
    s.Queue.Clear();
    s.Queue.Translator().SetWindow(s.Window.Id());
    s.Queue.Translator().SetCloseBox(s.Config.CloseBox);
    s.Queue.Translator().ReleaseAllKeys();
    if (!CursorShown(s.Config, s.Mode)) {
        s.Window.ShowCursor(false);
        s.CursorHidden = true;
    }

    s.Identity = platform::MatrixIdentity();
    s.Objects.InitPass();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 1/3)");
        s.Objects.ShutdownPass();
        AbandonStart();
        return -4;
    }

    if (!CreateDevice()) {
        s.Objects.ShutdownPass();
        AbandonStart();
        return -5;
    }

    s.Objects.CreateDeviceObjectsPass();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 2/3)");
        s.Objects.ReleaseDeviceObjectsPass();
        ReleaseDevice();
        s.Objects.ShutdownPass();
        AbandonStart();
        return -6;
    }

    RestoreStage();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 3/3)");
        InvalidatePass();
        s.Objects.ReleaseDeviceObjectsPass();
        ReleaseDevice();
        s.Objects.ShutdownPass();
        AbandonStart();
        return -7;
    }

    return MessageLoop();
}

}  // namespace

// --- Registry and run ---

void Register(FrameObject* object) { The().Objects.Register(object); }

void ClearRegistry() {
    assert(!The().Running && "the registry cannot change during a run");
    The().Objects.Clear();
}

int Run(const FrameConfig& config, const DisplayMode& mode) {
    State& s = The();
    assert(!s.Running && "frame::Run does not nest");
    s.Running = true;
    int code = GuardedRun([&] { return RunStages(config, mode); });
    s.Running = false;
    return code;
}

void Pause() { ++The().PauseCounter; }

void Resume() {
    State& s = The();
    --s.PauseCounter;
    if (s.PauseCounter < 1) s.Time.Resynchronise();
}

void RequestClose() {
    State& s = The();
    if (s.Window.Exists()) s.Queue.Post({.Kind = MessageKind::Close});
}

float GetTime() { return The().Time.Time(); }
float GetFrameTime() { return The().Time.FrameTime(); }
float GetFPS() { return The().Time.FPS(); }

void SetWindowTitle(std::string_view text) { The().Window.SetTitle(DisplayText(text)); }

bool IsKeyDown(uint32_t virtualKey) { return The().Queue.Translator().IsKeyDown(virtualKey); }

// --- Window procedure ---

void WindowProc(const WindowMessage& message) {
    State& s = The();
    switch (message.Kind) {
        case MessageKind::Close:
            if (s.Window.Exists()) CloseSequence();
            break;
        case MessageKind::Minimized:
            s.Minimised = true;
            Suspend();
            s.Maximised = false;
            return;
        case MessageKind::Maximized:
            s.Minimised = false;
            ResumeLoop();
            CheckClientSize();
            s.Maximised = true;
            return;
        case MessageKind::Restored:
            s.Minimised = false;
            if (s.Suspended) {
                CheckClientSize();
                ResumeLoop();
            } else if (s.Maximised) {
                s.Maximised = false;
                CheckClientSize();
            }
            return;
        case MessageKind::SizeChanged:
            // The end of a resize by the user (or the window manager): the back buffer follows.
            if (!s.Minimised) CheckClientSize();
            return;
        case MessageKind::KeyDown:
            if (message.Key == platform::vk::Escape && s.Config.EscapeCloses) RequestClose();
            break;
        case MessageKind::Timer:
            if (message.TimerId == SuspendTimerId && s.Config.SuspendMode != SuspendKind::StepPerMessage) TimeStep();
            break;
        case MessageKind::MouseButton:
            if (message.Action == platform::ActionDown)
                s.Window.CaptureMouse();
            else if (message.Action == platform::ActionUp)
                s.Window.ReleaseMouse();
            break;
        default:
            break;
    }
    PassOn(message);
}

// --- Graphics device ---

platform::Device* GetDevice() { return The().Device.get(); }

bool CreateDevice() {
    State& s = The();
    if (!s.Direct3D) return false;
    platform::PresentParameters parameters = BuildPresentParameters();
    // One creation: the device has a single way of processing vertices, so there is no weaker
    // kind to fall back on.
    Result result = s.Direct3D->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL,
                                             s.Window.Handle(), platform::D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                             parameters, s.Device);
    if (result >= 0 && !s.Device) result = platform::D3DERR_NOTAVAILABLE;
    if (result < 0) {
        s.Device.reset();
        platform::CheckDevice(result, "Nie można utworzyć urządzenia (prawdopodobnie za słaby sprzęt - karta graficzna bez akceleracji)");
        return false;
    }
    return true;
}

void ReleaseDevice() {
    State& s = The();
    s.DefaultState.reset();
    s.Device.reset();
}

void RecordDefaultState() {
    State& s = The();
    s.DefaultState.reset();
    if (!s.Device) return;
    s.Device->SetRenderState(platform::D3DRS_LIGHTING, 0);
    Result result = s.Device->CreateStateBlock(platform::D3DSBT_ALL, s.DefaultState);
    if (platform::CheckDevice(result, "Nie można zapamiętać domyślnego stanu urządzenia") < 0) {
        s.DefaultState.reset();
        return;
    }
    SetDefaultViewport();
    if (ErrorRaised()) return;
    s.Device->SetTransform(platform::D3DTS_VIEW, s.Identity);
    s.Device->SetTransform(platform::D3DTS_WORLD, s.Identity);
}

void ResetDevice() {
    State& s = The();
    if (!s.Device) return;
    InvalidatePass();
    platform::PresentParameters parameters = BuildPresentParameters();
    Result result = s.Device->Reset(parameters);
    if (result < 0) {
        platform::CheckDevice(result, "Nie można zresetować urządzenia");
        RequestClose();
        return;
    }
    RestoreStage();
    if (ErrorRaised()) {
        AddError("Nie można przywrócić urządzenia po zresetowaniu");
        RequestClose();
    }
}

void CheckClientSize() {
    State& s = The();
    int width = 0, height = 0;
    s.Window.ClientSize(width, height);
    // A window without a client area (minimised, or none at all) has no back buffer to match.
    if (width <= 0 || height <= 0) return;
    if (static_cast<uint32_t>(width) == s.Mode.ModeWidth && static_cast<uint32_t>(height) == s.Mode.ModeHeight) return;
    s.Mode.ModeWidth = static_cast<uint32_t>(width);
    s.Mode.ModeHeight = static_cast<uint32_t>(height);
    Pause();
    if (s.Device) ResetDevice();
    Resume();
}

void ChangeDisplayMode(const DisplayMode& mode) {
    State& s = The();
    const DisplayMode& current = s.Mode;
    if (mode.ModeWidth == current.ModeWidth && mode.ModeHeight == current.ModeHeight &&
        mode.FullScreen == current.FullScreen && (mode.RefreshRate == current.RefreshRate || !mode.FullScreen))
        return;
    Pause();
    InvalidatePass();
    s.Objects.ReleaseDeviceObjectsPass();
    ReleaseDevice();
    bool shownBefore = CursorShown(s.Config, s.Mode);
    bool shownAfter = CursorShown(s.Config, mode);
    if (shownBefore != shownAfter) {
        s.Window.ShowCursor(shownAfter);
        s.CursorHidden = !shownAfter;
    }
    s.Mode = mode;
    platform::WindowSettings settings = WindowSettingsFor(s.Config, s.Mode);
    s.Window.ApplyStyle(settings);
    if (!CreateDevice()) {
        RequestClose();
        return;
    }
    s.Window.PlaceWindowed(settings);
    s.Objects.CreateDeviceObjectsPass();
    if (ErrorRaised()) {
        RequestClose();
        return;
    }
    RestoreStage();
    if (ErrorRaised()) {
        RequestClose();
        return;
    }
    Resume();
}

const DisplayMode& GetDisplayMode() { return The().Mode; }

void BeginModeEnumeration() {
    State& s = The();
    s.ModeCount = s.Direct3D ? s.Direct3D->GetAdapterModeCount(platform::D3DADAPTER_DEFAULT, platform::D3DFMT_X8R8G8B8) : 0;
    s.ModeIndex = 0;
}

bool NextDisplayMode(DisplayMode& mode) {
    State& s = The();
    if (!s.Direct3D || s.ModeIndex >= s.ModeCount) return false;
    platform::DisplayMode adapterMode;
    if (s.Direct3D->EnumAdapterModes(platform::D3DADAPTER_DEFAULT, platform::D3DFMT_X8R8G8B8, s.ModeIndex,
                                     adapterMode) < 0)
        return false;
    mode = DisplayMode { adapterMode.Width, adapterMode.Height, adapterMode.RefreshRate, true };
    ++s.ModeIndex;
    return true;
}

Result SetViewportRect(const cells::VirtualRect& rect) {
    State& s = The();
    if (!s.Device) return platform::D3DERR_INVALIDCALL;
    cells::VirtualRect pixels = RectToPixels(rect);
    platform::Viewport viewport;
    viewport.X = static_cast<uint32_t>(TruncateToInt(pixels.Left + 0.5f));
    viewport.Y = static_cast<uint32_t>(TruncateToInt(pixels.Top + 0.5f));
    viewport.Width = static_cast<uint32_t>(TruncateToInt(pixels.Right - pixels.Left + 0.5f));
    viewport.Height = static_cast<uint32_t>(TruncateToInt(pixels.Bottom - pixels.Top + 0.5f));
    viewport.MinZ = NearZ;
    viewport.MaxZ = FarZ;
    platform::CheckDevice(s.Device->SetViewport(viewport), "Nie można ustawić widoku");
    return SetProjection(rect);
}

void SetDefaultViewport() {
    State& s = The();
    if (!s.Device) return;
    platform::Viewport viewport { 0, 0, s.Mode.ModeWidth, s.Mode.ModeHeight, NearZ, FarZ };
    Result result = s.Device->SetViewport(viewport);
    if (result >= 0)
        SetProjection(cells::VirtualRect { 0, 0, 800, 600 });
    else
        platform::CheckDevice(result, "Nie można ustawić widoku domyślnego");
}

void PushClipRect(const cells::VirtualRect& rect) {
    State& s = The();
    cells::VirtualRect clip = rect;
    if (!s.ClipStack.empty()) {
        const cells::VirtualRect& top = s.ClipStack.back();
        clip.Left = std::max(rect.Left, top.Left);
        clip.Top = std::max(rect.Top, top.Top);
        clip.Right = std::min(rect.Right, top.Right);
        clip.Bottom = std::min(rect.Bottom, top.Bottom);
        if (!(clip.Right > clip.Left && clip.Bottom > clip.Top)) clip = cells::VirtualRect {};
    }
    s.ClipStack.push_back(clip);
    SetViewportRect(clip);
    if (ErrorRaised()) AddError("Nie można dodać obcinającego prostokąta");
}

void PopClipRect() {
    State& s = The();
    if (s.ClipStack.empty()) {
        RaiseError("Stos ograniczających prostokątów jest pusty");
    } else {
        s.ClipStack.pop_back();
        if (!s.ClipStack.empty())
            SetViewportRect(s.ClipStack.back());
        else
            SetDefaultViewport();
    }
    if (ErrorRaised()) AddError("Nie można usunąć obcinającego prostokąta");
}

namespace {

cells::ModeSize CurrentModeSize() {
    const DisplayMode& mode = The().Mode;
    return cells::ModeSize { static_cast<int>(mode.ModeWidth), static_cast<int>(mode.ModeHeight) };
}

}  // namespace

cells::VirtualPoint ToPixels(cells::VirtualPoint point) { return ToPixels(point, CurrentModeSize()); }
cells::VirtualRect RectToPixels(cells::VirtualRect rect) { return RectToPixels(rect, CurrentModeSize()); }
cells::VirtualPoint ToVirtual(cells::VirtualPoint pixels) { return ToVirtual(pixels, CurrentModeSize()); }
float ToVirtualX(float x) { return ToVirtualX(x, CurrentModeSize()); }

// --- Loop state ---

bool IsSuspended() { return The().Suspended; }
bool IsDeviceLost() { return The().DeviceLost; }
int32_t GetPauseCounter() { return The().PauseCounter; }
bool IsMouseCaptured() { return The().Window.MouseCaptured(); }
SDL_Window* GetWindow() { return The().Window.Handle(); }

// --- Seams ---

void SetDeviceBackend(DeviceBackend backend) {
    The().Backend = backend.CreateDirect3D ? std::move(backend) : OpenGLBackend();
}

void SetTimeSource(Clock::TimeSource source) {
    if (source)
        The().Time.SetSource(std::move(source));
    else
        The().Time.SetSource([] { return base::GetTime(); });
}

}  // namespace frame

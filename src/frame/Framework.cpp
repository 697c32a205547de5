#include "frame/Framework.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "base/NumericCasts.h"
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
// The mode between runs.
constexpr DisplayMode NoRunMode {};

DeviceBackend OpenGLBackend() { return DeviceBackend { [] { return platform::CreateGlDirect3D(); }, true }; }

bool CursorShown(const FrameConfig& config, const DisplayMode& mode) {
    return mode.FullScreen ? config.CursorFullScreen : config.CursorWindowed;
}

// SDL's video subsystem, started by a run and stopped when the run ends, so that every run
// starts it afresh whatever an earlier one did.
class VideoSession {
public:
    VideoSession() = default;
    VideoSession(const VideoSession&) = delete;
    VideoSession& operator=(const VideoSession&) = delete;
    ~VideoSession() { Stop(); }

    bool Start(std::string_view message, std::source_location where = std::source_location::current()) {
        m_started = platform::SdlWindow::StartVideo(message, where);
        return m_started;
    }
    void Stop() {
        if (m_started) platform::SdlWindow::StopVideo();
        m_started = false;
    }

private:
    bool m_started { false };
};

}  // namespace

// The framework of one run: its window, device, clock, queue and loop state. frame::Run makes
// one, runs it and destroys it; the free functions reach it through Running().
class Framework {
public:
    Framework(const FrameConfig& config, const DisplayMode& mode, const RunSeams& seams, Registry& objects);
    Framework(const Framework&) = delete;
    Framework& operator=(const Framework&) = delete;
    // Whatever a run that ended early left (an exception skips the close sequence): the
    // device, the window and SDL's video.
    ~Framework();

    // The running framework, or null between runs.
    static Framework* Running() { return s_running; }

    // The start-up steps and the message loop; the value frame::Run returns.
    int Run();

    void Pause() { ++m_pauseCounter; }
    void Resume();
    void RequestClose();
    CallWaitResult WaitForCall(const CallWait& wait, std::chrono::steady_clock::time_point start);
    const Clock& Time() const { return m_clock; }
    void SetWindowTitle(std::string_view text) { m_window.SetTitle(DisplayText(text)); }
    bool IsKeyDown(uint32_t virtualKey) const { return m_queue.Translator().IsKeyDown(virtualKey); }
    void WindowProc(const WindowMessage& message);

    platform::Device* Device() const { return m_device.get(); }
    bool CreateDevice();
    void ReleaseDevice();
    void RecordDefaultState();
    void ResetDevice();
    void CheckClientSize();
    void ChangeDisplayMode(const DisplayMode& mode);
    const DisplayMode& Mode() const { return m_mode; }
    cells::ModeSize ModeSize() const {
        return cells::ModeSize { static_cast<int>(m_mode.ModeWidth), static_cast<int>(m_mode.ModeHeight) };
    }
    void BeginModeEnumeration();
    bool NextDisplayMode(DisplayMode& mode);
    Result SetViewportRect(const cells::VirtualRect& rect);
    void SetDefaultViewport();
    void PushClipRect(const cells::VirtualRect& rect);
    void PopClipRect();

    bool Suspended() const { return m_suspended; }
    bool DeviceLost() const { return m_deviceLost; }
    int32_t PauseCounter() const { return m_pauseCounter; }
    bool MouseCaptured() const { return m_window.MouseCaptured(); }
    uint32_t WindowId() const { return m_window.Id(); }

private:
    platform::WindowSettings WindowSettingsFor(const DisplayMode& mode) const;
    platform::PresentParameters BuildPresentParameters() const;
    Result SetProjection(const cells::VirtualRect& rect);
    void InvalidatePass();
    void RestoreStage();
    void Suspend();
    void ResumeLoop();
    void AdvanceTime();
    void ComputeStep();
    bool RecoverLostDevice();
    void Present();
    void DrawStep();
    void ShowHiddenCursor();
    void DestroyWindow();
    void AbandonStart();
    void CloseSequence();
    void PassOn(const WindowMessage& message);
    int MessageLoop();

    // The state of one wait for a call.
    struct CallWaitState;
    void TakeDuringCall(const WindowMessage& message, CallWaitState& state);
    void DrawDuringCall(CallWaitState& state, double seconds);

    static inline Framework* s_running = nullptr;

    const FrameConfig m_config;
    DisplayMode m_mode;
    Registry& m_objects;
    DeviceBackend m_backend;
    Clock m_clock;

    // Declared in the order of creation, so that they go in the reverse one.
    VideoSession m_video;
    platform::SdlWindow m_window;
    // The queue outlives the window: the quit message posted as the window goes ends the loop.
    platform::MessageQueue m_queue;
    std::unique_ptr<platform::Direct3D> m_direct3d;
    std::unique_ptr<platform::Device> m_device;
    std::unique_ptr<platform::StateBlock> m_defaultState;

    platform::Matrix m_identity;
    std::vector<cells::VirtualRect> m_clipStack;
    int32_t m_pauseCounter { 0 };
    bool m_suspended { false };
    bool m_deviceLost { false };
    bool m_maximised { false };
    bool m_minimised { false };
    bool m_cursorHidden { false };  // the framework hid the cursor for the current mode
    uint32_t m_modeCount { 0 };
    uint32_t m_modeIndex { 0 };
};

namespace {

// The one registry: objects are registered before the run that uses them.
Registry& Objects() {
    static Registry registry;
    return registry;
}

}  // namespace

Framework::Framework(const FrameConfig& config, const DisplayMode& mode, const RunSeams& seams, Registry& objects)
    : m_config(config), m_mode(mode), m_objects(objects),
      m_backend(seams.Device.CreateDirect3D ? seams.Device : OpenGLBackend()),
      m_clock(seams.Time ? seams.Time : Clock::TimeSource([] { return base::GetTime(); })) {
    assert(!s_running && "frame::Run does not nest");
    s_running = this;
}

Framework::~Framework() {
    m_defaultState.reset();
    m_device.reset();
    m_direct3d.reset();
    DestroyWindow();
    m_video.Stop();
    s_running = nullptr;
}

// --- Start-up and the loop -------------------------------------------------------------------

int Framework::Run() {
    if (m_backend.CreateDirect3D) m_direct3d = m_backend.CreateDirect3D();
    if (!m_direct3d) {
        RaiseError("Nie można zainicjalizować Direct3D 9 (wymaga conajmniej DirectX 9.0c)");
        return -1;
    }
    if (!m_video.Start("Nie można zarejestrować klasy okna")) {
        m_direct3d.reset();
        return -2;
    }
    if (!m_window.Create(WindowSettingsFor(m_mode), "Nie można utworzyć okna")) {
        AbandonStart();
        return -3;
    }
    m_queue.Clear();
    m_queue.Translator().SetWindow(m_window.Id());
    m_queue.Translator().SetCloseBox(m_config.CloseBox);
    if (!CursorShown(m_config, m_mode)) {
        m_window.ShowCursor(false);
        m_cursorHidden = true;
    }

    m_identity = platform::MatrixIdentity();
    m_objects.InitPass();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 1/3)");
        m_objects.ShutdownPass();
        AbandonStart();
        return -4;
    }

    if (!CreateDevice()) {
        m_objects.ShutdownPass();
        AbandonStart();
        return -5;
    }

    m_objects.CreateDeviceObjectsPass();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 2/3)");
        m_objects.ReleaseDeviceObjectsPass();
        ReleaseDevice();
        m_objects.ShutdownPass();
        AbandonStart();
        return -6;
    }

    RestoreStage();
    if (ErrorRaised()) {
        AddError("Nie można zainicjalizować programu (etap 3/3)");
        InvalidatePass();
        m_objects.ReleaseDeviceObjectsPass();
        ReleaseDevice();
        m_objects.ShutdownPass();
        AbandonStart();
        return -7;
    }

    return MessageLoop();
}

platform::WindowSettings Framework::WindowSettingsFor(const DisplayMode& mode) const {
    platform::WindowSettings settings;
    settings.Title = DisplayText(m_config.Title);
    // A size beyond what SDL takes makes the creation fail, as it should.
    constexpr uint32_t Largest = std::numeric_limits<int>::max();
    settings.ClientWidth = static_cast<int>(std::min(mode.ModeWidth, Largest));
    settings.ClientHeight = static_cast<int>(std::min(mode.ModeHeight, Largest));
    if (mode.FullScreen)
        settings.Style = platform::WindowStyle::FullScreen;
    else if (!m_config.Resizable)
        settings.Style = platform::WindowStyle::Fixed;
    else if (m_config.MaxWidth != 0 || m_config.MaxHeight != 0)
        settings.Style = platform::WindowStyle::ResizableWithMaximum;
    else
        settings.Style = platform::WindowStyle::Resizable;
    settings.MinWidth = m_config.MinWidth;
    settings.MinHeight = m_config.MinHeight;
    settings.MaxWidth = m_config.MaxWidth;
    settings.MaxHeight = m_config.MaxHeight;
    settings.OpenGL = m_backend.OpenGLWindow;
    return settings;
}

platform::PresentParameters Framework::BuildPresentParameters() const {
    platform::PresentParameters p;
    p.BackBufferWidth = m_mode.ModeWidth;
    p.BackBufferHeight = m_mode.ModeHeight;
    p.BackBufferFormat = platform::D3DFMT_A8R8G8B8;
    p.BackBufferCount = 1;
    p.MultiSampleType = platform::D3DMULTISAMPLE_NONE;
    p.MultiSampleQuality = 0;
    p.SwapEffect = platform::D3DSWAPEFFECT_DISCARD;
    p.DeviceWindow = m_window.Handle();
    p.Windowed = !m_mode.FullScreen;
    p.EnableAutoDepthStencil = m_config.DepthFormat != platform::D3DFMT_UNKNOWN;
    p.AutoDepthStencilFormat = m_config.DepthFormat;
    p.Flags = p.EnableAutoDepthStencil && !m_config.KeepDepth ? platform::D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
    p.FullScreen_RefreshRateInHz = m_mode.FullScreen ? m_mode.RefreshRate : 0;
    p.PresentationInterval = platform::D3DPRESENT_INTERVAL_IMMEDIATE;
    return p;
}

Result Framework::SetProjection(const cells::VirtualRect& rect) {
    platform::Matrix projection =
        platform::MatrixOrthoOffCenterLH(rect.Left, rect.Right, rect.Bottom, rect.Top, NearZ, FarZ);
    return m_device->SetTransform(platform::D3DTS_PROJECTION, projection);
}

// The InvalidateDeviceObjects pass with what the framework itself drops at that point.
void Framework::InvalidatePass() {
    m_objects.InvalidateDeviceObjectsPass();
    m_clipStack.clear();
    m_defaultState.reset();
}

// Stage 3: the default state, then the RestoreDeviceObjects pass unless that failed.
void Framework::RestoreStage() {
    RecordDefaultState();
    if (!ErrorRaised()) m_objects.RestoreDeviceObjectsPass();
}

void Framework::Suspend() {
    m_suspended = true;
    float period = m_config.SuspendTimerPeriod;
    if (period > 0.0f) {
        double milliseconds = std::min(static_cast<double>(period) * 1000.0, 4.0e9);
        m_queue.SetTimer(SuspendTimerId, static_cast<uint32_t>(milliseconds));
    }
}

void Framework::ResumeLoop() {
    m_suspended = false;
    float period = m_config.SuspendTimerPeriod;
    if (period > 0.0f) m_queue.KillTimer(SuspendTimerId);
    // Without a timer nothing stepped the clock while suspended; the time spent so must not
    // show up as one long frame.
    if (m_config.SuspendMode == SuspendKind::Wait && !(period > 0.0f)) m_clock.Resynchronise();
}

void Framework::AdvanceTime() {
    m_clock.Step([this] {
        if (m_config.UpdateCallback) m_config.UpdateCallback({m_clock.Time(), m_clock.FrameTime(), m_clock.FPS()});
    });
}

void Framework::ComputeStep() {
    if (m_pauseCounter > 0) return;
    AdvanceTime();
    if (ErrorRaised()) {
        AddError("Błąd podczas działania programu (obliczenia)");
        RequestClose();
    }
}

// Tests a lost device and resets it when it can be. True once the device is usable again;
// false while drawing has to wait, or after a failure (recorded, and the close requested).
bool Framework::RecoverLostDevice() {
    while (m_deviceLost) {
        Result result = m_device->TestCooperativeLevel();
        if (result >= 0) {
            m_deviceLost = false;
        } else if (result == platform::D3DERR_DEVICELOST) {
            return false;
        } else if (result == platform::D3DERR_DEVICENOTRESET) {
            ResetDevice();
            if (ErrorRaised()) return false;
        } else {
            platform::CheckDevice(result, "Błąd podczas testowania poziomu kooperatywności urządzenia");
            RequestClose();
            m_deviceLost = false;
            return false;
        }
    }
    return true;
}

void Framework::Present() {
    if (ErrorRaised()) return;
    Result result = m_device->Present();
    if (result == platform::D3DERR_DEVICELOST) {
        Suspend();
        m_deviceLost = true;
        return;
    }
    platform::CheckDevice(result, "Nie można wyświetlić ekranu");
}

void Framework::DrawStep() {
    if (!m_device) return;
    if (m_deviceLost && !RecoverLostDevice()) return;
    if (m_pauseCounter < 1 && !m_suspended) {
        if (m_config.DrawCallback) m_config.DrawCallback(*m_device);
        Present();
    }
    if (ErrorRaised()) {
        AddError("Błąd podczas działania programu (rysowanie)");
        RequestClose();
    }
}

void Framework::ShowHiddenCursor() {
    if (!m_cursorHidden) return;
    m_window.ShowCursor(true);
    m_cursorHidden = false;
}

void Framework::DestroyWindow() {
    ShowHiddenCursor();
    m_window.Destroy();
    m_queue.Translator().SetWindow(0);
}

// Undoes the start-up steps up to the window when a later one fails. The window goes too:
// nothing is left of a run that never started.
void Framework::AbandonStart() {
    DestroyWindow();
    m_video.Stop();
    m_direct3d.reset();
}

void Framework::CloseSequence() {
    InvalidatePass();
    m_objects.ReleaseDeviceObjectsPass();
    ReleaseDevice();
    m_objects.ShutdownPass();
    m_direct3d.reset();
    DestroyWindow();
    m_queue.Post({.Kind = MessageKind::Quit, .QuitCode = 0});
}

void Framework::PassOn(const WindowMessage& message) {
    if (m_config.MessageHook) m_config.MessageHook(message);
}

int Framework::MessageLoop() {
    WindowMessage message;
    for (;;) {
        if (m_suspended && m_deviceLost && !m_minimised && m_device) {
            // A device lost while its window stays shown comes back without any window message,
            // so the loop asks the device itself now and then.
            if (m_queue.WaitFor(message, LostDevicePollSeconds)) {
                if (message.Kind == MessageKind::Quit) return message.QuitCode;
                WindowProc(message);
            } else if (RecoverLostDevice()) {
                ResumeLoop();
            }
            continue;
        }
        if (m_suspended) {
            switch (m_config.SuspendMode) {
                case SuspendKind::StepPerMessage:
                    m_queue.Wait(message);
                    if (message.Kind == MessageKind::Quit) return message.QuitCode;
                    ComputeStep();
                    WindowProc(message);
                    break;
                case SuspendKind::StepWhenIdle:
                    if (m_queue.Peek(message)) {
                        if (message.Kind == MessageKind::Quit) return message.QuitCode;
                        WindowProc(message);
                    } else {
                        ComputeStep();
                    }
                    break;
                default:
                    m_queue.Wait(message);
                    if (message.Kind == MessageKind::Quit) return message.QuitCode;
                    WindowProc(message);
                    break;
            }
            continue;
        }
        if (m_queue.Peek(message)) {
            if (message.Kind == MessageKind::Quit) return message.QuitCode;
            WindowProc(message);
        } else {
            ComputeStep();
            if (!ErrorRaised()) DrawStep();
        }
    }
}

void Framework::Resume() {
    --m_pauseCounter;
    if (m_pauseCounter < 1) m_clock.Resynchronise();
}

void Framework::RequestClose() {
    if (m_window.Exists()) m_queue.Post({.Kind = MessageKind::Close});
}

// --- Waiting for a call ----------------------------------------------------------------------

namespace {

using WaitClock = std::chrono::steady_clock;

double SecondsSince(WaitClock::time_point start) {
    return std::chrono::duration<double>(WaitClock::now() - start).count();
}

// How long the wait for the call's end lasts between two looks at the window's messages.
constexpr double MessageSlice = 0.01;
constexpr double FrameInterval = 1.0 / BusyFrameRate;

}  // namespace

struct Framework::CallWaitState {
    const CallWait& Wait;
    CallWaitResult Result;
    // Messages that reach the hook once the call has ended, in their order.
    std::vector<WindowMessage> Deferred;
    double NextFrame { BusyDrawDelay };  // seconds since the call started
    bool Exposed { false };
    bool DrawFailed { false };

    // Each time it is asked: a request that came as the call was between two script calls
    // may have found nothing to stop.
    void Stop(StopCause cause) {
        Result.Stopped = true;
        if (Wait.Stop) Wait.Stop(cause);
    }
};

CallWaitResult Framework::WaitForCall(const CallWait& wait, WaitClock::time_point start) {
    CallWaitState state { wait, {}, {} };
    std::vector<std::string> sideEntries;
    {
        // The call records into the process's trail: this thread keeps to a trail of its own.
        errors::SideTrail sideTrail;
        WindowMessage message;
        for (;;) {
            while (m_queue.Peek(message)) TakeDuringCall(message, state);
            double seconds = SecondsSince(start);
            if (wait.Draw && !state.DrawFailed && (state.Exposed || seconds >= state.NextFrame)) {
                DrawDuringCall(state, seconds);
                state.NextFrame = std::max(BusyDrawDelay, SecondsSince(start) + FrameInterval);
            }
            double slice = MessageSlice;
            if (wait.Draw && !state.DrawFailed) slice = std::min(slice, std::max(state.NextFrame - SecondsSince(start), 0.001));
            if (wait.WaitForEnd(slice)) break;
        }
        sideEntries = sideTrail.Entries();
    }
    errors::AddComposedErrors(sideEntries);
    if (state.DrawFailed) {
        state.Result.DrawFailed = true;
        AddError("Błąd podczas działania programu (rysowanie)");
        RequestClose();
    }
    for (const WindowMessage& message : state.Deferred) m_queue.Post(message);
    if (state.Result.CloseRequested) RequestClose();
    state.Result.Long = true;
    state.Result.Seconds = SecondsSince(start);
    return state.Result;
}

void Framework::TakeDuringCall(const WindowMessage& message, CallWaitState& state) {
    switch (message.Kind) {
        case MessageKind::Close:
            state.Result.CloseRequested = true;
            state.Stop(StopCause::Close);
            break;
        case MessageKind::KeyDown:
            if (message.Key == platform::vk::Escape) state.Stop(StopCause::Escape);
            break;
        case MessageKind::MouseButton:
            if (message.Action == platform::ActionUp) {
                state.Deferred.push_back(message);
            } else if (state.Wait.MousePress) {
                cells::VirtualPoint point = cells::ToVirtual(
                    cells::VirtualPoint { static_cast<float>(message.X), static_cast<float>(message.Y) }, ModeSize());
                if (state.Wait.MousePress(point, message.Button)) state.Stop(StopCause::MousePress);
            }
            break;
        case MessageKind::KeyUp:
        case MessageKind::FocusLost:
        case MessageKind::Quit:
            state.Deferred.push_back(message);
            break;
        case MessageKind::Minimized:
        case MessageKind::Maximized:
        case MessageKind::Restored:
        case MessageKind::SizeChanged:
            WindowProc(message);
            state.Exposed = true;
            break;
        case MessageKind::Exposed:
            state.Exposed = true;
            break;
        default:
            break;  // the rest of the input, and the suspended loop's timer: no time steps now
    }
}

void Framework::DrawDuringCall(CallWaitState& state, double seconds) {
    state.Exposed = false;
    if (!m_device) return;
    if (m_deviceLost && !RecoverLostDevice()) return;
    if (m_pauseCounter > 0 || m_suspended) return;
    state.Wait.Draw(*m_device, seconds);
    Present();
    if (ErrorRaised()) state.DrawFailed = true;
}

// --- Window procedure ------------------------------------------------------------------------

void Framework::WindowProc(const WindowMessage& message) {
    switch (message.Kind) {
        case MessageKind::Close:
            if (m_window.Exists()) CloseSequence();
            break;
        case MessageKind::Minimized:
            m_minimised = true;
            Suspend();
            m_maximised = false;
            return;
        case MessageKind::Maximized:
            m_minimised = false;
            ResumeLoop();
            CheckClientSize();
            m_maximised = true;
            return;
        case MessageKind::Restored:
            m_minimised = false;
            if (m_suspended) {
                CheckClientSize();
                ResumeLoop();
            } else if (m_maximised) {
                m_maximised = false;
                CheckClientSize();
            }
            return;
        case MessageKind::SizeChanged:
            // The end of a resize by the user (or the window manager): the back buffer follows.
            if (!m_minimised) CheckClientSize();
            return;
        case MessageKind::KeyDown:
            if (message.Key == platform::vk::Escape && m_config.EscapeCloses) RequestClose();
            break;
        case MessageKind::Timer:
            if (message.TimerId == SuspendTimerId && m_config.SuspendMode != SuspendKind::StepPerMessage) AdvanceTime();
            break;
        case MessageKind::MouseButton:
            if (message.Action == platform::ActionDown)
                m_window.CaptureMouse();
            else if (message.Action == platform::ActionUp)
                m_window.ReleaseMouse();
            break;
        default:
            break;
    }
    PassOn(message);
}

// --- Graphics device -------------------------------------------------------------------------

bool Framework::CreateDevice() {
    if (!m_direct3d) return false;
    platform::PresentParameters parameters = BuildPresentParameters();
    // One creation: the device has a single way of processing vertices, so there is no weaker
    // kind to fall back on.
    Result result = m_direct3d->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL, m_window.Handle(),
                                             platform::D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, m_device);
    if (result >= 0 && !m_device) result = platform::D3DERR_NOTAVAILABLE;
    if (result < 0) {
        m_device.reset();
        platform::CheckDevice(
            result, "Nie można utworzyć urządzenia (prawdopodobnie za słaby sprzęt - karta graficzna bez akceleracji)");
        return false;
    }
    return true;
}

void Framework::ReleaseDevice() {
    m_defaultState.reset();
    m_device.reset();
}

void Framework::RecordDefaultState() {
    m_defaultState.reset();
    if (!m_device) return;
    m_device->SetRenderState(platform::D3DRS_LIGHTING, 0);
    Result result = m_device->CreateStateBlock(platform::D3DSBT_ALL, m_defaultState);
    if (platform::CheckDevice(result, "Nie można zapamiętać domyślnego stanu urządzenia") < 0) {
        m_defaultState.reset();
        return;
    }
    SetDefaultViewport();
    if (ErrorRaised()) return;
    m_device->SetTransform(platform::D3DTS_VIEW, m_identity);
    m_device->SetTransform(platform::D3DTS_WORLD, m_identity);
}

void Framework::ResetDevice() {
    if (!m_device) return;
    InvalidatePass();
    platform::PresentParameters parameters = BuildPresentParameters();
    Result result = m_device->Reset(parameters);
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

void Framework::CheckClientSize() {
    int width = 0, height = 0;
    m_window.ClientSize(width, height);
    // A window without a client area (minimised, or none at all) has no back buffer to match.
    if (width <= 0 || height <= 0) return;
    if (static_cast<uint32_t>(width) == m_mode.ModeWidth && static_cast<uint32_t>(height) == m_mode.ModeHeight) return;
    m_mode.ModeWidth = static_cast<uint32_t>(width);
    m_mode.ModeHeight = static_cast<uint32_t>(height);
    Pause();
    if (m_device) ResetDevice();
    Resume();
}

void Framework::ChangeDisplayMode(const DisplayMode& mode) {
    const DisplayMode& current = m_mode;
    if (mode.ModeWidth == current.ModeWidth && mode.ModeHeight == current.ModeHeight &&
        mode.FullScreen == current.FullScreen && (mode.RefreshRate == current.RefreshRate || !mode.FullScreen))
        return;
    Pause();
    InvalidatePass();
    m_objects.ReleaseDeviceObjectsPass();
    ReleaseDevice();
    bool shownBefore = CursorShown(m_config, m_mode);
    bool shownAfter = CursorShown(m_config, mode);
    if (shownBefore != shownAfter) {
        m_window.ShowCursor(shownAfter);
        m_cursorHidden = !shownAfter;
    }
    m_mode = mode;
    platform::WindowSettings settings = WindowSettingsFor(m_mode);
    m_window.ApplyStyle(settings);
    if (!CreateDevice()) {
        RequestClose();
        return;
    }
    m_window.PlaceWindowed(settings);
    m_objects.CreateDeviceObjectsPass();
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

void Framework::BeginModeEnumeration() {
    m_modeCount = m_direct3d ? m_direct3d->GetAdapterModeCount(platform::D3DADAPTER_DEFAULT, platform::D3DFMT_X8R8G8B8) : 0;
    m_modeIndex = 0;
}

bool Framework::NextDisplayMode(DisplayMode& mode) {
    if (!m_direct3d || m_modeIndex >= m_modeCount) return false;
    platform::DisplayMode adapterMode;
    if (m_direct3d->EnumAdapterModes(platform::D3DADAPTER_DEFAULT, platform::D3DFMT_X8R8G8B8, m_modeIndex, adapterMode) < 0)
        return false;
    mode = DisplayMode { adapterMode.Width, adapterMode.Height, adapterMode.RefreshRate, true };
    ++m_modeIndex;
    return true;
}

Result Framework::SetViewportRect(const cells::VirtualRect& rect) {
    if (!m_device) return platform::D3DERR_INVALIDCALL;
    // A viewport starts inside the back buffer: what lies left of or above the screen is cut
    // off, and the projection is that of the cut rectangle, so that virtual coordinates keep
    // their meaning. (Beyond the right and bottom edges the device cuts the viewport itself.)
    cells::VirtualRect cut = rect;
    cut.Left = std::max(cut.Left, 0.0f);
    cut.Top = std::max(cut.Top, 0.0f);
    const cells::VirtualRect pixels = cells::RectToPixels(cut, ModeSize());
    // Edges rounded to the nearest pixel: at most modes a virtual unit is a fraction of one.
    auto nearest = [](float value) { return static_cast<uint32_t>(std::max(base::TruncateToInt32(value + 0.5f), 0)); };
    platform::Viewport viewport;
    viewport.X = nearest(pixels.Left);
    viewport.Y = nearest(pixels.Top);
    viewport.Width = nearest(pixels.Right - pixels.Left);
    viewport.Height = nearest(pixels.Bottom - pixels.Top);
    viewport.MinZ = NearZ;
    viewport.MaxZ = FarZ;
    platform::CheckDevice(m_device->SetViewport(viewport), "Nie można ustawić widoku");
    return SetProjection(cut);
}

void Framework::SetDefaultViewport() {
    if (!m_device) return;
    platform::Viewport viewport { 0, 0, m_mode.ModeWidth, m_mode.ModeHeight, NearZ, FarZ };
    Result result = m_device->SetViewport(viewport);
    if (result >= 0)
        SetProjection(cells::VirtualRect { 0, 0, 800, 600 });
    else
        platform::CheckDevice(result, "Nie można ustawić widoku domyślnego");
}

void Framework::PushClipRect(const cells::VirtualRect& rect) {
    cells::VirtualRect clip = rect;
    if (!m_clipStack.empty()) {
        const cells::VirtualRect& top = m_clipStack.back();
        clip.Left = std::max(rect.Left, top.Left);
        clip.Top = std::max(rect.Top, top.Top);
        clip.Right = std::min(rect.Right, top.Right);
        clip.Bottom = std::min(rect.Bottom, top.Bottom);
        if (!(clip.Right > clip.Left && clip.Bottom > clip.Top)) clip = cells::VirtualRect {};
    }
    m_clipStack.push_back(clip);
    SetViewportRect(clip);
    if (ErrorRaised()) AddError("Nie można dodać obcinającego prostokąta");
}

void Framework::PopClipRect() {
    if (m_clipStack.empty()) {
        RaiseError("Stos ograniczających prostokątów jest pusty");
    } else {
        m_clipStack.pop_back();
        if (!m_clipStack.empty())
            SetViewportRect(m_clipStack.back());
        else
            SetDefaultViewport();
    }
    if (ErrorRaised()) AddError("Nie można usunąć obcinającego prostokąta");
}

// --- The free functions: the running framework's operations -----------------------------------

void Register(FrameObject* object) { Objects().Register(object); }

void ClearRegistry() {
    assert(!Framework::Running() && "the registry cannot change during a run");
    Objects().Clear();
}

int Run(const FrameConfig& config, const DisplayMode& mode, const RunSeams& seams) {
    // The framework is destroyed inside the guard, also when an exception ends the run.
    return GuardedRun([&] {
        Framework framework(config, mode, seams, Objects());
        return framework.Run();
    });
}

void Pause() {
    if (Framework* framework = Framework::Running()) framework->Pause();
}

void Resume() {
    if (Framework* framework = Framework::Running()) framework->Resume();
}

void RequestClose() {
    if (Framework* framework = Framework::Running()) framework->RequestClose();
}

CallWaitResult WaitForCall(const CallWait& wait) {
    const auto start = WaitClock::now();
    if (wait.WaitForEnd(QuickCallWait)) return CallWaitResult { .Seconds = SecondsSince(start) };
    if (Framework* framework = Framework::Running()) return framework->WaitForCall(wait, start);
    // No window to keep answering: only the wait.
    while (!wait.WaitForEnd(3600.0)) {
    }
    return CallWaitResult { .Long = true, .Seconds = SecondsSince(start) };
}

float GetTime() { return Framework::Running() ? Framework::Running()->Time().Time() : 0.0f; }
float GetFrameTime() { return Framework::Running() ? Framework::Running()->Time().FrameTime() : 0.0f; }
float GetFPS() { return Framework::Running() ? Framework::Running()->Time().FPS() : 0.0f; }

void SetWindowTitle(std::string_view text) {
    if (Framework* framework = Framework::Running()) framework->SetWindowTitle(text);
}

bool IsKeyDown(uint32_t virtualKey) { return Framework::Running() && Framework::Running()->IsKeyDown(virtualKey); }

void WindowProc(const WindowMessage& message) {
    if (Framework* framework = Framework::Running()) framework->WindowProc(message);
}

platform::Device* GetDevice() { return Framework::Running() ? Framework::Running()->Device() : nullptr; }
bool CreateDevice() { return Framework::Running() && Framework::Running()->CreateDevice(); }

void ReleaseDevice() {
    if (Framework* framework = Framework::Running()) framework->ReleaseDevice();
}

void RecordDefaultState() {
    if (Framework* framework = Framework::Running()) framework->RecordDefaultState();
}

void ResetDevice() {
    if (Framework* framework = Framework::Running()) framework->ResetDevice();
}

void CheckClientSize() {
    if (Framework* framework = Framework::Running()) framework->CheckClientSize();
}

void ChangeDisplayMode(const DisplayMode& mode) {
    if (Framework* framework = Framework::Running()) framework->ChangeDisplayMode(mode);
}

DisplayMode GetDisplayMode() { return Framework::Running() ? Framework::Running()->Mode() : NoRunMode; }

void BeginModeEnumeration() {
    if (Framework* framework = Framework::Running()) framework->BeginModeEnumeration();
}

bool NextDisplayMode(DisplayMode& mode) { return Framework::Running() && Framework::Running()->NextDisplayMode(mode); }

Result SetViewportRect(const cells::VirtualRect& rect) {
    return Framework::Running() ? Framework::Running()->SetViewportRect(rect) : platform::D3DERR_INVALIDCALL;
}

void SetDefaultViewport() {
    if (Framework* framework = Framework::Running()) framework->SetDefaultViewport();
}

void PushClipRect(const cells::VirtualRect& rect) {
    if (Framework* framework = Framework::Running()) framework->PushClipRect(rect);
}

void PopClipRect() {
    if (Framework* framework = Framework::Running()) framework->PopClipRect();
}

namespace {

cells::ModeSize CurrentModeSize() {
    const Framework* framework = Framework::Running();
    return framework ? framework->ModeSize() : cells::ModeSize {};
}

}  // namespace

cells::VirtualPoint ToPixels(cells::VirtualPoint point) { return cells::ToPixels(point, CurrentModeSize()); }
cells::VirtualRect RectToPixels(cells::VirtualRect rect) { return cells::RectToPixels(rect, CurrentModeSize()); }
cells::VirtualPoint ToVirtual(cells::VirtualPoint pixels) { return cells::ToVirtual(pixels, CurrentModeSize()); }
float ToVirtualX(float x) { return cells::ToVirtualX(x, CurrentModeSize()); }

bool IsSuspended() { return Framework::Running() && Framework::Running()->Suspended(); }
bool IsDeviceLost() { return Framework::Running() && Framework::Running()->DeviceLost(); }
int32_t GetPauseCounter() { return Framework::Running() ? Framework::Running()->PauseCounter() : 0; }
bool IsMouseCaptured() { return Framework::Running() && Framework::Running()->MouseCaptured(); }
uint32_t GetWindowId() { return Framework::Running() ? Framework::Running()->WindowId() : 0; }

}  // namespace frame

#include "app/Application.h"

#include <cassert>
#include <optional>
#include <utility>

#include "base/Utilities.h"
#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "gfx/FontManager.h"
#include "gfx/RectManager.h"
#include "platform/DeviceCheck.h"
#include "render/Canvas.h"
#include "view/ViewGeometry.h"

namespace app {

using errors::AddError;
using errors::ErrorRaised;
using gui::NoIcon;
using gui::Rect;

namespace {

// ViewRect's top and bottom: the controls stand above, below and left of the world.
constexpr float T = view::ViewRect.Top;
constexpr float B = view::ViewRect.Bottom;

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t Black = 0xFF000000;
constexpr float StatusTextHeight = 16;
// Left-aligned, centred vertically in the anchor rectangle, on one line.
constexpr uint32_t StatusTextFlags = 0x121;

// Virtual-key codes of the commands.
enum Key : uint32_t {
    VkEnter = 13, VkShift = 16, VkControl = 17, VkEscape = 27, VkSpace = 32, VkLeft = 37, VkUp = 38,
    VkRight = 39, VkDown = 40, Vk0 = 48, Vk9 = 57, VkF = 70, VkO = 79, VkS = 83, VkT = 84,
    VkMultiply = 106, VkAdd = 107, VkSubtract = 109, VkF9 = 120, VkF12 = 123,
};

// What a key or the wheel moves a track bar by.
constexpr float KeyStep = 0.01f;

const char* const Hints[FixedControlCount] = {
    "Zatrzymaj [ESC]",
    "Wykonaj jeden krok [Spacja]",
    "Uruchom [Enter]",
    "Zmień prędkość [lewo][prawo]",
    "Wyzeruj licznik iteracji [Shift+ESC]",
    "Wkonaj daną liczbę iteracji",
    "Zakończ działanie programu",
    "Filtruj teksturę [F]",
    "Rozłóż teksturę sąsiadująco [T]",
    "Zresetuj powiększenie [*]",
    "Zmień powiększenie [+][-]",
    "Wybierz rozdzieczość [góra][dół]",
    "Przełącz na pełny ekran lub z powrotem do okna [Ctrl+Enter]",
    "Wczytaj tablicę [Ctrl+O]",
    "Zapisz tablicę [Ctrl+S]",
    "Wczytaj obrazek [Ctrl+Shift+O]",
    "Zapisz obrazek [Ctrl++Shift+S]",
};

template <size_t... Slot>
std::array<gui::G_Button, sizeof...(Slot)> MakeUserButtons(gui::Window& parent, gui::MsgHandler& handler,
                                                           const gui::ButtonSheet& sheet, std::index_sequence<Slot...>) {
    return {{gui::G_Button(parent, {8, T + 144 + 24.0f * Slot, 32, T + 168 + 24.0f * Slot}, &handler, sheet, NoIcon)...}};
}

// The digit of user button `slot`: 1..9, then 0.
char SlotDigit(int slot) { return static_cast<char>('0' + (slot + 1) % 10); }

// Removes the last UTF-8 character of a text.
void RemoveLastCharacter(std::string& text) {
    while (!text.empty()) {
        const unsigned char last = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((last & 0xC0) != 0x80) break;  // not a continuation byte: the character's first byte
    }
}

void AppendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

Application::Application(const std::string& path, gui::GUISystem& system, core::DriverClock& clock)
    : gui::Window(system, {0, 0, 800, 600}),
      m_automaton(clock, frame::GetTime()),
      m_stop(*this, {112, 8, 136, 32}, this, m_sheet, 3),
      m_step(*this, {136, 8, 160, 32}, this, m_sheet, 5),
      m_run(*this, {160, 8, 184, 32}, this, m_sheet, 4),
      m_speed(*this, {192, 8, 412, 32}, this),
      m_resetCounter(*this, {524, 8, 548, 32}, this, m_sheet, 1),
      m_iterations(*this, {548, 8, 572, 32}, this, m_sheet, 2),
      m_exit(*this, {768, 8, 792, 32}, this, m_sheet, 10),
      m_filter(*this, {8, B + 8, 32, B + 32}, this, m_sheet, 6),
      m_tile(*this, {32, B + 8, 56, B + 32}, this, m_sheet, 7),
      m_resetZoom(*this, {56, B + 8, 80, B + 32}, this, m_sheet, 8),
      m_zoom(*this, {88, B + 8, 280, B + 32}, this),
      m_resolution(*this, {356, B + 8, 612, B + 32}, this),
      m_fullScreen(*this, {620, B + 8, 644, B + 32}, this, m_sheet, 9),
      m_loadTable(*this, {8, T + 8, 32, T + 32}, this, m_sheet, 12),
      m_saveTable(*this, {8, T + 32, 32, T + 56}, this, m_sheet, 11),
      m_loadImage(*this, {8, T + 64, 32, T + 88}, this, m_sheet, 12),
      m_saveImage(*this, {8, T + 88, 32, T + 112}, this, m_sheet, 11),
      m_userButtons(MakeUserButtons(*this, *this, m_sheet, std::make_index_sequence<core::UserButtonCount>())),
      m_controls {&m_stop,       &m_step,      &m_run,        &m_speed,      &m_resetCounter, &m_iterations,
                  &m_exit,       &m_filter,    &m_tile,       &m_resetZoom,  &m_zoom,         &m_resolution,
                  &m_fullScreen, &m_loadTable, &m_saveTable,  &m_loadImage,  &m_saveImage},
      m_buttonSheetPath(base::DataFilePath("buttons.tga")),
      m_capture(path) {
    // OnInit may already set buttons down or write the status line.
    m_automaton.SetScriptControls(m_state);
    bool loaded = false;
    RunScript([&] { loaded = m_automaton.LoadDefinition(path); });
    if (loaded) {
        m_state.Configure(m_automaton);
        m_renderer = std::make_unique<render::WorldRenderer>(m_automaton);
    }
    MirrorControls();
    if (!ErrorRaised()) system.SetFocus(this);
}

Application::~Application() = default;

std::string Application::ControlHint(const gui::Window* control) const {
    for (size_t i = 0; i < m_controls.size(); ++i)
        if (m_controls[i] == control) return Hints[i];
    for (int slot = 0; slot < core::UserButtonCount; ++slot)
        if (&m_userButtons[static_cast<size_t>(slot)] == control)
            return m_automaton.ButtonLabel(slot) + " [" + SlotDigit(slot) + "]";
    return {};
}

// --- Frame object -------------------------------------------------------------------------------

void Application::Init() {
    frame::SetWindowTitle(std::string(errors::AppName) + " " + errors::AppVersion + " [" + m_automaton.Title() + "]");
    m_images = std::make_unique<files::ImageLibrary>();
    m_modes.Build();
    UpdateResolutionText();
}

void Application::Shutdown() {
    // A recording under way is finished, not lost, when the window closes.
    if (m_capture.Recording()) m_capture.ToggleRecording();
    m_images.reset();
}

void Application::CreateDeviceObjects() {
    platform::Device* device = frame::GetDevice();
    const std::string& path = m_buttonSheetPath;
    assert(device && "device objects are made while a device exists");
    if (device && platform::CheckDevice(device->CreateTextureFromFile(path, m_buttonTexture),
                                     "Nie można wczytać obrazka przycisków z pliku \"" + path + "\"") >= 0) {
        m_buttonSprite = std::make_unique<gfx::Sprite2>(m_buttonTexture.get(), 32, 32, 4);
        m_sheet.Sprite = m_buttonSprite.get();
        m_font = std::make_unique<gfx::FontAuto>("Arial", true, 256, nullptr, '?');
        if (!ErrorRaised() && m_renderer) m_renderer->CreateDeviceObjects(*device);
        if (ErrorRaised()) ReleaseButtonSheet();
    }
    if (ErrorRaised()) AddError("Błąd inicjalizacji aplikacji podczas tworzenia urządzenia");
}

void Application::ReleaseButtonSheet() {
    m_font.reset();
    m_sheet.Sprite = nullptr;
    m_buttonSprite.reset();
    m_buttonTexture.reset();
}

void Application::ReleaseDeviceObjects() {
    ReleaseButtonSheet();
    if (m_renderer) m_renderer->ReleaseDeviceObjects();
}

void Application::RestoreDeviceObjects() {
    platform::Device* device = frame::GetDevice();
    assert(device && "device objects are restored while a device exists");
    if (device && m_renderer) m_renderer->RestoreDeviceObjects(*device);
    if (!ErrorRaised() && m_renderer) m_state.SetFittingZoom(m_renderer->FittingZoom(render::FrameMode()));
    if (ErrorRaised()) AddError("Nie można przywrócić urządzenia w aplikacji");
    // During a script call (a resize resets the device meanwhile) the state the controls show
    // is the call's; they follow it once the call has ended.
    if (!m_callRunning) MirrorControls();
}

void Application::InvalidateDeviceObjects() {
    if (m_renderer) m_renderer->InvalidateDeviceObjects();
}

// --- Time step --------------------------------------------------------------------------------

void Application::RunScript(const std::function<void()>& call) {
    // A call made inside a call runs where it is: the worker cannot wait for itself.
    if (m_worker.OnWorkerThread()) return call();
    m_busyStatus = Status();  // the call may change what the status bar reads
    m_callRunning = true;
    m_busyShown = false;
    m_worker.Start(call);
    frame::CallWait wait;
    wait.WaitForEnd = [this](double seconds) { return m_worker.WaitFor(seconds); };
    wait.Stop = [this](frame::StopCause) { StopScript(); };
    wait.MousePress = [this](cells::VirtualPoint point, int button) {
        const Rect& stop = m_stop.GetRect();
        return button == platform::ButtonLeft && point.X >= stop.Left && point.X < stop.Right && point.Y >= stop.Top &&
               point.Y < stop.Bottom;
    };
    wait.Draw = [this](platform::Device& device, double seconds) { DrawBusy(device, seconds); };
    const frame::CallWaitResult result = m_services.WaitForCall(wait);
    m_callRunning = false;
    if (!result.Stopped || result.DrawFailed || m_automaton.Script().LastStop() != core::StopReason::User) return;
    // The user's stop is no failure of the program: the chain goes, the reason stays in view.
    errors::ClearErrors();
    m_automaton.StopRunning();
    m_state.SetStatus(core::StopReasonText(core::StopReason::User, 0.0), core::StatusWarningColor);
    MirrorControls();
}

void Application::StopScript() { m_automaton.Script().Interrupt().Request(core::StopReason::User); }

void Application::DrawBusy(platform::Device& device, double seconds) {
    m_busyShown = seconds >= frame::BusyDrawDelay;
    DrawFrame(device);  // not captured: a recording shows the world's frames only
}

void Application::Update(bool, bool) {
    const frame::TimeStep step = m_services.Clock();
    m_state.UpdateFrame(m_automaton, step.FrameTime, step.FPS, [this] { ProcessControlMessages(); },
                        [this](const std::function<void()>& work) { RunScript(work); });
    MirrorControls();
}

void Application::ProcessControlMessages() {
    while (!ErrorRaised()) {
        std::unique_ptr<gui::Msg> message = Take();
        if (!message) break;
        const auto* notification = dynamic_cast<const gui::Msg_Int*>(message.get());
        if (!notification) continue;
        switch (notification->Code) {
            case gui::NotifyEnter: {
                std::string hint = ControlHint(notification->Sender);
                if (!hint.empty()) m_state.SetStatus(std::move(hint), core::StatusInfoColor);
                break;
            }
            case gui::NotifyClick: Click(notification->Sender); break;
            case gui::NotifyTrack: Track(notification->Sender); break;
            default: break;
        }
    }
}

void Application::Click(const gui::Window* control) {
    if (Is(control, Control::Stop)) m_automaton.StopRunning();
    else if (Is(control, Control::Step)) RunScript([this] { m_automaton.SingleStep(); });
    else if (Is(control, Control::Run)) m_automaton.StartRunning();
    else if (Is(control, Control::ResetCounter)) m_automaton.ResetCounter();
    else if (Is(control, Control::Iterations)) OpenIterationPrompt();
    else if (Is(control, Control::Exit)) m_services.RequestClose();
    else if (Is(control, Control::Filter)) m_state.ToggleFiltered(), m_filter.SetDown(m_state.Filtered());
    else if (Is(control, Control::Tile)) m_state.ToggleTiled(), m_tile.SetDown(m_state.Tiled());
    else if (Is(control, Control::ResetZoom)) m_state.SetZoom(1.0f);
    else if (Is(control, Control::FullScreen)) SwitchFullScreen();
    else if (Is(control, Control::LoadTable)) LoadTableCommand();
    else if (Is(control, Control::SaveTable)) SaveTableCommand();
    else if (Is(control, Control::LoadImage)) LoadImageCommand();
    else if (Is(control, Control::SaveImage)) SaveImageCommand();
    else
        for (int slot = 0; slot < core::UserButtonCount; ++slot)
            if (control == &m_userButtons[static_cast<size_t>(slot)])
                RunScript([this, slot] { m_automaton.RunButtonCallback(slot); });
}

void Application::Track(const gui::Window* control) {
    if (Is(control, Control::Speed)) m_state.SetSpeedPosition(m_automaton, m_speed.Position());
    else if (Is(control, Control::Zoom)) m_state.SetZoomPosition(m_zoom.Position());
    else if (Is(control, Control::Resolution)) UpdateResolutionText();
}

void Application::MirrorControls() {
    const bool running = m_automaton.RunPressed();
    m_run.SetDown(running);
    m_stop.SetDown(!running);
    const core::TrackBarState& speed = m_state.SpeedBar();
    m_speed.SetPosition(speed.Position()), m_speed.SetMark1(speed.Mark1()), m_speed.SetMark2(speed.Mark2());
    const core::TrackBarState& zoom = m_state.ZoomBar();
    m_zoom.SetPosition(zoom.Position()), m_zoom.SetMark1(zoom.Mark1()), m_zoom.SetMark2(zoom.Mark2());
    Root().SetEnabled(m_filter, m_state.FilterTileEnabled());
    Root().SetEnabled(m_tile, m_state.FilterTileEnabled());
    m_filter.SetDown(m_state.Filtered());
    m_tile.SetDown(m_state.Tiled());
    for (int slot = 0; slot < core::UserButtonCount; ++slot) {
        gui::G_Button& button = m_userButtons[static_cast<size_t>(slot)];
        Root().SetVisible(button, m_automaton.ButtonVisible(slot));
        button.SetDown(m_state.ButtonDown(slot));
    }
    m_fullScreen.SetDown(m_services.DisplayMode().FullScreen);
}

// --- Keys and the prompt ------------------------------------------------------------------------

void Application::KeyDown(uint32_t key) {
    // Beyond the command table: a picture of the world area, and recording it to a movie.
    if (m_promptMode == 0 && key == VkF12) {
        m_capture.RequestPicture();
        return;
    }
    if (m_promptMode == 0 && key == VkF9) {
        ShowStatus(m_capture.ToggleRecording());
        return;
    }
    if (m_promptMode != 0 || key < VkEnter || key > VkSubtract) return;
    const bool control = m_services.IsKeyDown(VkControl), shift = m_services.IsKeyDown(VkShift);
    switch (key) {
        case VkEnter:
            if (control) SwitchFullScreen();
            else m_automaton.StartRunning();
            break;
        case VkEscape:
            if (shift) m_automaton.ResetCounter();
            else m_automaton.StopRunning();
            break;
        case VkSpace: RunScript([this] { m_automaton.SingleStep(); }); break;
        case VkLeft:
        case VkRight:
            m_speed.SetPosition(m_speed.Position() + (key == VkRight ? KeyStep : -KeyStep));
            m_state.SetSpeedPosition(m_automaton, m_speed.Position());
            break;
        case VkUp:
        case VkDown:
            m_resolution.SetPosition(m_resolution.Position() + (key == VkUp ? KeyStep : -KeyStep));
            UpdateResolutionText();
            break;
        case VkF: m_state.ToggleFiltered(), m_filter.SetDown(m_state.Filtered()); break;
        case VkT: m_state.ToggleTiled(), m_tile.SetDown(m_state.Tiled()); break;
        case VkO:
            if (control) shift ? LoadImageCommand() : LoadTableCommand();
            break;
        case VkS:
            if (control) shift ? SaveImageCommand() : SaveTableCommand();
            break;
        case VkMultiply: m_state.SetZoom(1.0f); break;
        case VkAdd:
        case VkSubtract:
            m_zoom.SetPosition(m_zoom.Position() + (key == VkAdd ? KeyStep : -KeyStep));
            m_state.SetZoomPosition(m_zoom.Position());
            break;
        default:
            if (key >= Vk0 && key <= Vk9) {
                const int slot = core::ButtonSlot(static_cast<int>(key - Vk0));
                RunScript([this, slot] { m_automaton.RunButtonCallback(slot); });
            }
            break;
    }
}

void Application::Char(uint32_t code) {
    if (m_promptMode == 0) return;
    switch (code) {
        case 8: RemoveLastCharacter(m_promptInput); break;
        case 13:
            if (m_promptMode == 1) StartIterations();
            m_promptMode = 0;
            break;
        case 27: m_promptMode = 0; break;
        case 9: break;
        default: AppendUtf8(m_promptInput, code); break;
    }
}

void Application::OpenIterationPrompt() {
    m_promptMode = 1;
    m_promptCaption = "Podaj liczbę iteracji";
    m_promptInput.clear();
}

void Application::StartIterations() { m_state.StartIterations(m_automaton, m_promptInput); }

// --- Display modes ------------------------------------------------------------------------------

void Application::UpdateResolutionText() {
    const std::optional<frame::DisplayMode> mode = m_modes.Choose(m_resolution.Position());
    m_resolutionText = mode ? base::UIntToStr(mode->ModeWidth) + " x " + base::UIntToStr(mode->ModeHeight) + " @ " +
                                  base::UIntToStr(mode->RefreshRate)
                            : std::string();
}

void Application::SwitchFullScreen() {
    if (m_fullScreen.Down()) {
        m_services.ChangeDisplayMode(WindowedMode);
        m_fullScreen.SetDown(false);
        return;
    }
    // Without full-screen modes there is nothing to switch to.
    const std::optional<frame::DisplayMode> mode = m_modes.Choose(m_resolution.Position());
    if (!mode) return;
    m_services.ChangeDisplayMode(*mode);
    m_fullScreen.SetDown(true);
}

// --- Mouse over the world -----------------------------------------------------------------------

bool Application::OnWorld(gui::Point point, int& column, int& row) const {
    return m_renderer && m_renderer->ScreenToCell(point, render::FrameMode(), render::OptionsOf(m_state), column, row);
}

void Application::MouseButton(gui::Point point, gui::ButtonId button, gui::ButtonAction action) {
    if (button != gui::ButtonId::Left) return;
    int x = 0, y = 0;
    const bool onWorld = OnWorld(point, x, y);
    RunScript([&] {
        if (action == gui::ButtonAction::Up) m_state.MouseUp(m_automaton, onWorld, x, y);
        else m_state.MouseDown(m_automaton, onWorld, x, y);
    });
}

void Application::MouseMove(gui::Point point) {
    if (!m_state.MouseHeld()) return;
    int x = 0, y = 0;
    const bool onWorld = OnWorld(point, x, y);
    RunScript([&] { m_state.MouseMove(m_automaton, onWorld, x, y); });
}

// --- Drawing ------------------------------------------------------------------------------------

Application::StatusTexts Application::Status() const {
    if (m_callRunning) {
        StatusTexts texts = m_busyStatus;
        if (m_busyShown) texts.Line = ScriptRunningText, texts.LineColor = core::StatusWarningColor;
        return texts;
    }
    StatusTexts texts;
    texts.Fps = base::FloatToStr(m_services.Clock().FPS) + " FPS";
    texts.Ips = base::FloatToStr(1.0 / static_cast<double>(m_automaton.IterationPeriod())) + " IPS";
    texts.Counter = m_automaton.CounterText();
    texts.Zoom = base::IntToStr(static_cast<int32_t>(m_state.Zoom() * 100.0f + 0.5f)) + " %";
    texts.Resolution = m_resolutionText;
    texts.Line = m_promptMode != 0 ? m_promptCaption + ": " + m_promptInput : m_state.StatusText();
    texts.LineColor = m_state.StatusColor();
    const std::string recording = m_capture.RecordingText();
    if (m_promptMode == 0 && !recording.empty() && m_state.StatusColor() == core::StatusInfoColor) {
        // While recording, the status line says so (a warning still shows first).
        texts.Line = recording;
    }
    return texts;
}

void Application::Draw(const gui::Rect&, bool) {
    platform::Device* device = frame::GetDevice();
    assert(device && "the application is drawn inside a frame");
    if (device && m_renderer) {
        render::FrameCanvas canvas(*device);
        if (!m_callRunning) m_renderer->DrawWorld(canvas, m_automaton, m_state);
        if (!ErrorRaised()) DrawStatus();
    }
    if (ErrorRaised()) AddError("Nie można odrysować aplikacji");
}

void Application::DrawStatus() {
    gfx::RectManager& rects = gfx::Rects();
    rects.Begin();
    rects.AddRect({0, 0, 800, T}, Black);
    rects.AddRect({0, B, 800, 600}, Black);
    rects.AddRect({0, T, view::ViewRect.Left, B}, Black);
    rects.End();
    if (ErrorRaised()) return;

    const StatusTexts texts = Status();
    gfx::FontManager& fonts = gfx::Fonts();
    fonts.Begin();
    fonts.SetFont(m_font.get(), true);
    const struct {
        const std::string& Text;
        Rect Anchor;
    } anchored[] = {
        {texts.Fps, {8, 8, 9, 32}},
        {texts.Ips, {420, 8, 421, 32}},
        {texts.Counter, {580, 8, 581, 32}},
        {texts.Zoom, {288, B + 8, 289, B + 32}},
        {texts.Resolution, {652, B + 8, 653, B + 32}},
    };
    for (const auto& [text, anchor] : anchored)
        if (!text.empty() && !ErrorRaised()) fonts.DrawTextInRect(anchor, text, StatusTextHeight, White, StatusTextFlags);
    if (!ErrorRaised()) fonts.DrawTextAt({8, 40}, texts.Line, StatusTextHeight, texts.LineColor);
}

void Application::RenderFrame(platform::Device& device) {
    if (!DrawFrame(device)) return;
    bool shown = false;
    const files::FileStatus status = m_capture.FrameDrawn(device, m_services.Clock().Time, shown);
    if (shown) ShowStatus(status);
}

bool Application::DrawFrame(platform::Device& device) {
    const platform::Result cleared =
        device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, m_automaton.Background(), 1.0f, 0);
    if (platform::CheckDevice(cleared, "Nie można wyczyścić ekranu") >= 0 &&
        platform::CheckDevice(device.BeginScene(), "Nie można rozpocząć rysowania") >= 0) {
        Root().DrawAll();
        device.EndScene();
    }
    if (ErrorRaised()) {
        AddError("Nie można odrysować ekranu");
        return false;
    }
    return true;
}

frame::FrameConfig WorkbenchConfig(Application& application, frame::InputDispatcher& dispatcher) {
    frame::FrameConfig config;
    config.Title = std::string(errors::AppName) + " " + errors::AppVersion;
    config.EscapeCloses = false;
    config.SuspendMode = frame::SuspendKind::Wait;
    config.SuspendTimerPeriod = 0;
    config.DepthFormat = platform::D3DFMT_UNKNOWN;
    config.KeepDepth = false;
    config.Resizable = true;
    config.MinWidth = 640;
    config.MinHeight = 480;
    config.MaxWidth = 0;
    config.MaxHeight = 0;
    config.CursorWindowed = true;
    config.CursorFullScreen = true;
    config.CloseBox = true;
    dispatcher.SetReceiver(&application.Root());
    config.MessageHook = [&dispatcher](const platform::WindowMessage& message) { dispatcher.Dispatch(message); };
    gui::GUISystem& system = application.Root();
    config.UpdateCallback = [&system](const frame::TimeStep&) { system.UpdateAll(); };
    config.DrawCallback = [&application](platform::Device& device) { application.RenderFrame(device); };
    return config;
}

}  // namespace app

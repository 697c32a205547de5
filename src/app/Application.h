#pragma once
// The workbench's application object: the one automaton, loaded from its definition file, the
// workbench's control state beside it, and the window that shows and steers them. It is
//   - a gui::Window covering the 800 x 600 virtual space, the parent of the seventeen fixed
//     controls and the ten user buttons, drawn under them: the world, the black bands and the
//     status bar; its keys, characters and mouse events are the workbench's commands;
//   - the gui::MsgHandler its controls notify; the messages are handled once per time step;
//   - a frame::FrameObject: the button sheet, the status font and the world's device objects
//     follow the device.
// Every call into the script passes through RunScript (the definition's load, the driver's
// iterations, the user buttons, the mouse over the world, the picture commands' callbacks): the
// call runs on the script worker while the window keeps answering; from a second on the status
// line says that a script runs and that Esc stops it, and Esc, the Stop button or closing the
// window stop the call.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "capture/WindowCapture.h"
#include "core/Automaton.h"
#include "core/ScriptWorker.h"
#include "core/WorkbenchState.h"
#include "files/FileStatus.h"
#include "files/ImageLibrary.h"
#include "frame/DisplayModeList.h"
#include "frame/FrameConfig.h"
#include "frame/FrameObject.h"
#include "frame/Framework.h"
#include "frame/InputDispatcher.h"
#include "gfx/Font.h"
#include "gfx/Sprite.h"
#include "gui/Controls.h"
#include "gui/GUISystem.h"
#include "gui/Messages.h"
#include "render/WorldRenderer.h"

namespace app {

// The status line while a script call has run for a second.
inline constexpr const char* ScriptRunningText = "Skrypt działa - Esc przerywa";

// The windowed mode the workbench starts in and returns to from full screen.
inline constexpr frame::DisplayMode WindowedMode {800, 600, 100, false};

// What the application asks of the running framework. Tests put their own in.
struct Services {
    // Whether a key (virtual-key code) is held: Ctrl (17) and Shift (16) qualify commands.
    std::function<bool(uint32_t)> IsKeyDown { frame::IsKeyDown };
    std::function<frame::DisplayMode()> DisplayMode { frame::GetDisplayMode };
    std::function<void(const frame::DisplayMode&)> ChangeDisplayMode { frame::ChangeDisplayMode };
    std::function<void()> RequestClose { frame::RequestClose };
    // The dialogs are bracketed by these, so that no time steps or frames happen meanwhile.
    std::function<void()> Pause { frame::Pause };
    std::function<void()> Resume { frame::Resume };
    // The window's wait for a script call that runs on the script worker.
    std::function<frame::CallWaitResult(const frame::CallWait&)> WaitForCall { frame::WaitForCall };
    // The framework clock's frame time and frame rate.
    std::function<frame::TimeStep()> Clock { [] {
        return frame::TimeStep {frame::GetTime(), frame::GetFrameTime(), frame::GetFPS()};
    } };
};

// The fixed controls, in the order they are made (and drawn).
enum class Control {
    Stop, Step, Run, Speed, ResetCounter, Iterations, Exit, Filter, Tile, ResetZoom, Zoom, Resolution, FullScreen,
    LoadTable, SaveTable, LoadImage, SaveImage,
};
inline constexpr int FixedControlCount = 17;

class Application : public gui::Window, public gui::MsgHandler, public frame::FrameObject {
public:
    // Makes the window and its controls in `system`, then loads the definition (OnInit
    // included) and takes the keyboard focus. ErrorRaised afterwards means the load failed and
    // the application is unusable: it must not be registered.
    // The driver paces itself by `clock`.
    explicit Application(const std::string& path, gui::GUISystem& system = gui::System(),
                         core::DriverClock& clock = core::DriverClock::System());
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application() override;

    core::Automaton& Machine() { return m_automaton; }
    core::WorkbenchState& State() { return m_state; }
    // The full-screen modes of at least 640 x 480 that the resolution bar chooses from, built in Init.
    frame::DisplayModeList& Modes() { return m_modes; }
    Services& Platform() { return m_services; }
    // The picture of the buttons' faces and icons CreateDeviceObjects loads: "buttons.tga" beside
    // the program or in ../share/vorlen/ unless set.
    const std::string& ButtonSheetPath() const { return m_buttonSheetPath; }
    void SetButtonSheetPath(std::string path) { m_buttonSheetPath = std::move(path); }
    // The world's views; null when the definition did not load.
    render::WorldRenderer* Renderer() { return m_renderer.get(); }
    // The pictures (F12) and the recording (F9) of the world area.
    capture::WindowCapture& Capture() { return m_capture; }

    // The controls, for what shows them and for tests.
    gui::Window& ControlWindow(Control control) { return *m_controls[static_cast<size_t>(control)]; }
    gui::G_Button& Button(Control control) { return static_cast<gui::G_Button&>(ControlWindow(control)); }
    gui::G_TrackBar& TrackBar(Control control) { return static_cast<gui::G_TrackBar&>(ControlWindow(control)); }
    // The user button of `slot` (0..9; slot 9 is the button of the digit key 0).
    gui::G_Button& UserButton(int slot) { return m_userButtons[static_cast<size_t>(slot)]; }
    // The status line's text while the pointer is over a control; empty for a window that is none.
    std::string ControlHint(const gui::Window* control) const;

    // --- Prompt and status bar ---
    bool PromptOpen() const { return m_promptMode != 0; }
    const std::string& PromptInput() const { return m_promptInput; }
    void OpenIterationPrompt();
    const std::string& ResolutionText() const { return m_resolutionText; }
    // The texts of the status bar as DrawStatus draws them.
    struct StatusTexts {
        std::string Fps, Ips, Counter, Zoom, Resolution, Line;
        uint32_t LineColor { 0 };
    };
    StatusTexts Status() const;

    // --- Frame object ---
    // Sets the window title, starts the image library, builds the list of modes and shows the
    // mode the resolution bar selects.
    void Init() override;
    void Shutdown() override;
    void CreateDeviceObjects() override;
    void ReleaseDeviceObjects() override;
    void RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // --- Window ---
    // The world, then the bands and the status texts.
    void Draw(const gui::Rect& rect, bool enabled) override;
    // One time step of the driver (the control messages first), then the controls show the state.
    void Update(bool enabled, bool visible) override;
    bool CanFocus() override { return true; }
    // The left button over the world reaches the script as the cell under the pointer.
    void MouseMove(gui::Point point) override;
    void MouseButton(gui::Point point, gui::ButtonId button, gui::ButtonAction action) override;
    void KeyDown(uint32_t key) override;
    // The prompt's editing.
    void Char(uint32_t code) override;

    // The controls' messages posted since the last time step, oldest first; stops at an error.
    void ProcessControlMessages();
    // The controls show the state: Run and Stop, the speed and zoom bars, Filter and Tile,
    // the user buttons, Full screen.
    void MirrorControls();
    // The draw callback: clears to the Background colour, then the window tree inside a scene;
    // then the picture or the recording's frame that is due is taken from the frame.
    void RenderFrame(platform::Device& device);

    // --- Commands ---
    // Full screen in the mode the resolution bar selects, or back to the 800 x 600 window.
    void SwitchFullScreen();
    // The table and picture commands with their dialogs; refused in full screen.
    void LoadTableCommand();
    void SaveTableCommand();
    void LoadImageCommand();
    void SaveImageCommand();

private:
    // Runs `call` on the script worker and waits for it as frame::WaitForCall does; a call the
    // user stopped leaves no error: the automaton stops running and the status line says why.
    void RunScript(const std::function<void()>& call);
    // Asks the running script call to stop.
    void StopScript();
    // A frame while a script call runs: the controls and the status bar as they were when the
    // call began, without the world, which the call may be changing.
    void DrawBusy(platform::Device& device, double seconds);
    // The frame without its capture: clears to the Background colour, then the window tree
    // inside a scene. False after a failure.
    bool DrawFrame(platform::Device& device);
    void Click(const gui::Window* control);
    void Track(const gui::Window* control);
    void StartIterations();
    void UpdateResolutionText();
    void DrawStatus();
    void ReleaseButtonSheet();
    bool RefusedInFullScreen();
    void ShowStatus(const files::FileStatus& status);
    bool OnWorld(gui::Point point, int& column, int& row) const;
    bool Is(const gui::Window* window, Control control) const { return window == m_controls[static_cast<size_t>(control)]; }

    Services m_services;
    core::ScriptWorker m_worker;  // before the automaton, whose load runs on it
    gui::ButtonSheet m_sheet;
    core::WorkbenchState m_state;  // before the automaton: its script reaches the state while it lives
    core::Automaton m_automaton;

    // The controls, made before the definition is read, in the order they are drawn.
    gui::G_Button m_stop, m_step, m_run;
    gui::G_TrackBar m_speed;
    gui::G_Button m_resetCounter, m_iterations, m_exit, m_filter, m_tile, m_resetZoom;
    gui::G_TrackBar m_zoom, m_resolution;
    gui::G_Button m_fullScreen, m_loadTable, m_saveTable, m_loadImage, m_saveImage;
    std::array<gui::G_Button, core::UserButtonCount> m_userButtons;
    std::array<gui::Window*, FixedControlCount> m_controls;

    std::unique_ptr<render::WorldRenderer> m_renderer;
    frame::DisplayModeList m_modes;
    std::unique_ptr<files::ImageLibrary> m_images;  // alive between Init and Shutdown

    // Device objects: the button sheet and its sprite, the status font.
    std::unique_ptr<platform::Texture> m_buttonTexture;
    std::unique_ptr<gfx::Sprite2> m_buttonSprite;
    std::unique_ptr<gfx::FontAuto> m_font;
    std::string m_buttonSheetPath;

    int32_t m_promptMode { 0 };
    std::string m_promptCaption;
    std::string m_promptInput;
    std::string m_resolutionText;
    capture::WindowCapture m_capture;

    // While a script call runs, nothing here reads what the call may change: the status bar
    // shows what it showed when the call began, and whether the frames drawn meanwhile say
    // that a script runs.
    bool m_callRunning { false };
    StatusTexts m_busyStatus;
    bool m_busyShown { false };
};

// The framework's configuration for the workbench: the input through `dispatcher` to the
// application's window system, that system's updates at every time step, the application's
// RenderFrame at every frame.
frame::FrameConfig WorkbenchConfig(Application& application, frame::InputDispatcher& dispatcher);

}  // namespace app

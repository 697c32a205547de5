#pragma once
// The workbench's application object: the one automaton, loaded from its definition file, and
// the workbench's control state beside it, living in the framework as a frame object. The
// framework's update callback runs the driver and the draw callback clears the screen to the
// Background colour and presents it; the world, the status bar and the controls are drawn on
// top of that by the drawing code.

#include <memory>
#include <string>

#include "core/Automaton.h"
#include "core/WorkbenchState.h"
#include "files/ImageLibrary.h"
#include "frame/DisplayModeList.h"
#include "frame/FrameConfig.h"
#include "frame/FrameObject.h"

namespace app {

class Application : public frame::FrameObject {
public:
    // Loads the definition (OnInit included). ErrorRaised afterwards means it failed, and the
    // application is unusable: it must not be registered.
    explicit Application(const std::string& path);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application() = default;

    core::Automaton& Machine() { return m_automaton; }
    core::WorkbenchState& State() { return m_state; }
    // The full-screen modes of at least 640 x 480, built in Init.
    const frame::DisplayModeList& Modes() const { return m_modes; }

    // Sets the window title ("Vorlen 1.0 [" + title + "]"), starts the image library and
    // builds the list of modes.
    void Init() override;
    // Shuts the image library down.
    void Shutdown() override;

    // The update callback: one driver step with the framework clock's frame time and rate.
    void Update(const frame::TimeStep& step);
    // The draw callback: clears the back buffer to the Background colour inside a scene.
    void RenderFrame(platform::Device& device);

private:
    core::WorkbenchState m_state;  // before the automaton: its script reaches the state while it lives
    core::Automaton m_automaton;
    frame::DisplayModeList m_modes;
    std::unique_ptr<files::ImageLibrary> m_images;  // alive between Init and Shutdown
};

}  // namespace app

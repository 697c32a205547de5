#include "app/Application.h"

#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "platform/DeviceCheck.h"

namespace app {

Application::Application(const std::string& path) : m_automaton(core::DriverClock::System(), frame::GetTime()) {
    // OnInit may already set buttons down or write the status line.
    m_automaton.SetScriptControls(m_state);
    if (m_automaton.LoadDefinition(path)) m_state.Configure(m_automaton);
}

void Application::Init() {
    frame::SetWindowTitle(std::string(errors::AppName) + " " + errors::AppVersion + " [" + m_automaton.Title() + "]");
    m_images = std::make_unique<files::ImageLibrary>();
    m_modes.Build();
}

void Application::Shutdown() { m_images.reset(); }

void Application::Update(const frame::TimeStep& step) {
    m_state.UpdateFrame(m_automaton, step.FrameTime, step.FPS);
}

void Application::RenderFrame(platform::Device& device) {
    platform::Result result = device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, m_automaton.Background(), 1.0f, 0);
    if (platform::CheckDevice(result, "Nie można wyczyścić ekranu") >= 0) {
        result = device.BeginScene();
        if (platform::CheckDevice(result, "Nie można rozpocząć rysowania") >= 0) device.EndScene();
    }
    if (errors::ErrorRaised()) errors::AddError("Nie można odrysować ekranu");
}

}  // namespace app

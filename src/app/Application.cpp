#include "app/Application.h"

#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"
#include "frame/Framework.h"
#include "platform/DeviceCheck.h"

Application::Application(const std::string& path) : m_automaton(DriverClock::System(), frame::GetTime()) {
    m_automaton.LoadDefinition(path);
}

void Application::Init() {
    frame::SetWindowTitle(std::string(AppName) + " " + AppVersion + " [" + m_automaton.Title() + "]");
    m_images = std::make_unique<ImageLibrary>();
    m_modes.Build();
}

void Application::Shutdown() { m_images.reset(); }

void Application::Update() { m_automaton.UpdateFrame(frame::GetFrameTime(), frame::GetFPS()); }

void Application::RenderFrame() {
    platform::Device* device = frame::GetDevice();
    platform::Result result =
        device->Clear(0, nullptr, platform::D3DCLEAR_TARGET, m_automaton.Background(), 1.0f, 0);
    if (CheckDevice(result, "Nie można wyczyścić ekranu") >= 0) {
        result = device->BeginScene();
        if (CheckDevice(result, "Nie można rozpocząć rysowania") >= 0) device->EndScene();
    }
    if (ErrorRaised()) AddError("Nie można odrysować ekranu");
}

#include "capture/OffscreenRenderer.h"

#include <SDL.h>
#include <cstdlib>

#include "capture/WorldArea.h"
#include "core/Automaton.h"
#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"
#include "platform/gl/GlDevice.h"
#include "platform/sdl/SdlCheck.h"

namespace capture {

using errors::AddError;
using errors::ErrorRaised;

namespace {

constexpr int LargestSide = 8192;  // pixels; what llvmpipe and common drivers draw into

}  // namespace

OffscreenRenderer::~OffscreenRenderer() { Close(); }

bool OffscreenRenderer::Open(const core::Automaton& automaton, cells::ModeSize mode) {
    return Open(automaton.View(), automaton.Background(), automaton.Width(), automaton.Height(), mode);
}

bool OffscreenRenderer::Open(const view::ViewSettings& settings, uint32_t background, int width, int height,
                             cells::ModeSize mode, const std::string& arrowPath) {
    Close();
    const char* failure = "Nie można przygotować rysowania świata bez okna";
    if (mode.Width < 1 || mode.Height < 1 || mode.Width > LargestSide || mode.Height > LargestSide) {
        errors::RaiseError("Niedozwolony rozmiar obrazu " + std::to_string(mode.Width) + " x " + std::to_string(mode.Height));
        AddError(failure);
        return false;
    }
    m_mode = mode;
    // Without a display: SDL draws into memory through EGL (llvmpipe on a machine without a
    // graphics card). A driver the environment names is left as it is.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        platform::CheckSdl(failure);
        return false;
    }
    m_video = true;
    m_window = SDL_CreateWindow("vorlen", 0, 0, mode.Width, mode.Height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!m_window) {
        platform::CheckSdl(failure);
        Close();
        return false;
    }
    m_direct3d = platform::CreateGlDirect3D();
    if (!m_direct3d) {
        platform::CheckSdl(failure);
        Close();
        return false;
    }
    platform::PresentParameters parameters;
    parameters.BackBufferWidth = static_cast<uint32_t>(mode.Width);
    parameters.BackBufferHeight = static_cast<uint32_t>(mode.Height);
    parameters.DeviceWindow = m_window;
    parameters.PresentationInterval = platform::D3DPRESENT_INTERVAL_IMMEDIATE;
    if (platform::CheckDevice(m_direct3d->CreateDevice(platform::D3DADAPTER_DEFAULT, platform::D3DDEVTYPE_HAL, m_window,
                                                       platform::D3DCREATE_HARDWARE_VERTEXPROCESSING, parameters, m_device),
                              failure) < 0) {
        Close();
        return false;
    }
    m_renderer = std::make_unique<render::WorldRenderer>(settings, background, width, height);
    m_renderer->SetArrowPath(arrowPath);
    m_renderer->CreateDeviceObjects(*m_device);
    if (!ErrorRaised()) m_renderer->RestoreDeviceObjects(*m_device);
    if (ErrorRaised()) {
        AddError(failure);
        Close();
        return false;
    }
    return true;
}

void OffscreenRenderer::Close() {
    if (m_renderer) {
        m_renderer->InvalidateDeviceObjects();
        m_renderer->ReleaseDeviceObjects();
        m_renderer.reset();
    }
    m_device.reset();
    m_direct3d.reset();
    if (m_window) SDL_DestroyWindow(m_window);
    m_window = nullptr;
    if (m_video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    m_video = false;
}

bool OffscreenRenderer::Render(const core::Generations& generations, const render::ViewOptions& options, Image& image) {
    const char* failure = "Nie można narysować świata";
    platform::Device& device = *m_device;
    if (platform::CheckDevice(device.Clear(0, nullptr, platform::D3DCLEAR_TARGET, m_renderer->Background(), 1.0f, 0),
                              "Nie można wyczyścić ekranu") < 0 ||
        platform::CheckDevice(device.BeginScene(), "Nie można rozpocząć rysowania") < 0) {
        AddError(failure);
        return false;
    }
    ClipCanvas canvas(device, m_mode);
    m_renderer->DrawWorld(canvas, generations, options);
    const bool drawn = !ErrorRaised();
    platform::CheckDevice(device.EndScene(), drawn ? "Nie można zakończyć rysowania" : "");
    if (ErrorRaised() || !ReadWorldArea(device, image)) {
        AddError(failure);
        return false;
    }
    return true;
}

}  // namespace capture

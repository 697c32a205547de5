#pragma once
// The world drawn without a window: an OpenGL device in a hidden window (SDL's offscreen video
// driver unless the environment names another, so no display is needed), a back buffer of the
// size a window would have, and a WorldRenderer that draws on it exactly as the workbench draws
// its world area: cleared to the Background colour, DrawWorld clipped to the view rectangle.

#include <memory>

#include "capture/Image.h"
#include "cells/VirtualSpace.h"
#include "core/Generations.h"
#include "platform/Device.h"
#include "render/WorldRenderer.h"

struct SDL_Window;

namespace core {
class Automaton;
}

namespace capture {

class OffscreenRenderer {
public:
    OffscreenRenderer() = default;
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;
    ~OffscreenRenderer();

    // Makes the device with a back buffer of `mode` (1 to 8192 pixels a side) and the views of
    // the settings for a width x height world, with their device objects. The image library
    // must be started (the arrow picture). False, with the reason on the trail, on failure.
    bool Open(const view::ViewSettings& settings, uint32_t background, int width, int height, cells::ModeSize mode,
              const std::string& arrowPath = render::ArrowFilePath());
    bool Open(const core::Automaton& automaton, cells::ModeSize mode);
    void Close();
    bool IsOpen() const { return m_renderer != nullptr; }

    cells::ModeSize Mode() const { return m_mode; }
    platform::Device* Device() { return m_device.get(); }
    render::WorldRenderer* Renderer() { return m_renderer.get(); }

    // Draws the shown generation and takes the world area. False, with the reason on the
    // trail, on failure.
    bool Render(const core::Generations& generations, const render::ViewOptions& options, Image& image);

private:
    cells::ModeSize m_mode {};
    bool m_video { false };
    SDL_Window* m_window { nullptr };
    std::unique_ptr<platform::Direct3D> m_direct3d;
    std::unique_ptr<platform::Device> m_device;
    std::unique_ptr<render::WorldRenderer> m_renderer;
};

}  // namespace capture

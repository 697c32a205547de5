#pragma once
// The graphics device on OpenGL 3.3 core (through libepoxy) in an SDL window.
//
// A device is created for an SDL window that was made with SDL_WINDOW_OPENGL and owns an
// OpenGL context of its own in it. It draws into an off-screen back buffer of the size the
// presentation parameters give (with the depth-stencil buffer they ask for), and Present
// copies that to the window, stretched to the window's size, and swaps. One shader program
// stands in for the fixed-function stages the device offers. OpenGL contexts are never lost:
// TestCooperativeLevel reports D3D_OK unless a Reset failed.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Device.h"

namespace platform {

// The Direct3D object on OpenGL. Starts SDL's video subsystem when nothing else has (and
// stops it again when destroyed); null when it cannot be started.
std::unique_ptr<Direct3D> CreateGlDirect3D();

// Copies the back buffer of an OpenGL device: width x height values 0xAARRGGBB, the top row
// first. D3DERR_INVALIDCALL for a device of another kind.
Result ReadBackBuffer(Device& device, std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height);

}  // namespace platform

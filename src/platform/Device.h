#pragma once
// The graphics device: the part of Direct3D 9 the drawing code uses, as abstract classes.
//
// Two implementations: OpenGL 3.3 in an SDL window (gl/GlDevice.h, CreateGlDirect3D) and an
// in-memory recording one for tests (RecordingDevice.h). Every call returns a Result; a failing
// call changes nothing and leaves its out-objects empty. Failures become error-trail entries
// through CheckDevice (DeviceCheck.h).
//
// Ownership replaces reference counting: Create* hands out a std::unique_ptr and releasing a
// resource is destroying it. A resource destroyed while bound is unbound from the device and
// from every state block. A device destroyed before its resources leaves them inert: their
// calls fail with D3DERR_INVALIDCALL and their destruction is safe.
//
// Reset rules, as Direct3D's: default-pool textures and buffers and all state blocks must be
// destroyed before Reset, or Reset fails with D3DERR_INVALIDCALL and leaves the device "not
// reset" (TestCooperativeLevel D3DERR_DEVICENOTRESET, Present D3DERR_DEVICELOST) until a
// Reset succeeds. Managed and system-memory resources survive. A successful Reset returns
// every state to its default.
//
// Drawing follows Direct3D 9's rasterisation: pixel (x, y) has its centre at the integer
// point (x, y), so a pretransformed square from (X, Y) to (X + e, Y + e) covers exactly the
// e x e pixels from (X, Y), and a texel maps to the pixel it starts at. Draws happen between
// BeginScene and EndScene. While the device is lost or not reset, Clear and draws succeed
// and do nothing.

#include <memory>
#include <string>

#include "platform/DeviceTypes.h"

namespace platform {

class Texture {
public:
    virtual ~Texture() = default;

    virtual uint32_t GetLevelCount() = 0;
    virtual Result GetLevelDesc(uint32_t level, SurfaceDesc& desc) = 0;
    // Locks `rect` of the level (the whole level when null) for the CPU. A level is locked at
    // most once at a time. Default-pool textures lock only when dynamic.
    virtual Result LockRect(uint32_t level, LockedRect& locked, const Rect* rect, uint32_t flags) = 0;
    // Makes the written texels visible to draws.
    virtual Result UnlockRect(uint32_t level) = 0;
};

class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;

    // Locks `size` bytes from `offset` (size 0: up to the end). One lock at a time.
    virtual Result Lock(uint32_t offset, uint32_t size, void*& data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
};

class IndexBuffer {
public:
    virtual ~IndexBuffer() = default;

    // As VertexBuffer::Lock; the buffer holds 16-bit indices.
    virtual Result Lock(uint32_t offset, uint32_t size, void*& data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
};

// A set of device states: either every state (CreateStateBlock) or the states set between
// BeginStateBlock and EndStateBlock. Apply sets them on the device again.
class StateBlock {
public:
    virtual ~StateBlock() = default;

    virtual Result Apply() = 0;
};

class Device {
public:
    virtual ~Device() = default;

    // D3D_OK while usable; D3DERR_DEVICELOST while lost and not yet resettable;
    // D3DERR_DEVICENOTRESET when a Reset is due.
    virtual Result TestCooperativeLevel() = 0;
    // New presentation parameters (back-buffer size, window or full screen); see the Reset
    // rules above. The parameters are written back as the device chose them.
    virtual Result Reset(PresentParameters& parameters) = 0;
    // Shows the back buffer in the window. D3DERR_DEVICELOST while lost or not reset.
    virtual Result Present() = 0;

    virtual Result BeginScene() = 0;
    virtual Result EndScene() = 0;
    // Clears the viewport (or those of `rects` inside it, when count > 0) to the colour, depth
    // (0..1) and stencil the flags name (D3DCLEAR_*).
    virtual Result Clear(uint32_t count, const Rect* rects, uint32_t flags, D3DCOLOR color, float z,
                         uint32_t stencil) = 0;

    virtual Result SetViewport(const Viewport& viewport) = 0;
    virtual Result GetViewport(Viewport& viewport) = 0;
    virtual Result SetTransform(D3DTRANSFORMSTATETYPE type, const Matrix& matrix) = 0;
    virtual Result GetTransform(D3DTRANSFORMSTATETYPE type, Matrix& matrix) = 0;
    virtual Result SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) = 0;
    virtual Result GetRenderState(D3DRENDERSTATETYPE state, uint32_t& value) = 0;
    virtual Result SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) = 0;
    virtual Result GetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t& value) = 0;
    virtual Result SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) = 0;
    virtual Result GetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t& value) = 0;
    // Binds a texture to stage 0; null unbinds. System-memory textures cannot be bound.
    virtual Result SetTexture(uint32_t stage, Texture* texture) = 0;
    // Stream 0 only; `offset` and `stride` in bytes.
    virtual Result SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) = 0;
    virtual Result SetIndices(IndexBuffer* buffer) = 0;
    virtual Result SetFVF(uint32_t fvf) = 0;
    virtual Result GetFVF(uint32_t& fvf) = 0;

    // One level (levels must be 1), A8R8G8B8 or X8R8G8B8; dynamic usage not in the managed pool.
    virtual Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                 D3DFORMAT format, D3DPOOL pool, std::unique_ptr<Texture>& texture) = 0;
    // `length` in bytes, at least one vertex of `fvf` when fvf is not 0.
    virtual Result CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                      std::unique_ptr<VertexBuffer>& buffer) = 0;
    // `format` must be D3DFMT_INDEX16.
    virtual Result CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                     std::unique_ptr<IndexBuffer>& buffer) = 0;
    // A managed texture of the picture file at its own size, one level: A8R8G8B8 when the
    // picture has an alpha channel, X8R8G8B8 otherwise; its top row is texture row 0. Reads the
    // file through DevIL, which the owner must have initialised (ilInit) before: the device
    // never initialises or shuts down the image library, whose state it shares with the
    // picture import and export. D3DXERR_INVALIDDATA when the file cannot be read as a picture.
    virtual Result CreateTextureFromFile(const std::string& path, std::unique_ptr<Texture>& texture) = 0;

    // While a block is being recorded, state calls go into it and leave the device unchanged.
    virtual Result BeginStateBlock() = 0;
    virtual Result EndStateBlock(std::unique_ptr<StateBlock>& block) = 0;
    // A block of every current state (type D3DSBT_ALL).
    virtual Result CreateStateBlock(D3DSTATEBLOCKTYPE type, std::unique_ptr<StateBlock>& block) = 0;

    // Non-indexed draw from stream 0: `count` primitives from vertex `start`.
    virtual Result DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count) = 0;
    // Indexed draw from stream 0 and the index buffer: vertex = base + index; every index must
    // lie in [minIndex, minIndex + numVertices).
    virtual Result DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t base, uint32_t minIndex, uint32_t numVertices,
                                        uint32_t startIndex, uint32_t count) = 0;
    // Indexed draw from the caller's memory (16-bit indices, vertices of the current FVF with
    // `stride` bytes). Afterwards stream 0 and the index buffer are unset, as in Direct3D.
    virtual Result DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                          uint32_t count, const void* indices, D3DFORMAT indexFormat,
                                          const void* vertices, uint32_t stride) = 0;
};

// The adapter and the device factory (Direct3D's IDirect3D9).
class Direct3D {
public:
    virtual ~Direct3D() = default;

    // Full-screen modes of the adapter in `format` (X8R8G8B8; other formats have none).
    virtual uint32_t GetAdapterModeCount(uint32_t adapter, D3DFORMAT format) = 0;
    virtual Result EnumAdapterModes(uint32_t adapter, D3DFORMAT format, uint32_t index, DisplayMode& mode) = 0;
    // A device for `focusWindow` (or parameters.DeviceWindow). Windowed = false puts the
    // window in full screen in the mode of the back-buffer size and refresh rate; destroying
    // the device returns it to the desktop.
    virtual Result CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focusWindow, uint32_t behaviorFlags,
                                PresentParameters& parameters, std::unique_ptr<Device>& device) = 0;
};

}  // namespace platform

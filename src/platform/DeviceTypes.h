#pragma once
// Values and records of the graphics device layer. The layer has the shape of the part of
// Direct3D 9 that the drawing code uses, so every constant keeps Direct3D's name and value:
// callers, tests and error reports speak of D3DRS_CULLMODE = 22 or D3DERR_INVALIDCALL =
// 0x8876086C exactly as the drawing code was designed around them. Only what the drawing code
// uses is here; the device refuses anything else with D3DERR_INVALIDCALL.

#include <cstdint>

namespace platform {

// Result of a device call: 0 or more is success, negative is failure (HRESULT-like).
using Result = int32_t;

constexpr Result Failure(uint32_t code) { return static_cast<Result>(code); }

constexpr Result D3D_OK = 0;
// Codes of the device itself, with their report names and descriptions (DeviceResults.h).
constexpr Result D3DERR_DRIVERINTERNALERROR = Failure(0x88760827u);
constexpr Result D3DERR_OUTOFVIDEOMEMORY = Failure(0x8876017Cu);
constexpr Result D3DERR_DEVICELOST = Failure(0x88760868u);
constexpr Result D3DERR_DEVICENOTRESET = Failure(0x88760869u);
constexpr Result D3DERR_NOTAVAILABLE = Failure(0x8876086Au);
constexpr Result D3DERR_INVALIDCALL = Failure(0x8876086Cu);
constexpr Result D3DXERR_INVALIDDATA = Failure(0x88760B59u);
constexpr Result E_OUTOFMEMORY = Failure(0x8007000Eu);

// 0xAARRGGBB, stored little-endian (bytes B, G, R, A) in textures and vertices.
using D3DCOLOR = uint32_t;

enum D3DFORMAT : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,  // alpha byte ignored: sampled as 0xFF
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
};

enum D3DPOOL : uint32_t {
    D3DPOOL_DEFAULT = 0,    // lost at a reset: must be released before Reset
    D3DPOOL_MANAGED = 1,    // survives resets
    D3DPOOL_SYSTEMMEM = 2,  // CPU memory only: lockable, never drawn
};

// Resource usage bits.
constexpr uint32_t D3DUSAGE_WRITEONLY = 0x00000008;
constexpr uint32_t D3DUSAGE_DYNAMIC = 0x00000200;  // default or system-memory pool only

// Lock flags. D3DLOCK_DISCARD is honoured on dynamic resources only: the old contents may be
// dropped. On any other resource it is ignored and the contents stay, as Direct3D does.
constexpr uint32_t D3DLOCK_READONLY = 0x00000010;
constexpr uint32_t D3DLOCK_DISCARD = 0x00002000;

// Flexible vertex format bits. A format is XYZ or XYZRHW, optionally DIFFUSE, optionally TEX1,
// with the fields in that order: position (3 or 4 floats), colour (D3DCOLOR), u, v (floats).
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_XYZRHW = 0x004;  // x, y in back-buffer pixels, z in [0, 1], 1/w
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_TEX1 = 0x100;

enum D3DPRIMITIVETYPE : uint32_t {
    D3DPT_LINELIST = 2,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
};

enum D3DTRANSFORMSTATETYPE : uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_WORLD = 256,
};

enum D3DRENDERSTATETYPE : uint32_t {
    D3DRS_ZENABLE = 7,            // D3DZB_FALSE / D3DZB_TRUE; default TRUE with a depth buffer
    D3DRS_SRCBLEND = 19,          // D3DBLEND; default D3DBLEND_ONE
    D3DRS_DESTBLEND = 20,         // D3DBLEND; default D3DBLEND_ZERO
    D3DRS_CULLMODE = 22,          // D3DCULL; default D3DCULL_CCW
    D3DRS_ALPHABLENDENABLE = 27,  // bool; default FALSE
    D3DRS_LIGHTING = 137,         // bool; default TRUE
};

constexpr uint32_t D3DZB_FALSE = 0;
constexpr uint32_t D3DZB_TRUE = 1;

enum D3DCULL : uint32_t {
    D3DCULL_NONE = 1,
    D3DCULL_CW = 2,   // removes triangles that are clockwise on the screen
    D3DCULL_CCW = 3,  // removes triangles that are counter-clockwise on the screen
};

enum D3DBLEND : uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
};

// Texture-stage states. The device has one stage, stage 0.
enum D3DTEXTURESTAGESTATETYPE : uint32_t {
    D3DTSS_COLOROP = 1,        // default D3DTOP_MODULATE
    D3DTSS_COLORARG1 = 2,      // default D3DTA_TEXTURE
    D3DTSS_COLORARG2 = 3,      // default D3DTA_CURRENT
    D3DTSS_ALPHAOP = 4,        // default D3DTOP_SELECTARG1
    D3DTSS_ALPHAARG1 = 5,      // default D3DTA_TEXTURE
    D3DTSS_ALPHAARG2 = 6,      // default D3DTA_CURRENT
    D3DTSS_TEXCOORDINDEX = 11, // default 0, the only coordinate set
};

enum D3DTEXTUREOP : uint32_t {
    D3DTOP_DISABLE = 1,     // the stage passes the diffuse colour and alpha on
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,    // arg1 * arg2
    D3DTOP_MODULATE2X = 5,  // 2 * arg1 * arg2, saturated
};

// Stage arguments. At stage 0 D3DTA_CURRENT is the diffuse colour. Without a texture bound,
// D3DTA_TEXTURE reads as opaque white.
constexpr uint32_t D3DTA_DIFFUSE = 0;
constexpr uint32_t D3DTA_CURRENT = 1;
constexpr uint32_t D3DTA_TEXTURE = 2;

// Sampler states. The device has one sampler, sampler 0.
enum D3DSAMPLERSTATETYPE : uint32_t {
    D3DSAMP_ADDRESSU = 1,   // default D3DTADDRESS_WRAP
    D3DSAMP_ADDRESSV = 2,   // default D3DTADDRESS_WRAP
    D3DSAMP_MAGFILTER = 5,  // default D3DTEXF_POINT
    D3DSAMP_MINFILTER = 6,  // default D3DTEXF_POINT
};

enum D3DTEXTUREADDRESS : uint32_t {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
};

enum D3DTEXTUREFILTERTYPE : uint32_t {
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
};

enum D3DSTATEBLOCKTYPE : uint32_t {
    D3DSBT_ALL = 1,
};

// Clear flags.
constexpr uint32_t D3DCLEAR_TARGET = 0x1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 0x2;  // needs a depth buffer
constexpr uint32_t D3DCLEAR_STENCIL = 0x4;  // needs a depth buffer with stencil (D24S8)

enum D3DDEVTYPE : uint32_t {
    D3DDEVTYPE_HAL = 1,
};

constexpr uint32_t D3DADAPTER_DEFAULT = 0;

// Device creation: exactly one of the three vertex-processing flags.
constexpr uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr uint32_t D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

enum D3DSWAPEFFECT : uint32_t {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
};

enum D3DMULTISAMPLE_TYPE : uint32_t {
    D3DMULTISAMPLE_NONE = 0,
};

constexpr uint32_t D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;
constexpr uint32_t D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL = 0x2;

constexpr uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;  // wait for the vertical blank
constexpr uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

}  // namespace platform

// The window a device draws into; the device layer only passes it to SDL.
struct SDL_Window;

namespace platform {

// Presentation parameters of a device (creation and Reset). The device writes back what it
// chose: a zero back-buffer size in a window becomes the window's size in pixels, an unknown
// back-buffer format A8R8G8B8, a back-buffer count of 0 one.
struct PresentParameters {
    uint32_t BackBufferWidth { 0 };
    uint32_t BackBufferHeight { 0 };
    D3DFORMAT BackBufferFormat { D3DFMT_A8R8G8B8 };  // A8R8G8B8, X8R8G8B8 or UNKNOWN
    uint32_t BackBufferCount { 1 };                  // 0 or 1
    D3DMULTISAMPLE_TYPE MultiSampleType { D3DMULTISAMPLE_NONE };
    uint32_t MultiSampleQuality { 0 };
    D3DSWAPEFFECT SwapEffect { D3DSWAPEFFECT_DISCARD };
    SDL_Window* DeviceWindow { nullptr };  // null: the focus window given at creation
    bool Windowed { true };
    bool EnableAutoDepthStencil { false };
    D3DFORMAT AutoDepthStencilFormat { D3DFMT_UNKNOWN };  // D16, D24X8 or D24S8 when enabled
    uint32_t Flags { 0 };                                 // D3DPRESENTFLAG_*
    uint32_t FullScreen_RefreshRateInHz { 0 };            // 0 in a window
    uint32_t PresentationInterval { D3DPRESENT_INTERVAL_DEFAULT };
};

struct DisplayMode {
    uint32_t Width { 0 };
    uint32_t Height { 0 };
    uint32_t RefreshRate { 0 };  // Hz; 0 when the platform does not say
    D3DFORMAT Format { D3DFMT_UNKNOWN };
};

// Pixels of the render target. MinZ and MaxZ map transformed depth; the drawing code uses
// -999 and 999, which the device accepts (depth is clamped to [0, 1] where it is stored).
// A viewport that reaches beyond the back buffer is accepted and cut at its edges.
struct Viewport {
    uint32_t X { 0 };
    uint32_t Y { 0 };
    uint32_t Width { 0 };
    uint32_t Height { 0 };
    float MinZ { 0.0f };
    float MaxZ { 1.0f };

    friend bool operator==(const Viewport&, const Viewport&) = default;
};

// A row-major 4 x 4 matrix applied to row vectors (v * M), M[row][column], as Direct3D's.
struct Matrix {
    float M[4][4] {};

    friend bool operator==(const Matrix&, const Matrix&) = default;
};

Matrix MatrixIdentity();
// The left-handed orthographic projection of the rectangle left..right x bottom..top and the
// depth range zn..zf onto x, y in [-1, 1] and z in [0, 1], element for element the matrix of
// D3DXMatrixOrthoOffCenterLH. A degenerate range gives infinite or NaN elements, as there.
Matrix MatrixOrthoOffCenterLH(float left, float right, float bottom, float top, float zn, float zf);

// A rectangle of pixels or texels: left and top inside, right and bottom outside.
struct Rect {
    int32_t Left { 0 };
    int32_t Top { 0 };
    int32_t Right { 0 };
    int32_t Bottom { 0 };

    friend bool operator==(const Rect&, const Rect&) = default;
};

// The memory of a locked texture level: texel (x, y) of the locked rectangle is the 32-bit
// value at Bits + y * Pitch + 4 * x.
struct LockedRect {
    int32_t Pitch { 0 };  // bytes per row
    void* Bits { nullptr };
};

struct SurfaceDesc {
    D3DFORMAT Format { D3DFMT_UNKNOWN };
    uint32_t Usage { 0 };
    D3DPOOL Pool { D3DPOOL_DEFAULT };
    uint32_t Width { 0 };
    uint32_t Height { 0 };
};

// Bytes of one vertex of a valid flexible vertex format; 0 for a format the device refuses.
uint32_t VertexSizeOfFVF(uint32_t fvf);

}  // namespace platform

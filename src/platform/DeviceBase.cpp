#include "platform/DeviceBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace platform {

namespace {

constexpr size_t Slot(StateItem item) { return static_cast<size_t>(item); }

// The states the devices carry out, by the family of Set...State call and the code they are
// set with there.
enum class StateFamily { Render, TextureStage, Sampler };

struct StateName {
    StateFamily Family;
    uint32_t Code;
    StateItem Item;
};

constexpr StateName StateNames[] = {
    {StateFamily::Render, D3DRS_ZENABLE, StateItem::ZEnable},
    {StateFamily::Render, D3DRS_SRCBLEND, StateItem::SrcBlend},
    {StateFamily::Render, D3DRS_DESTBLEND, StateItem::DestBlend},
    {StateFamily::Render, D3DRS_CULLMODE, StateItem::CullMode},
    {StateFamily::Render, D3DRS_ALPHABLENDENABLE, StateItem::AlphaBlendEnable},
    {StateFamily::Render, D3DRS_LIGHTING, StateItem::Lighting},
    {StateFamily::TextureStage, D3DTSS_COLOROP, StateItem::ColorOp},
    {StateFamily::TextureStage, D3DTSS_COLORARG1, StateItem::ColorArg1},
    {StateFamily::TextureStage, D3DTSS_COLORARG2, StateItem::ColorArg2},
    {StateFamily::TextureStage, D3DTSS_ALPHAOP, StateItem::AlphaOp},
    {StateFamily::TextureStage, D3DTSS_ALPHAARG1, StateItem::AlphaArg1},
    {StateFamily::TextureStage, D3DTSS_ALPHAARG2, StateItem::AlphaArg2},
    {StateFamily::TextureStage, D3DTSS_TEXCOORDINDEX, StateItem::TexCoordIndex},
    {StateFamily::Sampler, D3DSAMP_ADDRESSU, StateItem::AddressU},
    {StateFamily::Sampler, D3DSAMP_ADDRESSV, StateItem::AddressV},
    {StateFamily::Sampler, D3DSAMP_MAGFILTER, StateItem::MagFilter},
    {StateFamily::Sampler, D3DSAMP_MINFILTER, StateItem::MinFilter},
};

// The item of a state; false for a state the devices do not carry out.
bool FindStateItem(StateFamily family, uint32_t code, StateItem& item) {
    for (const StateName& name : StateNames) {
        if (name.Family == family && name.Code == code) {
            item = name.Item;
            return true;
        }
    }
    return false;
}

bool IsBlend(uint32_t value) {
    return value == D3DBLEND_ZERO || value == D3DBLEND_ONE || value == D3DBLEND_SRCALPHA ||
           value == D3DBLEND_INVSRCALPHA;
}

// Values the device can carry out; anything else is refused rather than drawn wrongly.
bool ValidValue(StateItem item, uint32_t value) {
    switch (item) {
    case StateItem::ZEnable: return value == D3DZB_FALSE || value == D3DZB_TRUE;
    case StateItem::SrcBlend:
    case StateItem::DestBlend: return IsBlend(value);
    case StateItem::CullMode: return value >= D3DCULL_NONE && value <= D3DCULL_CCW;
    case StateItem::AlphaBlendEnable:
    case StateItem::Lighting: return true;  // booleans: any non-zero value is true
    case StateItem::ColorOp:
    case StateItem::AlphaOp: return value >= D3DTOP_DISABLE && value <= D3DTOP_MODULATE2X;
    case StateItem::ColorArg1:
    case StateItem::ColorArg2:
    case StateItem::AlphaArg1:
    case StateItem::AlphaArg2: return value <= D3DTA_TEXTURE;
    case StateItem::TexCoordIndex: return value == 0;
    case StateItem::AddressU:
    case StateItem::AddressV: return value >= D3DTADDRESS_WRAP && value <= D3DTADDRESS_CLAMP;
    case StateItem::MagFilter:
    case StateItem::MinFilter: return value == D3DTEXF_POINT || value == D3DTEXF_LINEAR;
    case StateItem::Fvf: return value == 0 || VertexSizeOfFVF(value) != 0;
    default: return false;
    }
}

bool KnownPrimitive(D3DPRIMITIVETYPE type) {
    return type == D3DPT_LINELIST || type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP;
}

uint16_t ReadIndex(const uint8_t* indices, uint64_t i) {
    uint16_t index;
    std::memcpy(&index, indices + 2 * i, sizeof index);
    return index;
}

// Every index in [minIndex, minIndex + numVertices).
bool IndicesInRange(const uint8_t* indices, uint64_t count, uint32_t minIndex, uint32_t numVertices) {
    const uint64_t end = uint64_t { minIndex } + numVertices;
    for (uint64_t i = 0; i < count; ++i) {
        const uint16_t index = ReadIndex(indices, i);
        if (index < minIndex || index >= end) return false;
    }
    return true;
}

Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}

bool IsEmpty(const Rect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8;
}

}  // namespace

uint64_t ElementsOfPrimitives(D3DPRIMITIVETYPE type, uint32_t count) {
    if (count == 0) return 0;
    switch (type) {
    case D3DPT_LINELIST: return 2 * uint64_t { count };
    case D3DPT_TRIANGLELIST: return 3 * uint64_t { count };
    case D3DPT_TRIANGLESTRIP: return uint64_t { count } + 2;
    }
    return 0;
}

uint32_t DrawCall::ElementCount() const { return static_cast<uint32_t>(ElementsOfPrimitives(Type, PrimitiveCount)); }

uint16_t DrawCall::IndexAt(uint32_t i) const { return ReadIndex(Indices, i); }

const uint8_t* DrawCall::VertexOfElement(uint32_t i) const {
    const int64_t vertex = Indexed ? int64_t { BaseVertex } + IndexAt(i) : int64_t { FirstVertex } + i;
    return Vertices + vertex * Stride;
}

DeviceState DeviceState::Defaults(const PresentParameters& parameters) {
    DeviceState state;
    auto set = [&state](StateItem item, uint32_t value) { state.Values[Slot(item)] = value; };
    set(StateItem::ZEnable, parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE);
    set(StateItem::SrcBlend, D3DBLEND_ONE);
    set(StateItem::DestBlend, D3DBLEND_ZERO);
    set(StateItem::CullMode, D3DCULL_CCW);
    set(StateItem::AlphaBlendEnable, 0);
    set(StateItem::Lighting, 1);
    set(StateItem::ColorOp, D3DTOP_MODULATE);
    set(StateItem::ColorArg1, D3DTA_TEXTURE);
    set(StateItem::ColorArg2, D3DTA_CURRENT);
    set(StateItem::AlphaOp, D3DTOP_SELECTARG1);
    set(StateItem::AlphaArg1, D3DTA_TEXTURE);
    set(StateItem::AlphaArg2, D3DTA_CURRENT);
    set(StateItem::TexCoordIndex, 0);
    set(StateItem::AddressU, D3DTADDRESS_WRAP);
    set(StateItem::AddressV, D3DTADDRESS_WRAP);
    set(StateItem::MagFilter, D3DTEXF_POINT);
    set(StateItem::MinFilter, D3DTEXF_POINT);
    set(StateItem::Fvf, 0);
    state.Viewport = {0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0.0f, 1.0f};
    state.World = state.View = state.Projection = MatrixIdentity();
    return state;
}

Result NormalizePresentParameters(PresentParameters& p, uint32_t windowWidth, uint32_t windowHeight,
                                  uint32_t maxSize) {
    if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (p.BackBufferFormat != D3DFMT_A8R8G8B8 && p.BackBufferFormat != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    if (p.BackBufferCount != 1) return D3DERR_INVALIDCALL;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE || p.MultiSampleQuality != 0) return D3DERR_INVALIDCALL;
    if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
    if (p.Flags & ~(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER | D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL))
        return D3DERR_INVALIDCALL;
    if (p.PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT && p.PresentationInterval != D3DPRESENT_INTERVAL_ONE &&
        p.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE)
        return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && !IsDepthFormat(p.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    if (p.Windowed) {
        if (p.FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
        if (p.BackBufferWidth == 0) p.BackBufferWidth = windowWidth;
        if (p.BackBufferHeight == 0) p.BackBufferHeight = windowHeight;
    }
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth > maxSize || p.BackBufferHeight > maxSize) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

Result CheckDeviceCreation(uint32_t adapter, D3DDEVTYPE type, uint32_t behaviorFlags) {
    constexpr uint32_t processing =
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
    const uint32_t chosen = behaviorFlags & processing;
    if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || chosen == 0 || (chosen & (chosen - 1)))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

// ---- textures ----

BasicTexture::BasicTexture(DeviceBase& device, const SurfaceDesc& desc)
    : m_device(&device), m_desc(desc), m_texels(size_t { desc.Width } * desc.Height, 0) {
    device.Adopt(this);
}

BasicTexture::~BasicTexture() {
    if (m_device) m_device->Forget(this);
}

Result BasicTexture::GetLevelDesc(uint32_t level, SurfaceDesc& desc) {
    if (!m_device || level != 0) return D3DERR_INVALIDCALL;
    desc = m_desc;
    return D3D_OK;
}

Result BasicTexture::LockRect(uint32_t level, LockedRect& locked, const Rect* rect, uint32_t flags) {
    locked = {};
    if (!m_device || level != 0 || m_locked) return D3DERR_INVALIDCALL;
    if ((flags & ~(D3DLOCK_READONLY | D3DLOCK_DISCARD)) || flags == (D3DLOCK_READONLY | D3DLOCK_DISCARD))
        return D3DERR_INVALIDCALL;
    const bool dynamic = (m_desc.Usage & D3DUSAGE_DYNAMIC) != 0;
    if (m_desc.Pool == D3DPOOL_DEFAULT && !dynamic) return D3DERR_INVALIDCALL;
    const int32_t width = static_cast<int32_t>(m_desc.Width), height = static_cast<int32_t>(m_desc.Height);
    Rect r = rect ? *rect : Rect { 0, 0, width, height };
    if (r.Left < 0 || r.Top < 0 || r.Right > width || r.Bottom > height || IsEmpty(r)) return D3DERR_INVALIDCALL;
    m_locked = true;
    m_lockRect = r;
    m_lockReadOnly = (flags & D3DLOCK_READONLY) != 0;
    m_lockDiscard = dynamic && (flags & D3DLOCK_DISCARD) != 0;
    locked.Pitch = width * 4;
    locked.Bits = m_texels.data() + size_t(r.Top) * m_desc.Width + size_t(r.Left);
    return D3D_OK;
}

Result BasicTexture::UnlockRect(uint32_t level) {
    if (!m_device || level != 0 || !m_locked) return D3DERR_INVALIDCALL;
    m_locked = false;
    if (m_lockReadOnly) return D3D_OK;
    return Upload(m_lockRect, m_lockDiscard);
}

Result BasicTexture::Upload(const Rect&, bool) { return D3D_OK; }

// ---- buffers ----

template <class Interface>
BasicBuffer<Interface>::BasicBuffer(DeviceBase& device, uint32_t length, uint32_t usage, D3DPOOL pool)
    : m_device(&device), m_bytes(length, 0), m_usage(usage), m_pool(pool) {
    device.Adopt(this);
}

template <class Interface>
BasicBuffer<Interface>::~BasicBuffer() {
    if (m_device) m_device->Forget(this);
}

template <class Interface>
Result BasicBuffer<Interface>::Lock(uint32_t offset, uint32_t size, void*& data, uint32_t flags) {
    data = nullptr;
    if (!m_device || m_locked) return D3DERR_INVALIDCALL;
    if ((flags & ~(D3DLOCK_READONLY | D3DLOCK_DISCARD)) || flags == (D3DLOCK_READONLY | D3DLOCK_DISCARD))
        return D3DERR_INVALIDCALL;
    const uint32_t length = Length();
    if (offset >= length) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;
    if (size > length - offset) return D3DERR_INVALIDCALL;
    m_locked = true;
    m_lockOffset = offset;
    m_lockSize = size;
    m_lockReadOnly = (flags & D3DLOCK_READONLY) != 0;
    m_lockDiscard = (m_usage & D3DUSAGE_DYNAMIC) && (flags & D3DLOCK_DISCARD);
    data = m_bytes.data() + offset;
    return D3D_OK;
}

template <class Interface>
Result BasicBuffer<Interface>::Unlock() {
    if (!m_device || !m_locked) return D3DERR_INVALIDCALL;
    m_locked = false;
    if (m_lockReadOnly) return D3D_OK;
    return Upload(m_lockOffset, m_lockSize, m_lockDiscard);
}

template <class Interface>
Result BasicBuffer<Interface>::Upload(uint32_t, uint32_t, bool) {
    return D3D_OK;
}

template class BasicBuffer<VertexBuffer>;
template class BasicBuffer<IndexBuffer>;

// ---- state blocks ----

BasicStateBlock::BasicStateBlock(DeviceBase& device) : m_device(&device) { device.Adopt(this); }

BasicStateBlock::~BasicStateBlock() {
    if (m_device) m_device->Forget(this);
}

Result BasicStateBlock::Apply() {
    if (!m_device) return D3DERR_INVALIDCALL;
    return m_device->ApplyStateBlock(*this);
}

// ---- the device ----

DeviceBase::DeviceBase(const PresentParameters& parameters)
    : m_parameters(parameters), m_state(DeviceState::Defaults(parameters)) {}

DeviceBase::~DeviceBase() {
    m_recording.reset();
    DetachAll();
}

void DeviceBase::DetachAll() {
    // Detach clears each resource's link, so their destructors no longer reach this device.
    for (BasicTexture* texture : m_textures) texture->Detach();
    for (BasicVertexBuffer* buffer : m_vertexBuffers) buffer->Detach();
    for (BasicIndexBuffer* buffer : m_indexBuffers) buffer->Detach();
    for (BasicStateBlock* block : m_stateBlocks) block->Detach();
    m_textures.clear();
    m_vertexBuffers.clear();
    m_indexBuffers.clear();
    m_stateBlocks.clear();
    m_state.Texture0 = nullptr;
    m_state.Stream0 = nullptr;
    m_state.Indices = nullptr;
}

template <class Item>
void DeviceBase::Forget(std::vector<Item*>& list, Item* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

void DeviceBase::Forget(BasicTexture* texture) {
    Forget(m_textures, texture);
    auto unbind = [texture](DeviceState& state) {
        if (state.Texture0 == texture) state.Texture0 = nullptr;
    };
    unbind(m_state);
    for (BasicStateBlock* block : m_stateBlocks) unbind(block->m_state);
}

void DeviceBase::Forget(BasicVertexBuffer* buffer) {
    Forget(m_vertexBuffers, buffer);
    auto unbind = [buffer](DeviceState& state) {
        if (state.Stream0 == buffer) state.Stream0 = nullptr;
    };
    unbind(m_state);
    for (BasicStateBlock* block : m_stateBlocks) unbind(block->m_state);
}

void DeviceBase::Forget(BasicIndexBuffer* buffer) {
    Forget(m_indexBuffers, buffer);
    auto unbind = [buffer](DeviceState& state) {
        if (state.Indices == buffer) state.Indices = nullptr;
    };
    unbind(m_state);
    for (BasicStateBlock* block : m_stateBlocks) unbind(block->m_state);
}

void DeviceBase::Forget(BasicStateBlock* block) { Forget(m_stateBlocks, block); }

Rect DeviceBase::ViewportPixels() const {
    const Viewport& v = m_state.Viewport;
    const uint64_t width = m_parameters.BackBufferWidth, height = m_parameters.BackBufferHeight;
    Rect r;
    r.Left = static_cast<int32_t>(std::min<uint64_t>(v.X, width));
    r.Top = static_cast<int32_t>(std::min<uint64_t>(v.Y, height));
    r.Right = static_cast<int32_t>(std::min<uint64_t>(uint64_t { v.X } + v.Width, width));
    r.Bottom = static_cast<int32_t>(std::min<uint64_t>(uint64_t { v.Y } + v.Height, height));
    return r;
}

Result DeviceBase::TestCooperativeLevel() {
    switch (m_condition) {
    case DeviceCondition::Usable: return D3D_OK;
    case DeviceCondition::Lost: return D3DERR_DEVICELOST;
    case DeviceCondition::NotReset: return D3DERR_DEVICENOTRESET;
    }
    return D3DERR_DEVICELOST;
}

Result DeviceBase::Reset(PresentParameters& parameters) {
    if (m_condition == DeviceCondition::Lost) return D3DERR_DEVICELOST;
    auto fail = [this](Result result) {
        m_condition = DeviceCondition::NotReset;
        m_inScene = false;
        return result;
    };
    if (m_recording || !m_stateBlocks.empty()) return fail(D3DERR_INVALIDCALL);
    for (BasicTexture* texture : m_textures)
        if (texture->Desc().Pool == D3DPOOL_DEFAULT) return fail(D3DERR_INVALIDCALL);
    for (BasicVertexBuffer* buffer : m_vertexBuffers)
        if (buffer->Pool() == D3DPOOL_DEFAULT) return fail(D3DERR_INVALIDCALL);
    for (BasicIndexBuffer* buffer : m_indexBuffers)
        if (buffer->Pool() == D3DPOOL_DEFAULT) return fail(D3DERR_INVALIDCALL);

    PresentParameters p = parameters;
    if (!p.DeviceWindow) p.DeviceWindow = m_parameters.DeviceWindow;
    uint32_t windowWidth = 0, windowHeight = 0;
    if (p.Windowed && (p.BackBufferWidth == 0 || p.BackBufferHeight == 0))
        WindowPixelSize(p.DeviceWindow, windowWidth, windowHeight);
    Result result = NormalizePresentParameters(p, windowWidth, windowHeight, MaxSize());
    if (result < 0) return fail(result);
    result = ResetTarget(p);
    if (result < 0) return fail(result);
    m_parameters = p;
    parameters = p;
    m_state = DeviceState::Defaults(p);
    m_inScene = false;
    m_condition = DeviceCondition::Usable;
    return D3D_OK;
}

Result DeviceBase::Present() {
    if (m_condition != DeviceCondition::Usable) return D3DERR_DEVICELOST;
    return PresentFrame();
}

Result DeviceBase::BeginScene() {
    if (m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

Result DeviceBase::EndScene() {
    if (!m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = false;
    return D3D_OK;
}

Result DeviceBase::Clear(uint32_t count, const Rect* rects, uint32_t flags, D3DCOLOR color, float z,
                         uint32_t stencil) {
    constexpr uint32_t known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (flags == 0 || (flags & ~known)) return D3DERR_INVALIDCALL;
    const bool depth = m_parameters.EnableAutoDepthStencil;
    if ((flags & D3DCLEAR_ZBUFFER) && (!depth || !(z >= 0.0f && z <= 1.0f))) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !(depth && m_parameters.AutoDepthStencilFormat == D3DFMT_D24S8))
        return D3DERR_INVALIDCALL;
    if ((count > 0) != (rects != nullptr)) return D3DERR_INVALIDCALL;
    const Rect viewport = ViewportPixels();
    std::vector<Rect> areas;
    if (count == 0) {
        if (!IsEmpty(viewport)) areas.push_back(viewport);
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            const Rect area = Intersect(rects[i], viewport);
            if (!IsEmpty(area)) areas.push_back(area);
        }
    }
    if (m_condition != DeviceCondition::Usable || areas.empty()) return D3D_OK;
    return ClearTarget(areas, flags, color, z, stencil);
}

void DeviceBase::Mark(StateItem item) {
    if (m_recording) m_recording->m_items.set(Slot(item));
}

Result DeviceBase::SetScalar(StateItem item, uint32_t value) {
    if (!ValidValue(item, value)) return D3DERR_INVALIDCALL;
    Target().Values[Slot(item)] = value;
    Mark(item);
    return D3D_OK;
}

Result DeviceBase::SetViewport(const Viewport& viewport) {
    if (!std::isfinite(viewport.MinZ) || !std::isfinite(viewport.MaxZ)) return D3DERR_INVALIDCALL;
    Target().Viewport = viewport;
    Mark(StateItem::Viewport);
    return D3D_OK;
}

Result DeviceBase::GetViewport(Viewport& viewport) {
    viewport = m_state.Viewport;
    return D3D_OK;
}

Result DeviceBase::SetTransform(D3DTRANSFORMSTATETYPE type, const Matrix& matrix) {
    switch (type) {
    case D3DTS_WORLD: Target().World = matrix; Mark(StateItem::World); return D3D_OK;
    case D3DTS_VIEW: Target().View = matrix; Mark(StateItem::View); return D3D_OK;
    case D3DTS_PROJECTION: Target().Projection = matrix; Mark(StateItem::Projection); return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

Result DeviceBase::GetTransform(D3DTRANSFORMSTATETYPE type, Matrix& matrix) {
    switch (type) {
    case D3DTS_WORLD: matrix = m_state.World; return D3D_OK;
    case D3DTS_VIEW: matrix = m_state.View; return D3D_OK;
    case D3DTS_PROJECTION: matrix = m_state.Projection; return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

Result DeviceBase::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    StateItem item;
    if (!FindStateItem(StateFamily::Render, state, item)) return D3DERR_INVALIDCALL;
    return SetScalar(item, value);
}

Result DeviceBase::GetRenderState(D3DRENDERSTATETYPE state, uint32_t& value) {
    StateItem item;
    if (!FindStateItem(StateFamily::Render, state, item)) return D3DERR_INVALIDCALL;
    value = m_state.Value(item);
    return D3D_OK;
}

Result DeviceBase::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) {
    StateItem item;
    if (sampler != 0 || !FindStateItem(StateFamily::Sampler, type, item)) return D3DERR_INVALIDCALL;
    return SetScalar(item, value);
}

Result DeviceBase::GetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t& value) {
    StateItem item;
    if (sampler != 0 || !FindStateItem(StateFamily::Sampler, type, item)) return D3DERR_INVALIDCALL;
    value = m_state.Value(item);
    return D3D_OK;
}

Result DeviceBase::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    StateItem item;
    if (stage != 0 || !FindStateItem(StateFamily::TextureStage, type, item)) return D3DERR_INVALIDCALL;
    return SetScalar(item, value);
}

Result DeviceBase::GetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t& value) {
    StateItem item;
    if (stage != 0 || !FindStateItem(StateFamily::TextureStage, type, item)) return D3DERR_INVALIDCALL;
    value = m_state.Value(item);
    return D3D_OK;
}

Result DeviceBase::SetTexture(uint32_t stage, Texture* texture) {
    if (stage != 0) return D3DERR_INVALIDCALL;
    BasicTexture* own = nullptr;
    if (texture) {
        own = dynamic_cast<BasicTexture*>(texture);
        if (!own || own->Owner() != this || own->Desc().Pool == D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    }
    Target().Texture0 = own;
    Mark(StateItem::Texture);
    return D3D_OK;
}

Result DeviceBase::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    BasicVertexBuffer* own = nullptr;
    if (buffer) {
        own = dynamic_cast<BasicVertexBuffer*>(buffer);
        if (!own || own->Owner() != this) return D3DERR_INVALIDCALL;
    }
    DeviceState& target = Target();
    target.Stream0 = own;
    target.Stream0Offset = offset;
    target.Stream0Stride = stride;
    Mark(StateItem::Stream);
    return D3D_OK;
}

Result DeviceBase::SetIndices(IndexBuffer* buffer) {
    BasicIndexBuffer* own = nullptr;
    if (buffer) {
        own = dynamic_cast<BasicIndexBuffer*>(buffer);
        if (!own || own->Owner() != this) return D3DERR_INVALIDCALL;
    }
    Target().Indices = own;
    Mark(StateItem::Indices);
    return D3D_OK;
}

Result DeviceBase::SetFVF(uint32_t fvf) { return SetScalar(StateItem::Fvf, fvf); }

Result DeviceBase::GetFVF(uint32_t& fvf) {
    fvf = m_state.Value(StateItem::Fvf);
    return D3D_OK;
}

Result DeviceBase::CreateTextureInternal(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) {
    try {
        return NewTexture(desc, texture);
    } catch (const std::bad_alloc&) {
        texture.reset();
        return E_OUTOFMEMORY;
    }
}

Result DeviceBase::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                                 D3DPOOL pool, std::unique_ptr<Texture>& texture) {
    texture.reset();
    if (width == 0 || height == 0 || width > MaxSize() || height > MaxSize() || levels != 1) return D3DERR_INVALIDCALL;
    if ((usage & ~D3DUSAGE_DYNAMIC) || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)) return D3DERR_INVALIDCALL;
    std::unique_ptr<BasicTexture> created;
    const Result result = CreateTextureInternal({format, usage, pool, width, height}, created);
    if (result >= 0) texture = std::move(created);
    return result;
}

Result DeviceBase::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                      std::unique_ptr<VertexBuffer>& buffer) {
    buffer.reset();
    if (length == 0 || (usage & ~(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY))) return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)) return D3DERR_INVALIDCALL;
    if (fvf != 0 && (VertexSizeOfFVF(fvf) == 0 || length < VertexSizeOfFVF(fvf))) return D3DERR_INVALIDCALL;
    std::unique_ptr<BasicVertexBuffer> created;
    Result result;
    try {
        result = NewVertexBuffer(length, usage, pool, created);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (result >= 0) buffer = std::move(created);
    return result;
}

Result DeviceBase::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                     std::unique_ptr<IndexBuffer>& buffer) {
    buffer.reset();
    if (length == 0 || format != D3DFMT_INDEX16 || (usage & ~(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)))
        return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)) return D3DERR_INVALIDCALL;
    std::unique_ptr<BasicIndexBuffer> created;
    Result result;
    try {
        result = NewIndexBuffer(length, usage, pool, created);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (result >= 0) buffer = std::move(created);
    return result;
}

Result DeviceBase::NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) {
    texture = std::make_unique<BasicTexture>(*this, desc);
    return D3D_OK;
}

Result DeviceBase::NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                   std::unique_ptr<BasicVertexBuffer>& buffer) {
    buffer = std::make_unique<BasicVertexBuffer>(*this, length, usage, pool);
    return D3D_OK;
}

Result DeviceBase::NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                  std::unique_ptr<BasicIndexBuffer>& buffer) {
    buffer = std::make_unique<BasicIndexBuffer>(*this, length, usage, pool);
    return D3D_OK;
}

std::unique_ptr<BasicStateBlock> DeviceBase::NewStateBlock() { return std::make_unique<BasicStateBlock>(*this); }

Result DeviceBase::BeginStateBlock() {
    if (m_recording) return D3DERR_INVALIDCALL;
    m_recording = NewStateBlock();
    return D3D_OK;
}

Result DeviceBase::EndStateBlock(std::unique_ptr<StateBlock>& block) {
    block.reset();
    if (!m_recording) return D3DERR_INVALIDCALL;
    block = std::move(m_recording);
    return D3D_OK;
}

Result DeviceBase::CreateStateBlock(D3DSTATEBLOCKTYPE type, std::unique_ptr<StateBlock>& block) {
    block.reset();
    if (type != D3DSBT_ALL || m_recording) return D3DERR_INVALIDCALL;
    std::unique_ptr<BasicStateBlock> created = NewStateBlock();
    created->m_state = m_state;
    created->m_items.set();
    block = std::move(created);
    return D3D_OK;
}

Result DeviceBase::ApplyStateBlock(const BasicStateBlock& block) {
    DeviceState& target = Target();
    const DeviceState& source = block.m_state;
    for (size_t i = 0; i < kScalarStateCount; ++i)
        if (block.m_items.test(i)) target.Values[i] = source.Values[i];
    if (block.Holds(StateItem::Texture)) target.Texture0 = source.Texture0;
    if (block.Holds(StateItem::Stream)) {
        target.Stream0 = source.Stream0;
        target.Stream0Offset = source.Stream0Offset;
        target.Stream0Stride = source.Stream0Stride;
    }
    if (block.Holds(StateItem::Indices)) target.Indices = source.Indices;
    if (block.Holds(StateItem::Viewport)) target.Viewport = source.Viewport;
    if (block.Holds(StateItem::World)) target.World = source.World;
    if (block.Holds(StateItem::View)) target.View = source.View;
    if (block.Holds(StateItem::Projection)) target.Projection = source.Projection;
    if (m_recording) m_recording->m_items |= block.m_items;
    return D3D_OK;
}

Result DeviceBase::CheckDrawResources(const DeviceState& state) const {
    if (!m_inScene || VertexSizeOfFVF(state.Value(StateItem::Fvf)) == 0) return D3DERR_INVALIDCALL;
    if (state.Texture0 && state.Texture0->IsLocked()) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

Result DeviceBase::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count) {
    if (!KnownPrimitive(type) || CheckDrawResources(m_state) < 0) return D3DERR_INVALIDCALL;
    const BasicVertexBuffer* buffer = m_state.Stream0;
    const uint32_t fvf = m_state.Value(StateItem::Fvf), stride = m_state.Stream0Stride;
    if (!buffer || buffer->IsLocked() || stride < VertexSizeOfFVF(fvf)) return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    const uint32_t offset = m_state.Stream0Offset;
    const uint64_t available = buffer->Length() > offset ? (buffer->Length() - offset) / stride : 0;
    if (start + ElementsOfPrimitives(type, count) > available) return D3DERR_INVALIDCALL;
    if (m_condition != DeviceCondition::Usable) return D3D_OK;
    DrawCall call;
    call.Type = type;
    call.PrimitiveCount = count;
    call.Fvf = fvf;
    call.Stride = stride;
    call.VertexBuffer = buffer;
    call.VertexOffset = offset;
    call.Vertices = buffer->Bytes().data() + offset;
    call.VertexCount = static_cast<uint32_t>(available);
    call.FirstVertex = start;
    return Draw(call);
}

Result DeviceBase::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t base, uint32_t minIndex, uint32_t numVertices,
                                        uint32_t startIndex, uint32_t count) {
    if (!KnownPrimitive(type) || CheckDrawResources(m_state) < 0) return D3DERR_INVALIDCALL;
    const BasicVertexBuffer* buffer = m_state.Stream0;
    const BasicIndexBuffer* indices = m_state.Indices;
    const uint32_t fvf = m_state.Value(StateItem::Fvf), stride = m_state.Stream0Stride;
    if (!buffer || !indices || buffer->IsLocked() || indices->IsLocked() || stride < VertexSizeOfFVF(fvf))
        return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    const uint64_t indexCount = ElementsOfPrimitives(type, count);
    if (uint64_t { startIndex } + indexCount > indices->Length() / 2) return D3DERR_INVALIDCALL;
    const uint32_t offset = m_state.Stream0Offset;
    const int64_t available = buffer->Length() > offset ? (buffer->Length() - offset) / stride : 0;
    const int64_t first = int64_t { base } + minIndex;
    if (numVertices == 0 || first < 0 || first + numVertices > available) return D3DERR_INVALIDCALL;
    const uint8_t* indexBytes = indices->Bytes().data() + 2 * uint64_t { startIndex };
    if (!IndicesInRange(indexBytes, indexCount, minIndex, numVertices)) return D3DERR_INVALIDCALL;
    if (m_condition != DeviceCondition::Usable) return D3D_OK;
    DrawCall call;
    call.Type = type;
    call.PrimitiveCount = count;
    call.Fvf = fvf;
    call.Stride = stride;
    call.VertexBuffer = buffer;
    call.VertexOffset = offset;
    call.Vertices = buffer->Bytes().data() + offset;
    call.VertexCount = static_cast<uint32_t>(available);
    call.Indexed = true;
    call.BaseVertex = base;
    call.IndexBuffer = indices;
    call.IndexOffset = 2 * startIndex;
    call.Indices = indexBytes;
    call.IndexCount = static_cast<uint32_t>(indexCount);
    call.MinIndex = minIndex;
    call.NumVertices = numVertices;
    return Draw(call);
}

Result DeviceBase::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                          uint32_t count, const void* indices, D3DFORMAT indexFormat,
                                          const void* vertices, uint32_t stride) {
    if (!KnownPrimitive(type) || CheckDrawResources(m_state) < 0) return D3DERR_INVALIDCALL;
    const uint32_t fvf = m_state.Value(StateItem::Fvf);
    if (indexFormat != D3DFMT_INDEX16 || !indices || !vertices || stride < VertexSizeOfFVF(fvf))
        return D3DERR_INVALIDCALL;
    const uint64_t indexCount = ElementsOfPrimitives(type, count);
    const uint64_t vertexCount = uint64_t { minIndex } + numVertices;
    if (count > 0 && (numVertices == 0 || vertexCount > UINT32_MAX)) return D3DERR_INVALIDCALL;
    const uint8_t* indexBytes = static_cast<const uint8_t*>(indices);
    if (!IndicesInRange(indexBytes, indexCount, minIndex, numVertices)) return D3DERR_INVALIDCALL;
    Result result = D3D_OK;
    if (count > 0 && m_condition == DeviceCondition::Usable) {
        DrawCall call;
        call.Type = type;
        call.PrimitiveCount = count;
        call.Fvf = fvf;
        call.Stride = stride;
        call.Vertices = static_cast<const uint8_t*>(vertices);
        call.VertexCount = static_cast<uint32_t>(vertexCount);
        call.Indexed = true;
        call.Indices = indexBytes;
        call.IndexCount = static_cast<uint32_t>(indexCount);
        call.MinIndex = minIndex;
        call.NumVertices = numVertices;
        result = Draw(call);
    }
    // As in Direct3D, a draw from user memory leaves no stream or index buffer set.
    m_state.Stream0 = nullptr;
    m_state.Stream0Offset = 0;
    m_state.Stream0Stride = 0;
    m_state.Indices = nullptr;
    return result;
}

}  // namespace platform

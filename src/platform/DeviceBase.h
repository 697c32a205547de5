#pragma once
// What both devices share: the device state and its validation, state blocks, the lock and
// lifetime rules of resources, draw validation, the reset and lost-device rules, and picture
// files. An implementation supplies its resources (New* hooks) and the work of clearing,
// drawing, presenting and resetting; every rule a caller can observe lives here, so the
// recording device used in tests keeps the same rules as the OpenGL one.

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Device.h"

namespace platform {

class DeviceBase;

// Items of the device state, as state blocks record them.
enum class StateItem : uint32_t {
    ZEnable, SrcBlend, DestBlend, CullMode, AlphaBlendEnable, Lighting,
    ColorOp, ColorArg1, ColorArg2, AlphaOp, AlphaArg1, AlphaArg2, TexCoordIndex,
    AddressU, AddressV, MagFilter, MinFilter,
    Fvf,
    ScalarCount,  // the items above are 32-bit values in DeviceState::Values
    Texture = ScalarCount, Stream, Indices, Viewport, World, View, Projection,
    Count
};

constexpr size_t kScalarStateCount = static_cast<size_t>(StateItem::ScalarCount);
constexpr size_t kStateItemCount = static_cast<size_t>(StateItem::Count);

class BasicTexture;
template <class Interface> class BasicBuffer;
using BasicVertexBuffer = BasicBuffer<VertexBuffer>;
using BasicIndexBuffer = BasicBuffer<IndexBuffer>;

struct DeviceState {
    std::array<uint32_t, kScalarStateCount> Values {};
    BasicTexture* Texture0 { nullptr };
    BasicVertexBuffer* Stream0 { nullptr };
    uint32_t Stream0Offset { 0 };  // bytes
    uint32_t Stream0Stride { 0 };  // bytes
    BasicIndexBuffer* Indices { nullptr };
    platform::Viewport Viewport;
    Matrix World, View, Projection;

    uint32_t Value(StateItem item) const { return Values[static_cast<size_t>(item)]; }
    // Direct3D's defaults; the depth test is on by default only with a depth buffer.
    static DeviceState Defaults(const PresentParameters& parameters);
};

// A texture with its texels in CPU memory (one level, 4 bytes a texel, rows packed).
class BasicTexture : public Texture {
public:
    BasicTexture(DeviceBase& device, const SurfaceDesc& desc);
    ~BasicTexture() override;

    uint32_t GetLevelCount() override { return 1; }
    Result GetLevelDesc(uint32_t level, SurfaceDesc& desc) override;
    Result LockRect(uint32_t level, LockedRect& locked, const Rect* rect, uint32_t flags) override;
    Result UnlockRect(uint32_t level) override;

    const SurfaceDesc& Desc() const { return m_desc; }
    const std::vector<uint32_t>& Texels() const { return m_texels; }
    bool IsLocked() const { return m_locked; }
    DeviceBase* Owner() const { return m_device; }

protected:
    friend class DeviceBase;
    // Makes `rect` of the texels visible to draws; `discarded` when the lock dropped the rest.
    virtual Result Upload(const Rect& rect, bool discarded);
    // The device is going away: free what belongs to it. Later calls fail.
    virtual void Detach() { m_device = nullptr; }
    std::vector<uint32_t>& MutableTexels() { return m_texels; }

private:
    DeviceBase* m_device;
    SurfaceDesc m_desc;
    std::vector<uint32_t> m_texels;
    bool m_locked { false };
    bool m_lockReadOnly { false };
    bool m_lockDiscard { false };
    Rect m_lockRect;
};

// A vertex or index buffer with its bytes in CPU memory.
template <class Interface>
class BasicBuffer : public Interface {
public:
    BasicBuffer(DeviceBase& device, uint32_t length, uint32_t usage, D3DPOOL pool);
    ~BasicBuffer() override;

    Result Lock(uint32_t offset, uint32_t size, void*& data, uint32_t flags) override;
    Result Unlock() override;

    uint32_t Length() const { return static_cast<uint32_t>(m_bytes.size()); }
    uint32_t Usage() const { return m_usage; }
    D3DPOOL Pool() const { return m_pool; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    bool IsLocked() const { return m_locked; }
    DeviceBase* Owner() const { return m_device; }

protected:
    friend class DeviceBase;
    // Makes `size` bytes from `offset` visible to draws; `discarded` when the rest was dropped.
    virtual Result Upload(uint32_t offset, uint32_t size, bool discarded);
    virtual void Detach() { m_device = nullptr; }

private:
    DeviceBase* m_device;
    std::vector<uint8_t> m_bytes;
    uint32_t m_usage;
    D3DPOOL m_pool;
    bool m_locked { false };
    bool m_lockReadOnly { false };
    bool m_lockDiscard { false };
    uint32_t m_lockOffset { 0 };
    uint32_t m_lockSize { 0 };
};

class BasicStateBlock : public StateBlock {
public:
    explicit BasicStateBlock(DeviceBase& device);
    ~BasicStateBlock() override;

    Result Apply() override;

    const DeviceState& State() const { return m_state; }
    bool Holds(StateItem item) const { return m_items.test(static_cast<size_t>(item)); }

protected:
    friend class DeviceBase;
    virtual void Detach() { m_device = nullptr; }

private:
    DeviceBase* m_device;
    DeviceState m_state;
    std::bitset<kStateItemCount> m_items;
};

// One draw after validation, as the implementations carry it out.
struct DrawCall {
    D3DPRIMITIVETYPE Type { D3DPT_TRIANGLELIST };
    uint32_t PrimitiveCount { 0 };
    uint32_t Fvf { 0 };
    uint32_t Stride { 0 };  // bytes between vertices
    // Vertex 0 of the call: bytes VertexOffset of VertexBuffer, or the caller's memory when
    // VertexBuffer is null. Vertices points at it in CPU memory either way; VertexCount
    // vertices from it may be read.
    const BasicVertexBuffer* VertexBuffer { nullptr };
    uint32_t VertexOffset { 0 };
    const uint8_t* Vertices { nullptr };
    uint32_t VertexCount { 0 };
    bool Indexed { false };
    uint32_t FirstVertex { 0 };  // non-indexed: the first vertex drawn
    int32_t BaseVertex { 0 };    // indexed: added to every index
    // Indexed: IndexCount indices at byte IndexOffset of IndexBuffer, or the caller's memory
    // when IndexBuffer is null; Indices points at the first in CPU memory either way.
    const BasicIndexBuffer* IndexBuffer { nullptr };
    uint32_t IndexOffset { 0 };
    const uint8_t* Indices { nullptr };  // 16-bit, not necessarily aligned
    uint32_t IndexCount { 0 };
    // Indexed: every index lies in [MinIndex, MinIndex + NumVertices), as the call declared and
    // the validation checked.
    uint32_t MinIndex { 0 };
    uint32_t NumVertices { 0 };

    // Vertices (non-indexed) or indices (indexed) the primitives take.
    uint32_t ElementCount() const;
    uint16_t IndexAt(uint32_t i) const;
    // The vertex drawn as element i of the primitives (after index and base vertex).
    const uint8_t* VertexOfElement(uint32_t i) const;
};

// Where a device stands: usable, lost (drawing waits), or waiting for a Reset.
enum class DeviceCondition { Usable, Lost, NotReset };

// Checks and completes presentation parameters (see PresentParameters); `windowWidth` and
// `windowHeight` stand in for a zero back-buffer size in a window.
Result NormalizePresentParameters(PresentParameters& parameters, uint32_t windowWidth, uint32_t windowHeight,
                                  uint32_t maxSize);

// The adapter, device type and behaviour flags of a device creation: the default adapter, the
// hardware type and exactly one vertex-processing flag.
Result CheckDeviceCreation(uint32_t adapter, D3DDEVTYPE type, uint32_t behaviorFlags);

// Primitives of a type as vertices or indices; 0 for a type the device does not draw.
uint64_t ElementsOfPrimitives(D3DPRIMITIVETYPE type, uint32_t count);

class DeviceBase : public Device {
public:
    explicit DeviceBase(const PresentParameters& parameters);
    ~DeviceBase() override;

    Result TestCooperativeLevel() override;
    Result Reset(PresentParameters& parameters) override;
    Result Present() override;
    Result BeginScene() override;
    Result EndScene() override;
    Result Clear(uint32_t count, const Rect* rects, uint32_t flags, D3DCOLOR color, float z, uint32_t stencil) override;
    Result SetViewport(const Viewport& viewport) override;
    Result GetViewport(Viewport& viewport) override;
    Result SetTransform(D3DTRANSFORMSTATETYPE type, const Matrix& matrix) override;
    Result GetTransform(D3DTRANSFORMSTATETYPE type, Matrix& matrix) override;
    Result SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    Result GetRenderState(D3DRENDERSTATETYPE state, uint32_t& value) override;
    Result SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) override;
    Result GetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t& value) override;
    Result SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    Result GetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t& value) override;
    Result SetTexture(uint32_t stage, Texture* texture) override;
    Result SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) override;
    Result SetIndices(IndexBuffer* buffer) override;
    Result SetFVF(uint32_t fvf) override;
    Result GetFVF(uint32_t& fvf) override;
    Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                         D3DPOOL pool, std::unique_ptr<Texture>& texture) override;
    Result CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                              std::unique_ptr<VertexBuffer>& buffer) override;
    Result CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                             std::unique_ptr<IndexBuffer>& buffer) override;
    Result CreateTextureFromFile(const std::string& path, std::unique_ptr<Texture>& texture) override;
    Result BeginStateBlock() override;
    Result EndStateBlock(std::unique_ptr<StateBlock>& block) override;
    Result CreateStateBlock(D3DSTATEBLOCKTYPE type, std::unique_ptr<StateBlock>& block) override;
    Result DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count) override;
    Result DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t base, uint32_t minIndex, uint32_t numVertices,
                                uint32_t startIndex, uint32_t count) override;
    Result DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices, uint32_t count,
                                  const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                  uint32_t stride) override;

    const DeviceState& State() const { return m_state; }
    const PresentParameters& Parameters() const { return m_parameters; }
    DeviceCondition Condition() const { return m_condition; }
    bool InScene() const { return m_inScene; }
    // The viewport cut to the back buffer, in pixels; empty when nothing of it is inside.
    Rect ViewportPixels() const;

    // Resource bookkeeping, called by the resources themselves.
    void Adopt(BasicTexture* texture) { m_textures.push_back(texture); }
    void Adopt(BasicVertexBuffer* buffer) { m_vertexBuffers.push_back(buffer); }
    void Adopt(BasicIndexBuffer* buffer) { m_indexBuffers.push_back(buffer); }
    void Adopt(BasicStateBlock* block) { m_stateBlocks.push_back(block); }
    void Forget(BasicTexture* texture);
    void Forget(BasicVertexBuffer* buffer);
    void Forget(BasicIndexBuffer* buffer);
    void Forget(BasicStateBlock* block);
    Result ApplyStateBlock(const BasicStateBlock& block);

protected:
    void SetCondition(DeviceCondition condition) { m_condition = condition; }
    // Leaves every live resource and state block inert; an implementation calls it in its
    // destructor while it can still free what the resources hold.
    void DetachAll();
    // Largest texture side and back-buffer side.
    virtual uint32_t MaxSize() const { return 16384; }

    // The implementation's resources, for parameters already checked.
    virtual Result NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture);
    virtual Result NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                   std::unique_ptr<BasicVertexBuffer>& buffer);
    virtual Result NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                  std::unique_ptr<BasicIndexBuffer>& buffer);
    virtual std::unique_ptr<BasicStateBlock> NewStateBlock();

    // The work itself, after validation and only while the device is usable. `rects` are
    // inside the back buffer and not empty.
    virtual Result ClearTarget(const std::vector<Rect>& rects, uint32_t flags, D3DCOLOR color, float z,
                               uint32_t stencil) = 0;
    virtual Result Draw(const DrawCall& call) = 0;
    virtual Result PresentFrame() = 0;
    // Takes on new parameters, already checked and completed (back-buffer size, window mode).
    virtual Result ResetTarget(const PresentParameters& parameters) = 0;
    // The window's size in pixels, for a zero back-buffer size on Reset.
    virtual void WindowPixelSize(SDL_Window* window, uint32_t& width, uint32_t& height) = 0;

private:
    template <class Item> void Forget(std::vector<Item*>& list, Item* item);
    DeviceState& Target() { return m_recording ? m_recording->m_state : m_state; }
    void Mark(StateItem item);
    Result SetScalar(StateItem item, uint32_t value);
    Result CheckDrawResources(const DeviceState& state) const;
    Result CreateTextureInternal(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture);

    PresentParameters m_parameters;
    DeviceState m_state;
    DeviceCondition m_condition { DeviceCondition::Usable };
    bool m_inScene { false };
    std::unique_ptr<BasicStateBlock> m_recording;
    std::vector<BasicTexture*> m_textures;
    std::vector<BasicVertexBuffer*> m_vertexBuffers;
    std::vector<BasicIndexBuffer*> m_indexBuffers;
    std::vector<BasicStateBlock*> m_stateBlocks;
};

}  // namespace platform

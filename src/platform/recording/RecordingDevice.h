#pragma once
// A device that draws nothing and remembers everything, for tests: every call in order with
// its arguments and result, the device state, the contents of buffers and textures, and for
// each draw the vertices it drew and the state it drew with. It keeps all the rules of the
// real device (DeviceBase), can be told to fail a chosen call with a chosen result, and can be
// lost and made resettable, so every failure path of the drawing code can be driven.
//
// Call names: device calls by their own name ("SetRenderState", "DrawIndexedPrimitiveUP"),
// resource calls prefixed by their class ("Texture.LockRect", "VertexBuffer.Lock",
// "IndexBuffer.Unlock", "StateBlock.Apply"), destruction as "<Class>.Release", the factory's as
// "GetAdapterModeCount", "EnumAdapterModes", "CreateDevice". Arguments are written in call
// order, separated by ", ": integers in decimal, colours and vertex formats as 0x%X, floats as
// %g, resources as their names ("Texture#3", "null"); creations end with " -> " + the name of
// the new object, e.g. CreateTexture "200, 100, 1, 512, 21, 0 -> Texture#1".

#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceBase.h"

namespace platform {

// What one draw drew.
struct DrawSnapshot {
    D3DPRIMITIVETYPE Type { D3DPT_TRIANGLELIST };
    uint32_t PrimitiveCount { 0 };
    uint32_t Fvf { 0 };
    uint32_t Stride { 0 };
    // One Stride-sized record per vertex in drawing order, indices already resolved: vertex
    // e of the primitives is Vertices[e * Stride ...].
    std::vector<uint8_t> Vertices;
    std::vector<uint16_t> Indices;  // indexed draws: the indices as given
    DeviceState State;              // resource pointers in it are for comparison only
    std::string TextureName;        // the texture on stage 0, or "null"

    uint32_t ElementCount() const { return Stride ? static_cast<uint32_t>(Vertices.size() / Stride) : 0; }
    // The 32-bit field at `byteOffset` of vertex `element`.
    float FloatAt(uint32_t element, uint32_t byteOffset) const;
    uint32_t DwordAt(uint32_t element, uint32_t byteOffset) const;
};

struct RecordedCall {
    std::string Name;
    std::string Arguments;
    Result Outcome { D3D_OK };
    bool Injected { false };  // failed on request, without doing anything
    std::unique_ptr<DrawSnapshot> Draw;  // set for draws that drew
};

// The calls of one Direct3D object and its devices, and the failures asked for.
class RecordingLog {
public:
    const std::vector<RecordedCall>& Calls() const { return m_calls; }
    std::vector<const RecordedCall*> CallsNamed(const std::string& name) const;
    size_t CountCalls(const std::string& name) const;
    // "Name(Arguments)" of every call, one a line, for test failure messages.
    std::string Dump() const;
    void ClearCalls() { m_calls.clear(); }

    // Makes the `occurrence`-th call named `name` from now on (1 = the next one) and the
    // `times` - 1 calls of that name after it (times 0: every one from then on) fail with
    // `result` without doing anything.
    void FailCall(const std::string& name, uint32_t occurrence = 1, Result result = D3DERR_INVALIDCALL,
                  uint32_t times = 1);
    void ClearFailures() { m_rules.clear(); }

    // For the recording objects: appends a call and returns its index, and tells whether it
    // is to fail (D3D_OK when not).
    size_t Append(std::string name, std::string arguments);
    Result Injected(const std::string& name);
    RecordedCall& At(size_t index) { return m_calls[index]; }
    uint32_t NextId() { return ++m_lastId; }

private:
    struct Rule {
        std::string Name;
        uint32_t Skip;   // calls of that name still to let through
        uint32_t Times;  // failures still to make; 0 means without end
        Result Code;
    };
    std::vector<RecordedCall> m_calls;
    std::vector<Rule> m_rules;
    uint32_t m_lastId { 0 };
};

class RecordingDevice : public DeviceBase {
public:
    // A device with checked parameters (see NormalizePresentParameters), recording into `log`
    // (a log of its own when null).
    RecordingDevice(const PresentParameters& parameters, std::shared_ptr<RecordingLog> log = nullptr);
    ~RecordingDevice() override;
    // A windowed device with a width x height back buffer and a log of its own.
    static std::unique_ptr<RecordingDevice> Make(uint32_t width = 800, uint32_t height = 600);

    RecordingLog& Log() { return *m_log; }
    const std::shared_ptr<RecordingLog>& SharedLog() const { return m_log; }

    // The device becomes lost: Present reports D3DERR_DEVICELOST, and TestCooperativeLevel
    // reports D3DERR_DEVICELOST `lostReports` more times, then D3DERR_DEVICENOTRESET until a
    // Reset succeeds.
    void LoseDevice(uint32_t lostReports = 1);
    // The window size that a zero back-buffer size takes on Reset.
    void SetWindowSize(uint32_t width, uint32_t height);

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

protected:
    Result NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) override;
    Result NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                           std::unique_ptr<BasicVertexBuffer>& buffer) override;
    Result NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                          std::unique_ptr<BasicIndexBuffer>& buffer) override;
    std::unique_ptr<BasicStateBlock> NewStateBlock() override;
    Result ClearTarget(const std::vector<Rect>& rects, uint32_t flags, D3DCOLOR color, float z,
                       uint32_t stencil) override;
    Result Draw(const DrawCall& call) override;
    Result PresentFrame() override { return D3D_OK; }
    Result ResetTarget(const PresentParameters&) override { return D3D_OK; }
    void WindowPixelSize(SDL_Window* window, uint32_t& width, uint32_t& height) override;

private:
    friend class RecordingDirect3D;
    template <class Action> Result Record(const char* name, std::string arguments, Action action);

    std::shared_ptr<RecordingLog> m_log;
    std::shared_ptr<RecordingDevice*> m_slot;  // the factory's LastDevice, cleared on destruction
    size_t m_currentCall { 0 };
    uint32_t m_lostReports { 0 };
    uint32_t m_windowWidth { 0 };
    uint32_t m_windowHeight { 0 };
};

// The name a recording resource was given ("Texture#3"); "null" for none, "foreign" for an
// object of another kind of device.
std::string RecordedName(const Texture* texture);
std::string RecordedName(const VertexBuffer* buffer);
std::string RecordedName(const IndexBuffer* buffer);
std::string RecordedName(const StateBlock* block);

class RecordingDirect3D : public Direct3D {
public:
    RecordingDirect3D();

    RecordingLog& Log() { return *m_log; }
    // The full-screen modes offered in X8R8G8B8 (by default 640 x 480 to 1920 x 1080).
    std::vector<DisplayMode>& Modes() { return m_modes; }
    // The window size that a zero back-buffer size takes.
    void SetWindowSize(uint32_t width, uint32_t height);
    // The newest device created and still alive, or null.
    RecordingDevice* LastDevice() const;

    uint32_t GetAdapterModeCount(uint32_t adapter, D3DFORMAT format) override;
    Result EnumAdapterModes(uint32_t adapter, D3DFORMAT format, uint32_t index, DisplayMode& mode) override;
    Result CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focusWindow, uint32_t behaviorFlags,
                        PresentParameters& parameters, std::unique_ptr<Device>& device) override;

private:
    std::shared_ptr<RecordingLog> m_log;
    std::vector<DisplayMode> m_modes;
    uint32_t m_windowWidth { 800 };
    uint32_t m_windowHeight { 600 };
    std::shared_ptr<RecordingDevice*> m_lastDevice;
};

}  // namespace platform

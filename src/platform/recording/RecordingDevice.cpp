#include "platform/recording/RecordingDevice.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// ---- argument texts ----

struct Hex {
    uint32_t Value;
};

std::string ToArg(uint32_t value) { return std::to_string(value); }
std::string ToArg(int32_t value) { return std::to_string(value); }
std::string ToArg(Hex value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value.Value);
    return text;
}
std::string ToArg(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}
std::string ToArg(const std::string& value) { return value; }

template <class... Values>
std::string Args(const Values&... values) {
    std::string text;
    ((text += (text.empty() ? "" : ", ") + ToArg(values)), ...);
    return text;
}

std::string RectArg(const Rect* rect) {
    if (!rect) return "whole";
    return Args(rect->Left, rect->Top, rect->Right, rect->Bottom);
}

// ---- resources that log their calls ----

class Named {
public:
    Named(RecordingLog& log, const char* kind) : m_name(std::string(kind) + "#" + std::to_string(log.NextId())) {}
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

template <class Action>
Result RecordOn(RecordingLog& log, const std::string& name, std::string arguments, Action action) {
    const size_t index = log.Append(name, std::move(arguments));
    Result result = log.Injected(name);
    if (result < 0) {
        log.At(index).Injected = true;
    } else {
        result = action();
    }
    log.At(index).Outcome = result;
    return result;
}

class RecordingTexture : public BasicTexture, public Named {
public:
    RecordingTexture(DeviceBase& device, const SurfaceDesc& desc, std::shared_ptr<RecordingLog> log)
        : BasicTexture(device, desc), Named(*log, "Texture"), m_log(std::move(log)) {}
    ~RecordingTexture() override { m_log->Append("Texture.Release", Name()); }

    Result GetLevelDesc(uint32_t level, SurfaceDesc& desc) override {
        return RecordOn(*m_log, "Texture.GetLevelDesc", Args(Name(), level),
                        [&] { return BasicTexture::GetLevelDesc(level, desc); });
    }
    Result LockRect(uint32_t level, LockedRect& locked, const Rect* rect, uint32_t flags) override {
        locked = {};
        return RecordOn(*m_log, "Texture.LockRect", Args(Name(), level, RectArg(rect), Hex {flags}),
                        [&] { return BasicTexture::LockRect(level, locked, rect, flags); });
    }
    Result UnlockRect(uint32_t level) override {
        return RecordOn(*m_log, "Texture.UnlockRect", Args(Name(), level),
                        [&] { return BasicTexture::UnlockRect(level); });
    }

private:
    std::shared_ptr<RecordingLog> m_log;
};

template <class Interface>
class RecordingBuffer : public BasicBuffer<Interface>, public Named {
public:
    RecordingBuffer(DeviceBase& device, uint32_t length, uint32_t usage, D3DPOOL pool, const char* kind,
                    std::shared_ptr<RecordingLog> log)
        : BasicBuffer<Interface>(device, length, usage, pool), Named(*log, kind), m_kind(kind), m_log(std::move(log)) {}
    ~RecordingBuffer() override { m_log->Append(m_kind + ".Release", Name()); }

    Result Lock(uint32_t offset, uint32_t size, void*& data, uint32_t flags) override {
        data = nullptr;
        return RecordOn(*m_log, m_kind + ".Lock", Args(Name(), offset, size, Hex {flags}),
                        [&] { return BasicBuffer<Interface>::Lock(offset, size, data, flags); });
    }
    Result Unlock() override {
        return RecordOn(*m_log, m_kind + ".Unlock", Name(), [&] { return BasicBuffer<Interface>::Unlock(); });
    }

private:
    std::string m_kind;
    std::shared_ptr<RecordingLog> m_log;
};

class RecordingStateBlock : public BasicStateBlock, public Named {
public:
    RecordingStateBlock(DeviceBase& device, std::shared_ptr<RecordingLog> log)
        : BasicStateBlock(device), Named(*log, "StateBlock"), m_log(std::move(log)) {}
    ~RecordingStateBlock() override { m_log->Append("StateBlock.Release", Name()); }

    Result Apply() override {
        return RecordOn(*m_log, "StateBlock.Apply", Name(), [&] { return BasicStateBlock::Apply(); });
    }

private:
    std::shared_ptr<RecordingLog> m_log;
};

template <class Interface>
std::string NameOf(const Interface* object) {
    if (!object) return "null";
    const Named* named = dynamic_cast<const Named*>(object);
    return named ? named->Name() : "foreign";
}

template <class Owned>
std::string CreatedName(Result result, const std::unique_ptr<Owned>& object) {
    return result >= 0 && object ? " -> " + NameOf(object.get()) : "";
}

}  // namespace

std::string RecordedName(const Texture* texture) { return NameOf(texture); }
std::string RecordedName(const VertexBuffer* buffer) { return NameOf(buffer); }
std::string RecordedName(const IndexBuffer* buffer) { return NameOf(buffer); }
std::string RecordedName(const StateBlock* block) { return NameOf(block); }

// ---- snapshots and the log ----

float DrawSnapshot::FloatAt(uint32_t element, uint32_t byteOffset) const {
    float value = 0;
    if (size_t(element) * Stride + byteOffset + 4 <= Vertices.size())
        std::memcpy(&value, Vertices.data() + size_t(element) * Stride + byteOffset, 4);
    return value;
}

uint32_t DrawSnapshot::DwordAt(uint32_t element, uint32_t byteOffset) const {
    uint32_t value = 0;
    if (size_t(element) * Stride + byteOffset + 4 <= Vertices.size())
        std::memcpy(&value, Vertices.data() + size_t(element) * Stride + byteOffset, 4);
    return value;
}

std::vector<const RecordedCall*> RecordingLog::CallsNamed(const std::string& name) const {
    std::vector<const RecordedCall*> found;
    for (const RecordedCall& call : m_calls)
        if (call.Name == name) found.push_back(&call);
    return found;
}

size_t RecordingLog::CountCalls(const std::string& name) const { return CallsNamed(name).size(); }

std::string RecordingLog::Dump() const {
    std::string text;
    for (const RecordedCall& call : m_calls) {
        text += call.Name + "(" + call.Arguments + ")";
        if (call.Outcome < 0) text += " = " + ToArg(Hex {static_cast<uint32_t>(call.Outcome)});
        text += "\n";
    }
    return text;
}

void RecordingLog::FailCall(const std::string& name, uint32_t occurrence, Result result, uint32_t times) {
    m_rules.push_back({name, occurrence > 0 ? occurrence - 1 : 0, times, result});
}

size_t RecordingLog::Append(std::string name, std::string arguments) {
    RecordedCall call;
    call.Name = std::move(name);
    call.Arguments = std::move(arguments);
    m_calls.push_back(std::move(call));
    return m_calls.size() - 1;
}

Result RecordingLog::Injected(const std::string& name) {
    Result result = D3D_OK;
    for (auto rule = m_rules.begin(); rule != m_rules.end();) {
        if (rule->Name != name) {
            ++rule;
            continue;
        }
        if (rule->Skip > 0) {
            --rule->Skip;
            ++rule;
            continue;
        }
        if (result >= 0) {
            result = rule->Code;
            if (rule->Times == 1) {
                rule = m_rules.erase(rule);
                continue;
            }
            if (rule->Times > 1) --rule->Times;
        }
        ++rule;
    }
    return result;
}

// ---- the device ----

RecordingDevice::RecordingDevice(const PresentParameters& parameters, std::shared_ptr<RecordingLog> log)
    : DeviceBase(parameters),
      m_log(log ? std::move(log) : std::make_shared<RecordingLog>()),
      m_windowWidth(parameters.BackBufferWidth),
      m_windowHeight(parameters.BackBufferHeight) {}

RecordingDevice::~RecordingDevice() {
    if (m_slot && *m_slot == this) *m_slot = nullptr;
    m_log->Append("Device.Release", "");
}

std::unique_ptr<RecordingDevice> RecordingDevice::Make(uint32_t width, uint32_t height) {
    PresentParameters parameters;
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    NormalizePresentParameters(parameters, width, height, 16384);
    return std::make_unique<RecordingDevice>(parameters);
}

void RecordingDevice::LoseDevice(uint32_t lostReports) {
    m_lostReports = lostReports;
    SetCondition(DeviceCondition::Lost);
}

void RecordingDevice::SetWindowSize(uint32_t width, uint32_t height) {
    m_windowWidth = width;
    m_windowHeight = height;
}

void RecordingDevice::WindowPixelSize(SDL_Window*, uint32_t& width, uint32_t& height) {
    width = m_windowWidth;
    height = m_windowHeight;
}

template <class Action>
Result RecordingDevice::Record(const char* name, std::string arguments, Action action) {
    const size_t index = m_log->Append(name, std::move(arguments));
    m_currentCall = index;
    Result result = m_log->Injected(name);
    if (result < 0) {
        m_log->At(index).Injected = true;
    } else {
        result = action();
    }
    m_log->At(index).Outcome = result;
    return result;
}

Result RecordingDevice::TestCooperativeLevel() {
    return Record("TestCooperativeLevel", "", [&] {
        if (Condition() == DeviceCondition::Lost) {
            if (m_lostReports == 0) SetCondition(DeviceCondition::NotReset);
            else --m_lostReports;
        }
        return DeviceBase::TestCooperativeLevel();
    });
}

Result RecordingDevice::Reset(PresentParameters& p) {
    return Record("Reset", Args(p.BackBufferWidth, p.BackBufferHeight, uint32_t(p.Windowed), p.FullScreen_RefreshRateInHz),
                  [&] { return DeviceBase::Reset(p); });
}

Result RecordingDevice::Present() {
    return Record("Present", "", [&] { return DeviceBase::Present(); });
}

Result RecordingDevice::BeginScene() {
    return Record("BeginScene", "", [&] { return DeviceBase::BeginScene(); });
}

Result RecordingDevice::EndScene() {
    return Record("EndScene", "", [&] { return DeviceBase::EndScene(); });
}

Result RecordingDevice::Clear(uint32_t count, const Rect* rects, uint32_t flags, D3DCOLOR color, float z,
                              uint32_t stencil) {
    return Record("Clear", Args(count, Hex {flags}, Hex {color}, z, stencil),
                  [&] { return DeviceBase::Clear(count, rects, flags, color, z, stencil); });
}

Result RecordingDevice::SetViewport(const Viewport& v) {
    return Record("SetViewport", Args(v.X, v.Y, v.Width, v.Height, v.MinZ, v.MaxZ),
                  [&] { return DeviceBase::SetViewport(v); });
}

Result RecordingDevice::GetViewport(Viewport& viewport) {
    return Record("GetViewport", "", [&] { return DeviceBase::GetViewport(viewport); });
}

Result RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const Matrix& matrix) {
    std::string arguments = ToArg(uint32_t(type));
    for (const auto& row : matrix.M)
        for (float value : row) arguments += ", " + ToArg(value);
    return Record("SetTransform", std::move(arguments), [&] { return DeviceBase::SetTransform(type, matrix); });
}

Result RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE type, Matrix& matrix) {
    return Record("GetTransform", Args(uint32_t(type)), [&] { return DeviceBase::GetTransform(type, matrix); });
}

Result RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    return Record("SetRenderState", Args(uint32_t(state), value), [&] { return DeviceBase::SetRenderState(state, value); });
}

Result RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, uint32_t& value) {
    return Record("GetRenderState", Args(uint32_t(state)), [&] { return DeviceBase::GetRenderState(state, value); });
}

Result RecordingDevice::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) {
    return Record("SetSamplerState", Args(sampler, uint32_t(type), value),
                  [&] { return DeviceBase::SetSamplerState(sampler, type, value); });
}

Result RecordingDevice::GetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t& value) {
    return Record("GetSamplerState", Args(sampler, uint32_t(type)),
                  [&] { return DeviceBase::GetSamplerState(sampler, type, value); });
}

Result RecordingDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    return Record("SetTextureStageState", Args(stage, uint32_t(type), value),
                  [&] { return DeviceBase::SetTextureStageState(stage, type, value); });
}

Result RecordingDevice::GetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t& value) {
    return Record("GetTextureStageState", Args(stage, uint32_t(type)),
                  [&] { return DeviceBase::GetTextureStageState(stage, type, value); });
}

Result RecordingDevice::SetTexture(uint32_t stage, Texture* texture) {
    return Record("SetTexture", Args(stage, NameOf(texture)), [&] { return DeviceBase::SetTexture(stage, texture); });
}

Result RecordingDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) {
    return Record("SetStreamSource", Args(stream, NameOf(buffer), offset, stride),
                  [&] { return DeviceBase::SetStreamSource(stream, buffer, offset, stride); });
}

Result RecordingDevice::SetIndices(IndexBuffer* buffer) {
    return Record("SetIndices", NameOf(buffer), [&] { return DeviceBase::SetIndices(buffer); });
}

Result RecordingDevice::SetFVF(uint32_t fvf) {
    return Record("SetFVF", Args(Hex {fvf}), [&] { return DeviceBase::SetFVF(fvf); });
}

Result RecordingDevice::GetFVF(uint32_t& fvf) {
    return Record("GetFVF", "", [&] { return DeviceBase::GetFVF(fvf); });
}

Result RecordingDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                      D3DFORMAT format, D3DPOOL pool, std::unique_ptr<Texture>& texture) {
    texture.reset();
    const Result result =
        Record("CreateTexture", Args(width, height, levels, usage, uint32_t(format), uint32_t(pool)),
               [&] { return DeviceBase::CreateTexture(width, height, levels, usage, format, pool, texture); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, texture);
    return result;
}

Result RecordingDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                           std::unique_ptr<VertexBuffer>& buffer) {
    buffer.reset();
    const Result result = Record("CreateVertexBuffer", Args(length, usage, Hex {fvf}, uint32_t(pool)),
                                 [&] { return DeviceBase::CreateVertexBuffer(length, usage, fvf, pool, buffer); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, buffer);
    return result;
}

Result RecordingDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                          std::unique_ptr<IndexBuffer>& buffer) {
    buffer.reset();
    const Result result = Record("CreateIndexBuffer", Args(length, usage, uint32_t(format), uint32_t(pool)),
                                 [&] { return DeviceBase::CreateIndexBuffer(length, usage, format, pool, buffer); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, buffer);
    return result;
}

Result RecordingDevice::CreateTextureFromFile(const std::string& path, std::unique_ptr<Texture>& texture) {
    texture.reset();
    const Result result =
        Record("CreateTextureFromFile", path, [&] { return DeviceBase::CreateTextureFromFile(path, texture); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, texture);
    return result;
}

Result RecordingDevice::BeginStateBlock() {
    return Record("BeginStateBlock", "", [&] { return DeviceBase::BeginStateBlock(); });
}

Result RecordingDevice::EndStateBlock(std::unique_ptr<StateBlock>& block) {
    block.reset();
    const Result result = Record("EndStateBlock", "", [&] { return DeviceBase::EndStateBlock(block); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, block);
    return result;
}

Result RecordingDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, std::unique_ptr<StateBlock>& block) {
    block.reset();
    const Result result =
        Record("CreateStateBlock", Args(uint32_t(type)), [&] { return DeviceBase::CreateStateBlock(type, block); });
    m_log->At(m_currentCall).Arguments += CreatedName(result, block);
    return result;
}

Result RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count) {
    return Record("DrawPrimitive", Args(uint32_t(type), start, count),
                  [&] { return DeviceBase::DrawPrimitive(type, start, count); });
}

Result RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t base, uint32_t minIndex,
                                             uint32_t numVertices, uint32_t startIndex, uint32_t count) {
    return Record("DrawIndexedPrimitive", Args(uint32_t(type), base, minIndex, numVertices, startIndex, count),
                  [&] { return DeviceBase::DrawIndexedPrimitive(type, base, minIndex, numVertices, startIndex, count); });
}

Result RecordingDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                               uint32_t count, const void* indices, D3DFORMAT indexFormat,
                                               const void* vertices, uint32_t stride) {
    return Record("DrawIndexedPrimitiveUP", Args(uint32_t(type), minIndex, numVertices, count, stride), [&] {
        return DeviceBase::DrawIndexedPrimitiveUP(type, minIndex, numVertices, count, indices, indexFormat, vertices,
                                                  stride);
    });
}

Result RecordingDevice::NewTexture(const SurfaceDesc& desc, std::unique_ptr<BasicTexture>& texture) {
    texture = std::make_unique<RecordingTexture>(*this, desc, m_log);
    return D3D_OK;
}

Result RecordingDevice::NewVertexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                        std::unique_ptr<BasicVertexBuffer>& buffer) {
    buffer = std::make_unique<RecordingBuffer<VertexBuffer>>(*this, length, usage, pool, "VertexBuffer", m_log);
    return D3D_OK;
}

Result RecordingDevice::NewIndexBuffer(uint32_t length, uint32_t usage, D3DPOOL pool,
                                       std::unique_ptr<BasicIndexBuffer>& buffer) {
    buffer = std::make_unique<RecordingBuffer<IndexBuffer>>(*this, length, usage, pool, "IndexBuffer", m_log);
    return D3D_OK;
}

std::unique_ptr<BasicStateBlock> RecordingDevice::NewStateBlock() {
    return std::make_unique<RecordingStateBlock>(*this, m_log);
}

Result RecordingDevice::ClearTarget(const std::vector<Rect>&, uint32_t, D3DCOLOR, float, uint32_t) { return D3D_OK; }

Result RecordingDevice::Draw(const DrawCall& call) {
    auto snapshot = std::make_unique<DrawSnapshot>();
    snapshot->Type = call.Type;
    snapshot->PrimitiveCount = call.PrimitiveCount;
    snapshot->Fvf = call.Fvf;
    snapshot->Stride = call.Stride;
    const uint32_t elements = call.ElementCount();
    snapshot->Vertices.resize(size_t(elements) * call.Stride);
    for (uint32_t e = 0; e < elements; ++e)
        std::memcpy(snapshot->Vertices.data() + size_t(e) * call.Stride, call.VertexOfElement(e), call.Stride);
    if (call.Indexed) {
        snapshot->Indices.resize(call.IndexCount);
        for (uint32_t i = 0; i < call.IndexCount; ++i) snapshot->Indices[i] = call.IndexAt(i);
    }
    snapshot->State = State();
    snapshot->TextureName = NameOf(static_cast<const Texture*>(State().Texture0));
    m_log->At(m_currentCall).Draw = std::move(snapshot);
    return D3D_OK;
}

// ---- the factory ----

RecordingDirect3D::RecordingDirect3D()
    : m_log(std::make_shared<RecordingLog>()), m_lastDevice(std::make_shared<RecordingDevice*>(nullptr)) {
    for (auto [width, height] : {std::pair {640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}, {1920u, 1080u}})
        m_modes.push_back({width, height, 60, D3DFMT_X8R8G8B8});
}

void RecordingDirect3D::SetWindowSize(uint32_t width, uint32_t height) {
    m_windowWidth = width;
    m_windowHeight = height;
}

RecordingDevice* RecordingDirect3D::LastDevice() const { return *m_lastDevice; }

uint32_t RecordingDirect3D::GetAdapterModeCount(uint32_t adapter, D3DFORMAT format) {
    uint32_t count = 0;
    RecordOn(*m_log, "GetAdapterModeCount", Args(adapter, uint32_t(format)), [&] {
        if (adapter == D3DADAPTER_DEFAULT && format == D3DFMT_X8R8G8B8) count = static_cast<uint32_t>(m_modes.size());
        return D3D_OK;
    });
    return count;
}

Result RecordingDirect3D::EnumAdapterModes(uint32_t adapter, D3DFORMAT format, uint32_t index, DisplayMode& mode) {
    return RecordOn(*m_log, "EnumAdapterModes", Args(adapter, uint32_t(format), index), [&] {
        if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8 || index >= m_modes.size())
            return D3DERR_INVALIDCALL;
        mode = m_modes[index];
        return D3D_OK;
    });
}

Result RecordingDirect3D::CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focusWindow,
                                       uint32_t behaviorFlags, PresentParameters& parameters,
                                       std::unique_ptr<Device>& device) {
    device.reset();
    const std::string arguments = Args(adapter, uint32_t(type), Hex {behaviorFlags}, parameters.BackBufferWidth,
                                       parameters.BackBufferHeight, uint32_t(parameters.Windowed));
    return RecordOn(*m_log, "CreateDevice", arguments, [&] {
        Result result = CheckDeviceCreation(adapter, type, behaviorFlags);
        if (result < 0) return result;
        PresentParameters p = parameters;
        if (!p.DeviceWindow) p.DeviceWindow = focusWindow;
        result = NormalizePresentParameters(p, m_windowWidth, m_windowHeight, 16384);
        if (result < 0) return result;
        auto created = std::make_unique<RecordingDevice>(p, m_log);
        created->SetWindowSize(m_windowWidth, m_windowHeight);
        created->m_slot = m_lastDevice;
        *m_lastDevice = created.get();
        parameters = p;
        device = std::move(created);
        return D3D_OK;
    });
}

}  // namespace platform

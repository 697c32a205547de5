// The rules every device keeps (state, state blocks, locks, draws, reset), checked on the
// recording device, which shares them with the OpenGL one.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/recording/RecordingDevice.h"

namespace platform {
namespace {

struct Vertex {
    float X, Y, Z, Rhw;
    D3DCOLOR Color;
};
constexpr uint32_t kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

class DeviceRulesTest : public ::testing::Test {
protected:
    std::unique_ptr<RecordingDevice> m_device { RecordingDevice::Make(800, 600) };
};

TEST_F(DeviceRulesTest, StatesStartAtTheirDefaultsAndRefuseWhatCannotBeDrawn) {
    const std::pair<StateItem, uint32_t> defaults[] = {
        {StateItem::ZEnable, D3DZB_FALSE},     {StateItem::CullMode, D3DCULL_CCW},    {StateItem::Lighting, 1},
        {StateItem::SrcBlend, D3DBLEND_ONE},   {StateItem::DestBlend, D3DBLEND_ZERO}, {StateItem::AlphaBlendEnable, 0},
        {StateItem::ColorOp, D3DTOP_MODULATE}, {StateItem::AlphaOp, D3DTOP_SELECTARG1},
        {StateItem::MagFilter, D3DTEXF_POINT}, {StateItem::AddressU, D3DTADDRESS_WRAP}};
    for (auto [item, expected] : defaults) EXPECT_EQ(m_device->State().Value(item), expected) << int(item);

    EXPECT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetRenderState(D3DRS_SRCBLEND, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetRenderState(D3DRENDERSTATETYPE(8), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, 6), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLORARG1, 0x12), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetFVF(D3DFVF_XYZ | D3DFVF_XYZRHW), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetFVF(0x10), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetViewport({0, 0, 10, 10, NAN, 1}), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->State().Value(StateItem::CullMode), D3DCULL_CCW) << "a refused value changes nothing";
}

// A recorded block holds only what was set while recording; a full block holds everything.
TEST_F(DeviceRulesTest, StateBlocksApplyWhatTheyHold) {
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(m_device->BeginStateBlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(m_device->SetFVF(kFvf), D3D_OK);
    std::unique_ptr<StateBlock> recorded, all;
    ASSERT_EQ(m_device->EndStateBlock(recorded), D3D_OK);
    EXPECT_EQ(m_device->EndStateBlock(all), D3DERR_INVALIDCALL);
    EXPECT_FALSE(all) << "a failed call leaves its out-object empty";

    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, all), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    ASSERT_EQ(recorded->Apply(), D3D_OK);
    EXPECT_EQ(m_device->State().Value(StateItem::CullMode), D3DCULL_NONE);
    EXPECT_EQ(m_device->State().Value(StateItem::Fvf), kFvf);
    EXPECT_EQ(m_device->State().Value(StateItem::Lighting), 1u) << "not recorded, not applied";
    ASSERT_EQ(all->Apply(), D3D_OK);
    EXPECT_EQ(m_device->State().Value(StateItem::CullMode), D3DCULL_CCW);
    EXPECT_EQ(m_device->State().Value(StateItem::Lighting), 0u);
}

TEST_F(DeviceRulesTest, DestroyedResourcesAreUnboundEverywhere) {
    std::unique_ptr<Texture> texture, memory, foreign;
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
    std::unique_ptr<StateBlock> block;
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, block), D3D_OK);
    texture.reset();
    EXPECT_EQ(m_device->State().Texture0, nullptr);
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(m_device->State().Texture0, nullptr);

    // A system-memory texture and another device's texture cannot be bound.
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, memory), D3D_OK);
    EXPECT_EQ(m_device->SetTexture(0, memory.get()), D3DERR_INVALIDCALL);
    auto other = RecordingDevice::Make();
    ASSERT_EQ(other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, foreign), D3D_OK);
    EXPECT_EQ(m_device->SetTexture(0, foreign.get()), D3DERR_INVALIDCALL);
    // Resources that outlive their device fail safely.
    other.reset();
    LockedRect locked;
    EXPECT_EQ(foreign->LockRect(0, locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(locked.Bits, nullptr);
}

TEST_F(DeviceRulesTest, CreationRefusesWhatTheDeviceDoesNotOffer) {
    std::unique_ptr<Texture> texture;
    for (auto [width, levels, usage, format] : {std::array<uint32_t, 4> {0, 1, 0, D3DFMT_A8R8G8B8},
                                                {4, 0, 0, D3DFMT_A8R8G8B8},
                                                {4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8},  // dynamic and managed
                                                {4, 1, 0, D3DFMT_D16},
                                                {100000, 1, 0, D3DFMT_A8R8G8B8}})
        EXPECT_EQ(m_device->CreateTexture(width, 4, levels, usage, D3DFORMAT(format), D3DPOOL_MANAGED, texture),
                  D3DERR_INVALIDCALL) << width << " " << levels << " " << usage << " " << format;
    EXPECT_FALSE(texture);
    std::unique_ptr<VertexBuffer> vertices;
    EXPECT_EQ(m_device->CreateVertexBuffer(10, 0, kFvf, D3DPOOL_MANAGED, vertices), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, vertices), D3DERR_INVALIDCALL);
    std::unique_ptr<IndexBuffer> indices;
    EXPECT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, indices), D3DERR_INVALIDCALL);
}

TEST_F(DeviceRulesTest, LocksFollowPoolUsageAndBounds) {
    std::unique_ptr<Texture> managed, dynamic, fixed;
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, managed), D3D_OK);
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, dynamic), D3D_OK);
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, fixed), D3D_OK);
    LockedRect locked;
    EXPECT_EQ(fixed->LockRect(0, locked, nullptr, 0), D3DERR_INVALIDCALL) << "default pool, not dynamic";

    // A rectangle: its first texel at Bits, rows Pitch apart; one lock at a time.
    const Rect part {2, 1, 5, 3};
    ASSERT_EQ(managed->LockRect(0, locked, &part, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32);
    EXPECT_EQ(managed->LockRect(0, locked, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(managed->UnlockRect(0), D3D_OK);
    ASSERT_EQ(managed->LockRect(0, locked, &part, 0), D3D_OK);
    static_cast<uint32_t*>(locked.Bits)[8 + 2] = 0xFF123456;  // texel (4, 2)
    ASSERT_EQ(managed->UnlockRect(0), D3D_OK);
    EXPECT_EQ(dynamic_cast<BasicTexture&>(*managed).Texels()[2 * 8 + 4], 0xFF123456u);
    EXPECT_EQ(managed->UnlockRect(0), D3DERR_INVALIDCALL) << "not locked";
    // Discard keeps the contents of a managed texture: the font atlas relies on it.
    ASSERT_EQ(managed->LockRect(0, locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(locked.Bits)[2 * 8 + 4], 0xFF123456u);

    for (const Rect bad : {Rect {-1, 0, 2, 2}, Rect {0, 0, 9, 2}, Rect {3, 0, 3, 2}, Rect {0, 3, 2, 5}})
        EXPECT_EQ(dynamic->LockRect(0, locked, &bad, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->LockRect(1, locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->LockRect(0, locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_READONLY), D3DERR_INVALIDCALL);

    std::unique_ptr<VertexBuffer> buffer;
    ASSERT_EQ(m_device->CreateVertexBuffer(100, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, buffer), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(90, 11, data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(100, 0, data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Lock(90, 0, data, D3DLOCK_DISCARD), D3D_OK);
    std::memset(data, 7, 10);
    EXPECT_EQ(buffer->Lock(0, 0, data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(dynamic_cast<BasicVertexBuffer&>(*buffer).Bytes()[99], 7);
}

// A quad of four vertices with six indices in default-pool buffers, ready to draw.
class DrawRulesTest : public DeviceRulesTest {
protected:
    void SetUp() override {
        ASSERT_EQ(m_device->CreateVertexBuffer(4 * sizeof(Vertex), D3DUSAGE_DYNAMIC, kFvf, D3DPOOL_DEFAULT, m_vertices),
                  D3D_OK);
        ASSERT_EQ(m_device->CreateIndexBuffer(12, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT, m_indices), D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(m_indices->Lock(0, 0, data, D3DLOCK_DISCARD), D3D_OK);
        const uint16_t quad[6] = {0, 1, 2, 1, 3, 2};
        std::memcpy(data, quad, sizeof quad);
        ASSERT_EQ(m_indices->Unlock(), D3D_OK);
        ASSERT_EQ(m_device->SetStreamSource(0, m_vertices.get(), 0, sizeof(Vertex)), D3D_OK);
        ASSERT_EQ(m_device->SetIndices(m_indices.get()), D3D_OK);
        ASSERT_EQ(m_device->SetFVF(kFvf), D3D_OK);
    }
    std::unique_ptr<VertexBuffer> m_vertices;
    std::unique_ptr<IndexBuffer> m_indices;
};

TEST_F(DrawRulesTest, DrawsHappenInsideAScene) {
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
}

TEST_F(DrawRulesTest, DrawsStayInsideTheirBuffersAndAnnouncedRange) {
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    // Index 3 outside [0, 3); base 1 reaches vertex 4 of 4; base -1; indices 1..6 of 6.
    for (auto [base, vertices, start] : {std::array<int, 3> {0, 3, 0}, {1, 4, 0}, {-1, 4, 0}, {0, 4, 1}})
        EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0, uint32_t(vertices), uint32_t(start), 2),
                  D3DERR_INVALIDCALL) << base << " " << vertices << " " << start;
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPRIMITIVETYPE(6), 0, 1), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->SetStreamSource(0, m_vertices.get(), 0, 16), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "stride below the format";

    // A locked buffer or texture cannot be drawn from.
    ASSERT_EQ(m_device->SetStreamSource(0, m_vertices.get(), 0, sizeof(Vertex)), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(m_vertices->Lock(0, 0, data, 0), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_vertices->Unlock(), D3D_OK);
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(m_device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
    LockedRect locked;
    ASSERT_EQ(texture->LockRect(0, locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
}

TEST_F(DrawRulesTest, DrawFromUserMemoryLeavesNoStreamOrIndices) {
    const Vertex vertices[3] = {};
    const uint16_t indices[3] = {0, 1, 2}, outside[3] = {0, 1, 3};
    auto draw = [&](const uint16_t* from, const Vertex* to) {
        return m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, from, D3DFMT_INDEX16, to, sizeof(Vertex));
    };
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(draw(outside, vertices), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(indices, nullptr), D3DERR_INVALIDCALL);
    EXPECT_NE(m_device->State().Stream0, nullptr) << "a refused draw changes nothing";
    EXPECT_EQ(draw(indices, vertices), D3D_OK);
    EXPECT_EQ(m_device->State().Stream0, nullptr);
    EXPECT_EQ(m_device->State().Indices, nullptr);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
}

TEST_F(DrawRulesTest, ClearNeedsTheBuffersItNames) {
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL)
        << "no depth buffer";
    EXPECT_EQ(m_device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

// Each default-pool texture or buffer and each state block alone holds a reset back, and a
// refused reset leaves the device waiting for one (the OpenGL test shows what a reset keeps);
// a zero size takes the window's.
TEST_F(DeviceRulesTest, ResetNeedsDefaultPoolObjectsAndStateBlocksReleased) {
    std::unique_ptr<Texture> texture;
    std::unique_ptr<VertexBuffer> vertices;
    std::unique_ptr<IndexBuffer> indices;
    std::unique_ptr<StateBlock> block;
    const std::function<Result()> holders[] = {
        [&] { return m_device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture); },
        [&] { return m_device->CreateVertexBuffer(80, D3DUSAGE_DYNAMIC, kFvf, D3DPOOL_DEFAULT, vertices); },
        [&] { return m_device->CreateIndexBuffer(12, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices); },
        [&] { return m_device->CreateStateBlock(D3DSBT_ALL, block); },
    };
    m_device->SetWindowSize(1000, 700);
    PresentParameters parameters;
    for (size_t i = 0; i < std::size(holders); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(holders[i](), D3D_OK);
        ASSERT_EQ(m_device->SetFVF(kFvf), D3D_OK);
        parameters.BackBufferWidth = parameters.BackBufferHeight = 0;
        EXPECT_EQ(m_device->Reset(parameters), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        EXPECT_EQ(m_device->Present(), D3DERR_DEVICELOST);
        texture.reset(), vertices.reset(), indices.reset(), block.reset();
        ASSERT_EQ(m_device->Reset(parameters), D3D_OK);
        EXPECT_EQ(parameters.BackBufferWidth, 1000u);
        EXPECT_EQ(parameters.BackBufferHeight, 700u);
        EXPECT_EQ(m_device->State().Value(StateItem::Fvf), 0u) << "states back to their defaults";
    }
    parameters.BackBufferWidth = 20000;
    EXPECT_EQ(m_device->Reset(parameters), D3DERR_INVALIDCALL);
    parameters = {};
    parameters.MultiSampleType = D3DMULTISAMPLE_TYPE(2);
    EXPECT_EQ(m_device->Reset(parameters), D3DERR_INVALIDCALL);
}

TEST(MatrixTest, OrthoOffCenterMapsTheRectangleOntoTheUnitSquare) {
    const Matrix m = MatrixOrthoOffCenterLH(0, 800, 600, 0, -999, 999);
    auto transform = [&m](float x, float y, float z) {
        std::array<float, 4> out {};
        for (int c = 0; c < 4; ++c) out[c] = x * m.M[0][c] + y * m.M[1][c] + z * m.M[2][c] + m.M[3][c];
        return out;
    };
    EXPECT_EQ(transform(0, 0, -999), (std::array<float, 4> {-1, 1, 0, 1}));
    EXPECT_EQ(transform(800, 600, 999), (std::array<float, 4> {1, -1, 1, 1}));
    EXPECT_EQ(transform(400, 300, 0), (std::array<float, 4> {0, 0, 0.5f, 1}));
}

}  // namespace
}  // namespace platform

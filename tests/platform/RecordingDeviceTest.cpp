// The recording device: its log, draw snapshots, failure injection and the lost-device cycle.

#include <gtest/gtest.h>

#include "platform/recording/RecordingDevice.h"

namespace platform {
namespace {

TEST(RecordingDeviceTest, LogsCallsWithArgumentsResultsAndNames) {
    auto device = RecordingDevice::Make();
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(device->CreateTexture(200, 100, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, 9), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->SetViewport({50, 50, 50, 50, -999, 999}), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->SetFVF(0x142), D3D_OK);
    LockedRect locked;
    ASSERT_EQ(texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    texture.reset();
    EXPECT_EQ(device->Log().Dump(),
              "CreateTexture(200, 100, 1, 512, 21, 0 -> Texture#1)\n"
              "SetTexture(0, Texture#1)\n"
              "SetRenderState(22, 9) = 0x8876086C\n"
              "SetViewport(50, 50, 50, 50, -999, 999)\n"
              "Clear(0, 0x1, 0xFF00FF00, 1, 0)\n"
              "SetFVF(0x142)\n"
              "Texture.LockRect(Texture#1, 0, whole, 0x2000)\n"
              "Texture.Release(Texture#1)\n");
}

// A draw keeps what it drew, indices resolved, with the state it drew with.
TEST(RecordingDeviceTest, DrawsKeepTheirVerticesAndState) {
    struct Vertex {
        float X, Y, Z;
        D3DCOLOR Color;
    };
    auto device = RecordingDevice::Make();
    const Vertex vertices[4] = {{0, 0, 0, 1}, {1, 0, 0, 2}, {1, 1, 0, 3}, {0, 1, 0, 4}};
    const uint16_t indices[6] = {0, 1, 3, 1, 3, 2};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1), D3D_OK);
    ASSERT_EQ(device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                             sizeof(Vertex)),
              D3D_OK);
    const auto draws = device->Log().CallsNamed("DrawIndexedPrimitiveUP");
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_TRUE(draws[0]->Draw);
    const DrawSnapshot& draw = *draws[0]->Draw;
    EXPECT_EQ(draws[0]->Arguments, "4, 0, 4, 2, 16");
    EXPECT_EQ(draw.Indices, (std::vector<uint16_t> {0, 1, 3, 1, 3, 2}));
    std::vector<uint32_t> colours;
    for (uint32_t e = 0; e < draw.ElementCount(); ++e) colours.push_back(draw.DwordAt(e, 12));
    EXPECT_EQ(colours, (std::vector<uint32_t> {1, 2, 4, 2, 4, 3}));
    EXPECT_EQ(draw.FloatAt(5, 0), 1.0f);
    EXPECT_EQ(draw.State.Value(StateItem::AlphaBlendEnable), 1u);
    EXPECT_EQ(draw.TextureName, "null");
}

TEST(RecordingDeviceTest, FailsTheChosenOccurrenceWithTheChosenResultWithoutDoingAnything) {
    auto device = RecordingDevice::Make();
    device->Log().FailCall("Present", 2, D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(), D3D_OK);
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(), D3D_OK);
    EXPECT_TRUE(device->Log().CallsNamed("Present")[1]->Injected);

    device->Log().FailCall("CreateVertexBuffer", 1, E_OUTOFMEMORY);
    std::unique_ptr<VertexBuffer> buffer;
    EXPECT_EQ(device->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, buffer), E_OUTOFMEMORY);
    EXPECT_FALSE(buffer);
    device->Log().FailCall("SetRenderState", 1, D3DERR_INVALIDCALL, 0);  // every one from now on
    for (int i = 0; i < 3; ++i) EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->State().Value(StateItem::Lighting), 1u);
    device->Log().ClearFailures();
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);

    // Resource calls fail by their qualified names.
    ASSERT_EQ(device->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, buffer), D3D_OK);
    device->Log().FailCall("VertexBuffer.Lock");
    void* data = reinterpret_cast<void*>(1);
    EXPECT_EQ(buffer->Lock(0, 0, data, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL) << "the failed lock locked nothing";
}

// Lost: Present reports it; the cooperative level reports lost, then not reset; Reset is
// refused while lost and brings the device back once it may.
TEST(RecordingDeviceTest, LostDeviceCycle) {
    auto device = RecordingDevice::Make();
    device->LoseDevice(2);
    PresentParameters parameters;
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(parameters), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK) << "drawing waits quietly";
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);
    ASSERT_EQ(device->Reset(parameters), D3D_OK);
    EXPECT_FALSE(device->InScene());
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(), D3D_OK);
}

// The factory checks the creation flags, gives each device the shared log, and forgets a
// device once it is gone.
TEST(RecordingDirect3DTest, CreatesDevicesThatShareItsLog) {
    RecordingDirect3D d3d;
    EXPECT_EQ(d3d.GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);
    PresentParameters parameters;
    std::unique_ptr<Device> device;
    const uint32_t both = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, both, parameters, device), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, parameters, device), D3D_OK);
    ASSERT_EQ(d3d.LastDevice(), device.get());
    EXPECT_EQ(d3d.LastDevice()->Parameters().BackBufferWidth, 800u) << "the window's size";
    ASSERT_EQ(device->Present(), D3D_OK);
    EXPECT_EQ(d3d.Log().CountCalls("Present"), 1u);
    device.reset();
    EXPECT_EQ(d3d.LastDevice(), nullptr);
}

}  // namespace
}  // namespace platform

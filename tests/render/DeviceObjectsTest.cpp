// The views' device objects on the recording device: what each kind creates, restores and
// releases, and the messages of every failure on the way.

#include <gtest/gtest.h>

#include "platform/recording/RecordingDevice.h"
#include "render/WorldRenderer.h"
#include "RenderTestSupport.h"

namespace render::test {
namespace {

using platform::RecordingDevice;
using view::ViewKind;

class DeviceObjects : public ::testing::Test {
protected:
    void SetUp() override {
        errors::ClearErrors();
        StartImageLibrary();
    }
    void TearDown() override { errors::ClearErrors(); }

    std::unique_ptr<RecordingDevice> m_device = RecordingDevice::Make();
    platform::RecordingLog& Log() { return m_device->Log(); }
};

// Each kind restores without a message (the buffers' sizes are held to by the device's rules in
// the drawing tests) and leaves culling off for its quads; a reset needs every default-pool
// object gone, while the managed arrow picture of the vector kinds stays until the release.
TEST_F(DeviceObjects, EachKindLetsTheDeviceResetAndReleasesItsArrowLast) {
    const std::string arrow = WriteArrowPicture("render-arrow-objects.tga");
    for (ViewKind kind : {ViewKind::Texture, ViewKind::Cells, ViewKind::Vectors, ViewKind::Complex}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Log().ClearCalls();
        WorldRenderer renderer(ViewOf(kind), Black, 200, 100);
        renderer.SetArrowPath(arrow);
        renderer.CreateDeviceObjects(*m_device);
        renderer.RestoreDeviceObjects(*m_device);
        ASSERT_FALSE(errors::ErrorRaised()) << errors::ErrorEntries().back();
        const bool vectors = kind == ViewKind::Vectors || kind == ViewKind::Complex, texture = kind == ViewKind::Texture;
        EXPECT_EQ(Log().CountCalls("CreateTextureFromFile"), vectors ? 1u : 0u);
        EXPECT_EQ(m_device->State().Value(platform::StateItem::CullMode), uint32_t {platform::D3DCULL_NONE});
        renderer.InvalidateDeviceObjects();
        platform::PresentParameters parameters = m_device->Parameters();
        EXPECT_EQ(m_device->Reset(parameters), platform::D3D_OK);
        EXPECT_EQ(Log().CountCalls("Texture.Release"), texture ? 1u : 0u) << "the texture view's texture only";
        renderer.RestoreDeviceObjects(*m_device);
        renderer.InvalidateDeviceObjects();
        renderer.ReleaseDeviceObjects();
        EXPECT_EQ(Log().CountCalls("Texture.Release"), texture ? 2u : vectors ? 1u : 0u) << "and the arrow at the end";
    }
}

// Every failing creation: the device's entry, the creation's message, the view's context; and
// nothing of the views is kept, so that the device can still be reset.
TEST_F(DeviceObjects, FailedRestoreKeepsNothingAndSaysWhy) {
    struct Case {
        ViewKind Kind;
        const char* Call;
        uint32_t Occurrence;
        std::vector<std::string> Messages;  // after the device's entry
    };
    const Case cases[] = {
        {ViewKind::Texture, "CreateTexture", 1, {"Nie można utworzyć tekstury", "Nie można przywrócić tekstury do wizualizacji"}},
        {ViewKind::Texture, "CreateVertexBuffer", 1,
         {"Nie można utworzyć bufora wierzchołków", "Nie można przywrócić tekstury do wizualizacji"}},
        {ViewKind::Cells, "CreateVertexBuffer", 1,
         {"Nie można utworzyć bufora wierzchołków", "Nie można przywrócić komórek do wizualizacji"}},
        {ViewKind::Cells, "CreateIndexBuffer", 1,
         {"Nie można utworzyć bufora indeksów", "Nie można przywrócić komórek do wizualizacji"}},
        {ViewKind::Vectors, "CreateVertexBuffer", 1,
         {"Nie można utworzyć bufora wierzchołków", "Nie można przywrócić wektorów do wizualizacji"}},
        {ViewKind::Vectors, "CreateIndexBuffer", 1,
         {"Nie można utworzyć bufora indeksów", "Nie można przywrócić wektorów do wizualizacji"}},
        // The complex view's cells come first; its vectors failing releases them again.
        {ViewKind::Complex, "CreateIndexBuffer", 2,
         {"Nie można utworzyć bufora indeksów", "Nie można przywrócić wektorów do wizualizacji"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Call) + " of kind " + std::to_string(static_cast<int>(c.Kind)));
        errors::ClearErrors();
        WorldRenderer renderer(ViewOf(c.Kind), Black, 20, 10);
        Log().FailCall(c.Call, c.Occurrence, platform::E_OUTOFMEMORY);
        renderer.RestoreDeviceObjects(*m_device);
        std::vector<std::string> messages = TrailMessages();
        ASSERT_EQ(messages.size(), c.Messages.size() + 1);
        EXPECT_EQ(messages[0].rfind("(Device,2147942414) E_OUTOFMEMORY", 0), 0u) << messages[0];
        EXPECT_EQ(std::vector<std::string>(messages.begin() + 1, messages.end()), c.Messages);
        for (bool restored : {renderer.Texture() && renderer.Texture()->Restored(), renderer.Cells() && renderer.Cells()->Restored(),
                              renderer.Vectors() && renderer.Vectors()->Restored()})
            EXPECT_FALSE(restored);
        platform::PresentParameters parameters = m_device->Parameters();
        EXPECT_EQ(m_device->Reset(parameters), platform::D3D_OK);
        Log().ClearFailures();
    }
}

TEST_F(DeviceObjects, ArrowPictureThatCannotBeReadFailsTheCreation) {
    WorldRenderer renderer(ViewOf(ViewKind::Vectors), Black, 4, 4);
    renderer.SetArrowPath("/nonexistent/arrow.tga");
    renderer.CreateDeviceObjects(*m_device);
    std::vector<std::string> messages = TrailMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("(Device,", 0), 0u);
    EXPECT_EQ(messages[1], "Nie można wczytać tekstury strzałki z zasobów");
    EXPECT_FALSE(renderer.Vectors()->HasArrow());
}

}  // namespace
}  // namespace render::test

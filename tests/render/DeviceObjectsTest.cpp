// The views' device objects on the recording device: what each kind creates, restores and
// releases, and the messages of every failure on the way.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/Utilities.h"
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
    // "Name(arguments)" of the creations, without the names of what they made.
    std::vector<std::string> Creations() {
        std::vector<std::string> made;
        for (const auto& call : Log().Calls())
            if (call.Name.rfind("Create", 0) == 0) made.push_back(call.Name + "(" + call.Arguments.substr(0, call.Arguments.find(" ->")) + ")");
        return made;
    }
};

// Formats, pools, usages and sizes for a 200 x 100 world: a dynamic A8R8G8B8 texture and a
// quad of 4 x 24 bytes; 10000 squares of 4 x 20 bytes and 6 indices; 10000 arrows of 4 x 28
// bytes and 6 indices (a batch; a smaller world has room for an arrow per cell).
TEST_F(DeviceObjects, EachKindCreatesWhatItDraws) {
    struct Case {
        ViewKind Kind;
        std::vector<std::string> Made;
        int Width { 200 }, Height { 100 };
    };
    const std::string texture = "CreateTexture(200, 100, 1, 512, 21, 0)";
    const std::string quad = "CreateVertexBuffer(96, 512, 0x104, 0)";
    const std::vector<std::string> squares = {"CreateVertexBuffer(800000, 512, 0x44, 0)",
                                              "CreateIndexBuffer(120000, 512, 101, 0)"};
    const std::vector<std::string> arrows = {"CreateVertexBuffer(1120000, 512, 0x144, 0)",
                                             "CreateIndexBuffer(120000, 512, 101, 0)"};
    const Case cases[] = {
        {ViewKind::Texture, {texture, quad}},
        {ViewKind::Cells, squares},
        {ViewKind::Vectors, arrows},
        {ViewKind::Complex, {squares[0], squares[1], arrows[0], arrows[1]}},
        {ViewKind::Vectors, {"CreateVertexBuffer(22400, 512, 0x144, 0)", "CreateIndexBuffer(2400, 512, 101, 0)"}, 20, 10},
    };
    const std::string arrow = WriteArrowPicture("render-arrow-objects.tga");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.Kind)) + " in " + std::to_string(c.Width));
        Log().ClearCalls();
        WorldRenderer renderer(ViewOf(c.Kind), Black, c.Width, c.Height);
        renderer.SetArrowPath(arrow);
        renderer.CreateDeviceObjects(*m_device);
        renderer.RestoreDeviceObjects(*m_device);
        ASSERT_FALSE(errors::ErrorRaised()) << errors::ErrorEntries().back();
        std::vector<std::string> made = Creations();
        bool vectors = c.Kind == ViewKind::Vectors || c.Kind == ViewKind::Complex;
        EXPECT_EQ(Log().CountCalls("CreateTextureFromFile"), vectors ? 1u : 0u);
        std::erase_if(made, [](const std::string& call) { return call.rfind("CreateTextureFromFile", 0) == 0; });
        EXPECT_EQ(made, c.Made);
        EXPECT_EQ(m_device->State().Value(platform::StateItem::CullMode), uint32_t {platform::D3DCULL_NONE});

        // A reset needs every default-pool object gone; the managed arrow stays.
        renderer.InvalidateDeviceObjects();
        platform::PresentParameters parameters = m_device->Parameters();
        EXPECT_EQ(m_device->Reset(parameters), platform::D3D_OK);
        const bool texture = c.Kind == ViewKind::Texture;
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

// The arrow picture is looked for beside the program, then where an installation puts it.
TEST(ArrowFile, FoundBesideTheProgramOrInItsShareFolder) {
    namespace fs = std::filesystem;
    const fs::path programDirectory = fs::path(base::ModuleDirectory());
    const fs::path beside = programDirectory / "arrow.tga";
    const fs::path installed = programDirectory / ".." / "share" / "vorlen" / "arrow.tga";
    if (fs::exists(beside) || fs::exists(installed)) GTEST_SKIP() << "an arrow picture is already there";
    EXPECT_EQ(ArrowFilePath(), beside.string()) << "neither: the first place, for the message";
    fs::create_directories(installed.parent_path());
    { std::ofstream(installed) << "x"; }
    EXPECT_EQ(fs::weakly_canonical(ArrowFilePath()), fs::weakly_canonical(installed));
    { std::ofstream(beside) << "x"; }
    EXPECT_EQ(ArrowFilePath(), beside.string());
    std::error_code ignored;
    for (const fs::path& made : {beside, installed, installed.parent_path(), installed.parent_path().parent_path()})
        fs::remove(made, ignored);  // folders only when empty
}

}  // namespace
}  // namespace render::test

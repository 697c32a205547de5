// The table and picture commands of the workbench with their dialogs, through the scripted
// chooser: titles and filter lists, the clock paused around the dialog, cancelled and confirmed
// dialogs, and the refusal in full screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"

namespace app::test {
namespace {

const std::string PictureScript = R"(
void OnInit() { SetBuffer_u1(3, 2, 0xFF8000); }
void OnFrame() {}
void OnSaveImage() {}
void OnLoadImage() { SetBuffer_u2(0, 0, GetBuffer_u1(3, 2)); }
)";

std::vector<std::string> Names(const platform::FileChooserRequest& request) {
    std::vector<std::string> names;
    for (const base::FileFilter& filter : request.Filters) names.push_back(filter.Name);
    return names;
}

TEST(Dialogs, EachCommandAsksWithItsTitleAndFiltersWhileTheClockIsPaused) {
    const struct {
        uint32_t Key;
        std::set<uint32_t> Held;
        bool Save;
        std::string Title;
        size_t Entries;
        std::string First;
    } cases[] = {
        {79, {Ctrl}, false, "Wczytaj tablicę", 4, "Wszystkie formaty (*.vls;*.vln)"},
        {83, {Ctrl}, true, "Zapisz tablicę", 3, "Tablica skompresowana (*.vls)"},
        {79, {Ctrl, Shift}, false, "Wczytaj obrazek", 26, "Wszystkie formaty (*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tga;*.tif;"
                                                         "*.tiff;*.pcx;*.psp;*.psd;*.ico;*.dds;*.cut;*.dxc;*.lbm;*.lif;*.mdl;"
                                                         "*.pcd;*.pic;*.pnm;*.raw;*.sgi;*.wal;*.act;*.pal)"},
        {83, {Ctrl, Shift}, true, "Zapisz obrazek", 12, "Format BMP (*.bmp)"},
    };
    for (const auto& [key, held, save, title, entries, first] : cases) {
        Bench b;
        b.app->State().SetStatus("przed", core::StatusInfoColor);
        b.Key(key, held);
        ASSERT_EQ(b.chooser.Seen.size(), 1u) << title;
        const platform::FileChooserRequest& request = b.chooser.Seen[0];
        EXPECT_EQ(request.Title, title);
        EXPECT_EQ(request.Save, save) << title;
        EXPECT_EQ(request.SelectedFilter, 0u) << title;
        EXPECT_EQ(request.FileName, "") << title;
        const std::vector<std::string> names = Names(request);
        ASSERT_EQ(names.size(), entries) << title;
        EXPECT_EQ(names.front(), first);
        EXPECT_EQ(names.back(), "Wszystkie pliki (*.*)") << title;
        EXPECT_EQ(b.journal, "pause dialog resume ") << title;
        EXPECT_EQ(b.StatusLine(), "przed") << "a cancelled dialog changes nothing";
    }
}

TEST(Dialogs, ConfirmedDialogsSaveAndLoadTablesAndPictures) {
    const std::filesystem::path folder = core::TempFolder();
    Bench b("", PictureScript, 20, 10);
    // The table, compressed (the first entry) under a name without extension.
    b.chooser.Answer = {(folder / "tablica").string(), 0};
    b.Key(83, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Tablica została zapisana");
    std::string magic(4, '\0');
    std::ifstream(folder / "tablica.vls", std::ios::binary).read(magic.data(), 4);
    EXPECT_EQ(magic, "VLS1");
    // Loaded back after the world changed: the saved cell returns.
    b.app->Machine().Cells().Table(0).At(3, 2).u1 = 0;
    b.app->Machine().Cells().Table(1).At(3, 2).u1 = 0;
    b.chooser.Answer = {(folder / "tablica.vls").string(), 0};
    b.Key(79, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Tablica została wczytana");
    EXPECT_EQ(b.app->Machine().Cells().Shown().At(3, 2).u1, 0xFF8000u);
    // The picture as PNG (the third entry), then read back through OnLoadImage.
    b.chooser.Answer = {(folder / "obrazek").string(), 2};
    b.Key(83, {Ctrl, Shift});
    EXPECT_EQ(b.StatusLine(), "Obrazek został zapisany");
    ASSERT_TRUE(std::filesystem::exists(folder / "obrazek.png"));
    b.app->Machine().Cells().Table(0).At(3, 2).u1 = 0;
    b.chooser.Answer = {(folder / "obrazek.png").string(), 0};
    b.Key(79, {Ctrl, Shift});
    EXPECT_EQ(b.StatusLine(), "Obrazek został wczytany");
    EXPECT_EQ(b.app->Machine().Cells().Shown().At(3, 2).u1, 0xFF8000u);
    EXPECT_EQ(b.app->Machine().Cells().Shown().At(0, 0).u2, 0xFF8000u) << "OnLoadImage saw the picture's pixel";
    b.Step();
    EXPECT_EQ(b.journal, "pause dialog resume pause dialog resume pause dialog resume pause dialog resume ");
    // A file that is no table: the red status, and the run goes on.
    std::ofstream(folder / "zepsuta.vln") << "nie tablica";
    b.chooser.Answer = {(folder / "zepsuta.vln").string(), 0};
    b.Key(79, {Ctrl});
    EXPECT_EQ(b.StatusLine(), "Błąd - nie można wczytać tablicy");
    EXPECT_EQ(b.app->Status().LineColor, core::StatusWarningColor);
    EXPECT_FALSE(errors::ErrorRaised());
}

TEST(Dialogs, TheFileCommandsAreRefusedInFullScreen) {
    const std::pair<uint32_t, std::set<uint32_t>> keys[] = {{79, {Ctrl}}, {83, {Ctrl}}, {79, {Ctrl, Shift}}, {83, {Ctrl, Shift}}};
    for (const auto& [key, held] : keys) {
        Bench b;
        b.mode = {1024, 768, 75, true};
        b.Key(key, held);
        EXPECT_EQ(b.StatusLine(), "Ta funkcja nie działa w trybie pełnoekranowym");
        EXPECT_EQ(b.app->Status().LineColor, core::StatusWarningColor);
        EXPECT_TRUE(b.chooser.Seen.empty());
        EXPECT_EQ(b.journal, "") << "no pause without a dialog";
    }
    Bench b;
    b.mode = {1024, 768, 75, true};
    b.Click(b.app->ControlWindow(Control::LoadImage));
    EXPECT_EQ(b.StatusLine(), "Ta funkcja nie działa w trybie pełnoekranowym");
    EXPECT_TRUE(b.app->Button(Control::FullScreen).Down()) << "the button follows the display mode";
}

}  // namespace
}  // namespace app::test

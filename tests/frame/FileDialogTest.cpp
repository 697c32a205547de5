#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/FileDialog.h"
#include "frame/FilterList.h"
#include "platform/gtk/FileChooser.h"

namespace frame {
namespace {

// Stands in for the user: remembers what the dialog asked and answers as scripted.
class ScriptedChooser : public platform::FileChooser {
public:
    std::optional<std::pair<std::string, size_t>> Answer;  // path and 0-based filter; none: cancel
    platform::FileChooserRequest Seen;

    bool Choose(const platform::FileChooserRequest& request, std::string& path, size_t& selectedFilter) override {
        Seen = request;
        if (Answer) std::tie(path, selectedFilter) = *Answer;
        return Answer.has_value();
    }
};

class FileDialogs : public testing::Test {
protected:
    void SetUp() override { SetFileChooser(&m_chooser); }
    void TearDown() override { SetFileChooser(nullptr); }
    ScriptedChooser m_chooser;
};

// The list the table commands build: compressed, uncompressed, all files.
std::vector<base::FileFilter> TableFilters() {
    FilterList list;
    list.AddFilter("Stara", "*.old", true);
    list.ClearFilters();
    list.AddFilter("Tablica skompresowana", "*.vls", true);
    list.AddFilter("Tablica nieskompresowana", "*.vln", true);
    return list.FinishFilters(true);
}

// Name and pattern of each entry, one a line.
std::string Entries(const std::vector<base::FileFilter>& filters) {
    std::string text;
    for (const base::FileFilter& filter : filters) text += filter.Name + " | " + filter.Pattern + "\n";
    return text;
}

TEST(FilterLists, EntriesShowTheirPatternsWithAllFilesLast) {
    EXPECT_EQ(Entries(TableFilters()), "Tablica skompresowana (*.vls) | *.vls\nTablica nieskompresowana (*.vln) | *.vln\n"
                                       "Wszystkie pliki (*.*) | *.*\n");
    FilterList list;
    list.AddFilter("Bez wzorca", "*.x", false);
    EXPECT_EQ(Entries(list.FinishFilters(false)), "Bez wzorca | *.x\n");
    EXPECT_EQ(list.Filters().size(), 1u);
}

TEST_F(FileDialogs, TheChooserGetsKindTitleAndFiltersAndThePathAndOneBasedIndexComeBack) {
    for (size_t filter : {0u, 1u, 2u}) {
        m_chooser.Answer = {{"/home/u/swiat", filter}};  // typed without an extension
        std::string name;
        int chosen = -1;
        ASSERT_TRUE(FileDialog(FileDialogKind::Save, "Zapisz tablicę", TableFilters(), name, &chosen));
        EXPECT_EQ(name, "/home/u/swiat");
        EXPECT_EQ(chosen, int(filter) + 1);  // all files is 3, the uncompressed format
    }
    const platform::FileChooserRequest& seen = m_chooser.Seen;
    EXPECT_TRUE(seen.Save);
    EXPECT_EQ(seen.Title, "Zapisz tablicę");
    EXPECT_EQ(seen.SelectedFilter, 0u);
    ASSERT_EQ(seen.Filters.size(), 3u);
    EXPECT_EQ(seen.Filters[1].Name, "Tablica nieskompresowana (*.vln)");
    EXPECT_EQ(seen.Filters[1].Pattern, "*.vln");
    EXPECT_EQ(seen.Filters[2].Pattern, "*.*");
}

TEST_F(FileDialogs, CancellingReturnsFalseAndChangesNothing) {
    std::string name = "przed";
    int chosen = 42;
    EXPECT_FALSE(FileDialog(FileDialogKind::Open, "Otwórz", TableFilters(), name, &chosen));
    EXPECT_EQ(name, "przed");
    EXPECT_EQ(chosen, 42);
    EXPECT_FALSE(m_chooser.Seen.Save);
}

}  // namespace
}  // namespace frame

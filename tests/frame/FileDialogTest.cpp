#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/FileDialog.h"
#include "frame/FilterList.h"
#include "platform/gtk/DesktopFileChooser.h"
#include "platform/gtk/FileChooser.h"

namespace {

using namespace std::string_literals;

// Stands in for the user: remembers what the dialog asked and answers as scripted.
class ScriptedChooser : public platform::FileChooser {
public:
    struct Answer {
        std::string Path;
        size_t Filter { 0 };
    };
    std::optional<Answer> Next;  // nothing: the user cancels
    platform::FileChooserRequest Seen;
    int Calls { 0 };

    bool Choose(const platform::FileChooserRequest& request, std::string& path, size_t& selectedFilter) override {
        Seen = request;
        ++Calls;
        if (!Next) return false;
        path = Next->Path;
        selectedFilter = Next->Filter;
        return true;
    }
};

class FileDialogs : public testing::Test {
protected:
    void SetUp() override { SetFileChooser(&m_chooser); }
    void TearDown() override { SetFileChooser(nullptr); }

    // The list the table commands build: compressed, uncompressed, all files.
    static std::string TableFilters() {
        FilterList list;
        list.ClearFilters();
        list.AddFilter("Tablica skompresowana", "*.vls", true);
        list.AddFilter("Tablica nieskompresowana", "*.vln", true);
        return list.FinishFilters(true);
    }

    ScriptedChooser m_chooser;
};

TEST(FilterLists, EntriesAreNamePatternPairsEndedByAnExtraNul) {
    FilterList list;
    list.AddFilter("Vorlen", "*.vl", true);
    list.AddFilter("Bez wzorca", "*.x", false);
    EXPECT_EQ(list.Text(), "Vorlen (*.vl)\0*.vl\0Bez wzorca\0*.x\0"s);
    EXPECT_EQ(list.FinishFilters(false), "Vorlen (*.vl)\0*.vl\0Bez wzorca\0*.x\0\0"s);
}

TEST(FilterLists, TheAllFilesEntryComesLastAndClearingStartsOver) {
    FilterList list;
    list.AddFilter("Stare", "*.old", true);
    list.ClearFilters();
    list.AddFilter("Vorlen", "*.vl", true);
    EXPECT_EQ(list.FinishFilters(true), "Vorlen (*.vl)\0*.vl\0Wszystkie pliki (*.*)\0*.*\0\0"s);
}

TEST_F(FileDialogs, TheChooserGetsTitleKindAndFiltersInOrderWithTheFirstSelected) {
    m_chooser.Next = ScriptedChooser::Answer {"/tmp/a.vls", 0};
    std::string name;
    ASSERT_TRUE(FileDialog(FileDialogKind::Save, "Zapisz tablicę", TableFilters(), name));
    const platform::FileChooserRequest& seen = m_chooser.Seen;
    EXPECT_TRUE(seen.Save);
    EXPECT_EQ(seen.Title, "Zapisz tablicę");
    EXPECT_EQ(seen.SelectedFilter, 0u);
    ASSERT_EQ(seen.Filters.size(), 3u);
    EXPECT_EQ(seen.Filters[0].Name, "Tablica skompresowana (*.vls)");
    EXPECT_EQ(seen.Filters[0].Pattern, "*.vls");
    EXPECT_EQ(seen.Filters[1].Name, "Tablica nieskompresowana (*.vln)");
    EXPECT_EQ(seen.Filters[2].Name, "Wszystkie pliki (*.*)");
    EXPECT_EQ(seen.Filters[2].Pattern, "*.*");
}

TEST_F(FileDialogs, TheChosenPathAndTheOneBasedFilterComeBack) {
    struct Case {
        size_t Filter;
        int Expected;
    };
    for (Case c : {Case {0, 1}, Case {1, 2}, Case {2, 3}}) {
        m_chooser.Next = ScriptedChooser::Answer {"/home/u/swiat", c.Filter};
        std::string name;
        int chosen = -1;
        ASSERT_TRUE(FileDialog(FileDialogKind::Save, "Zapisz", TableFilters(), name, &chosen));
        // A name typed without an extension comes back as it was typed.
        EXPECT_EQ(name, "/home/u/swiat");
        EXPECT_EQ(chosen, c.Expected);
    }
}

TEST_F(FileDialogs, CancellingReturnsFalseAndChangesNothing) {
    std::string name = "przed";
    int chosen = 42;
    EXPECT_FALSE(FileDialog(FileDialogKind::Open, "Otwórz", TableFilters(), name, &chosen));
    EXPECT_EQ(name, "przed");
    EXPECT_EQ(chosen, 42);
    EXPECT_FALSE(m_chooser.Seen.Save);
}

TEST_F(FileDialogs, AListCutShortKeepsItsCompleteEntries) {
    m_chooser.Next = ScriptedChooser::Answer {"/x", 0};
    std::string name;
    for (std::string list : {"A (*.a)\0*.a\0B (*.b)"s, "A (*.a)\0*.a\0B\0*.b"s, "A (*.a)\0*.a\0"s}) {
        ASSERT_TRUE(FileDialog(FileDialogKind::Open, "T", list, name));
        ASSERT_GE(m_chooser.Seen.Filters.size(), 1u);
        EXPECT_EQ(m_chooser.Seen.Filters[0].Pattern, "*.a");
    }
    ASSERT_TRUE(FileDialog(FileDialogKind::Open, "T", ""s, name));
    EXPECT_TRUE(m_chooser.Seen.Filters.empty());
}

TEST(FilterPatterns, MatchLikeTheDialogsDo) {
    struct Case {
        const char* Name;
        const char* Pattern;
        bool Matches;
    };
    for (Case c : {Case {"life.vl", "*.vl", true}, Case {"LIFE.VL", "*.vl", true}, Case {"life.vls", "*.vl", false},
                   Case {"README", "*.*", true}, Case {"README", "*", true}, Case {"a.png", "*.bmp;*.png", true},
                   Case {"a.jpg", "*.bmp;*.png", false}, Case {"a.bmp", ";*.bmp", true}, Case {"a.bmp", "", false}}) {
        EXPECT_EQ(platform::MatchesFilterPattern(c.Name, c.Pattern), c.Matches) << c.Name << " ~ " << c.Pattern;
    }
}

}  // namespace

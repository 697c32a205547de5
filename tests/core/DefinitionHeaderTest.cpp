#include <gtest/gtest.h>

#include <tuple>

#include "CoreTestSupport.h"
#include "core/DefinitionHeader.h"
#include "errors/ErrorTrail.h"

using coretest::TakeChain;
using Chain = std::vector<std::string>;

namespace {

constexpr const char* HeaderFailure = "Błąd podczas parsowania nagłówka pliku";

struct Parsed {
    DefinitionHeader Header;
    bool Ok { false };
    Chain Entries;
};

Parsed Parse(const std::string& items) {
    ClearErrors();
    Parsed parsed;
    std::string text = "[Vorlen 1]\n" + items;
    parsed.Ok = parsed.Header.ParseHeader(text, "");
    parsed.Entries = TakeChain();
    return parsed;
}

struct Refusal {
    const char* Items;
    const char* Message;
};

// Every item's own message, raised first and followed by the header's.
TEST(DefinitionHeader, ItemsRefuseBadValuesWithTheirOwnMessage) {
    const Refusal cases[] = {
        {"Width: 1001", "Błędna liczba w sekcji \"Width\": \"1001\""},
        {"Width: 0", "Błędna liczba w sekcji \"Width\": \"0\""},
        {"Width: 12a", "Błędna liczba w sekcji \"Width\": \"12a\""},
        {"Width: +", "Błędna liczba w sekcji \"Width\": \"+\""},
        {"Height: -5", "Błędna liczba w sekcji \"Height\": \"-5\""},
        {"Height: 99999999999", "Błędna liczba w sekcji \"Height\": \"99999999999\""},
        {"Buffers: 4", "Błędna liczba w sekcji \"Buffers\": \"4\""},
        {"Width:", "Błąd składni w sekcji \"Width\""},
        {"Title: [", "Błąd składni w sekcji \"Title\""},
        {"Wrap = ", "Błąd składni w sekcji \"Wrap\""},
        {"Speed: 0", "Prędkość \"Speed\" nie może być zerowa"},
        {"Speed: abc", "Prędkość \"Speed\" nie może być zerowa"},
        {"Speed: -0.0", "Prędkość \"Speed\" nie może być zerowa"},
        {"Speed:", "Błąd w sekcji \"Speed\""},
        {"Running:", "Błąd w sekcji \"Running\""},
        {"Zoom:", "Błąd w sekcji \"Zoom\""},
        {"Filtered:", "Błąd w sekcji \"Filtered\""},
        {"Tiled:", "Błąd w sekcji \"Tiled\""},
        {"Background: nocolour", "Błąd w sekcji \"Background\""},
        {"Background:", "Błąd w sekcji \"Background\""},
        {"View: sideways", "Błąd w seksji \"View\""},
        {"Colour: red", "Nieznana nazwa sekcji \"Colour\""},
        {"title: x", "Nieznana nazwa sekcji \"title\""},
        {"Title x", "Błąd składni"},
        {"Title: a ]", "Błąd składni"},
        {"Title: a[&65}", "Problem z otwarciem lub zamknięciem sekcji (wiersz 2, kolumna 13)"},
        {"Title: \"never closed", "Niespodziewany koniec dokumentu (wiersz 2, kolumna 21)"},
        {"Default: [b1: true]", "Sekcję \"Default\" musi poprzedzać sekcja \"Wrap\""},
        {"Wrap: true Default: [b1: true]", "Sekcja \"Default\" może wystąpić tylko, kiedy \"Wrap\" = false"},
    };
    for (const Refusal& c : cases) {
        Parsed parsed = Parse(c.Items);
        EXPECT_FALSE(parsed.Ok) << c.Items;
        EXPECT_EQ(parsed.Entries, (Chain {c.Message, HeaderFailure})) << c.Items;
    }
}

TEST(DefinitionHeader, SignatureMustReadVorlen1) {
    for (const char* good : {"[Vorlen 1]", "{ Vorlen 1 }", "[\tVorlen 1\r\n]"}) {
        std::string text = good;
        DefinitionHeader header;
        EXPECT_TRUE(header.ParseHeader(text, "")) << good;
        TakeChain();
    }
    for (const char* bad : {"[Vorlen 2]", "[vorlen 1]", "[]", "Vorlen 1", "x", ""}) {
        std::string text = bad;
        DefinitionHeader header;
        EXPECT_FALSE(header.ParseHeader(text, "")) << bad;
        EXPECT_EQ(TakeChain(), (Chain {"Błędny nagłówek pliku", HeaderFailure})) << bad;
    }
}

TEST(DefinitionHeader, DefaultListsSetOnlyTheFieldsTheyName) {
    Parsed parsed = Parse("Wrap: false\nDefault: [b1: true]\nDefault: [u4 = 4294967295, f2: -2.5, b3: no]");
    ASSERT_TRUE(parsed.Ok) << ::testing::PrintToString(parsed.Entries);
    const Cell& cell = parsed.Header.DefaultCell;
    EXPECT_EQ(cell.b1, 1);
    EXPECT_EQ(cell.b3, 1);
    EXPECT_EQ(cell.u4, 4294967295u);
    EXPECT_EQ(cell.f2, -2.5f);
    EXPECT_EQ(cell.b2 + cell.b4 + cell.u1 + cell.u2 + cell.u3, 0u);
    EXPECT_EQ(cell.f1, 0.0f);

    for (const char* bad : {"[u1: -1]", "[u1: 4294967296]", "[u1: ]", "[b5: true]", "[x1: 1]", "[b1 true]", "b1: true",
                            "[f1: 1", "[uu: 1]"}) {
        Parsed refused = Parse(std::string("Wrap: false\nDefault: ") + bad);
        EXPECT_FALSE(refused.Ok) << bad;
        EXPECT_EQ(refused.Entries, (Chain {"Błąd w sekcji \"Default\"", HeaderFailure})) << bad;
    }
}

TEST(DefinitionHeader, SpeedBecomesAClampedPeriod) {
    struct Case { const char* speed; float period; };
    for (Case c : {Case {"1", 1.0f}, Case {"4", 0.25f}, Case {"200000", 0.00001f}, Case {"0.01", 10.0f},
                   Case {"-5", 0.00001f}, Case {"1e-300", 10.0f}}) {
        Parsed parsed = Parse(std::string("Speed: ") + c.speed);
        ASSERT_TRUE(parsed.Ok) << c.speed;
        EXPECT_FLOAT_EQ(parsed.Header.IterationPeriod, c.period) << c.speed;
    }
}

TEST(DefinitionHeader, RepeatedItemsOverwriteAndEveryValueIsKept) {
    Parsed parsed = Parse("Title: A\nTitle = \"Gra w życie\"\nWrap: yes\nBuffers: 3\nWidth: 1000\nHeight: 1\n"
                          "Zoom: 20\nFiltered: 1\nTiled: off\nRunning: true\nRunning: 0\n");
    ASSERT_TRUE(parsed.Ok) << ::testing::PrintToString(parsed.Entries);
    const DefinitionHeader& h = parsed.Header;
    EXPECT_EQ(h.Title, "Gra w życie");
    EXPECT_TRUE(h.Wrap && h.WrapPresent && h.Filtered && h.Tiled);  // any text but 0, f, false is true
    EXPECT_EQ(std::make_tuple(h.Buffers, h.Width, h.Height), std::make_tuple(3, 1000, 1));
    EXPECT_EQ(h.Zoom, 20.0f);  // clamped by the automaton
    EXPECT_FALSE(h.Running);
}

TEST(DefinitionHeader, ButtonsLabelSlotsOnce) {
    Parsed parsed = Parse("Buttons: [1: Glider 2: \"Wyczyść wszystko\" 0 = Random]");
    ASSERT_TRUE(parsed.Ok) << ::testing::PrintToString(parsed.Entries);
    EXPECT_EQ(parsed.Header.ButtonLabels[0], "Glider");
    EXPECT_EQ(parsed.Header.ButtonLabels[1], "Wyczyść wszystko");
    EXPECT_EQ(parsed.Header.ButtonLabels[9], "Random");
    for (int slot = 2; slot < 9; ++slot) EXPECT_TRUE(parsed.Header.ButtonLabels[static_cast<size_t>(slot)].empty());

    EXPECT_TRUE(Parse("Buttons: []").Ok);
    for (const char* bad : {"[1: A 1: B]", "[10: A]", "[-1: A]", "[1: \"\"]", "[1 A]", "[x: A]", "[1: A", "1: A",
                            "[+: A 0: B]"}) {
        Parsed refused = Parse(std::string("Buttons: ") + bad);
        EXPECT_FALSE(refused.Ok) << bad;
        EXPECT_EQ(refused.Entries, (Chain {"Błąd w sekcji \"Buttons\"", HeaderFailure})) << bad;
    }
    // A second Buttons item may not relabel a slot either.
    EXPECT_FALSE(Parse("Buttons: [1: A]\nButtons: [1: B]").Ok);
}

}  // namespace

// Reading a definition: the header items and their messages, the marker, the required items,
// and the order of the load's stages.
#include <tuple>

#include "core/DefinitionHeader.h"
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"

namespace core {
namespace {

constexpr const char* HeaderFailure = "Błąd podczas parsowania nagłówka pliku";
const std::string Signed = "[Vorlen 1]\n";
const std::string ComparingView = "b1 [double black lime red white]";  // needs three buffers

// Parses `text` into `header` (when given); the chain, empty when it parsed.
Chain Parse(std::string text, DefinitionHeader* header = nullptr) {
    errors::ClearErrors();
    DefinitionHeader scratch;
    bool parsed = (header ? *header : scratch).ParseHeader(text, "");
    EXPECT_EQ(parsed, !errors::ErrorRaised()) << text;
    return TakeChain();
}

// Every item's own message, raised first and followed by the header's; values as written.
TEST(DefinitionHeader, BadItemsGiveTheirOwnMessage) {
    const std::pair<std::string, std::string> numbers[] = {{"Width", "1001"}, {"Width", "0"}, {"Width", "12a"},
        {"Width", "+"}, {"Height", "99999999999"}, {"Buffers", "4"}};
    for (const auto& [item, value] : numbers)
        EXPECT_EQ(Parse(Signed + item + ": " + value),
                  (Chain {"Błędna liczba w sekcji \"" + item + "\": \"" + value + "\"", HeaderFailure})) << value;
    const std::pair<const char*, const char*> cases[] = {
        {"Width:", "Błąd składni w sekcji \"Width\""}, {"Title: [", "Błąd składni w sekcji \"Title\""},
        {"Wrap = ", "Błąd składni w sekcji \"Wrap\""}, {"Speed: 0", "Prędkość \"Speed\" nie może być zerowa"},
        {"Speed: abc", "Prędkość \"Speed\" nie może być zerowa"}, {"Speed:", "Błąd w sekcji \"Speed\""},
        {"Running:", "Błąd w sekcji \"Running\""}, {"Zoom:", "Błąd w sekcji \"Zoom\""},
        {"Filtered:", "Błąd w sekcji \"Filtered\""}, {"Tiled:", "Błąd w sekcji \"Tiled\""},
        {"Background: nocolour", "Błąd w sekcji \"Background\""}, {"View: sideways", "Błąd w seksji \"View\""},
        {"Buttons: [1: A 1: B]", "Błąd w sekcji \"Buttons\""}, {"Colour: red", "Nieznana nazwa sekcji \"Colour\""},
        {"title: x", "Nieznana nazwa sekcji \"title\""}, {"Title x", "Błąd składni"}, {"Title: a ]", "Błąd składni"},
        {"Title: a[&65}", "Problem z otwarciem lub zamknięciem sekcji (wiersz 2, kolumna 13)"},
        {"Title: \"never closed", "Niespodziewany koniec dokumentu (wiersz 2, kolumna 21)"},
        {"Default: [b1: true]", "Sekcję \"Default\" musi poprzedzać sekcja \"Wrap\""},
        {"Wrap: true Default: [b1: true]", "Sekcja \"Default\" może wystąpić tylko, kiedy \"Wrap\" = false"},
    };
    for (auto [items, message] : cases) EXPECT_EQ(Parse(Signed + items), (Chain {message, HeaderFailure})) << items;
    for (const char* bad : {"[Vorlen 2]", "[vorlen 1]", "[]", "Vorlen 1"})
        EXPECT_EQ(Parse(bad), (Chain {"Błędny nagłówek pliku", HeaderFailure})) << bad;
    for (const char* good : {"{ Vorlen 1 }", "[\tVorlen 1\r\n]"}) EXPECT_EQ(Parse(good), Chain {}) << good;
}

TEST(DefinitionHeader, ValuesAreConvertedAndRepeatedItemsOverwrite) {
    DefinitionHeader h;
    ASSERT_EQ(Parse(Signed + "Title: A\nTitle = \"Gra w życie\"\nWrap: false\nBuffers: 3\nWidth: 1000\nHeight: 1\n"
                    "Zoom: 20\nFiltered: 1\nTiled: off\nRunning: true\nRunning: 0\nDefault: [b1: true]\n"
                    "Default: [u4 = 4294967295, f2: -2.5, b3: no]\nButtons: [1: Glider 0 = \"Wyczyść wszystko\"]", &h),
              Chain {});
    EXPECT_EQ(std::make_tuple(h.Title, h.Buffers, h.Width, h.Height, h.Zoom),
              std::make_tuple("Gra w życie", 3, 1000, 1, 20.0f));
    EXPECT_TRUE(h.WrapPresent && !h.Wrap && h.Filtered && h.Tiled && !h.Running);  // only 0, f, false are false
    const cells::Cell& cell = h.DefaultCell;  // a second list changes only what it names
    EXPECT_EQ(std::make_tuple(cell.b1, cell.b3, cell.u4, cell.f2), std::make_tuple(1, 1, 4294967295u, -2.5f));
    EXPECT_EQ(cell.b2 + cell.b4 + cell.u1 + cell.u2 + cell.u3 + cell.f1 + cell.f3 + cell.f4, 0.0f);
    EXPECT_EQ(std::tie(h.ButtonLabels[0], h.ButtonLabels[1], h.ButtonLabels[9]),
              std::make_tuple("Glider", "", "Wyczyść wszystko"));

    const Chain badDefault {"Błąd w sekcji \"Default\"", HeaderFailure};
    for (const char* bad : {"[u1: -1]", "[u1: 4294967296]", "[b5: true]", "[x1: 1]", "[b1 true]", "b1: true", "[f1: 1"})
        EXPECT_EQ(Parse(Signed + "Wrap: false\nDefault: " + bad), badDefault) << bad;
    for (const char* bad : {"[10: A]", "[1: \"\"]", "[x: A]", "[1: A", "[+: A 0: B]", "[1: A]\nButtons: [1: B]"})
        EXPECT_EQ(Parse(Signed + "Buttons: " + bad).size(), 2u) << bad;  // a slot is labelled once
    const std::pair<const char*, float> speeds[] = {{"200000", 0.00001f}, {"0.01", 10.0f}, {"-5", 0.00001f},
                                                    {"1e-300", 10.0f}};
    for (auto [speed, period] : speeds) {
        EXPECT_EQ(Parse(Signed + "Speed: " + speed, &h), Chain {});
        EXPECT_FLOAT_EQ(h.IterationPeriod, period) << speed;
    }
}

// Each failing stage gives exactly its chain below the file message. The script is compiled
// before the header's rules are checked, and OnInit runs last.
TEST(AutomatonLoad, EachFailureGivesItsChain) {
    for (std::string path : {(TempFolder() / "no-such.vl").string(), TempFolder().string(), std::string("/dev/zero")})
        EXPECT_EQ(LoadFailure(path), (Chain {"Nie można wczytać pliku \"" + path + "\""}));
    EXPECT_EQ(LoadFailure(WriteFile("[Vorlen 1]\nTitle: x\n--CODE-\n")), (Chain {"Nie znaleziono \"--CODE--\""}));
    // The header is what precedes the first marker, here the letter x.
    EXPECT_EQ(LoadFailure(WriteFile("x--CODE--y")), (Chain {"Błędny nagłówek pliku", HeaderFailure}));
    for (std::string item : {"Title", "Wrap", "Buffers", "Width", "Height", "View", "Background"}) {
        std::string text = Definition(MinimalScript);
        size_t at = text.find("\n" + item + ":");
        text.erase(at, text.find('\n', at + 1) - at);
        EXPECT_EQ(LoadFailure(WriteFile(text)), Chain {"Brak sekcji \"" + item + "\""});
    }
    EXPECT_EQ(LoadFailure(WriteFile(Replaced(Definition(MinimalScript), "Test", "\"\""))), Chain {"Brak sekcji \"Title\""});
    EXPECT_EQ(LoadFailure(WriteFile(Replaced(Definition(MinimalScript), "u1 [RGB]", ComparingView))),
              Chain {"Ustawienia sekcji \"View\" wymagają potrójnego buforowania"});
    EXPECT_EQ(LoadFailure(WriteFile("[Vorlen 1] [/ only a comment /]\n--CODE--\n" + MinimalScript)),
              (Chain {"Brak sekcji \"Title\""}));
    Chain chain = LoadFailure(WriteFile("[Vorlen 1]\n--CODE--\nvoid OnInit() {\n  int a = ; }\nvoid OnFrame() { b; }\n"));
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].rfind("script (2, ", 0), 0u) << chain[0];  // every compiler message, one a line
    EXPECT_NE(chain[0].find(") : ERR : "), std::string::npos) << chain[0];
    EXPECT_NE(chain[0].find("\nscript (3, "), std::string::npos) << chain[0];
    EXPECT_EQ(Chain(chain.begin() + 1, chain.end()), (Chain {"Nie można skompilować skryptu", "Nie można wczytać skryptu"}));
    EXPECT_EQ(LoadFailure(WriteFile(Definition("void OnInit() {}\n"))),
              (Chain {"Nie znaleziono funkcji \"OnFrame\"", "Nie można wczytać skryptu"}));
    EXPECT_EQ(LoadFailure(WriteFile(Definition("void OnFrame() {}\nvoid OnInit() {\n  assert(false);\n}\n"))),
              (Chain {"Wiersz: 4", "Funkcja: void OnInit()", "Komunikat: Asercja jest fałszywa", "Wystąpił wyjątek",
                      "Nie można wykonać funkcji", "Nie można zainicjalizować aplikacji"}));
}

// The code starts right behind the marker and a second marker belongs to it; OnInit's cells
// are copied to every buffer.
TEST(AutomatonLoad, ALoadedAutomatonStartsAsItsDefinitionSays) {
    std::string text = Definition("void OnInit() { SetBuffer_u2(1, 1, 42); }\n// --CODE--\nvoid OnFrame() {}\n",
                                  "Zoom: 20", 5, 4, 3);
    auto automaton = LoadAutomaton(Replaced(Replaced(text, "u1 [RGB]", ComparingView), "--CODE--\n", "--CODE--"));
    ASSERT_TRUE(automaton->Loaded());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(automaton->Cells().Table(i).At(1, 1).u2, 42u) << i;
    WorkbenchState zoomed, shrunk;
    zoomed.Configure(*automaton);
    shrunk.Configure(*LoadAutomaton(Definition(MinimalScript, "Zoom: 0")));
    EXPECT_EQ(std::make_pair(zoomed.Zoom(), shrunk.Zoom()), std::make_pair(10.0f, 0.1f));
}

// A definition held in memory takes its included files from the reader it is given, by their
// paths resolved against the definition's folder; one the reader has not is an include error.
TEST(AutomatonLoad, DefinitionsInMemoryTakeTheirIncludesFromTheReader) {
    const std::string text = Replaced(Definition(MinimalScript), "Background: black\n", "[#inc parts/colours]\n");
    std::vector<std::string> asked;
    for (const bool served : {true, false}) {
        errors::ClearErrors();
        Automaton automaton;
        automaton.SetIncludeReader([&](const std::string& path, std::string& included) {
            asked.push_back(path);
            included = "Background: lime\n";
            return served;
        });
        EXPECT_EQ(automaton.LoadDefinitionText("/memory/d.vl", text), served);
        if (served) {
            EXPECT_EQ(automaton.Background(), 0xFF00FF00u);
        } else {
            const Chain chain = TakeChain();
            ASSERT_EQ(chain.size(), 3u);
            EXPECT_EQ(chain[1], HeaderFailure);
        }
    }
    EXPECT_EQ(asked, (std::vector<std::string> {"/memory/parts/colours", "/memory/parts/colours"}));
}

}  // namespace

}  // namespace core

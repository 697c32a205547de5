#include <gtest/gtest.h>

#include <tuple>

#include "CoreTestSupport.h"
#include "core/CommandLine.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::LoadAutomaton;
using coretest::MinimalScript;
using coretest::TakeChain;
using coretest::WriteFile;
using Chain = std::vector<std::string>;

namespace {

std::string FileMessage(const std::string& path) {
    return "Błąd podczas wczytywania pliku \"" + path + "\" i uruchamiania programu";
}

// Loads `text` from a file of its own and returns the chain (empty when it loaded).
Chain LoadChain(const std::string& text, std::string* pathOut = nullptr) {
    ClearErrors();
    static int counter = 0;
    std::string path = WriteFile("load" + std::to_string(++counter) + ".vl", text);
    if (pathOut) *pathOut = path;
    Automaton automaton;
    bool loaded = automaton.LoadDefinition(path);
    EXPECT_EQ(loaded, automaton.Loaded());
    EXPECT_EQ(loaded, !ErrorRaised());
    return TakeChain();
}

TEST(CommandLine, AtMostOneDefinitionPath) {
    std::string path = "kept";
    const char* none[] = {"vorlen"};
    EXPECT_EQ(ParseCommandLine(1, none, path), CommandLineResult::NoPath);
    EXPECT_EQ(path, "");
    const char* one[] = {"vorlen", "dir/gra w życie.vl"};
    EXPECT_EQ(ParseCommandLine(2, one, path), CommandLineResult::Path);
    EXPECT_EQ(path, "dir/gra w życie.vl");
    const char* two[] = {"vorlen", "a.vl", "b.vl"};
    EXPECT_EQ(ParseCommandLine(3, two, path), CommandLineResult::Failed);
    EXPECT_EQ(TakeChain(), (Chain {"Za dużo parametrów"}));
}

TEST(AutomatonLoad, FileAndMarkerFailures) {
    for (std::string unreadable : {(coretest::TempFolder() / "no-such.vl").string(), coretest::TempFolder().string(),
                                   std::string("/dev/zero")}) {
        Automaton automaton;
        EXPECT_FALSE(automaton.LoadDefinition(unreadable));
        EXPECT_EQ(TakeChain(), (Chain {"Nie można wczytać pliku \"" + unreadable + "\"", FileMessage(unreadable)}));
    }

    std::string path;
    Chain chain = LoadChain("[Vorlen 1]\nTitle: x\n--CODE-\n" + MinimalScript, &path);
    EXPECT_EQ(chain, (Chain {"Nie znaleziono \"--CODE--\"", FileMessage(path)}));

    // The header is what precedes the first marker: here the letter x.
    chain = LoadChain("x--CODE--y", &path);
    EXPECT_EQ(chain, (Chain {"Błędny nagłówek pliku", "Błąd podczas parsowania nagłówka pliku", FileMessage(path)}));
}

TEST(AutomatonLoad, OnlyTheFirstMarkerSplitsTheFile) {
    // The code starts right behind the marker; a second marker belongs to the code.
    std::string text = Definition("") ;
    text.replace(text.find("--CODE--\n"), 9, "--CODE--void OnInit() {}\n// --CODE--\nvoid OnFrame() {}\n");
    EXPECT_EQ(LoadChain(text), Chain {});
}

// Each required item left out in turn gives exactly its message and the file's.
TEST(AutomatonLoad, AMissingRequiredItemGivesExactlyItsChain) {
    struct Case { std::string dropped; std::string replacement; std::string message; };
    const std::vector<Case> cases = {
        {"Title: Test", "", "Brak sekcji \"Title\""},
        {"Title: Test", "Title: \"\"", "Brak sekcji \"Title\""},
        {"Wrap: false", "", "Brak sekcji \"Wrap\""},
        {"Buffers: 2", "", "Brak sekcji \"Buffers\""},
        {"Width: 5", "", "Brak sekcji \"Width\""},
        {"Height: 4", "", "Brak sekcji \"Height\""},
        {"View: texture u1 [RGB]", "", "Brak sekcji \"View\""},
        {"View: texture u1 [RGB]", "View: texture b1 [double black lime red white]",
         "Ustawienia sekcji \"View\" wymagają potrójnego buforowania"},
        {"Background: black", "", "Brak sekcji \"Background\""},
    };
    for (const Case& c : cases) {
        std::string text = Definition(MinimalScript);
        size_t at = text.find(c.dropped);
        ASSERT_NE(at, std::string::npos) << c.dropped;
        text.replace(at, c.dropped.size(), c.replacement);
        std::string path;
        Chain chain = LoadChain(text, &path);
        EXPECT_EQ(chain, (Chain {c.message, FileMessage(path)})) << c.dropped << " -> " << c.replacement;
    }
    // With three buffers the comparing view is fine.
    std::string triple = Definition(MinimalScript, "", 5, 4, 3);
    triple.replace(triple.find("u1 [RGB]"), 8, "b1 [double black lime red white]");
    EXPECT_EQ(LoadChain(triple), Chain {});
}

TEST(AutomatonLoad, TheScriptIsCompiledBeforeTheHeaderIsChecked) {
    std::string path;
    Chain chain = LoadChain("[Vorlen 1] [/ nothing but a comment /]\n--CODE--\n" + MinimalScript, &path);
    EXPECT_EQ(chain, (Chain {"Brak sekcji \"Title\"", FileMessage(path)}));

    chain = LoadChain("[Vorlen 1]\n--CODE--\nvoid OnInit() { nonsense }\n", &path);
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain[0].rfind("script (", 0), 0u) << chain[0];
    EXPECT_EQ(Chain(chain.begin() + 1, chain.end()),
              (Chain {"Nie można skompilować skryptu", "Nie można wczytać skryptu", FileMessage(path)}));

    chain = LoadChain(Definition("void OnInit() {}\n"), &path);
    EXPECT_EQ(chain, (Chain {"Nie znaleziono funkcji \"OnFrame\"", "Nie można wczytać skryptu", FileMessage(path)}));
}

TEST(AutomatonLoad, AFailingOnInitFailsTheLoad) {
    std::string path;
    Chain chain = LoadChain(Definition("void OnInit() {\n  assert(false);\n}\nvoid OnFrame() {}\n"), &path);
    EXPECT_EQ(chain, (Chain {"Wiersz: 3", "Funkcja: void OnInit()", "Komunikat: Asercja jest fałszywa", "Wystąpił wyjątek",
                             "Nie można wykonać funkcji", "Nie można zainicjalizować aplikacji", FileMessage(path)}));
}

TEST(AutomatonLoad, OnInitFillsEveryBufferAndTheHeaderSetsTheStartState) {
    auto automaton = LoadAutomaton(Definition("void OnInit() { SetBuffer_u2(1, 1, 42); }\nvoid OnFrame() {}\n",
                                              "Zoom: 20\nSpeed: 4\nRunning: yes\nFiltered: true\nButtons: [2: Dwa 0: Zero]",
                                              5, 4, 3));
    ASSERT_TRUE(automaton->Loaded()) << ::testing::PrintToString(TakeChain());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(automaton->Cells().Table(i).At(1, 1).u2, 42u) << i;
    EXPECT_EQ(std::make_tuple(automaton->Zoom(), automaton->ZoomPosition(), automaton->IterationPeriod()),
              std::make_tuple(10.0f, 1.0f, 0.25f));
    EXPECT_TRUE(automaton->Running() && automaton->RunPressed());
    EXPECT_TRUE(automaton->Filtered() && !automaton->Tiled() && automaton->FilterTileEnabled());
    EXPECT_TRUE(!automaton->ButtonVisible(0) && automaton->ButtonVisible(1) && automaton->ButtonVisible(9));
    EXPECT_EQ(automaton->ButtonLabel(9), "Zero");

    auto stopped = LoadAutomaton(Definition(MinimalScript, "Zoom: 0"));
    ASSERT_TRUE(stopped->Loaded());
    EXPECT_EQ(std::make_tuple(stopped->Zoom(), stopped->IterationPeriod()), std::make_tuple(0.1f, 1.0f));
    EXPECT_TRUE(!stopped->Running() && stopped->StopPressed());
}

}  // namespace

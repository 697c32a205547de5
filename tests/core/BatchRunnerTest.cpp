#include <gtest/gtest.h>

#include <cstdio>

#include "CoreTestSupport.h"
#include "core/BatchRunner.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::MinimalScript;
using coretest::WriteFile;

namespace {

std::string ReadAll(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    return text;
}

struct Outcome {
    int Status;
    std::string Out;
    std::string Err;
};

Outcome RunBatch(std::vector<std::string> arguments) {
    ClearErrors();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    BatchRunner runner(out, err);
    AddIterationActions(runner);
    arguments.insert(arguments.begin(), "vorlen-batch");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    Outcome outcome {runner.Run(static_cast<int>(argv.size()), argv.data()), ReadAll(out), ReadAll(err)};
    std::fclose(out);
    std::fclose(err);
    return outcome;
}

// u1 of cell (0, 0) counts the iterations; the third one fails.
const std::string CountingScript = "void OnInit() {}\nvoid OnFrame() {\n  SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1);\n"
                                   "  assert(GetBuffer_u1(0, 0) < 2);\n}\n";

TEST(BatchRunner, BadUsageIsRefusedBeforeAnythingRuns) {
    std::string definition = WriteFile("batch-usage.vl", Definition(MinimalScript));
    struct Case { std::vector<std::string> arguments; const char* reason; };
    const Case cases[] = {
        {{}, "nie podano pliku definicji"},
        {{"-n", "5"}, "nie podano pliku definicji"},
        {{definition, "--frobnicate"}, "nieznana akcja \"--frobnicate\""},
        {{definition, "-n"}, "brak argumentu akcji \"-n\""},
        {{definition, "-n", "0"}, "błędna liczba \"0\" akcji \"-n\""},
        {{definition, "--iterations", "12a"}, "błędna liczba \"12a\" akcji \"--iterations\""},
        {{definition, "-n", "2", "-n", "-1"}, "błędna liczba \"-1\" akcji \"-n\""},
    };
    for (const Case& c : cases) {
        Outcome outcome = RunBatch(c.arguments);
        EXPECT_EQ(outcome.Status, 64);
        EXPECT_EQ(outcome.Err.rfind(std::string("vorlen-batch: ") + c.reason + "\nUżycie: vorlen-batch DEFINICJA", 0), 0u)
            << outcome.Err;
        EXPECT_NE(outcome.Err.find("-n N, --iterations N"), std::string::npos);
        EXPECT_EQ(outcome.Out, "");
    }
}

TEST(BatchRunner, AFailedLoadPrintsOnlyTheChainNewestFirst) {
    std::string definition = WriteFile("batch-load.vl", "[Vorlen 1]\nTitle: x\n--CODE--\n" + MinimalScript);
    Outcome outcome = RunBatch({definition, "-n", "3"});
    EXPECT_EQ(outcome.Status, 65);
    EXPECT_EQ(outcome.Out, "");
    std::string expected = "Brak sekcji \"Wrap\"\n";
    ASSERT_EQ(std::count(outcome.Err.begin(), outcome.Err.end(), '\n'), 2) << outcome.Err;
    EXPECT_EQ(outcome.Err.rfind("  [Automaton,", 0), 0u) << outcome.Err;
    EXPECT_NE(outcome.Err.find("] Błąd podczas wczytywania pliku \"" + definition + "\" i uruchamiania programu\n  ["),
              std::string::npos)
        << outcome.Err;
    EXPECT_TRUE(outcome.Err.ends_with("] " + expected)) << outcome.Err;
}

TEST(BatchRunner, ActionsRunInOrderAndAFailingIterationEndsWithItsChain) {
    std::string definition = WriteFile("batch-run.vl", Definition(CountingScript));
    Outcome ok = RunBatch({definition, "-n", "1"});
    EXPECT_EQ(ok.Status, 0);
    EXPECT_EQ(ok.Err, "");

    Outcome failed = RunBatch({definition, "--iterations", "1", "-n", "5"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Err.rfind("  [Automaton,", 0), 0u) << failed.Err;
    EXPECT_NE(failed.Err.find("] Nie można przeliczyć klatki\n  [ScriptHost,"), std::string::npos) << failed.Err;
    EXPECT_NE(failed.Err.find("\n  Komunikat: Asercja jest fałszywa\n"), std::string::npos) << failed.Err;
    EXPECT_TRUE(failed.Err.ends_with("\n  Wiersz: 5\n")) << failed.Err;
    EXPECT_FALSE(ErrorRaised());
}

TEST(BatchRunner, FurtherActionsJoinTheTable) {
    std::string definition = WriteFile("batch-extra.vl", Definition(MinimalScript));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    BatchRunner runner(out, err);
    AddIterationActions(runner);
    std::vector<std::string> seen;
    runner.AddAction({"--say", "", BatchRunner::ArgumentKind::Path, "mówi",
                      [&](BatchRunner& self, Automaton& automaton, const std::string& argument) {
                          seen.push_back(argument + "@" + std::to_string(automaton.IterationCounter()));
                          std::fprintf(self.Out(), "%s\n", argument.c_str());
                          return argument != "stop";
                      }});
    const char* argv[] = {"vorlen-batch", definition.c_str(), "--say", "a", "-n", "2", "--say", "stop", "--say", "never"};
    EXPECT_EQ(runner.Run(10, argv), 1);
    EXPECT_EQ(seen, (std::vector<std::string> {"a@0", "stop@2"}));
    EXPECT_EQ(ReadAll(out), "a\nstop\n");
    EXPECT_EQ(ReadAll(err), "");  // the action's own report is all there is
    EXPECT_NE(runner.UsageText().find("  --say PLIK"), std::string::npos);
    std::fclose(out);
    std::fclose(err);
}

}  // namespace

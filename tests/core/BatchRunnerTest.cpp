#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "CoreTestSupport.h"
#include "core/BatchRunner.h"
#include "errors/ErrorTrail.h"

using coretest::Definition;
using coretest::MinimalScript;
using coretest::WriteFile;

namespace {

std::string ReadAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
    std::fclose(file);
    return text;
}

struct Outcome {
    int Status;
    std::string Out, Err;
};

// Runs the batch runner in-process on `arguments`, with `extra` added to its action table.
Outcome RunBatch(std::vector<std::string> arguments, BatchRunner::Action extra = {}) {
    ClearErrors();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    BatchRunner runner(out, err);
    AddIterationActions(runner);
    if (extra.Run) runner.AddAction(extra);
    arguments.insert(arguments.begin(), "vorlen-batch");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    int status = runner.Run(static_cast<int>(argv.size()), argv.data());
    std::fflush(out);
    std::fflush(err);
    return {status, ReadAll(out), ReadAll(err)};
}

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
        EXPECT_NE(outcome.Err.find("\n  -n N, --iterations N"), std::string::npos) << outcome.Err;
        EXPECT_EQ(outcome.Out, "");
    }
}

// A chain on stderr is the trail's entries and nothing else, newest first.
TEST(BatchRunner, FailuresPrintOnlyTheirChain) {
    std::string broken = WriteFile("batch-load.vl", "[Vorlen 1]\nTitle: x\n--CODE--\n" + MinimalScript);
    Outcome load = RunBatch({broken, "-n", "3"});
    EXPECT_EQ(load.Status, 65);
    EXPECT_EQ(load.Out, "");
    EXPECT_EQ(load.Err.rfind("  [Automaton,", 0), 0u) << load.Err;
    EXPECT_NE(load.Err.find("] Błąd podczas wczytywania pliku \"" + broken + "\" i uruchamiania programu\n  ["),
              std::string::npos)
        << load.Err;
    EXPECT_TRUE(load.Err.ends_with("] Brak sekcji \"Wrap\"\n")) << load.Err;

    // u1 of cell (0, 0) counts the iterations; the third one fails.
    std::string counting = WriteFile("batch-run.vl", Definition("void OnInit() {}\nvoid OnFrame() {\n"
                                                                "  SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1);\n"
                                                                "  assert(GetBuffer_u1(0, 0) < 2);\n}\n"));
    Outcome ok = RunBatch({counting, "-n", "1"});
    EXPECT_EQ(std::make_tuple(ok.Status, ok.Out, ok.Err), std::make_tuple(0, std::string(), std::string()));
    Outcome failed = RunBatch({counting, "--iterations", "1", "-n", "5"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Err.rfind("  [Automaton,", 0), 0u) << failed.Err;
    EXPECT_NE(failed.Err.find("] Nie można przeliczyć klatki\n  [ScriptHost,"), std::string::npos) << failed.Err;
    EXPECT_NE(failed.Err.find("\n  Komunikat: Asercja jest fałszywa\n"), std::string::npos) << failed.Err;
    EXPECT_TRUE(failed.Err.ends_with("\n  Wiersz: 5\n")) << failed.Err;
    EXPECT_FALSE(ErrorRaised());
}

TEST(BatchRunner, FurtherActionsJoinTheTableAndRunInOrder) {
    std::string definition = WriteFile("batch-extra.vl", Definition(MinimalScript));
    std::vector<std::string> seen;
    BatchRunner::Action say {"--say", "", BatchRunner::ArgumentKind::Path, "mówi",
                             [&](BatchRunner& self, Automaton& automaton, const std::string& argument) {
                                 seen.push_back(argument + "@" + std::to_string(automaton.IterationCounter()));
                                 std::fprintf(self.Out(), "%s\n", argument.c_str());
                                 return argument != "stop";
                             }};
    Outcome outcome = RunBatch({definition, "--say", "a", "-n", "2", "--say", "stop", "--say", "never"}, say);
    EXPECT_EQ(outcome.Status, 1);
    EXPECT_EQ(seen, (std::vector<std::string> {"a@0", "stop@2"}));
    EXPECT_EQ(outcome.Out, "a\nstop\n");
    EXPECT_EQ(outcome.Err, "");  // the action's own report is all there is
}

}  // namespace

// The batch runner's exit statuses and reports, and every example run the way a user runs it.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/BatchRunner.h"
#include "core/WorkbenchState.h"
#include "CoreTestSupport.h"

namespace core {
namespace {

struct Outcome {
    int Status;
    std::string Out, Err;
};

// Runs the batch runner in-process on `arguments`, with `extra` added to its action table.
Outcome RunBatch(std::vector<std::string> arguments, BatchRunner::Action extra = {}) {
    errors::ClearErrors();
    std::FILE* files[2] = {std::tmpfile(), std::tmpfile()};
    BatchRunner runner(files[0], files[1]);
    AddIterationActions(runner);
    if (extra.Run) runner.AddAction(extra);
    arguments.insert(arguments.begin(), "vorlen-batch");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    Outcome outcome {runner.Run(static_cast<int>(argv.size()), argv.data()), "", ""};
    for (int i = 0; i < 2; ++i) {
        std::string& text = i == 0 ? outcome.Out : outcome.Err;
        std::rewind(files[i]);
        for (int c; (c = std::fgetc(files[i])) != EOF;) text.push_back(static_cast<char>(c));
        std::fclose(files[i]);
    }
    return outcome;
}

TEST(BatchRunner, BadUsageIsRefusedBeforeAnythingRuns) {
    std::string definition = WriteFile(Definition(MinimalScript));
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "nie podano pliku definicji"},
        {{"-n", "5"}, "nie podano pliku definicji"},
        {{definition, "--frobnicate"}, "nieznana akcja \"--frobnicate\""},
        {{definition, "-n"}, "brak argumentu akcji \"-n\""},
        {{definition, "--iterations", "12a"}, "błędna liczba \"12a\" akcji \"--iterations\""},
        {{definition, "-n", "2", "-n", "0"}, "błędna liczba \"0\" akcji \"-n\""},
        {{definition, "--time-limit"}, "brak argumentu opcji \"--time-limit\""},
        {{"--time-limit", "0", definition}, "błędna liczba \"0\" opcji \"--time-limit\""},
        {{definition, "--time-limit", "1e3"}, "błędna liczba \"1e3\" opcji \"--time-limit\""},
        {{definition, "--time-limit", "-2"}, "błędna liczba \"-2\" opcji \"--time-limit\""},
        {{definition, "--time-limit", "1.5.2"}, "błędna liczba \"1.5.2\" opcji \"--time-limit\""},
        {{"--time-limit", "2", "-n", "1"}, "nie podano pliku definicji"},
    };
    for (const auto& [arguments, reason] : cases) {
        Outcome outcome = RunBatch(arguments);
        EXPECT_EQ(std::make_tuple(outcome.Status, outcome.Out), std::make_tuple(64, ""));
        EXPECT_TRUE(outcome.Err.starts_with(std::string("vorlen-batch: ") + reason + "\nUżycie: vorlen-batch DEFINICJA") &&
                    outcome.Err.find("\n  -n N, --iterations N") != std::string::npos) << outcome.Err;
    }
}

// A chain on stderr is the trail's entries and nothing else, newest first.
TEST(BatchRunner, FailuresPrintOnlyTheirChain) {
    Outcome load = RunBatch({WriteFile("[Vorlen 1]\nTitle: x\n--CODE--\n" + MinimalScript), "-n", "3"});
    EXPECT_EQ(std::make_tuple(load.Status, load.Out), std::make_tuple(65, ""));
    EXPECT_TRUE(load.Err.starts_with("  [Automaton,") && load.Err.ends_with("] Brak sekcji \"Wrap\"\n")) << load.Err;
    EXPECT_EQ(std::count(load.Err.begin(), load.Err.end(), '\n'), 2);

    // u1 of cell (0, 0) counts the iterations; the third one fails.
    std::string counting = WriteFile(Definition("void OnInit() {}\nvoid OnFrame() {\n"
                                                "  SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1);\n"
                                                "  assert(GetBuffer_u1(0, 0) < 2);\n}\n"));
    Outcome ok = RunBatch({counting, "-n", "1"});
    EXPECT_EQ(std::make_tuple(ok.Status, ok.Out, ok.Err), std::make_tuple(0, "", ""));
    Outcome failed = RunBatch({counting, "--iterations", "1", "-n", "5"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_TRUE(failed.Err.starts_with("  [Automaton,") && failed.Err.ends_with("\n  Wiersz: 5\n")) << failed.Err;
    EXPECT_NE(failed.Err.find("] Nie można przeliczyć klatki\n  [ScriptHost,"), std::string::npos) << failed.Err;
}

// --time-limit, before the definition or among the actions, ends a call that runs longer:
// OnInit fails the load, OnFrame the iteration, each with its chain; shorter calls run.
TEST(BatchRunner, TheTimeLimitEndsLongScriptCalls) {
    const std::string slowInit = WriteFile(Definition("void OnInit() { while (true) {} }\nvoid OnFrame() {}\n"));
    const std::string slowFifth = WriteFile(Definition("int n = 0;\nvoid OnInit() {}\nvoid OnFrame() { if (++n == 5) while (true) {} }\n"));
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {  // arguments, status, the chain's deepest entries
        {{"--time-limit", "0.2", slowInit, "-n", "1"}, 65, "Komunikat: Wywołanie skryptu trwało dłużej niż 0.2 s\n  Funkcja: void OnInit()\n  Wiersz: 2\n"},
        {{slowFifth, "-n", "4", "--time-limit", ".25", "-n", "3"}, 1, "Komunikat: Wywołanie skryptu trwało dłużej niż 0.25 s\n  Funkcja: void OnFrame()\n  Wiersz: 4\n"},
        {{slowFifth, "--time-limit", "30", "-n", "4"}, 0, ""},
    };
    for (const auto& [arguments, status, deepest] : cases) {
        const Outcome outcome = RunBatch(arguments);
        EXPECT_EQ(outcome.Status, status);
        EXPECT_TRUE(outcome.Err.ends_with(deepest)) << outcome.Err;
        EXPECT_EQ(outcome.Err.find("] Przerwano działanie skryptu\n") != std::string::npos, status != 0) << outcome.Err;
    }
}

// Without a window the script's buttons still keep their down flags.
TEST(BatchRunner, UserButtonsKeepTheirDownFlags) {
    std::string code = "void OnInit() { SetButtonDown(4, true); }\n"
                       "void OnFrame() { assert(GetButtonDown(4) && !GetButtonDown(5)); }\n";
    Outcome outcome = RunBatch({WriteFile(Definition(code)), "-n", "2"});
    EXPECT_EQ(std::make_tuple(outcome.Status, outcome.Err), std::make_tuple(0, "")) << outcome.Err;
}

// An action's own report on failure is all there is; the actions after it do not run.
TEST(BatchRunner, FurtherActionsJoinTheTableAndRunInOrder) {
    std::vector<std::string> seen;
    BatchRunner::Action say {"--say", "", BatchRunner::ArgumentKind::Path, "mówi",
                             [&](BatchRunner& self, Automaton& automaton, const BatchRunner::ActionArgument& argument) {
                                 seen.push_back(argument.Text + "@" + std::to_string(automaton.IterationCounter()));
                                 std::fprintf(self.Out(), "%s\n", argument.Text.c_str());
                                 return argument.Text != "stop";
                             }};
    Outcome outcome =
        RunBatch({WriteFile(Definition(MinimalScript)), "--say", "a", "-n", "2", "--say", "stop", "--say", "never"}, say);
    EXPECT_EQ(std::make_tuple(outcome.Status, outcome.Out, outcome.Err), std::make_tuple(1, "a\nstop\n", ""));
    EXPECT_EQ(seen, (std::vector<std::string> {"a@0", "stop@2"}));
}

// Every example loads, iterates, and takes every button and a mouse stroke without an error.
TEST(Examples, EachLoadsAndRuns) {
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".vl") continue;
        SCOPED_TRACE(entry.path().string());
        ++examples;
        errors::ClearErrors();
        Automaton automaton;
        WorkbenchState state;
        automaton.SetScriptControls(state);
        ASSERT_TRUE(automaton.LoadDefinition(entry.path().string())) << ::testing::PrintToString(TakeChain());
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(automaton.ComputeIteration()) << ::testing::PrintToString(TakeChain());
        for (int slot = 0; slot < UserButtonCount; ++slot)
            EXPECT_TRUE(!automaton.ButtonVisible(slot) || automaton.RunButtonCallback(slot)) << slot;
        EXPECT_TRUE(state.MouseDown(automaton, true, 1, 1) && state.MouseMove(automaton, true, 2, 1) &&
                    state.MouseUp(automaton, true, 2, 1));
        EXPECT_TRUE(automaton.ComputeIteration());
        EXPECT_FALSE(errors::ErrorRaised()) << ::testing::PrintToString(TakeChain());
    }
    EXPECT_GE(examples, 5);
}

}  // namespace
}  // namespace core

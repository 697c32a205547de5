// Scripts compiled to machine code against the interpreter: the examples and the forms rules
// use, every cell field bit for bit, with the same chains, counters and statuses.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "JitTestSupport.h"

using namespace jittest;

namespace {

std::string ReadExample(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Differential, EveryExampleRunsAlikeWithItsButtonsAndMouse) {
    int examples = 0;
    for (const auto& file : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR)) {
        if (file.path().extension() != ".vl") continue;
        ++examples;
        std::vector<Step> steps = Iterations(6);
        for (int slot = 0; slot < Automaton::UserButtons; ++slot)
            steps.push_back([slot](Automaton& automaton) { return automaton.RunButtonCallback(slot); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseDown(true, 3, 4); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseMove(true, 5, 5); });
        steps.push_back([](Automaton& automaton) { return automaton.MouseUp(true, 5, 6); });
        for (int i = 0; i < 4; ++i) steps.push_back(Iterate);
        Outcome jit = ExpectSameBothWays(ReadExample(file.path()), steps, file.path().filename().string());
        EXPECT_TRUE(jit.Loaded);
        EXPECT_GT(jit.Compiled, 0) << file.path();
    }
    EXPECT_GE(examples, 5);
}

}  // namespace

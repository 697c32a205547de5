// Random rules compiled to machine code against the interpreter, every cell field bit for
// bit, with the same chains, counters and statuses. CI runs a fixed number from a fixed seed;
// by hand any number from any seed:
//
//   build-asan/tests/jit_random_test --scripts 100000 --seed 7
//
// A difference prints the seed and the whole definition.
#include <cstdlib>
#include <cstring>

#include "JitTestSupport.h"
#include "RandomRules.h"

using namespace jittest;

namespace {

uint64_t g_scripts = 1500;
uint64_t g_seed = 20240601;

TEST(RandomScripts, MachineCodeAndInterpreterAgree) {
    uint64_t loaded = 0, compiled = 0;
    std::vector<Step> steps = Iterations(3);
    steps.push_back([](Automaton& automaton) { return automaton.RunButtonCallback(0); });
    steps.push_back([](Automaton& automaton) { return automaton.MouseDown(true, 1, 2); });
    steps.push_back(Iterate);
    for (uint64_t i = 0; i < g_scripts; ++i) {
        uint64_t seed = g_seed + i;
        std::string definition = RandomDefinition(seed);
        Outcome jit = RunDefinition(definition, Engine::MachineCode, steps);
        Outcome interpreter = RunDefinition(definition, Engine::Interpreter, steps);
        std::string difference;
        ASSERT_TRUE(Same(jit, interpreter, difference)) << "seed " << seed << ": " << difference << "\n" << definition;
        loaded += jit.Loaded;
        compiled += jit.Compiled > 0;
    }
    // The generator must write rules that compile and mostly run, or it tests nothing.
    EXPECT_GE(loaded * 10, g_scripts * 7) << loaded << " of " << g_scripts << " loaded";
    EXPECT_GE(compiled, loaded);
    std::printf("%llu random scripts from seed %llu: %llu loaded and ran alike\n", static_cast<unsigned long long>(g_scripts),
                static_cast<unsigned long long>(g_seed), static_cast<unsigned long long>(loaded));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--scripts") == 0) g_scripts = std::strtoull(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--seed") == 0) g_seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    return RUN_ALL_TESTS();
}

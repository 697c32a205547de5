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

uint64_t g_scripts = 2000;
uint64_t g_seed = 20240601;

// Every byte of every generation from `seed`, as a table file written elsewhere may hold
// them: bools other than 0 and 1, NaNs with payloads, denormals.
bool Scramble(Automaton& automaton, uint64_t seed) {
    Generations& cells = automaton.Cells();
    for (int i = 0; i < cells.Buffers(); ++i) {
        CellTable& table = cells.Table(i);
        auto* bytes = reinterpret_cast<unsigned char*>(table.Data());
        for (size_t k = 0; k < table.CellCount() * sizeof(Cell); ++k) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            // Mostly small bytes, so that bools are often 0 or 1 and numbers often small.
            unsigned value = static_cast<unsigned>(seed >> 56);
            bytes[k] = static_cast<unsigned char>(value < 160 ? value % 3 : value);
        }
    }
    return true;
}

TEST(RandomScripts, MachineCodeAndInterpreterAgree) {
    uint64_t loaded = 0, compiled = 0, refused = 0;
    std::map<AngelScript::asEBCInstr, int> left;
    std::vector<Step> steps = Iterations(2);
    steps.push_back([](Automaton& automaton) { return automaton.RunButtonCallback(0); });
    steps.push_back([](Automaton& automaton) { return automaton.MouseDown(true, 1, 2); });
    steps.push_back(Iterate);
    for (uint64_t i = 0; i < g_scripts; ++i) {
        uint64_t seed = g_seed + i;
        std::string definition = RandomDefinition(seed);
        if (seed % 2) steps[1] = [seed](Automaton& automaton) { return Scramble(automaton, seed); };
        else steps[1] = Iterate;
        Outcome jit = RunDefinition(definition, Engine::MachineCode, steps);
        Outcome interpreter = RunDefinition(definition, Engine::Interpreter, steps);
        ASSERT_TRUE(jit.Seen == interpreter.Seen) << "seed " << seed << ": " << Difference(jit.Seen, interpreter.Seen)
                                                  << "\n" << definition;
        loaded += jit.Loaded;
        compiled += jit.Compiler.Compiled > 0;
        refused += static_cast<uint64_t>(jit.Compiler.Refused);
        for (const auto& [op, count] : jit.Compiler.LeftToInterpreter) left[op] += count;
    }
    // The generator must write rules that compile and mostly run, or it tests nothing.
    EXPECT_GE(loaded * 10, g_scripts * 7) << loaded << " of " << g_scripts << " loaded";
    EXPECT_GE(compiled, loaded);
    EXPECT_EQ(refused, 0u) << "every function of a rule is translated";
    std::printf("%llu random scripts from seed %llu: %llu loaded and ran alike\n", static_cast<unsigned long long>(g_scripts),
                static_cast<unsigned long long>(g_seed), static_cast<unsigned long long>(loaded));
    std::printf("Instructions left to the interpreter:");
    for (const auto& [op, count] : left) std::printf(" %s %d", AngelScript::asBCInfo[op].name, count);
    std::printf("\n");
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

// The automaton core's speed.
//
// LifeScript runs one iteration of Conway's Life written as a script on a 1000 x 1000 world:
// per cell eight neighbour reads, one read of the cell and one write through the host
// functions, then the copy of the generation. LifeScriptFloor runs the same script against
// generic host functions that do nothing: what the engine alone costs for those calls. The
// target is LifeScript at most 1.3 times the floor.
//
// The argument of LifeScript is the share of live cells, in percent, that OnInit scatters:
// 3 is about the density a Life world settles to, 25 a fresh random soup. The script branches
// on every value it reads, and on a dense soup those branches are unpredictable inside the
// engine's interpreter; the floor's reads always answer the same and never pay for that. So
// the sparse world measures what the host functions cost, the dense one adds what the data
// costs the engine.
//
// CopyGeneration copies one 1000 x 1000 generation (36 MB); Memcpy copies as many bytes with
// one memcpy. The target is at most 1.2 times memcpy.
//
// LifeStoppable runs the Life iteration as the automaton does, through the script host, whose
// calls can be stopped from another thread; LifeWatched the same with a time limit set, so
// that the watchdog thread looks at the call every few milliseconds; LifeBare calls the
// engine's context directly, with nothing around the call. The target: neither of the first
// two is slower than the bare call (ratios of about 1.00). Their second argument is 0 for the
// engine's interpreter, 1 for the script compiled to machine code, where the stop is checked
// on entering a function and at every backward jump.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>

#include "core/Automaton.h"
#include "core/HostFunctions.h"
#include "core/ScriptHost.h"
#include "errors/ErrorTrail.h"
#include "jit/Jit.h"

namespace core {
namespace {

constexpr int Side = 1000;

const std::string LifeScript = R"(
const int W = 1000;
const int H = 1000;

uint Density = 25;  // percent of live cells

void OnInit() {
  for (int x = 0; x < W; x++)
    for (int y = 0; y < H; y++)
      SetBuffer_b1(x, y, rand_u_range(0, 99) < Density);
}

void OnFrame() {
  for (int x = 0; x < W; x++)
    for (int y = 0; y < H; y++) {
      int n = 0;
      if (GetBuffer_b1(x - 1, y - 1)) n++;
      if (GetBuffer_b1(x, y - 1)) n++;
      if (GetBuffer_b1(x + 1, y - 1)) n++;
      if (GetBuffer_b1(x - 1, y)) n++;
      if (GetBuffer_b1(x + 1, y)) n++;
      if (GetBuffer_b1(x - 1, y + 1)) n++;
      if (GetBuffer_b1(x, y + 1)) n++;
      if (GetBuffer_b1(x + 1, y + 1)) n++;
      bool alive = GetBuffer_b1(x, y);
      SetBuffer_b1(x, y, n == 3 || (alive && n == 2));
    }
}
)";

const std::string LifeHeader =
    "[Vorlen 1]\nTitle: Life\nWrap: true\nBuffers: 2\nWidth: 1000\nHeight: 1000\n"
    "View: texture b1 [false: black, true: white]\nBackground: black\n--CODE--\n";

void Fail(benchmark::State& state, const char* what) {
    std::string message = what;
    for (const std::string& entry : errors::TakeAllErrors()) message += " | " + entry;
    state.SkipWithError(message.c_str());
}

void LifeScriptBenchmark(benchmark::State& state) {
    char path[] = "/tmp/vorlen-bench-XXXXXX.vl";
    int fd = mkstemps(path, 3);
    if (fd < 0) return state.SkipWithError("no temporary file");
    std::string script = LifeScript;
    script.replace(script.find("Density = 25"), 12, "Density = " + std::to_string(state.range(0)));
    std::string text = LifeHeader + script;
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    Automaton automaton;
    bool loaded = written && automaton.LoadDefinition(path);
    unlink(path);
    if (!loaded) return Fail(state, "the Life definition did not load");
    for (auto _ : state)
        if (!automaton.ComputeIteration()) return Fail(state, "an iteration failed");
}

// One Life iteration on a loaded automaton: `how` (the first argument) 0 bare (the engine's
// context alone), 1 through the script host, 2 through the script host with a time limit
// being watched; the second argument 1 compiles the script to machine code.
void LifeStopBenchmark(benchmark::State& state) {
    const bool machineCode = state.range(1) != 0;
    if (machineCode && !jit::Supported()) return state.SkipWithError("no machine code on this machine");
    char path[] = "/tmp/vorlen-bench-XXXXXX.vl";
    int fd = mkstemps(path, 3);
    if (fd < 0) return state.SkipWithError("no temporary file");
    std::string text = LifeHeader + LifeScript;
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    Automaton automaton;
    const int how = static_cast<int>(state.range(0));
    if (machineCode) automaton.SetScriptJit([](Automaton& owner) { return jit::MakeCompiler(owner); });
    else automaton.SetScriptJit({});
    if (how == 2) automaton.Script().Interrupt().SetTimeLimit(3600);
    bool loaded = written && automaton.LoadDefinition(path);
    unlink(path);
    if (!loaded) return Fail(state, "the Life definition did not load");
    ScriptHost& host = automaton.Script();
    AngelScript::asIScriptFunction* onFrame = host.Engine()->GetFunctionById(host.Ids().OnFrame);
    for (auto _ : state) {
        if (how == 0) {
            if (host.Context()->Prepare(onFrame) < 0 || host.Context()->Execute() != AngelScript::asEXECUTION_FINISHED)
                return Fail(state, "a bare iteration failed");
        } else if (!host.Call(host.Ids().OnFrame)) {
            return Fail(state, "an iteration failed");
        }
        automaton.Cells().Rotate();
    }
}

void Nothing(AngelScript::asIScriptGeneric*) {}

void LifeScriptFloorBenchmark(benchmark::State& state) {
    ScriptHost host;
    bool ready = host.SetupScript(LifeScript, [](AngelScript::asIScriptEngine& engine) {
        for (const HostFunction& function : HostFunctions)
            engine.RegisterGlobalFunction(function.Declaration, asFUNCTION(Nothing), AngelScript::asCALL_GENERIC);
    });
    if (!ready) return Fail(state, "the floor script did not compile");
    for (auto _ : state)
        if (!host.Call(host.Ids().OnFrame)) return Fail(state, "a floor iteration failed");
}

void CopyGenerationBenchmark(benchmark::State& state) {
    Generations cells;
    if (!cells.Allocate(2, Side, Side)) return state.SkipWithError("out of memory");
    std::memset(cells.Table(0).Data(), 1, cells.Table(0).CellCount() * sizeof(cells::Cell));
    cells.CopyGeneration(0, 1);  // both tables are touched before timing
    for (auto _ : state) {
        cells.CopyGeneration(0, 1);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(cells.Table(0).CellCount() * sizeof(cells::Cell)));
}

void MemcpyBenchmark(benchmark::State& state) {
    size_t bytes = static_cast<size_t>(Side) * Side * sizeof(cells::Cell);
    char* from = static_cast<char*>(std::calloc(bytes, 1));
    char* to = static_cast<char*>(std::calloc(bytes, 1));
    if (!from || !to) {
        std::free(from);
        std::free(to);
        return state.SkipWithError("out of memory");
    }
    std::memset(from, 1, bytes);
    std::memcpy(to, from, bytes);
    for (auto _ : state) {
        std::memcpy(to, from, bytes);
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    std::free(from);
    std::free(to);
}

// The machine is shared: each figure is the best of three repetitions.
BENCHMARK(LifeScriptBenchmark)->Name("LifeScript")->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3);
BENCHMARK(LifeScriptFloorBenchmark)->Name("LifeScriptFloor")->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3);
BENCHMARK(LifeStopBenchmark)->Name("LifeBare")->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3);
BENCHMARK(LifeStopBenchmark)->Name("LifeStoppable")->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3);
BENCHMARK(LifeStopBenchmark)->Name("LifeWatched")->Args({2, 0})->Args({2, 1})->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3);
BENCHMARK(CopyGenerationBenchmark)->Name("CopyGeneration")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3);
BENCHMARK(MemcpyBenchmark)->Name("Memcpy")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3);

// Prints the usual table, then the two ratios the targets are stated in, from the best
// repetition of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            auto [place, added] = m_seconds.emplace(Key(run), seconds);
            if (!added && seconds < place->second) place->second = seconds;
            double processor = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto [cpu, cpuAdded] = m_processorSeconds.emplace(Key(run), processor);
            if (!cpuAdded && processor < cpu->second) cpu->second = processor;
        }
    }

    void PrintRatios() const {
        auto ratio = [this](const char* measured, const char* base, const char* what, double target) {
            auto a = m_seconds.find(measured), b = m_seconds.find(base);
            if (a == m_seconds.end() || b == m_seconds.end() || b->second <= 0) return;
            std::printf("%-38s %.4f s vs %.4f s: %.2fx (target at most %.1fx)\n", what, a->second, b->second,
                        a->second / b->second, target);
        };
        ratio("LifeScript/3", "LifeScriptFloor", "Life (3 % live) per iteration vs floor:", 1.3);
        ratio("LifeScript/25", "LifeScriptFloor", "Life (25 % live) per iteration vs floor:", 1.3);
        ratio("CopyGeneration", "Memcpy", "CopyGeneration vs memcpy:", 1.2);
        ratio("LifeStoppable/1/0", "LifeBare/0/0", "Life, stoppable call vs bare call:", 1.0);
        ratio("LifeWatched/2/0", "LifeBare/0/0", "Life, watched call vs bare call:", 1.0);
        ratio("LifeStoppable/1/1", "LifeBare/0/1", "Life in machine code, stoppable vs bare:", 1.0);
        ratio("LifeWatched/2/1", "LifeBare/0/1", "Life in machine code, watched vs bare:", 1.0);
        // On a busy machine the wall clock also counts the time other programs ran; the
        // processor time of the benchmark's thread does not.
        auto processorRatio = [this](const char* measured, const char* base, const char* what) {
            auto a = m_processorSeconds.find(measured), b = m_processorSeconds.find(base);
            if (a == m_processorSeconds.end() || b == m_processorSeconds.end() || b->second <= 0) return;
            std::printf("%-38s %.4f s vs %.4f s: %.2fx (processor time)\n", what, a->second, b->second, a->second / b->second);
        };
        processorRatio("LifeStoppable/1/0", "LifeBare/0/0", "Life, stoppable call vs bare call:");
        processorRatio("LifeWatched/2/0", "LifeBare/0/0", "Life, watched call vs bare call:");
        processorRatio("LifeStoppable/1/1", "LifeBare/0/1", "Life in machine code, stoppable vs bare:");
        processorRatio("LifeWatched/2/1", "LifeBare/0/1", "Life in machine code, watched vs bare:");
    }

private:
    // "LifeScript/3": the function and its argument, without the iteration settings.
    static std::string Key(const Run& run) {
        return run.run_name.args.empty() ? run.run_name.function_name : run.run_name.function_name + "/" + run.run_name.args;
    }

    std::map<std::string, double> m_seconds;
    std::map<std::string, double> m_processorSeconds;
};

}  // namespace

}  // namespace core

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    core::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}

// What running script calls on the script worker costs the window's thread.
//
//   Hand-off: one empty call handed to the worker and waited for, as the window waits for a
//   call (Start, then a wait of at most 20 ms that the call's end cuts short), against the
//   same empty call made directly. The figure is the median per call over many single calls;
//   the 99th percentile shows the rare slow wake-up.
//   Life: one iteration of the Life example (its own 200 x 125 world, and 1000 x 1000) made
//   on the window's thread and on the worker, alternately, so that both see the same machine;
//   the medians, their ratio, and the difference as a share of a frame at 60 frames a second;
//   in wall-clock time, and in the processor time of the thread that ran the iteration, which
//   other programs on a busy machine do not distort.
//
// Scripts run in machine code as in the programs (VORLEN_JIT=0: the interpreter).
//
//   build/bench/worker_bench [SAMPLES]   (20000 hand-offs, 200 iterations of each world)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <ctime>
#include <unistd.h>
#include <vector>

#include "core/Automaton.h"
#include "core/ScriptMath.h"
#include "core/ScriptWorker.h"
#include "errors/ErrorTrail.h"
#include "jit/Jit.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double QuickWait = 0.02;  // what the window waits before it takes messages
constexpr double FrameAt60 = 1.0 / 60.0;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// The processor time of the calling thread, in seconds.
double ThreadSeconds() {
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size())))];
}
double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

void HandOff(int samples) {
    core::ScriptWorker worker;
    volatile int sink = 0;
    auto call = [&sink] { sink = sink + 1; };
    std::vector<double> direct, handed;
    for (int i = 0; i < samples; ++i) {
        Clock::time_point start = Clock::now();
        call();
        direct.push_back(Seconds(Clock::now() - start));
        start = Clock::now();
        worker.Start(call);
        if (!worker.WaitFor(QuickWait)) worker.Wait();
        handed.push_back(Seconds(Clock::now() - start));
    }
    std::printf("hand-off of an empty call: median %.1f us, 99th percentile %.1f us (a direct call: %.3f us)\n",
                Median(handed) * 1e6, Percentile(handed, 0.99) * 1e6, Median(direct) * 1e6);
    std::printf("  as a share of a frame at 60 frames a second: %.3f %%\n", Median(handed) / FrameAt60 * 100.0);
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The Life example with its world resized to `side` x `side` (0 keeps it), in a file of its own.
std::string LifeDefinition(int side) {
    std::string text = ReadWhole(std::string(VORLEN_EXAMPLES_DIR) + "/life.vl");
    if (side > 0) {
        auto set = [&text](const std::string& item, int value) {
            size_t at = text.find(item + ":");
            size_t end = text.find('\n', at);
            text.replace(at, end - at, item + ": " + std::to_string(value));
        };
        set("Width", side);
        set("Height", side);
    }
    std::string path = "/tmp/vorlen-worker-bench-" + std::to_string(getpid()) + "-" + std::to_string(side) + ".vl";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool Life(int side, int iterations) {
    const std::string path = LifeDefinition(side);
    core::Automaton automaton;
    bool loaded = automaton.LoadDefinition(path);
    std::remove(path.c_str());
    if (!loaded) {
        for (const std::string& entry : errors::TakeAllErrors()) std::fprintf(stderr, "  %s\n", entry.c_str());
        return false;
    }
    core::ScriptWorker worker;
    std::vector<double> directCpu, handedCpu;
    std::vector<double>* cpu = nullptr;
    auto iterate = [&automaton, &cpu] {
        double start = ThreadSeconds();
        automaton.ComputeIteration();
        cpu->push_back(ThreadSeconds() - start);
    };
    std::vector<double> direct, handed;
    for (int i = 0; i < iterations; ++i) {
        cpu = &directCpu;
        Clock::time_point start = Clock::now();
        iterate();
        direct.push_back(Seconds(Clock::now() - start));
        cpu = &handedCpu;
        start = Clock::now();
        worker.Start(iterate);
        if (!worker.WaitFor(QuickWait)) worker.Wait();
        handed.push_back(Seconds(Clock::now() - start));
    }
    if (errors::ErrorRaised()) {
        for (const std::string& entry : errors::TakeAllErrors()) std::fprintf(stderr, "  %s\n", entry.c_str());
        return false;
    }
    double onThread = Median(direct), onWorker = Median(handed);
    std::printf("Life %d x %d, one iteration (%s): window's thread %.3f ms, worker %.3f ms, ratio %.3f, "
                "difference %+.3f %% of a frame at 60 frames a second\n",
                automaton.Width(), automaton.Height(), automaton.UsesScriptJit() ? "machine code" : "interpreter",
                onThread * 1e3, onWorker * 1e3, onWorker / onThread, (onWorker - onThread) / FrameAt60 * 100.0);
    double cpuThread = Median(directCpu), cpuWorker = Median(handedCpu);
    std::printf("  processor time of the iterating thread: window's thread %.3f ms, worker %.3f ms, ratio %.3f\n",
                cpuThread * 1e3, cpuWorker * 1e3, cpuWorker / cpuThread);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int samples = argc > 1 ? std::max(std::atoi(argv[1]), 100) : 20000;
    jit::InstallDefault();
    core::SeedProcessGenerators(core::DriverClock::System());
    HandOff(samples);
    int iterations = std::max(samples / 100, 20);
    bool ok = Life(0, iterations) && Life(1000, std::max(iterations / 4, 10));
    return ok ? 0 : 1;
}

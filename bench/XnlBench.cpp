// Reading speed of the XNL reader on a large header, and how fast it refuses documents that
// would expand without end.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "xnl/XNLRead.h"

namespace px {
namespace {

// A header of at least `size` bytes: per block one definition, one comment, a reference, an
// if-chain (which becomes a reference), quoted and bare tokens, sections and a coded special
// character; about 300 blocks per 100 KB.
std::string LargeHeader(size_t size) {
    std::string text = "[Vorlen 1]\n[#def FAST 1]\n";
    for (int i = 0; text.size() < size; ++i) {
        const std::string n = std::to_string(i);
        text += "[#def W" + n + " " + n + "] [/ block " + n + ": a comment with a few words in it /]\n";
        text += "Title" + n + " = \"Gra w życie " + n + "\"  Wrap" + n + " = true  Width" + n + ": [$W" + n +
                "]; Height" + n + ": 150\n";
        text += "View" + n + " = { Texture, Color [ b1 ] }  Background" + n + " = x000000\n";
        text += "Speed" + n + " = [#if W" + n + " [ W" + n + " ] else [ FAST ]]  Buttons" + n +
                " = [ 0 = \"Losuj\", 1: 'Wyczyść' [&x41] ]\n";
    }
    return text;
}

// Ten definitions, each referring ten times to the one before.
std::string DefinitionBomb() {
    std::string text = "[#def d0 0123456789]";
    for (int level = 1; level < 10; ++level) {
        text += "[#def d" + std::to_string(level) + " ";
        for (int i = 0; i < 10; ++i) text += "[$d" + std::to_string(level - 1) + "]";
        text += "]";
    }
    return text + "v = [$d9]";
}

// Reads every element as a caller that accepts anything would; answers the element count.
size_t ReadAll(px::CXNLRead& reader) {
    std::string token;
    size_t elements = 0;
    while (!reader.AtEnd()) {
        if (!reader.ReadToken(&token) && !reader.ReadAssign() && !reader.OpenSection() &&
            !reader.CloseSection(true))
            break;
        ++elements;
    }
    return elements;
}

// Argument: the header size in KB. Times exclude copying the header for each iteration.
void BM_ReadLargeHeader(benchmark::State& state) {
    const std::string header = LargeHeader(static_cast<size_t>(state.range(0)) * 1024);
    const double kilobytes = static_cast<double>(header.size()) / 1024.0;
    double seconds = 0.0;
    for (auto _ : state) {
        std::string text = header;
        const auto start = std::chrono::steady_clock::now();
        px::CXNLRead reader(text);
        reader.Begin("");
        benchmark::DoNotOptimize(ReadAll(reader));
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        if (!reader.AtEnd()) state.SkipWithError("the header was not read to its end");
    }
    state.counters["KB"] = kilobytes;
    state.counters["us_per_KB"] = seconds * 1e6 / (kilobytes * static_cast<double>(state.iterations()));
}

void RefuseBomb(benchmark::State& state, const std::string& bomb) {
    for (auto _ : state) {
        std::string text = bomb;
        try {
            px::CXNLRead reader(text);
            reader.Begin("");
            ReadAll(reader);
            state.SkipWithError("the document was not refused");
        } catch (const px::CXNLError& error) {
            if (error.Kind != px::XnlErrorKind::ReferenceError)
                state.SkipWithError("refused with the wrong error kind");
        }
    }
}

void BM_RefuseDefinitionBomb(benchmark::State& state) { RefuseBomb(state, DefinitionBomb()); }

void BM_RefuseSelfReproducingReference(benchmark::State& state) {
    RefuseBomb(state, "[#def a [&[]$a[&]]] v = [$a]");
}

}  // namespace

BENCHMARK(BM_ReadLargeHeader)->Arg(100)->Arg(4096)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefuseDefinitionBomb)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefuseSelfReproducingReference)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace px

BENCHMARK_MAIN();

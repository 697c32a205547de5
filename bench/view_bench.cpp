// Cost of mapping cells to colours, per cell, for the colour modes over a 1000 x 1000 world:
//   FillWorld:        FillTexels, the whole world at once, as the texture view fills its surface;
//   CellColorColumns: CellColor cell by cell in memory order (column by column);
//   CellColorRows:    CellColor cell by cell in the frame's order (row by row), into texels.
// The "per_cell" counter is the time per cell (an "n" suffix means nanoseconds).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "cells/Cell.h"
#include "view/ViewSettings.h"

namespace view {
namespace {

constexpr int Side = 1000;
constexpr uint32_t Background = 0xFF000000u;

// u1 runs over 0..1099 (past the ranges' ends for some cells), f1 over [-1.2, 1.2], b1 is
// random, so every branch of the modes is taken and none is predictable.
const cells::CellTable& World() {
    static cells::CellTable table = [] {
        cells::CellTable t(Side, Side);
        uint32_t state = 12345;
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y) {
                state = state * 1664525u + 1013904223u;
                cells::Cell& cell = t.At(x, y);
                cell.b1 = static_cast<uint8_t>(state >> 31);
                cell.u1 = (state >> 8) % 1100;
                cell.f1 = static_cast<float>(static_cast<int32_t>(state % 2401) - 1200) / 1000.0f;
            }
        return t;
    }();
    return table;
}

ColorSpec Spec(ColorMode mode) {
    ColorSpec spec;
    spec.Mode = mode;
    spec.ColorA = 0xFF0000FFu;
    spec.ColorB = 0xFFFF8000u;
    spec.UintMinimum = 50;
    spec.UintMaximum = 1000;
    spec.FloatMinimum = -1.0f;
    spec.FloatMaximum = 1.0f;
    if (mode == ColorMode::UintList) {
        // Eight pairs that few cells match: most cells compare all eight and take the background.
        for (uint32_t i = 0; i < 8; ++i) {
            spec.List.push_back(i * 137);
            spec.List.push_back(0xFF000000u | (i * 0x203040u));
        }
    }
    return spec;
}

void Count(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * Side * Side);
    state.counters["per_cell"] = benchmark::Counter(static_cast<double>(Side) * Side,
                                                    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void CellColorRows(benchmark::State& state, ColorMode mode) {
    const ColorSpec spec = Spec(mode);
    const cells::CellTable& world = World();
    std::vector<uint32_t> texels(static_cast<size_t>(Side) * Side);
    for (auto _ : state) {
        uint32_t* out = texels.data();
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) *out++ = CellColor(spec, world.At(x, y), Background);
        benchmark::DoNotOptimize(texels.data());
        benchmark::ClobberMemory();
    }
    Count(state);
}

void CellColorColumns(benchmark::State& state, ColorMode mode) {
    const ColorSpec spec = Spec(mode);
    const cells::CellTable& world = World();
    std::vector<uint32_t> texels(static_cast<size_t>(Side) * Side);
    for (auto _ : state) {
        const cells::Cell* cell = world.Data();
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y) texels[static_cast<size_t>(y) * Side + x] = CellColor(spec, *cell++, Background);
        benchmark::DoNotOptimize(texels.data());
        benchmark::ClobberMemory();
    }
    Count(state);
}

void FillWorld(benchmark::State& state, ColorMode mode) {
    const ColorSpec spec = Spec(mode);
    const cells::CellTable& world = World();
    std::vector<uint32_t> texels(static_cast<size_t>(Side) * Side);
    for (auto _ : state) {
        FillTexels(spec, world, &world, Background, reinterpret_cast<uint8_t*>(texels.data()), 4 * Side);
        benchmark::DoNotOptimize(texels.data());
        benchmark::ClobberMemory();
    }
    Count(state);
}

#define VIEW_MODE_BENCHMARKS(function)                                                                        \
    BENCHMARK_CAPTURE(function, Rgb, ColorMode::Rgb)->Unit(benchmark::kMillisecond);                          \
    BENCHMARK_CAPTURE(function, List8, ColorMode::UintList)->Unit(benchmark::kMillisecond);                   \
    BENCHMARK_CAPTURE(function, UintRainbow, ColorMode::UintRainbow)->Unit(benchmark::kMillisecond);          \
    BENCHMARK_CAPTURE(function, UintGradient, ColorMode::UintGradient)->Unit(benchmark::kMillisecond);        \
    BENCHMARK_CAPTURE(function, FloatRainbow, ColorMode::FloatRainbow)->Unit(benchmark::kMillisecond);        \
    BENCHMARK_CAPTURE(function, FloatGradient, ColorMode::FloatGradient)->Unit(benchmark::kMillisecond);      \
    BENCHMARK_CAPTURE(function, BoolPair, ColorMode::BoolPair)->Unit(benchmark::kMillisecond)

VIEW_MODE_BENCHMARKS(FillWorld);
// BoolDouble compares with the previous generation, which only the whole-world fill takes.
BENCHMARK_CAPTURE(FillWorld, BoolDouble, ColorMode::BoolDouble)->Unit(benchmark::kMillisecond);
VIEW_MODE_BENCHMARKS(CellColorColumns);
VIEW_MODE_BENCHMARKS(CellColorRows);

}  // namespace

}  // namespace view

BENCHMARK_MAIN();

// Table files and pictures of a 1000 x 1000 world. The compressed table save is compared with
// zlib's own compress() of the same records, which is what it should cost within 20 %.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "cells/Cell.h"
#include "files/ImageFile.h"
#include "files/ImageLibrary.h"
#include "files/TableFile.h"

namespace files {
namespace {

constexpr int Side = 1000;
constexpr size_t TableBytes = 12 + static_cast<size_t>(Side) * Side * sizeof(cells::Cell);

// A world as a running automaton leaves it: a random pattern of live cells with their
// colours, small counters, and one float field of noise.
const cells::CellTable& World() {
    static const cells::CellTable world = [] {
        cells::CellTable table(Side, Side);
        uint32_t state = 2024;
        for (int x = 0; x < Side; ++x)
            for (int y = 0; y < Side; ++y) {
                state = state * 1664525u + 1013904223u;
                cells::Cell& cell = table.At(x, y);
                cell.b1 = (state >> 31) & 1;
                cell.u1 = cell.b1 ? 0x00FFFFFF : 0x00102030;
                cell.u2 = static_cast<uint32_t>((x ^ y) & 15);
                cell.f1 = static_cast<float>(state >> 8) / 16777216.0f;
            }
        return table;
    }();
    return world;
}

const std::string& ScratchDirectory() {
    static const std::string directory = [] {
        char pattern[] = "/tmp/vl_bench_XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return directory;
}

std::string Scratch(const char* name) { return ScratchDirectory() + "/" + name; }

// The records as the table file holds them, row by row, built once.
const std::vector<uint8_t>& Records() {
    static const std::vector<uint8_t> records = [] {
        std::vector<uint8_t> bytes(TableBytes - 12);
        const cells::CellTable& table = World();
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) std::memcpy(&bytes[(static_cast<size_t>(y) * Side + x) * sizeof(cells::Cell)], &table.At(x, y), sizeof(cells::Cell));
        return bytes;
    }();
    return records;
}

void BM_SaveTable(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    const std::string path = Scratch(compressed ? "t.vls" : "t.vln");
    for (auto _ : state) {
        FileStatus status = SaveTable(World(), path, compressed);
        if (status.Color != core::StatusInfoColor) state.SkipWithError(status.Text.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TableBytes));
}
BENCHMARK(BM_SaveTable)->Arg(0)->Arg(1)->ArgNames({"compressed"})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadTable(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    const std::string path = Scratch(compressed ? "l.vls" : "l.vln");
    SaveTable(World(), path, compressed);
    cells::CellTable target(Side, Side);
    for (auto _ : state) {
        FileStatus status = LoadTable(target, path).Status;
        if (status.Color != core::StatusInfoColor) state.SkipWithError(status.Text.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TableBytes));
}
BENCHMARK(BM_LoadTable)->Arg(0)->Arg(1)->ArgNames({"compressed"})->Unit(benchmark::kMillisecond)->UseRealTime();

// zlib's one-call compression of the same records at the default level: the yardstick.
void BM_ZlibCompress(benchmark::State& state) {
    const std::vector<uint8_t>& records = Records();
    std::vector<uint8_t> packed(compressBound(records.size()));
    for (auto _ : state) {
        uLongf size = packed.size();
        compress(packed.data(), &size, records.data(), records.size());
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TableBytes));
}
BENCHMARK(BM_ZlibCompress)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZlibUncompress(benchmark::State& state) {
    const std::vector<uint8_t>& records = Records();
    std::vector<uint8_t> packed(compressBound(records.size()));
    uLongf packedSize = packed.size();
    compress(packed.data(), &packedSize, records.data(), records.size());
    std::vector<uint8_t> out(records.size());
    for (auto _ : state) {
        uLongf size = out.size();
        uncompress(out.data(), &size, packed.data(), packedSize);
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TableBytes));
}
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportPng(benchmark::State& state) {
    ImageLibrary library;
    const std::string path = Scratch("p.png");
    for (auto _ : state) {
        FileStatus status = ExportImage(World(), path, 3);
        if (status.Color != core::StatusInfoColor) state.SkipWithError(status.Text.c_str());
    }
}
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportPng(benchmark::State& state) {
    ImageLibrary library;
    const std::string path = Scratch("i.png");
    ExportImage(World(), path, 3);
    cells::CellTable target(Side, Side);
    for (auto _ : state) {
        if (!ImportImage(target, path)) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportPng)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace files

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string command = "rm -rf '" + files::ScratchDirectory() + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}

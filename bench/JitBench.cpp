// Scripts compiled to machine code, against the interpreter and against the same rules
// written in C++ over the same cells with the same generation copy, all in one run:
//
//   Life on 1000 x 1000 at 3 % and 25 % live cells, and heat diffusion on float fields (the
//   heat example's rule) on 1000 x 1000, and Life again written with lookup tables (arrays
//   indexed by the neighbour count); each iteration is the rule and the copy of the
//   generation, as the workbench computes it. The target: machine code within 3x of C++.
//   Compiling a 1,000-line script: what the machine code adds to loading it (target: under
//   50 ms).
//
// Each figure is the median of several timed iterations; the three versions of a rule start
// from the same world and must end with the same cells, which the program checks.
//
//   build/bench/jit_bench [REPETITIONS]   (11 by default)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/Automaton.h"
#include "core/CRandGenerator.h"
#include "core/ScriptMath.h"
#include "errors/ErrorTrail.h"
#include "jit/Jit.h"
#if VORLEN_JIT_MACHINE_CODE
#include "jit/Compiler.h"
#endif

namespace {

using cells::Cell;
using cells::CellTable;
using core::Automaton;
using core::Generations;
using core::MinMaxOf;
using core::ProcessCRandGenerator;
using errors::TakeAllErrors;

constexpr int Side = 1000;

const char* const LifeCode = R"(
uint Density = 25;  // percent of live cells

void OnInit() {
  for (int x = 0; x < GetWidth(); x++)
    for (int y = 0; y < GetHeight(); y++)
      SetBuffer_b1(x, y, rand_u_range(0, 99) < Density);
}

void OnFrame() {
  int w = GetWidth(), h = GetHeight();
  for (int x = 0; x < w; x++)
    for (int y = 0; y < h; y++) {
      int n = 0;
      if (GetBuffer_b1(x - 1, y - 1)) n++;
      if (GetBuffer_b1(x, y - 1)) n++;
      if (GetBuffer_b1(x + 1, y - 1)) n++;
      if (GetBuffer_b1(x - 1, y)) n++;
      if (GetBuffer_b1(x + 1, y)) n++;
      if (GetBuffer_b1(x - 1, y + 1)) n++;
      if (GetBuffer_b1(x, y + 1)) n++;
      if (GetBuffer_b1(x + 1, y + 1)) n++;
      SetBuffer_b1(x, y, n == 3 || (n == 2 && GetBuffer_b1(x, y)));
    }
}
)";

// Life as rules with lookup tables are written: the next state from arrays indexed by the
// neighbour count.
const char* const TableLifeCode = R"(
const bool[] Born = {false, false, false, true, false, false, false, false, false};
const bool[] Survives = {false, false, true, true, false, false, false, false, false};

void OnInit() {
  for (int x = 0; x < GetWidth(); x++)
    for (int y = 0; y < GetHeight(); y++)
      SetBuffer_b1(x, y, rand_u_range(0, 99) < 25);
}

void OnFrame() {
  int w = GetWidth(), h = GetHeight();
  for (int x = 0; x < w; x++)
    for (int y = 0; y < h; y++) {
      int n = 0;
      if (GetBuffer_b1(x - 1, y - 1)) n++;
      if (GetBuffer_b1(x, y - 1)) n++;
      if (GetBuffer_b1(x + 1, y - 1)) n++;
      if (GetBuffer_b1(x - 1, y)) n++;
      if (GetBuffer_b1(x + 1, y)) n++;
      if (GetBuffer_b1(x - 1, y + 1)) n++;
      if (GetBuffer_b1(x, y + 1)) n++;
      if (GetBuffer_b1(x + 1, y + 1)) n++;
      SetBuffer_b1(x, y, GetBuffer_b1(x, y) ? Survives[n] : Born[n]);
    }
}
)";

// The heat example's rule on a world that starts with random temperatures.
const char* const HeatCode = R"(
const float Rate = 0.2f;

void Heat(int x, int y) {
  for (int dx = -2; dx <= 2; dx++)
    for (int dy = -2; dy <= 2; dy++) {
      int cx = x + dx, cy = y + dy;
      if (cx >= 0 && cy >= 0 && cx < GetWidth() && cy < GetHeight())
        SetBuffer_f1(cx, cy, 1.0f);
    }
}

void OnInit() {
  for (int x = 0; x < GetWidth(); x++)
    for (int y = 0; y < GetHeight(); y++)
      SetBuffer_f1(x, y, rand_f());
}

void OnFrame() {
  for (int x = 0; x < GetWidth(); x++)
    for (int y = 0; y < GetHeight(); y++) {
      float t = GetBuffer_f1(x, y);
      float around = GetBuffer_f1(x - 1, y) + GetBuffer_f1(x + 1, y) + GetBuffer_f1(x, y - 1) + GetBuffer_f1(x, y + 1);
      SetBuffer_f1(x, y, minmax_f(0.0f, t + Rate * (around - 4.0f * t), 1.0f));
    }
  Heat(GetWidth() / 3, GetHeight() / 2);
  Heat(2 * GetWidth() / 3, GetHeight() / 3);
}
)";

std::string Header(const char* title, const char* wrap, const char* view) {
    return std::string("[Vorlen 1]\nTitle: ") + title + "\nWrap: " + wrap + "\nBuffers: 2\nWidth: " +
           std::to_string(Side) + "\nHeight: " + std::to_string(Side) + "\nView: " + view +
           "\nBackground: black\n--CODE--\n";
}

// The rules in C++, reading and writing through the same Generations functions the host
// functions use, followed by the same copy of the generation.
void LifeInCpp(Generations& cells) {
    int w = cells.Width(), h = cells.Height();
    for (int x = 0; x < w; x++)
        for (int y = 0; y < h; y++) {
            int n = cells.ReadCell(x - 1, y - 1).b1 + cells.ReadCell(x, y - 1).b1 + cells.ReadCell(x + 1, y - 1).b1 +
                    cells.ReadCell(x - 1, y).b1 + cells.ReadCell(x + 1, y).b1 + cells.ReadCell(x - 1, y + 1).b1 +
                    cells.ReadCell(x, y + 1).b1 + cells.ReadCell(x + 1, y + 1).b1;
            cells.WriteCell(x, y)->b1 = n == 3 || (n == 2 && cells.ReadCell(x, y).b1);
        }
    cells.Rotate();
}

void HeatSource(Generations& cells, int x, int y) {
    for (int dx = -2; dx <= 2; dx++)
        for (int dy = -2; dy <= 2; dy++)
            if (Cell* cell = cells.WriteCell(x + dx, y + dy)) cell->f1 = 1.0f;
}

void HeatInCpp(Generations& cells) {
    const float rate = 0.2f;
    int w = cells.Width(), h = cells.Height();
    for (int x = 0; x < w; x++)
        for (int y = 0; y < h; y++) {
            float t = cells.ReadCell(x, y).f1;
            float around = cells.ReadCell(x - 1, y).f1 + cells.ReadCell(x + 1, y).f1 + cells.ReadCell(x, y - 1).f1 +
                           cells.ReadCell(x, y + 1).f1;
            cells.WriteCell(x, y)->f1 = MinMaxOf(0.0f, t + rate * (around - 4.0f * t), 1.0f);
        }
    HeatSource(cells, w / 3, h / 2);
    HeatSource(cells, 2 * w / 3, h / 3);
    cells.Rotate();
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median times of `steps` over `repetitions` rounds, after one round to warm up. The
// steps take turns within each round, so that whatever else the machine does meanwhile
// weighs on all of them alike.
std::vector<double> Time(const std::vector<std::function<bool()>>& steps, int repetitions) {
    std::vector<std::vector<double>> times(steps.size());
    for (const auto& step : steps)
        if (!step()) return std::vector<double>(steps.size(), -1);
    for (int i = 0; i < repetitions; ++i)
        for (size_t k = 0; k < steps.size(); ++k) {
            double start = Now();
            if (!steps[k]()) return std::vector<double>(steps.size(), -1);
            times[k].push_back(Now() - start);
        }
    std::vector<double> medians;
    for (const auto& series : times) medians.push_back(Median(series));
    return medians;
}

std::string TemporaryDefinition(const std::string& text) {
    char path[] = "/tmp/vorlen-jit-bench-XXXXXX.vl";
    int fd = mkstemps(path, 3);
    if (fd < 0) return "";
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written ? path : "";
}

enum class Way { MachineCode, Interpreter };

// Loads `definition` with the process generator seeded alike, so every way starts from the
// same world.
std::unique_ptr<Automaton> Load(const std::string& definition, Way way) {
    auto automaton = std::make_unique<Automaton>();
    if (way == Way::MachineCode) automaton->SetScriptJit(jit::MakeCompiler);
    else automaton->SetScriptJit({});
    std::string path = TemporaryDefinition(definition);
    ProcessCRandGenerator().Seed(12345);
    bool loaded = !path.empty() && automaton->LoadDefinition(path);
    if (!path.empty()) unlink(path.c_str());
    if (!loaded) {
        for (const std::string& entry : TakeAllErrors()) std::fprintf(stderr, "  %s\n", entry.c_str());
        return nullptr;
    }
    return automaton;
}

bool SameCells(Automaton& a, Automaton& b) {
    const CellTable& x = a.Cells().Table(0);
    const CellTable& y = b.Cells().Table(0);
    return std::memcmp(x.Data(), y.Data(), x.CellCount() * sizeof(Cell)) == 0;
}

struct Row {
    std::string Name;
    double MachineCode, Interpreter, Cpp;
    bool Agree;
};

Row MeasureRule(const std::string& name, const std::string& definition, void (*cpp)(Generations&), int repetitions) {
    Row row {name, -1, -1, -1, false};
    auto compiled = Load(definition, Way::MachineCode);
    auto interpreted = Load(definition, Way::Interpreter);
    auto native = Load(definition, Way::Interpreter);
    if (!compiled || !interpreted || !native) return row;
    if (!compiled->UsesScriptJit()) std::fprintf(stderr, "%s: no machine code on this machine\n", name.c_str());
    std::vector<double> medians = Time({[&] { return compiled->ComputeIteration(); },
                                        [&] { return interpreted->ComputeIteration(); },
                                        [&] { cpp(native->Cells()); return true; }},
                                       repetitions);
    row.MachineCode = medians[0];
    row.Interpreter = medians[1];
    row.Cpp = medians[2];
    row.Agree = SameCells(*compiled, *interpreted) && SameCells(*compiled, *native);
    return row;
}

#if VORLEN_JIT_MACHINE_CODE
// A script of over 1,000 lines: 53 functions of 19 lines with loops, branches, arithmetic of
// every type and host calls, the kind of code rules are made of.
std::string LongScript() {
    std::string code = "void OnInit() {}\nvoid OnFrame() {}\n";
    for (int f = 0; f < 53; ++f) {
        std::string n = std::to_string(f);
        code += "int Rule" + n + "(int x, int y) {\n"
                "  int n = 0;\n"
                "  uint u = " + n + ";\n"
                "  float t = GetBuffer_f1(x, y) * 0.5f;\n"
                "  for (int dx = -1; dx <= 1; dx++)\n"
                "    for (int dy = -1; dy <= 1; dy++) {\n"
                "      if (dx == 0 && dy == 0) continue;\n"
                "      if (GetBuffer_b1(x + dx, y + dy)) n++;\n"
                "      u = u * 1664525 + 1013904223 + GetBuffer_u1(x + dx, y + dy);\n"
                "      t += GetBuffer_f2(x + dx, y + dy) * " + n + ".25f;\n"
                "    }\n"
                "  while (u > 1000) u /= 3;\n"
                "  if (t > 1.0f) t = sqrt(t); else t = abs_f(t - 0.5f);\n"
                "  SetBuffer_u2(x, y, u + uint(n));\n"
                "  SetBuffer_f3(x, y, minmax_f(0.0f, t, 1.0f));\n"
                "  bool alive = n == 3 || (n == 2 && GetBuffer_b1(x, y));\n"
                "  SetBuffer_b2(x, y, alive);\n"
                "  return n * " + n + " - int(u % 7);\n"
                "}\n";
    }
    return code;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    std::string life = Header("Life", "true", "texture b1 [false: black, true: white]") + LifeCode;
    auto density = [&](int percent) {
        std::string text = life;
        return text.replace(text.find("Density = 25"), 12, "Density = " + std::to_string(percent));
    };
    std::string heat = Header("Heat", "false", "texture f1 [gradient 0: black .. 1: yellow]") + HeatCode;

    std::vector<Row> rows = {
        MeasureRule("Life 1000 x 1000, 3 % live", density(3), LifeInCpp, repetitions),
        MeasureRule("Life 1000 x 1000, 25 % live", density(25), LifeInCpp, repetitions),
        MeasureRule("Heat diffusion 1000 x 1000", heat, HeatInCpp, repetitions),
        MeasureRule("Life by tables, 25 % live", Header("Tables", "true", "texture b1 [false: black, true: white]") +
                                                     TableLifeCode, LifeInCpp, repetitions),
    };
    std::printf("Medians of %d iterations (rule and generation copy), in seconds:\n\n", repetitions);
    std::printf("%-30s %12s %12s %12s %9s %9s %8s\n", "rule", "machine code", "interpreter", "C++", "code/C++",
                "interp/C++", "cells");
    bool ok = true;
    for (const Row& row : rows) {
        bool measured = row.MachineCode > 0 && row.Interpreter > 0 && row.Cpp > 0;
        ok = ok && measured && row.Agree;
        if (!measured) {
            std::printf("%-30s failed\n", row.Name.c_str());
            continue;
        }
        std::printf("%-30s %12.4f %12.4f %12.4f %8.2fx %8.2fx %8s\n", row.Name.c_str(), row.MachineCode, row.Interpreter,
                    row.Cpp, row.MachineCode / row.Cpp, row.Interpreter / row.Cpp, row.Agree ? "same" : "DIFFER");
    }
    std::printf("\nTarget: machine code within 3x of C++ (2x the aim).\n\n");

#if VORLEN_JIT_MACHINE_CODE
    std::string script = LongScript();
    int lines = static_cast<int>(std::count(script.begin(), script.end(), '\n'));
    std::string definition = Header("Long", "false", "texture u1 [RGB]") + script;
    // The compiler's own time is what the machine code adds to loading; the loads around it
    // are shown for scale.
    std::vector<double> compiling;
    std::vector<double> loads = Time({[&] {
                                          jit::Compiler* compiler = nullptr;
                                          auto automaton = std::make_unique<Automaton>();
                                          automaton->SetScriptJit([&compiler](Automaton& owner) {
                                              auto made = std::make_unique<jit::Compiler>(&owner);
                                              compiler = made.get();
                                              return std::unique_ptr<AngelScript::asIJITCompiler>(std::move(made));
                                          });
                                          std::string path = TemporaryDefinition(definition);
                                          bool loaded = !path.empty() && automaton->LoadDefinition(path);
                                          if (!path.empty()) unlink(path.c_str());
                                          if (loaded && compiler) compiling.push_back(compiler->Counts().Seconds);
                                          return loaded && compiler;
                                      },
                                      [&] { return Load(definition, Way::Interpreter) != nullptr; }},
                                     repetitions);
    if (loads[0] > 0 && loads[1] > 0 && !compiling.empty())
        std::printf("Loading a %d-line script: %.1f ms with machine code, %.1f ms without; compiling it to machine "
                    "code takes %.1f ms of that (target under 50 ms)\n",
                    lines, loads[0] * 1e3, loads[1] * 1e3, Median(compiling) * 1e3);
    else
        ok = false;
#endif
    return ok ? 0 : 1;
}

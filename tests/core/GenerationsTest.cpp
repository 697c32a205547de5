// The world's cells: reads outside the world, writes, and which generation a script reads,
// writes and finds copied after an iteration.
#include "CoreTestSupport.h"

namespace core {
namespace {

TEST(Generations, ReadsOutsideTheWorldWrapOrGiveTheDefaultCell) {
    Generations torus, flat;
    ASSERT_TRUE(torus.Allocate(2, 5, 3) && flat.Allocate(1, 3, 3));
    torus.SetEdges(true, cells::Cell {});
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 3; ++y) torus.Table(1).At(x, y).u1 = static_cast<uint32_t>(x * 100 + y);
    struct Case { int x, y, column, row; };
    for (Case c : {Case {-1, 0, 4, 0}, Case {5, 1, 0, 1}, Case {-6, 2, 4, 2}, Case {12, 0, 2, 0}, Case {-5, -1, 0, 2},
                   Case {INT32_MIN, INT32_MAX, 2, 1}})
        EXPECT_EQ(torus.ReadCell(c.x, c.y).u1, static_cast<uint32_t>(c.column * 100 + c.row)) << c.x << "," << c.y;
    EXPECT_EQ(torus.WriteCell(5, 0), nullptr);  // writes never wrap
    cells::Cell edge {};
    edge.u3 = 7;
    flat.SetEdges(false, edge);
    for (auto [x, y] : {std::pair {-1, 0}, std::pair {3, 1}, std::pair {0, -1}, std::pair {2, 3}})
        EXPECT_EQ(flat.ReadCell(x, y).u3, 7u) << x << "," << y;
}

// Each SetBuffer and GetBuffer function has its own field: OnInit writes field k (b1..b4,
// u1..u4, f1..f4) of cell (k, 0); OnFrame copies it to (k, 1) and the default cell's to (k, 2).
TEST(Generations, EveryFieldHasItsOwnSetterAndGetter) {
    std::string init = "void OnInit() {\n", frame = "void OnFrame() {\n";
    for (int k = 0; k < 12; ++k) {
        std::string at = std::to_string(k), f = std::string(1, "buf"[k / 4]) + static_cast<char>('1' + k % 4) + "(";
        init += "  SetBuffer_" + f + at + ", 0, " + (k < 4 ? "true" : at + (k < 8 ? "" : ".25f")) + ");\n";
        frame += "  SetBuffer_" + f + at + ", 1, GetBuffer_" + f + at + ", 0));\n";
        frame += "  SetBuffer_" + f + at + ", 2, GetBuffer_" + f + "-1, " + at + "));\n";
    }
    std::string defaultCell = "Default: [b4: true, u2 = 20, f1: 0.5]";
    auto automaton = LoadAutomaton(Definition(init + "}\n" + frame + "}\n", defaultCell, 12, 3));
    ASSERT_TRUE(automaton->Loaded() && automaton->ComputeIteration());
    const double defaults[12] = {0, 0, 0, 1, 0, 20, 0, 0, 0.5, 0, 0, 0};
    for (int k = 0; k < 12; ++k) {
        for (int j = 0; j < 12; ++j) {
            auto field = [&](int y) {
                const cells::Cell& cell = automaton->Cells().Table(1).At(k, y);
                return j < 4 ? cells::BoolField(cell, j) : j < 8 ? cells::UintField(cell, j - 4) : cells::FloatField(cell, j - 8);
            };
            double value = j != k ? 0 : k < 4 ? 1 : k < 8 ? k : k + 0.25;
            EXPECT_EQ(std::make_tuple(field(0), field(1), field(2)), std::make_tuple(value, value, j == k ? defaults[k] : 0))
                << "cell " << k << ", field " << j;
        }
    }
}

// u1 of cell (0, 0) counts the iterations, u2 receives what a read of it gives afterwards.
// One buffer: a read sees the write at once. Three: generation 2 holds the first iteration.
TEST(Generations, ScriptsReadThePreviousGenerationAndTheCopiesFollowEachIteration) {
    const std::string code = "void OnInit() {}\nvoid OnFrame() {\n  SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1);\n"
                             "  SetBuffer_u2(0, 0, GetBuffer_u1(0, 0));\n}\n";
    const std::vector<std::pair<uint32_t, uint32_t>> expected[] = {{{2, 2}}, {{2, 1}, {2, 1}}, {{2, 1}, {2, 1}, {1, 0}}};
    for (int buffers = 1; buffers <= 3; ++buffers) {
        auto automaton = LoadAutomaton(Definition(code, "", 5, 4, buffers));
        ASSERT_TRUE(automaton->Loaded() && automaton->ComputeIteration() && automaton->ComputeIteration());
        for (int g = 0; g < buffers; ++g) {
            const cells::Cell& cell = automaton->Cells().Table(g).At(0, 0);
            EXPECT_EQ(std::make_pair(cell.u1, cell.u2), expected[buffers - 1][static_cast<size_t>(g)]) << buffers << g;
        }
    }
}

TEST(Generations, WritesOutsideTheWorldStopTheScriptWithTheFamilysText) {
    const std::pair<std::string, std::string> cases[] = {
        {"SetBuffer_b3(-1, 3, true)", "SetBuffer_bX\" - indeks poza zakresem (-1,3)"},
        {"SetBuffer_u1(5, 0, 1)", "SetBuffer_uX\" - indeks poza zakresem (5,0)"},
        {"SetBuffer_f4(0, -2147483647 - 1, 1.0f)", "SetBuffer_fX\" - indeks poza zakresem (0,-2147483648)"}};
    for (const auto& [call, text] : cases) {
        // Neither Wrap nor a try/catch in the script keeps it going.
        auto automaton = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() {\n  try { " + call +
                                                  "; } catch {}\n  SetBuffer_u4(0, 0, 1);\n}\n", "", 5, 4, 2, "true"));
        EXPECT_FALSE(automaton->ComputeIteration());
        EXPECT_EQ(TakeChain(), (Chain {"Wiersz: 4", "Funkcja: void OnFrame()", "Komunikat: Błąd w funkcji \"" + text,
                                       "Wystąpił wyjątek", "Nie można wykonać funkcji", "Nie można przeliczyć klatki"}));
        EXPECT_EQ(automaton->Cells().Table(0).At(0, 0).u4, 0u) << "the script stopped at the failing write";
    }
}

// The engine initialises globals while it compiles: reads then see the default cell and the
// header's size, and a write has nowhere to go.
TEST(Generations, GlobalInitialisersRunBeforeTheWorldExists) {
    auto automaton = LoadAutomaton(Definition("int w = GetWidth();\nuint d = GetBuffer_u1(0, 0) + GetBuffer_u1(-1, 9);\n"
                                              "void OnInit() { SetBuffer_u1(0, 0, w * 100 + d); }\nvoid OnFrame() {}\n",
                                              "Default: [u1: 3]", 7, 2));
    EXPECT_EQ(automaton->Cells().ReadCell(0, 0).u1, 706u);
    Chain chain = LoadFailure(WriteFile(Definition("bool b = Write();\nvoid OnInit() {}\nvoid OnFrame() {}\n"
                                                   "bool Write() { SetBuffer_b1(0, 0, true); return true; }\n")));
    EXPECT_EQ(chain.size() == 3 ? chain[1] : "", "Nie można skompilować skryptu");
    EXPECT_NE(chain.empty() ? std::string::npos : chain[0].find("SetBuffer_bX"), std::string::npos);
}

}  // namespace
}  // namespace core

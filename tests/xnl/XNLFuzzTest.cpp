#include <gtest/gtest.h>

#include <random>

#include "XnlTestSupport.h"

namespace {

const std::string RealisticHeader = R"([Vorlen 1]
Title = "Gra w życie"  Wrap = true  Buffers = 2  Width: 200; Height: 150
[#def FAST 1] [/ a comment /] [#def hi 20] [#def lo 1] [#inc part.xnl]
View = { Texture, Color [ b1 ] }  Background = x000000
Speed = [#if FAST [ hi ] else [ lo ]]  Running = true [#xnl v = 1]
Buttons = [ 0 = "Losuj", 1: 'Wyczyść' ] Mark = [&x41][&]] Size = [$Part]
)";
const std::string Alphabet = "[]{}\"'$#&/=:,; \nax0";
const char* const Snippets[] = {"[$", "[#", "[&", "[/", "/]", "[#def ", "[#if ", "[#inc ", "[#undef ", "]]", "[&[]$"};

std::string Mutate(std::string text, std::mt19937& random) {
    for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
        const size_t at = random() % (text.size() + 1);
        const char c = Alphabet[random() % Alphabet.size()];
        switch (random() % 4) {
            case 0: text.insert(at, 1, c); break;
            case 1: text.erase(at, 1 + random() % 3); break;
            case 2: if (at < text.size()) text[at] = c; break;
            default: text.insert(at, Snippets[random() % std::size(Snippets)]); break;
        }
    }
    return text;
}

// Tries the operations in a random order at every step and stops where none fits, as a caller
// would with a syntax error. False when the step bound is reached: the reader hangs.
bool ReadRandomly(px::CXNLRead& reader, std::mt19937& random) {
    std::string a, b;
    for (int step = 0; step < 1000000; ++step) {
        bool read = reader.AtEnd();
        for (unsigned k = 0, first = random() % 6; k < 6 && !read; ++k) {
            switch ((first + k) % 6) {
                case 0: read = reader.ReadToken(random() % 2 ? &a : nullptr); break;
                case 1: read = reader.ReadAssign(); break;
                case 2: read = reader.OpenSection(); break;
                case 3: read = reader.CloseSection(random() % 2 == 0); break;
                case 4: read = reader.ReadText(&a); break;
                default: read = reader.ReadPair(&a, &b); break;
            }
        }
        if (!read || reader.AtEnd()) return true;
    }
    return false;
}

TEST(XNLFuzz, RandomAndMutatedHeadersEndInAResultOrAnError) {
    xnltest::TempDir dir;
    dir.Write("part.xnl", "[#def Part 3] Extra = { a b }");
    std::mt19937 random(20240611);
    int finished = 0, refused = 0;
    for (int run = 0; run < 5000; ++run) {
        std::string text = Mutate(RealisticHeader, random);
        if (run % 4 == 3) {  // a random text instead
            text.assign(random() % 120, ' ');
            for (char& c : text) c = Alphabet[random() % Alphabet.size()];
        }
        const std::string original = text;
        try {
            px::CXNLRead reader(text);
            reader.Begin(dir.Dir());
            ASSERT_TRUE(ReadRandomly(reader, random)) << original;
            ++finished;
        } catch (const px::CXNLError& error) {
            ASSERT_TRUE(error.Kind >= 0 && error.Kind <= 8 && error.Position <= text.size()) << original;
            ++refused;
        }
    }
    // Both outcomes must be common, or the mutations do not exercise the reader.
    EXPECT_GT(finished, 500);
    EXPECT_GT(refused, 500);
}

}  // namespace

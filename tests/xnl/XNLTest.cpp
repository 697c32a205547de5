// The XNL reader with its preprocessor, and the token conversions its callers use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "xnl/TokenConversion.h"
#include "xnl/XNLRead.h"

namespace px {
namespace {

// Reads to the end as a caller that accepts anything would: tokens as themselves, assignment
// marks as "=" or ":", sections as "(" and ")", joined by '|'; "?" where no element fits.
std::string ReadAll(px::CXNLRead& reader) {
    std::string all, token, element;
    for (bool colon = false; !reader.AtEnd() && element != "?"; all += (all.empty() ? "" : "|") + element) {
        if (reader.ReadToken(&token)) element = token;
        else if (reader.ReadAssign(&colon)) element = colon ? ":" : "=";
        else element = reader.OpenSection() ? "(" : reader.CloseSection(true) ? ")" : "?";
    }
    return all;
}

// ReadAll of a fresh reader, or "!" + error kind + "@" + row + ":" + column.
std::string Read(std::string text, const std::string& directory = "") {
    static const char* const kinds[] = {"LevelMismatch", "IllegalChar", "SectionMismatch", "UnexpectedEnd", "ReferenceError",
                                        "PreprocessorError", "SpecialCharError", "IncludeError", "IncludeLimitExceeded"};
    try {
        px::CXNLRead reader(text);
        reader.Begin(directory);
        return ReadAll(reader);
    } catch (const px::CXNLError& e) {
        return std::string("!") + kinds[static_cast<int>(e.Kind)] + "@" + std::to_string(e.TextRow) + ":" + std::to_string(e.TextColumn);
    }
}

// Each document, after `prefix`, must read as given.
void ExpectReads(const std::vector<std::pair<std::string, std::string>>& cases, const std::string& prefix = "",
                 const std::string& dir = "") {
    for (const auto& [text, read] : cases) EXPECT_EQ(Read(prefix + text, dir), read) << testing::PrintToString(text);
}

// A fresh directory for included files, removed with all in it; Dir ends with '/' as the header reader's does.
struct TempDir {
    std::string Dir = testing::TempDir() + "xnl-XXXXXX";
    TempDir() { EXPECT_NE(mkdtemp(Dir.data()), nullptr); Dir += '/'; }
    ~TempDir() { std::filesystem::remove_all(Dir); }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(Dir + name, std::ios::binary) << text; }
};

TEST(TokenConversion, IntegersFloatsAndBooleans) {
    const struct { const char* text; int radix, status; int32_t value; } ints[] = {  // value: when the status is 0
        {"0", 10, 0, 0}, {"+", 10, 0, 0}, {"-", 10, 0, 0}, {"", 10, -1, 0}, {"12a", 10, -1, 0}, {"12a", 16, 0, 0x12a},
        {"fF", 16, 0, 255}, {"zZ", 36, 0, 1295}, {"2", 2, -1, 0}, {"-101", 2, 0, -5}, {" 1", 10, -1, 0}, {"1 ", 10, -1, 0},
        {"+-1", 10, -1, 0}, {"2147483647", 10, 0, INT32_MAX}, {"2147483648", 10, -2, 0}, {"-2147483648", 10, 0, INT32_MIN},
        {"-2147483649", 10, -2, 0}, {"-80000000", 16, 0, INT32_MIN}, {"80000000", 16, -2, 0},
        // Must not overflow on the way; a bad digit wins over the overflow.
        {"99999999999999999999999999999999", 10, -2, 0}, {"99999999999999999999a", 10, -1, 0}};
    for (const auto& c : ints) {
        int32_t value = 12345;
        EXPECT_EQ(StrToInt(c.text, value, c.radix), c.status) << c.text << " radix " << c.radix;
        EXPECT_EQ(value, c.status == 0 ? c.value : 12345) << c.text;  // untouched on failure
    }
    EXPECT_EQ(std::tuple(ToInt("-17", 3), ToInt("0x10", 3), ToHexInt("5D", 3), ToHexInt("5G", 3)), std::tuple(-17, 3, 93, 3));

    const std::pair<const char*, double> floats[] = {
        {"1.5", 1.5}, {" \t\n\v\f\r-2.5e2xyz", -250.0}, {"+.5", 0.5}, {"5.", 5.0}, {"1E-2", 0.01}, {"12,5", 12.0},
        {"1.2.3", 1.2}, {"1e+", 1.0}, {"2e-x", 2.0}, {".", 0.0}, {"", 0.0}, {"--1", 0.0}, {"0x10", 0.0}, {"inf", 0.0},
        {"nan", 0.0}, {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL}, {"1e-999", 0.0}, {"0.00000000001e320", HUGE_VAL},
        {"100000e-330", 0.0}, {"1e99999999999999999999", HUGE_VAL}};
    for (auto [text, value] : floats) EXPECT_EQ(ToFloat(text), value) << testing::PrintToString(text);
    EXPECT_TRUE(std::signbit(ToFloat("-0")));

    for (const char* text : {"", "0", "f", "F", "false", "FALSE", "fAlSe"}) EXPECT_FALSE(ToBool(text)) << text;
    for (const char* text : {"1", "yes", "no", "off", "00", " false", "falsey"}) EXPECT_TRUE(ToBool(text)) << text;
}

TEST(XNLRead, ElementsAndTheirErrors) {
    ExpectReads({
        {" \t\r\n,;[/ note /]{/ [ still a note ] /} ;\n", ""}, {"a,,; b", "a|b"},
        {"Width=5 Width = 5,Width: 5", "Width|=|5|Width|=|5|Width|:|5"}, {"\"it's\" 'say \"hi\"' \"\" ''", "it's|say \"hi\"||"},
        {"\"a = b: c, d; [ e ] {\"", "a = b: c, d; [ e ] {"},  // brackets that begin nothing
        {"Wid[/x/]th \"a[/ gone /]b\"", "Width|ab"}, {"[ a { b } ]", "(|a|(|b|)|)"},
        {"[&]] [&x5D] [&93] [&5] [& ] {&}}", "]|]|]|5| |}"}, {"[&zz]", std::string(1, '\0')},
        {"[&65] [&x41] [&'65'] [&321] [&-191] [&[/c/]65] A[& 65 ]", "A|A|A|A|A|A|AA"},  // its blanks end nothing
        {"a[&32]b \"[&34]\" x[&[]y[&]]z [&10]", "a b|\"|x[y]z|\n"},
        {"[/ a [/ b /] c /]", "!LevelMismatch@1:5"},  // comments do not nest: " c /]" is left
        {"{/ d /] e /}x", "x"}, {"a = \"abc", "!UnexpectedEnd@1:9"}, {"a [/ never closed", "!UnexpectedEnd@1:3"},
        {"[ a }", "!SectionMismatch@1:5"}, {"a ]", "!LevelMismatch@1:3"}, {"x = [&]", "!SpecialCharError@1:7"},
        {"x = [& \"\" ]", "!SpecialCharError@1:12"}, {"x = [&65}", "!SectionMismatch@1:9"},
        {"a\r\nb\r\n]", "!LevelMismatch@3:1"}, {"[/\n\n\n/]abcdefgh ]", "!LevelMismatch@1:10"},  // in the text as rewritten
    });
}

TEST(XNLRead, FailedReadsConsumeNothing) {
    std::string text = "[ = a : 'b c' d = ", name, value;
    px::CXNLRead reader(text);
    reader.Begin("");
    bool colon = true;
    EXPECT_FALSE(reader.ReadToken(&name) || reader.ReadAssign() || reader.CloseSection(true));
    EXPECT_TRUE(reader.OpenSection() && !reader.ReadToken(&name) && !reader.OpenSection() && reader.Position() == 2);
    ASSERT_TRUE(reader.ReadAssign(&colon) && !colon && reader.ReadPair(&name, &value, &colon));
    EXPECT_EQ(name + "|" + value + "|" + std::to_string(colon), "a|b c|1");
    // The end of the text, seen after "d =", is not the reader's place.
    EXPECT_TRUE(!reader.ReadPair(&name, &value) && reader.Position() == 14 && !reader.AtEnd()) << reader.Position();
}

TEST(XNLPreprocess, ReferencesExpandInPlaceAndUndefinedOnesVanish) {
    ExpectReads({
        {"[#def W 100]Width = [$W] a[$W] b", "Width|=|100|a100|b"},  // the blank behind a construct stays
        {"[$undefined]x {$ undefined }", "x"}, {"[#def W 100]{$W} \"w=[$W]\"", "100|w=100"},
        {"[#def W 100][#def n W] v = [$[$n]]", "v|=|100"}, {"[$]", "!ReferenceError@1:3"},
        {"[#def A 1][#def B [$A]][#def A 2] [$B] [$A]", "1|2"},  // taken as it was when defined
        {"[#def P [&[]$Q[&]]][#def Q 5] [$P]", "5"}, {"[#def S a = [&{] b [&}]] [$S]", "a|=|(|b|)"},
        {"[$a b]", "!ReferenceError@1:5"}, {"x [$a", "!ReferenceError@1:6"}, {"[$a}", "!SectionMismatch@1:4"},
    });
}

TEST(XNLPreprocess, DefinitionsKeepTheirRawTextAndUndefRemovesThem) {
    std::string text = "[#def a A][#def W 100 ][#if W = 100 [a]] [#undef nothing][#DEF m line one\r\n  line [/c/]two [&]] ]"
                       "[#Def e][#def x 1][#undef x][#def W 100][#if W = 100 [a]]";
    px::CXNLRead reader(text);
    reader.Begin("");
    EXPECT_EQ(ReadAll(reader), "A");  // the first condition compared "100" with "100 "
    EXPECT_EQ(reader.Definitions(),
              (px::CXNLRead::DefinitionMap {{"a", "A"}, {"W", "100"}, {"m", "line one\r\n  line two ] "}, {"e", ""}}));
    ExpectReads({{"[#def]", "!PreprocessorError@1:6"}, {"[#undef]", "!PreprocessorError@1:8"},
                 {"[#def a b", "!PreprocessorError@1:10"}});
}

TEST(XNLPreprocess, ConditionalChainsTakeTheFirstMatchingClause) {
    ExpectReads({
        {"[#if x [a] elseif y [b] else [c]]", "B"}, {"[#if x [a] elseif z [b] else [c]]", "C"},
        {"[#ifn x [a]] [#IF y [b] ELSE [c]]", "A|B"}, {"[#if y = 1 [a b] else [c]]", "AB"},
        {"[#if y: 2 [a] else [c]] [#if y [ ]] [#if y [undefined]]", "C"},
        {"[#if y [a] elseifn x [b] elseif y [c]]", "A"}, {"[#if x [a] elseifn x [b] elseif y [c]]", "B"},
        {"[#if x [a] else [b] else [c]]", "BC"},  // an else does not end the chain
        {"[#if]", "!PreprocessorError@1:5"}, {"[#if y a]", "!PreprocessorError@1:8"}, {"[#if y [a}]", "!SectionMismatch@1:10"},
        {"[#if y [a] otherwise [b]]", "!PreprocessorError@1:22"}, {"[#if y [a] elseif [b]]", "!PreprocessorError@1:19"},
    }, "[#def a A][#def b B][#def c C][#def y 1]");
}

TEST(XNLPreprocess, DeclarationIsIgnoredAndUnknownDirectivesFail) {
    ExpectReads({{"[#xnl version = 1, mode: full]x", "x"}, {"[#XNL] y", "y"}, {"[#xnl version]", "!PreprocessorError@1:7"},
                 {"[#foo]", "!PreprocessorError@1:6"}, {"[#]", "!PreprocessorError@1:3"}});
}

TEST(XNLPreprocess, IncludesResolveAgainstTheDirectoryAndEveryOneCounts) {
    TempDir dir;
    std::filesystem::create_directory(dir.Dir + "sub");
    for (auto [name, text] : {std::pair {"sub/part.xnl", "[#def P 7] Part = [$P]"}, {"top.xnl", "Top = 1"}, {"empty.xnl", ""},
                              {"self.xnl", "x [#inc self.xnl]"}})
        dir.Write(name, text);
    std::string many;
    for (int i = 0; i < 101; ++i) many += "[#inc top.xnl] ";
    ExpectReads({
        {"[#inc sub/part.xnl] After = [$P]", "Part|=|7|After|=|7"}, {"[#inc sub\\part.xnl]", "Part|=|7"},
        {"[#INC 'sub\\..\\top.xnl'] a [#inc empty.xnl] b", "Top|=|1|a|b"}, {"[#inc " + dir.Dir + "top.xnl]", "Top|=|1"},
        {"[#inc missing.xnl]", "!IncludeError@1:18"}, {"[#inc sub]", "!IncludeError@1:10"}, {"[#inc]", "!PreprocessorError@1:6"},
        {"[#inc self.xnl]", "!IncludeLimitExceeded@1:215"}, {many, "!IncludeLimitExceeded@1:814"},  // the 101st, nested or not
    }, "", dir.Dir);
}

// Records the directives it carries out, and takes every included file as one that includes itself.
struct EndlessReader : px::CXNLRead {
    using CXNLRead::CXNLRead;
    void LoadInclude(const std::string&, const std::string& f, std::string* out) override { out->append("x [#inc " + f + "]"); }
    void Directive(const std::string& name, std::string* out) override { Names += name + " "; CXNLRead::Directive(name, out); }
    std::string Names;
};

TEST(XNLPreprocess, DerivedReadersReplaceIncludesAndDirectives) {
    std::string text = "[#def k v][#INC me]";
    EndlessReader reader(text);
    reader.SetIncludeLimit(-1);  // without a limit, a file that includes itself ends at the bound on expansions
    reader.Begin("");
    EXPECT_THROW(ReadAll(reader), px::CXNLError);
    EXPECT_EQ(reader.IncludeCount(), px::CXNLRead::MaxExpansions + 1);
    EXPECT_EQ(reader.Names.substr(0, 16), "def INC inc inc ");
}

TEST(XNLPreprocess, ExpansionAndNestingAreBounded) {
    // A definition that reproduces its own reference through special characters, and one growing fourfold each time.
    EXPECT_EQ(Read("[#def a [&[]$a[&]]] x = [$a]"), "!ReferenceError@1:6");
    std::string bomb = "[#def d 0123456789]";
    for (int i = 0; i < 30; ++i) bomb += "[#def d [$d][$d][$d][$d]]";
    EXPECT_EQ(Read(bomb + "v = [$d]").substr(0, 15), "!ReferenceError");
    std::string sane = "[#def w [/ a comment /]word]";  // a large but sane use passes
    for (int i = 0; i < 20000; ++i) sane += " [$w]";
    EXPECT_EQ(Read(sane).size(), 20000u * 5 - 1);

    // Nesting that a recursive reader would follow until the stack overflows.
    constexpr size_t depth = 300000;
    EXPECT_EQ(Read(std::string(depth, '[') + "x" + std::string(depth, ']')).size(), 4 * depth + 1);
    for (auto [unit, kind] : {std::pair {"[&", "!SpecialCharError"}, {"{&", "!SpecialCharError"}, {"\"[&", "!SpecialCharError"},
                              {"[$", "!ReferenceError"}, {"[#", "!PreprocessorError"}, {"[#if a [", "!PreprocessorError"},
                              {"[#def a ", "!PreprocessorError"}}) {
        std::string text = "[#def a 1] v = ";
        for (size_t i = 0; i < depth; ++i) text += unit;
        EXPECT_EQ(Read(text).substr(0, std::string(kind).size()), kind) << unit;
    }
}

const std::string FuzzHeader = R"([Vorlen 1] Title = "Gra w życie"  Wrap = true  Buffers = 2  Width: 200; Height: 150
[#def FAST 1] [/ a comment /] [#def hi 20] [#def lo 1] [#inc part.xnl] View = { Texture, Color [ b1 ] }
Background = x000000 Speed = [#if FAST [ hi ] else [ lo ]]  Running = true [#xnl v = 1]
Buttons = [ 0 = "Losuj", 1: 'Wyczyść' ] Mark = [&x41][&]] Size = [$Part])";
const std::string Alphabet = "[]{}\"'$#&/=:,; \nax0";  // random texts are made of these, mutations insert snippets
const char* const Snippets[] = {"[$", "[#", "[&", "[/", "/]", "[#def ", "[#if ", "[#inc ", "[#undef ", "]]", "[&[]$", "[",
                                "]", "{", "}", "\"", "'", "$", "#", "&", "/", "=", ":", ",", ";", " ", "\n", "a", "x", "0"};

std::string Mutate(std::string text, std::mt19937& random) {
    for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
        const size_t at = random() % (text.size() + 1);
        if (random() % 3 == 0) text.erase(at, 1 + random() % 3);
        else text.insert(at, Snippets[random() % std::size(Snippets)]);
    }
    return text;
}

// Tries the operations in a random order until none fits, as a caller would; false if the reader hangs.
bool ReadRandomly(px::CXNLRead& reader, std::mt19937& random) {
    std::string a, b;
    const std::function<bool()> reads[] = {
        [&] { return reader.ReadToken(random() % 2 ? &a : nullptr); }, [&] { return reader.ReadAssign(); },
        [&] { return reader.OpenSection(); }, [&] { return reader.CloseSection(random() % 2 == 0); },
        [&] { return reader.ReadText(&a); }, [&] { return reader.ReadPair(&a, &b); }};
    for (int step = 0; step < 1000000; ++step) {
        bool read = reader.AtEnd();
        for (unsigned k = 0, first = random() % 6; k < 6 && !read; ++k) read = reads[(first + k) % 6]();
        if (!read || reader.AtEnd()) return true;
    }
    return false;
}

TEST(XNLFuzz, RandomAndMutatedHeadersEndInAResultOrAnError) {
    TempDir dir;
    dir.Write("part.xnl", "[#def Part 3] Extra = { a b }");
    std::mt19937 random(20240611);
    int finished = 0, refused = 0;
    for (int run = 0; run < 4000; ++run) {
        std::string text = Mutate(FuzzHeader, random);
        if (run % 4 == 3)  // a random text instead
            for (char& c : text.assign(random() % 120, ' ')) c = Alphabet[random() % Alphabet.size()];
        const std::string original = text;
        try {
            px::CXNLRead reader(text);
            reader.Begin(dir.Dir);
            ASSERT_TRUE(ReadRandomly(reader, random)) << original;
            ++finished;
        } catch (const px::CXNLError& error) {
            ASSERT_TRUE(error.Kind >= px::XnlErrorKind::LevelMismatch && error.Kind <= px::XnlErrorKind::IncludeLimitExceeded &&
                        error.Position <= text.size()) << original;
            ++refused;
        }
    }
    EXPECT_GT(std::min(finished, refused), 400);  // both must be common, or the mutations miss the reader
}

}  // namespace
}  // namespace px

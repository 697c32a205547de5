#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "XnlTestSupport.h"

namespace {

using px::XnlErrorKind;
using xnltest::Read;
using xnltest::ReadAll;

struct Case {
    std::string text, read;
};

void ExpectReads(const std::vector<Case>& cases, const std::string& prefix = "", const std::string& directory = "") {
    for (const Case& c : cases) EXPECT_EQ(Read(prefix + c.text, directory), c.read) << c.text;
}

TEST(XNLPreprocess, References) {
    ExpectReads({
        {"[#def W 100]Width = [$W]", "Width|=|100"},
        {"[$undefined]x {$ undefined }", "x"},
        {"[#def W 100]{$W} \"w=[$W]\"", "100|w=100"},
        {"[#def W 100][#def n W] v = [$[$n]]", "v|=|100"},
        {"[#def A 1][#def B [$A]][#def A 2] [$B] [$A]", "1|2"},  // taken as it was when defined
        {"[#def P [&[]$Q[&]]][#def Q 5] [$P]", "5"},
        {"[#def S a = [&{] b [&}]] [$S]", "a|=|(|b|)"},
        {"[$]", "!ReferenceError@1:3"},
        {"[$a b]", "!ReferenceError@1:5"},
        {"x [$a", "!ReferenceError@1:6"},
        {"[$a}", "!SectionMismatch@1:4"},
    });
}

TEST(XNLPreprocess, DefineAndUndefine) {
    std::string text =
        "[#def a A][#def W 100 ][#if W = 100 [a]] [#undef nothing][#DEF m line one\r\n  line [/c/]two [&]] ]"
        "[#Def e][#def x 1][#undef x][#def W 100][#if W = 100 [a]]";
    px::CXNLRead reader(text);
    reader.Begin("");
    EXPECT_EQ(ReadAll(reader), "A");  // the first condition compared "100" with "100 "
    const px::CXNLRead::DefinitionMap expected = {
        {"a", "A"}, {"W", "100"}, {"m", "line one\r\n  line two ] "}, {"e", ""}};
    EXPECT_EQ(reader.Definitions(), expected);
    ExpectReads({{"[#def]", "!PreprocessorError@1:6"}, {"[#undef]", "!PreprocessorError@1:8"},
                 {"[#def a b", "!PreprocessorError@1:10"}});
}

TEST(XNLPreprocess, ConditionalChains) {
    ExpectReads({
        {"[#if x [a] elseif y [b] else [c]]", "B"},
        {"[#if x [a] elseif z [b] else [c]]", "C"},
        {"[#ifn x [a]] [#IF y [b] ELSE [c]]", "A|B"},
        {"[#if y = 1 [a b] else [c]]", "AB"},  // the references stand side by side
        {"[#if y: 2 [a] else [c]] [#if y [ ]] [#if y [undefined]]", "C"},
        {"[#if y [a] elseifn x [b] elseif y [c]]", "A"},  // only the first clause taken
        {"[#if x [a] elseifn x [b] elseif y [c]]", "B"},
        {"[#if x [a] else [b] else [c]]", "BC"},  // an else does not end the chain
        {"[#if]", "!PreprocessorError@1:5"},
        {"[#if y a]", "!PreprocessorError@1:8"},
        {"[#if y [a] otherwise [b]]", "!PreprocessorError@1:22"},
        {"[#if y [a] elseif [b]]", "!PreprocessorError@1:19"},
        {"[#if y [a}]", "!SectionMismatch@1:10"},
    }, "[#def a A][#def b B][#def c C][#def y 1]");
}

TEST(XNLPreprocess, DeclarationAndUnknownDirectives) {
    ExpectReads({{"[#xnl version = 1, mode: full]x", "x"}, {"[#XNL] y", "y"},
                 {"[#xnl version]", "!PreprocessorError@1:7"}, {"[#foo]", "!PreprocessorError@1:6"},
                 {"[#]", "!PreprocessorError@1:3"}});
}

TEST(XNLPreprocess, IncludesResolveAgainstTheIncludeDirectory) {
    xnltest::TempDir dir;
    dir.Write("sub/part.xnl", "[#def P 7] Part = [$P]");
    dir.Write("top.xnl", "Top = 1");
    dir.Write("empty.xnl", "");
    dir.Write("self.xnl", "x [#inc self.xnl]");
    ExpectReads({
        {"[#inc sub/part.xnl] After = [$P]", "Part|=|7|After|=|7"},
        {"[#inc sub\\part.xnl]", "Part|=|7"},
        {"[#INC 'sub\\..\\top.xnl'] a [#inc empty.xnl] b", "Top|=|1|a|b"},
        {"[#inc " + dir.Dir() + "top.xnl]", "Top|=|1"},
        {"[#inc missing.xnl]", "!IncludeError@1:18"},
        {"[#inc sub]", "!IncludeError@1:10"},
        {"[#inc]", "!PreprocessorError@1:6"},
    }, "", dir.Dir());

    // Every include of the document counts, nested or not: a file that includes itself stops
    // at the 101st.
    std::string text = "[#inc self.xnl]";
    px::CXNLRead reader(text);
    EXPECT_THROW(
        {
            reader.Begin(dir.Dir());
            ReadAll(reader);
        },
        px::CXNLError);
    EXPECT_EQ(reader.IncludeCount(), 100u);
    EXPECT_EQ(Read("[#inc self.xnl]", dir.Dir()), "!IncludeLimitExceeded@1:215");

    std::string twice = "[#inc top.xnl] [#inc top.xnl]";
    px::CXNLRead limited(twice);
    limited.SetIncludeLimit(1);
    limited.Begin(dir.Dir());
    EXPECT_THROW(ReadAll(limited), px::CXNLError);
    limited.Begin(dir.Dir());
    EXPECT_EQ(limited.IncludeCount(), 0u);
}

// Serves included files from memory and knows one more directive.
class MemoryReader : public px::CXNLRead {
public:
    using CXNLRead::CXNLRead;
    std::map<std::string, std::string> Files;

protected:
    void LoadInclude(const std::string& dir, const std::string& file, std::string* out) override {
        auto found = Files.find(dir + file);
        if (found == Files.end()) Fail(XnlErrorKind::IncludeError);
        if (out) out->append(found->second);
    }
    void Directive(const std::string& name, std::string* out) override {
        if (name != "upper") return CXNLRead::Directive(name, out);
        std::string word;
        if (!ReadToken(&word)) Fail(XnlErrorKind::PreprocessorError);
        for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (out) out->append(word);
    }
};

TEST(XNLPreprocess, DerivedReaderReplacesIncludesAndDirectives) {
    std::string text = "[#upper abc] [#inc x] [#def k v][$k]";
    MemoryReader reader(text);
    reader.Files["mem:x"] = "[#upper def]";
    reader.Begin("mem:");
    EXPECT_EQ(ReadAll(reader), "ABC|DEF|v");
}

TEST(XNLPreprocess, UnboundedExpansionEndsInReferenceError) {
    // A definition that reproduces its own reference through special characters.
    const std::string loop = "[#def a [&[]$a[&]]] x = [$a]";
    std::string text = loop;
    px::CXNLRead reader(text);
    reader.Begin("");
    EXPECT_THROW(ReadAll(reader), px::CXNLError);
    EXPECT_EQ(reader.Definitions().at("a"), "[$a]");
    EXPECT_EQ(Read(loop), "!ReferenceError@1:6");

    // Ten definitions, each referring ten times to the one before: 10^10 bytes if unbounded.
    std::string bomb = "[#def d0 0123456789]";
    for (int level = 1; level < 10; ++level) {
        bomb += "[#def d" + std::to_string(level) + " ";
        for (int i = 0; i < 10; ++i) bomb += "[$d" + std::to_string(level - 1) + "]";
        bomb += "]";
    }
    EXPECT_EQ(Read(bomb + "v = [$d9]").substr(0, 15), "!ReferenceError");

    // Without an include limit a file that includes itself still ends.
    std::string self = "[#inc me]";
    MemoryReader unlimited(self);
    unlimited.Files["me"] = "[#inc me]";
    unlimited.SetIncludeLimit(-1);
    try {
        unlimited.Begin("");
        ADD_FAILURE() << "no error";
    } catch (const px::CXNLError& error) {
        EXPECT_EQ(error.Kind, xnltest::KindOf(XnlErrorKind::ReferenceError));
        EXPECT_EQ(unlimited.IncludeCount(), px::CXNLRead::MaxExpansions + 1);
    }

    // A large but sane use of one definition passes.
    std::string many = "[#def w [/ a comment /]word]";
    for (int i = 0; i < 20000; ++i) many += " [$w]";
    EXPECT_EQ(Read(many).size(), 20000u * 5 - 1);
}

TEST(XNLPreprocess, DeepNestingNeitherRecursesNorOverflows) {
    constexpr size_t depth = 300000;
    std::string sections = std::string(depth, '[') + "x" + std::string(depth, ']');
    px::CXNLRead reader(sections);
    reader.Begin("");
    size_t opened = 0;
    while (reader.OpenSection()) ++opened;
    EXPECT_EQ(opened, depth);
    EXPECT_EQ(ReadAll(reader).size(), 1 + 2 * depth);

    const std::pair<const char*, const char*> chains[] = {
        {"[&", "!SpecialCharError"}, {"{&", "!SpecialCharError"}, {"\"[&", "!SpecialCharError"},
        {"[$", "!ReferenceError"},   {"[#", "!PreprocessorError"}, {"[#if a [", "!PreprocessorError"},
        {"[#def a ", "!PreprocessorError"},
    };
    for (const auto& [unit, kind] : chains) {
        std::string text = "[#def a 1] v = ";
        for (size_t i = 0; i < depth; ++i) text += unit;
        EXPECT_EQ(Read(text).substr(0, std::string(kind).size()), kind) << unit;
    }
}

}  // namespace

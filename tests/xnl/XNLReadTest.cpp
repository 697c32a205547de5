#include <gtest/gtest.h>

#include "XnlTestSupport.h"

namespace {

using xnltest::Read;
using xnltest::ReadAll;

struct Case {
    std::string text, read;
};

TEST(XNLRead, ElementsAndTheirErrors) {
    const Case cases[] = {
        {" \t\r\n,;[/ note /]{/ [ still a note ] /} ;\n", ""},
        {"Width=5 Width = 5,Width: 5", "Width|=|5|Width|=|5|Width|:|5"},
        {"a,,; b", "a|b"},
        {"\"it's\" 'say \"hi\"' \"\" ''", "it's|say \"hi\"||"},
        {"\"a = b: c, d; [ e ] {\"", "a = b: c, d; [ e ] {"},  // brackets that begin nothing
        {"Wid[/x/]th \"a[/ gone /]b\"", "Width|ab"},
        {"[ a { b } ]", "(|a|(|b|)|)"},
        {"[&]] [&x5D] [&93] [&5] [& ] {&}}", "]|]|]|5| |}"},
        // Ends in a coded special character, whose inner spacing must not end the document early.
        {"[&65] [&x41] [&'65'] [&321] [&-191] [&[/c/]65] A[& 65 ]", "A|A|A|A|A|A|AA"},
        {"a[&32]b \"[&34]\" x[&[]y[&]]z [&10]", "a b|\"|x[y]z|\n"},
        {"[&zz]", std::string(1, '\0')},
        {"[/ a [/ b /] c /]", "!LevelMismatch@1:5"},  // comments do not nest: " c /]" is left
        {"{/ d /] e /}x", "x"},
        {"a = \"abc", "!UnexpectedEnd@1:9"},
        {"a [/ never closed", "!UnexpectedEnd@1:3"},
        {"[ a }", "!SectionMismatch@1:5"},
        {"a ]", "!LevelMismatch@1:3"},
        {"x = [&]", "!SpecialCharError@1:7"},
        {"x = [& \"\" ]", "!SpecialCharError@1:12"},
        {"x = [&65}", "!SectionMismatch@1:9"},
        {"a\r\nb\r\n]", "!LevelMismatch@3:1"},
        {"a\n\r]", "!LevelMismatch@3:1"},
        {"a\r]", "!LevelMismatch@2:1"},
        {"[/ a comment\n that goes /]a ]", "!LevelMismatch@1:3"},  // counted in the rewritten text
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.text), c.read) << testing::PrintToString(c.text);
}

TEST(XNLRead, HeaderWithSignatureReadsItemByItem) {
    std::string text =
        "[Vorlen 1 ]\nTitle = \"Gra w życie\"  Wrap = true  Buffers = 2  Width: 200; Height: 150\n"
        "[#def FAST 1] [#def hi 20] [/ a comment /]\nView = { Texture, Color [ b1 ] }  Background = x000000\n"
        "Speed = [#if FAST [ hi ] else [ lo ]]  Running = true\nButtons = [ 0 = \"Losuj\", 1: 'Wyczyść' ]\n";
    px::CXNLRead reader(text);
    reader.Begin("/defs/");
    std::string signature;
    ASSERT_TRUE(reader.OpenSection() && reader.ReadText(&signature));
    EXPECT_EQ(signature, "Vorlen 1 ");
    EXPECT_FALSE(reader.ReadText(&signature));
    ASSERT_TRUE(reader.CloseSection(true));
    EXPECT_EQ(ReadAll(reader),
              "Title|=|Gra w życie|Wrap|=|true|Buffers|=|2|Width|:|200|Height|:|150|View|=|(|Texture|Color|(|b1|)|)|"
              "Background|=|x000000|Speed|=|20|Running|=|true|Buttons|=|(|0|=|Losuj|1|:|Wyczyść|)");
}

TEST(XNLRead, RawTextKeepsBlanksLineBreaksAndDecodedCharacters) {
    std::string text = "[ a\r\n b[/x/] [&]]c { d } ]";
    px::CXNLRead reader(text);
    reader.Begin("");
    std::string raw;
    ASSERT_TRUE(reader.OpenSection() && reader.ReadText(&raw));
    EXPECT_EQ(raw, "a\r\n b ]c ");
    ASSERT_TRUE(reader.OpenSection() && reader.ReadText(nullptr) && reader.CloseSection(false));
    EXPECT_EQ(reader.Document().substr(reader.Position()), " ]");  // no spacing skipped
    EXPECT_FALSE(reader.CloseSection(true));
}

TEST(XNLRead, FailedReadsConsumeNothing) {
    std::string text = "[ = x a = 'b c' d : e f = ";
    px::CXNLRead reader(text);
    reader.Begin("");
    std::string name, value;
    EXPECT_FALSE(reader.ReadToken(&name) || reader.ReadAssign() || reader.CloseSection(true));
    EXPECT_EQ(reader.Position(), 0u);
    ASSERT_TRUE(reader.OpenSection());
    EXPECT_FALSE(reader.ReadToken(&name) || reader.OpenSection());
    EXPECT_EQ(reader.Position(), 2u);
    ASSERT_TRUE(reader.ReadAssign() && reader.ReadToken(nullptr));
    bool colon = true;
    ASSERT_TRUE(reader.ReadPair(&name, &value, &colon));
    EXPECT_EQ(name + "|" + value + "|" + std::to_string(colon), "a|b c|0");
    ASSERT_TRUE(reader.ReadPair(&name, &value, &colon));
    EXPECT_EQ(name + "|" + value + "|" + std::to_string(colon), "d|e|1");
    const uint32_t before = reader.Position();
    EXPECT_FALSE(reader.ReadPair(&name, &value));
    EXPECT_EQ(reader.Position(), before);
    EXPECT_FALSE(reader.AtEnd());  // the end seen after "f =" is not the reader's place
}

TEST(XNLRead, AnErrorLeavesTheCallersTextAsRewritten) {
    std::string text = "[/c/][#def A 1]a = [$A] ]";
    EXPECT_EQ(Read(text), "!LevelMismatch@1:7");
    try {
        px::CXNLRead reader(text);
        reader.Begin("");
        ReadAll(reader);
        FAIL() << "no error";
    } catch (const px::CXNLError& error) {
        EXPECT_EQ(text, "a = 1 ]");
        EXPECT_EQ(error.Position, 6u);
    }
}

}  // namespace

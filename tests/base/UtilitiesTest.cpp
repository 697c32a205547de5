#include <gtest/gtest.h>

#include <tuple>

#include "base/System.h"
#include "base/Utilities.h"
#include "base/Windows1250.h"
#include "FilesTestSupport.h"

namespace base {
namespace {

TEST(Numbers, IntegersInEveryRadixAndFloatsAsPrintfInTheCLocale) {
    const std::pair<std::string, const char*> cases[] = {
        {IntToStr(0), "0"}, {IntToStr(-2147483647 - 1), "-2147483648"}, {IntToStr(2147483647), "2147483647"},
        {IntToStr(-255, 16, true), "-FF"}, {IntToStr(-255, 16, false), "-ff"}, {IntToStr(35, 36, false), "z"},
        {UIntToStr(4294967295u, 16, true), "FFFFFFFF"}, {UIntToStr(4294967295u), "4294967295"}, {UIntToStr(5, 2), "101"},
        {FloatToStr(12.345, 'f', 2), "12.35"}, {FloatToStr(-0.5, 'f', 0), "-0"}, {FloatToStr(1234.5, 'e', 2), "1.23e+03"},
        {FloatToStr(1234.5, 'E', 1), "1.2E+03"}, {FloatToStr(0.0001, 'g', 3), "0.0001"}, {FloatToStr(1.0 / 0.0, 'f', 2), "inf"},
        {FloatToStr(-1.0 / 0.0, 'F', 2), "-INF"},
    };
    for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected);
}

TEST(Text, LowerCaseAndTrim) {
    const std::pair<std::string, const char*> cases[] = {
        {ToLower("DeF IF"), "def if"}, {ToLower("ŻÓŁĆ ĄĘŚŹŃ"), "żółć ąęśźń"}, {ToLower("żółć"), "żółć"},
        {Trim(" \t\r\n Vorlen 1 \r\n"), "Vorlen 1"}, {Trim(" \t\r\n"), ""}, {Trim("a"), "a"},
    };
    for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected);
}

TEST(Paths, PartsOfAPathAndJoining) {
    const std::tuple<const char*, const char*, const char*, const char*> parts[] = {  // path, directory, name, extension
        {"table.vls", "", "table.vls", ".vls"}, {"/dir.x/table", "/dir.x/", "table", ""}, {"/defs/life.vl", "/defs/", "life.vl", ".vl"},
        {".vl", "", ".vl", ""},                 {"/defs/.vl", "/defs/", ".vl", ""},       {"a.tar.gz", "", "a.tar.gz", ".gz"},
        {"/", "/", "", ""},                     {"", "", "", ""},
    };
    for (const auto& [path, directory, name, extension] : parts) {
        EXPECT_EQ(DirectoryOf(path), directory) << path;
        EXPECT_EQ(FileNameOf(path), name) << path;
        EXPECT_EQ(ExtensionOf(path), extension) << path;
    }
    const std::tuple<const char*, const char*, const char*> joins[] = {  // directory, name, joined
        {"/defs/", "sub/../x.vl", "/defs/x.vl"}, {"/defs/", "./x.vl", "/defs/x.vl"},  {"/defs", "x.vl", "/defs/x.vl"},
        {"/defs/", "/other.vl", "/other.vl"},    {"/", "../../x", "/x"},              {"", "x.vl", "x.vl"},
        {"../defs/", "common.xnl", "../defs/common.xnl"}, {"a/", "../../x", "../x"}, {"defs/", "a//b", "defs/a/b"},
    };
    for (const auto& [directory, name, joined] : joins) EXPECT_EQ(JoinPath(directory, name), joined) << directory << " + " << name;
    EXPECT_EQ(DefinitionFileName("inc\\common.xnl"), "inc/common.xnl");
}

using Files = ScratchDirectory;

TEST_F(Files, ExistenceAndWholeFileReading) {
    const std::string bytes = std::string("a\r\n\0b\xff", 6) + std::string(70000, 'x');  // more than one read
    Spit(PathOf("bytes.bin"), bytes);
    EXPECT_TRUE(FileExists(PathOf("bytes.bin")));
    for (const std::string& path : {m_directory, std::string(), PathOf("missing")}) EXPECT_FALSE(FileExists(path)) << path;
    std::string text = "old";
    EXPECT_TRUE(ReadTextFile(PathOf("bytes.bin"), text));
    EXPECT_EQ(text, bytes);
    text = "untouched";
    EXPECT_FALSE(ReadTextFile(PathOf("missing"), text));
    EXPECT_FALSE(ReadTextFile(m_directory, text));
    EXPECT_EQ(text, "untouched");
}

// Data files are found beside the program first, then where an installation puts them.
TEST_F(Files, DataFilesBesideTheProgramOrInItsShareFolder) {
    const std::string beside = ModuleDirectory() + "data-file-test.dat";
    const std::string share = JoinPath(ModuleDirectory(), "../share/vorlen/");
    const std::string installed = share + "data-file-test.dat";
    ASSERT_TRUE(MakeDirectories(share));
    EXPECT_EQ(DataFilePath("data-file-test.dat"), beside) << "neither exists: the place looked at first";
    Spit(installed, "installed");
    EXPECT_EQ(DataFilePath("data-file-test.dat"), installed);
    Spit(beside, "beside");
    EXPECT_EQ(DataFilePath("data-file-test.dat"), beside);
    std::remove(beside.c_str());
    std::remove(installed.c_str());
}

// Every code of the page has its character and back, but the five the page leaves unassigned.
TEST(Text, Windows1250CodesAndTheirCharacters) {
    int unassigned = 0;
    for (int code = 0; code < 256; ++code) {
        const uint32_t character = Windows1250ToUnicode(static_cast<uint8_t>(code));
        unassigned += character == 0xFFFD;
        EXPECT_EQ(UnicodeToWindows1250(character), character == 0xFFFD ? -1 : code) << code;
    }
    EXPECT_EQ(unassigned, 5);
    EXPECT_EQ(UnicodeToWindows1250(0x17C), 0xBF);  // ż; α is not in the page
    EXPECT_EQ(UnicodeToWindows1250(0x3B1), -1);
}

TEST(CommandLine, QuotedAndBareArguments) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"  \"/my defs/life 2.vl\" second\tthird", {"/my defs/life 2.vl", "second", "third"}},
        {"\"unclosed path", {"unclosed path"}},
        {" \t ", {}},
        {"", {}},
    };
    for (const auto& [line, expected] : cases) {
        std::vector<std::string> arguments;
        size_t position = 0;
        for (std::string argument; NextArgument(line, argument, position);) arguments.push_back(argument);
        EXPECT_EQ(arguments, expected) << line;
    }
}

}  // namespace
}  // namespace base

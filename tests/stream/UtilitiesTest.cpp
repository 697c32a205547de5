#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>

#include "stream/Utilities.h"

namespace {

TEST(Numbers, IntegersInEveryRadixAndAtTheLimits) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(IntToStr(2147483647), "2147483647");
    EXPECT_EQ(IntToStr(-255, 16, true), "-FF");
    EXPECT_EQ(IntToStr(-255, 16, false), "-ff");
    EXPECT_EQ(IntToStr(35, 36, false), "z");
    EXPECT_EQ(UIntToStr(4294967295u, 16, true), "FFFFFFFF");
    EXPECT_EQ(UIntToStr(4294967295u), "4294967295");
    EXPECT_EQ(UIntToStr(5, 2), "101");
}

TEST(Numbers, FloatsAsPrintfWouldInTheCLocale) {
    EXPECT_EQ(FloatToStr(12.345, 'f', 2), "12.35");
    EXPECT_EQ(FloatToStr(-0.5, 'f', 0), "-0");
    EXPECT_EQ(FloatToStr(1234.5, 'e', 2), "1.23e+03");
    EXPECT_EQ(FloatToStr(1234.5, 'E', 1), "1.2E+03");
    EXPECT_EQ(FloatToStr(0.0001, 'g', 3), "0.0001");
    EXPECT_EQ(FloatToStr(1.0 / 0.0, 'f', 2), "inf");
    EXPECT_EQ(FloatToStr(-1.0 / 0.0, 'F', 2), "-INF");
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.3f", 2.0 / 3.0);
    EXPECT_EQ(FloatToStr(2.0 / 3.0, 'f', 3), printed);
}

TEST(Text, LowerCaseAndTrim) {
    EXPECT_EQ(ToLower("DeF IF"), "def if");
    EXPECT_EQ(ToLower("ŻÓŁĆ ĄĘŚŹŃ"), "żółć ąęśźń");
    EXPECT_EQ(ToLower("żółć"), "żółć");
    EXPECT_EQ(Trim(" \t\r\n Vorlen 1 \r\n"), "Vorlen 1");
    EXPECT_EQ(Trim(" \t\r\n"), "");
    EXPECT_EQ(Trim("a"), "a");
}

struct PathCase {
    const char* path;
    const char* directory;
    const char* name;
    const char* extension;
};

TEST(Paths, DirectoryNameAndExtension) {
    const PathCase cases[] = {
        {"table.vls", "", "table.vls", ".vls"},
        {"/dir.x/table", "/dir.x/", "table", ""},
        {"/defs/life.vl", "/defs/", "life.vl", ".vl"},
        {".vl", "", ".vl", ""},
        {"/defs/.vl", "/defs/", ".vl", ""},
        {"a.tar.gz", "", "a.tar.gz", ".gz"},
        {"/", "/", "", ""},
        {"", "", "", ""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(DirectoryOf(c.path), c.directory);
        EXPECT_EQ(FileNameOf(c.path), c.name);
        EXPECT_EQ(ExtensionOf(c.path), c.extension);
    }
}

TEST(Paths, JoinResolvesDotsAndKeepsRoots) {
    struct Case {
        const char* directory;
        const char* name;
        const char* joined;
    } const cases[] = {
        {"/defs/", "sub/../x.vl", "/defs/x.vl"},
        {"/defs/", "./x.vl", "/defs/x.vl"},
        {"/defs", "x.vl", "/defs/x.vl"},
        {"/defs/", "/other.vl", "/other.vl"},
        {"/", "../../x", "/x"},
        {"", "x.vl", "x.vl"},
        {"../defs/", "common.xnl", "../defs/common.xnl"},
        {"a/", "../../x", "../x"},
        {"defs/", "a//b", "defs/a/b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.directory) + " + " + c.name);
        EXPECT_EQ(JoinPath(c.directory, c.name), c.joined);
    }
    EXPECT_EQ(DefinitionFileName("inc\\common.xnl"), "inc/common.xnl");
}

TEST(Files, ExistenceAndWholeFileReading) {
    char folder[] = "/tmp/vorlen-utilities-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string file = std::string(folder) + "/bytes.bin";
    std::string bytes("a\r\n\0b\xff", 6);
    bytes += std::string(70000, 'x');  // more than one read
    std::ofstream(file, std::ios::binary) << bytes;

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(std::string(folder) + "/missing"));

    std::string text = "old";
    EXPECT_TRUE(ReadTextFile(file, text));
    EXPECT_EQ(text, bytes);
    text = "untouched";
    EXPECT_FALSE(ReadTextFile(std::string(folder) + "/missing", text));
    EXPECT_FALSE(ReadTextFile(folder, text));
    EXPECT_EQ(text, "untouched");

    std::remove(file.c_str());
    rmdir(folder);
}

TEST(CommandLine, QuotedAndBareArguments) {
    std::string line = "  \"/my defs/life 2.vl\" second\tthird";
    size_t position = 0;
    std::string argument;
    ASSERT_TRUE(NextArgument(line, argument, position));
    EXPECT_EQ(argument, "/my defs/life 2.vl");
    ASSERT_TRUE(NextArgument(line, argument, position));
    EXPECT_EQ(argument, "second");
    ASSERT_TRUE(NextArgument(line, argument, position));
    EXPECT_EQ(argument, "third");
    EXPECT_EQ(position, line.size() + 1);
    EXPECT_FALSE(NextArgument(line, argument, position));

    position = 0;
    ASSERT_TRUE(NextArgument("\"unclosed path", argument, position));
    EXPECT_EQ(argument, "unclosed path");
    position = 0;
    EXPECT_FALSE(NextArgument(" \t ", argument, position));
    position = 0;
    EXPECT_FALSE(NextArgument("", argument, position));
}

TEST(Clock, NeverGoesBackwards) {
    double previous = GetTime();
    for (int i = 0; i < 10000; ++i) {
        double now = GetTime();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

}  // namespace

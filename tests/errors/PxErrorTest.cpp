#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "errors/PxError.h"

namespace {

struct RowCase {
    std::string text;
    uint32_t position;
    uint32_t row, column, reportedPosition;
};

TEST(ParserError, CountsRowsAndColumnsOverEveryLineBreakKind) {
    const uint32_t end = px::CParserError::EndOfText;
    const RowCase cases[] = {
        {"a\r\nb", 3, 2, 1, 3},          // CR LF counts once
        {"a\n\rb", 3, 3, 1, 3},          // LF CR counts twice
        {"ab", end, 1, 3, 2},            // the end of the text
        {"a\rb", 2, 2, 1, 2},            // lone CR
        {"a\nb", 2, 2, 1, 2},            // lone LF
        {"x\r\ny\r\nzz", 6, 3, 1, 6},    // first character of the third line
        {"x\r\ny\r\nzz", 7, 3, 2, 7},
        {"", 0, 1, 1, 0},
        {"\r\r\n\n", end, 4, 1, 4},
        {"abc", 99, 1, 4, 99},           // beyond the text: counts the whole text
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " @ " + std::to_string(c.position));
        px::CParserError error(c.text, c.position);
        EXPECT_EQ(error.TextRow, c.row);
        EXPECT_EQ(error.TextColumn, c.column);
        EXPECT_EQ(error.Position, c.reportedPosition);
        EXPECT_EQ(error.Message, "Błąd parsera");
        EXPECT_TRUE(error.File.empty());
        EXPECT_EQ(error.Line, -1);
    }
}

TEST(XnlError, KindsHaveTheirTexts) {
    EXPECT_STREQ(px::XnlErrorText(0), "Niezgodność poziomów zagłębienia hierarchii");
    EXPECT_STREQ(px::XnlErrorText(8), "Limit włączeń plików przekroczony");
    EXPECT_STREQ(px::XnlErrorText(9), "Nieznany błąd");
    EXPECT_STREQ(px::XnlErrorText(-1), "Nieznany błąd");
    px::CXNLError error(px::XnlErrorKind::ReferenceError, "[$]", 2);
    EXPECT_EQ(error.Kind, 4);
    EXPECT_STREQ(error.KindText(), "Błąd podczas parsowania encji");
    EXPECT_EQ(error.TextColumn, 3u);
}

std::vector<std::string> ReadCrLfLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::string text = all.str();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

TEST(XnlError, ReportListsEverySectionAndNumbersReports) {
    char folder[] = "/tmp/vorlen-px-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/report.txt";
    {
        px::CReportFile file(path);
        ASSERT_TRUE(file.Open(true));
        px::CXNLError first(px::XnlErrorKind::SectionMismatch, "[ a }", 4);
        first.File = "Header";
        first.Line = 7;
        first.Report(file);
        px::CError second("plain", "", -1);
        second.Report(file);
    }
    std::vector<std::string> lines = ReadCrLfLines(path);
    std::vector<std::string> labels;
    for (const std::string& line : lines) {
        size_t colon = line.find(": ");
        labels.push_back(colon == std::string::npos ? line : line.substr(0, colon + 2));
    }
    std::vector<std::string> expected = {
        "", "Środowisko", "  Czas       : ", "  Komputer   : ", "  Użytkownik : ", "  Plik       : ",
        "Źródło", "  Plik       : ", "  Wiersz     : ", "Błąd", "  Numer      : ", "  Komunikat  : ",
        "Parser", "  Znak       : ", "  Wiersz     : ", "  Kolumna    : ",
        "XNL", "  Typ        : ", "  Komunikat  : ",
        "", "Środowisko", "  Czas       : ", "  Komputer   : ", "  Użytkownik : ", "  Plik       : ",
        "Błąd", "  Numer      : ", "  Komunikat  : "};
    ASSERT_EQ(labels, expected);
    EXPECT_EQ(lines[7], "  Plik       : Header");
    EXPECT_EQ(lines[8], "  Wiersz     : 7");
    int firstNumber = std::stoi(lines[10].substr(15));
    EXPECT_EQ(lines[11], "  Komunikat  : Błąd parsera");
    EXPECT_EQ(lines[13], "  Znak       : 4");
    EXPECT_EQ(lines[15], "  Kolumna    : 5");
    EXPECT_EQ(lines[17], "  Typ        : 2");
    EXPECT_EQ(lines[18], "  Komunikat  : Problem z otwarciem lub zamknięciem sekcji");
    EXPECT_EQ(std::stoi(lines[26].substr(15)), firstNumber + 1);
    EXPECT_EQ(lines[27], "  Komunikat  : plain");
    unlink(path.c_str());
    rmdir(folder);
}

TEST(ReportFile, ClosedFileAppendsOneLineAtATime) {
    char folder[] = "/tmp/vorlen-rf-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/lines.txt";
    px::CReportFile file(path);
    file.WriteLine("jeden");
    file.WriteField("dwa: ", "trzy");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadCrLfLines(path), (std::vector<std::string>{"jeden", "dwa: trzy"}));
    ASSERT_TRUE(file.Open(true));
    file.WriteLine("nowy");
    file.Close();
    EXPECT_EQ(ReadCrLfLines(path), (std::vector<std::string>{"nowy"}));

    px::CReportFile nowhere(std::string(folder) + "/missing/dir/x.txt");
    EXPECT_FALSE(nowhere.Open(true));
    nowhere.WriteLine("lost");  // ignored, no crash
    unlink(path.c_str());
    rmdir(folder);
}

}  // namespace

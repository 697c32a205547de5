#include "errors/PxError.h"

#include "base/Utilities.h"
#include "errors/ErrorReport.h"

namespace px {

namespace {

int32_t& NextReportNumber() {
    static int32_t number = 1;
    return number;
}

}  // namespace

int32_t ReportNumber() { return NextReportNumber(); }

void CError::Report(CReportFile& file) const {
    file.WriteLine("");
    errors::WriteEnvironment(file, errors::ReportClock::Utc);
    if (!File.empty() || Line >= 0) {
        file.WriteLine("Źródło");
        if (!File.empty()) file.WriteField("  Plik       : ", File);
        if (Line >= 0) file.WriteField("  Wiersz     : ", base::IntToStr(Line));
    }
    file.WriteLine("Błąd");
    int32_t& number = NextReportNumber();
    file.WriteField("  Numer      : ", base::IntToStr(number));
    ++number;
    file.WriteField("  Komunikat  : ", Message);
}

CParserError::CParserError(const std::string& text, uint32_t position)
    : CError("Błąd parsera", "", -1) {
    size_t end = position == EndOfText ? text.size() : position;
    if (end > text.size()) end = text.size();
    Position = position == EndOfText ? static_cast<uint32_t>(text.size()) : position;
    bool afterCr = false;
    for (size_t i = 0; i < end; ++i) {
        char c = text[i];
        if (c == '\r') {
            ++TextRow;
            TextColumn = 1;
            afterCr = true;
        } else if (c == '\n' && afterCr) {
            afterCr = false;
        } else if (c == '\n') {
            ++TextRow;
            TextColumn = 1;
        } else {
            ++TextColumn;
            afterCr = false;
        }
    }
}

void CParserError::Report(CReportFile& file) const {
    CError::Report(file);
    file.WriteLine("Parser");
    file.WriteField("  Znak       : ", base::UIntToStr(Position));
    file.WriteField("  Wiersz     : ", base::UIntToStr(TextRow));
    file.WriteField("  Kolumna    : ", base::UIntToStr(TextColumn));
}

const char* XnlErrorText(XnlErrorKind kind) {
    switch (kind) {
        case XnlErrorKind::LevelMismatch: return "Niezgodność poziomów zagłębienia hierarchii";
        case XnlErrorKind::IllegalChar: return "Niedozwolony znak";
        case XnlErrorKind::SectionMismatch: return "Problem z otwarciem lub zamknięciem sekcji";
        case XnlErrorKind::UnexpectedEnd: return "Niespodziewany koniec dokumentu";
        case XnlErrorKind::ReferenceError: return "Błąd podczas parsowania encji";
        case XnlErrorKind::PreprocessorError: return "Błąd preprocesora";
        case XnlErrorKind::SpecialCharError: return "Błąd podczas parsowania znaku specjalnego";
        case XnlErrorKind::IncludeError: return "Błąd podczas włączania pliku";
        case XnlErrorKind::IncludeLimitExceeded: return "Limit włączeń plików przekroczony";
    }
    return "Nieznany błąd";
}

void CXNLError::Report(CReportFile& file) const {
    CParserError::Report(file);
    file.WriteLine("XNL");
    file.WriteField("  Typ        : ", base::IntToStr(static_cast<int32_t>(Kind)));
    file.WriteField("  Komunikat  : ", KindText());
}

}  // namespace px

#include "errors/PxError.h"

#include "base/Utilities.h"
#include "errors/ErrorReport.h"

namespace px {

int32_t ReportNumber = 1;

void CError::Report(CReportFile& file) const {
    file.WriteLine("");
    errors::WriteEnvironment(file, errors::ReportClock::Utc);
    if (!File.empty() || Line >= 0) {
        file.WriteLine("Źródło");
        if (!File.empty()) file.WriteField("  Plik       : ", File);
        if (Line >= 0) file.WriteField("  Wiersz     : ", base::IntToStr(Line));
    }
    file.WriteLine("Błąd");
    file.WriteField("  Numer      : ", base::IntToStr(ReportNumber));
    ++ReportNumber;
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

const char* XnlErrorText(int32_t kind) {
    switch (kind) {
        case 0: return "Niezgodność poziomów zagłębienia hierarchii";
        case 1: return "Niedozwolony znak";
        case 2: return "Problem z otwarciem lub zamknięciem sekcji";
        case 3: return "Niespodziewany koniec dokumentu";
        case 4: return "Błąd podczas parsowania encji";
        case 5: return "Błąd preprocesora";
        case 6: return "Błąd podczas parsowania znaku specjalnego";
        case 7: return "Błąd podczas włączania pliku";
        case 8: return "Limit włączeń plików przekroczony";
        default: return "Nieznany błąd";
    }
}

void CXNLError::Report(CReportFile& file) const {
    CParserError::Report(file);
    file.WriteLine("XNL");
    file.WriteField("  Typ        : ", base::IntToStr(Kind));
    file.WriteField("  Komunikat  : ", KindText());
}

}  // namespace px

#include "errors/ErrorReport.h"

#include <cstdio>
#include <ctime>

#include "base/System.h"

namespace errors {

namespace {

std::string FormatTime(ReportClock clock) {
    std::time_t now = std::time(nullptr);
    std::tm parts {};
    if (clock == ReportClock::Utc)
        gmtime_r(&now, &parts);
    else
        localtime_r(&now, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%.4u-%.2u-%.2u %.2u:%.2u:%.2u", static_cast<unsigned>(parts.tm_year + 1900),
                  static_cast<unsigned>(parts.tm_mon + 1), static_cast<unsigned>(parts.tm_mday),
                  static_cast<unsigned>(parts.tm_hour), static_cast<unsigned>(parts.tm_min),
                  static_cast<unsigned>(parts.tm_sec));
    return text;
}

}  // namespace

void WriteEnvironment(px::CReportFile& file, ReportClock clock) {
    file.WriteLine("Środowisko");
    file.WriteField("  Czas       : ", FormatTime(clock));
    if (auto host = base::HostName()) file.WriteField("  Komputer   : ", *host);
    if (auto user = base::UserName()) file.WriteField("  Użytkownik : ", *user);
    file.WriteField("  Plik       : ", base::ExecutablePath());
}

std::string WriteErrorReportIn(const std::string& directory, const std::string& fallbackDirectory) {
    px::CReportFile file(directory + ErrorReportName);
    if (!file.Open(true)) {
        base::MakeDirectories(fallbackDirectory);
        px::CReportFile fallback(fallbackDirectory + ErrorReportName);
        if (fallback.Open(true)) {
            fallback.Close();
            return WriteErrorReportIn(fallbackDirectory, fallbackDirectory);
        }
        // Neither could be created: every line below tries an appending open of its own.
    }
    WriteEnvironment(file, ReportClock::Local);
    file.WriteField("  Aplikacja  : ", AppName);
    file.WriteField("  Wersja     : ", AppVersion);
    file.WriteLine("Błąd");
    std::string entry;
    std::vector<std::string> printed;
    while (TakeLastError(entry)) {
        file.WriteField("  ", entry);
        printed.push_back(std::move(entry));
    }
    file.Close();
    for (const std::string& line : printed) std::fprintf(stderr, "  %s\n", line.c_str());
    std::fflush(stderr);
    return file.Path();
}

std::string WriteErrorReport() {
    std::string exe = base::ExecutablePath();
    size_t slash = exe.find_last_of('/');
    std::string directory = slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
    return WriteErrorReportIn(directory, base::StateDirectory());
}

void ShowErrorReport(const std::string& path) { base::OpenWithDesktop(path); }

void PrintErrorChain(std::FILE* out) {
    for (const std::string& entry : TakeAllErrors()) std::fprintf(out, "  %s\n", entry.c_str());
    std::fflush(out);
}

int ConvertCurrentException(std::source_location where) {
    try {
        throw;
    } catch (const std::exception& error) {
        AddErrorAt(error.what(), ErrorPosition::None());
        AddError("Błąd biblioteki standardowej C++", where);
    } catch (...) {
        AddError("Nieznany błąd (najprawdopodobniej błąd ochrony)", where);
    }
    return -11;
}

}  // namespace errors

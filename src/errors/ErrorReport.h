#pragma once
// The error report "Error.txt" and the conversion of stray exceptions into trail entries.

#include <cstdio>
#include <exception>
#include <source_location>
#include <string>

#include "errors/ErrorTrail.h"
#include "errors/ReportFile.h"

namespace errors {

inline constexpr const char* AppName = "Vorlen";
inline constexpr const char* AppVersion = "1.0";
inline constexpr const char* ErrorReportName = "Error.txt";

enum class ReportClock { Local, Utc };

// The "Środowisko" section: time, computer, user, executable path; a name that cannot be
// read leaves its line out.
void WriteEnvironment(px::CReportFile& file, ReportClock clock);

// Writes the report into `directory` + "Error.txt" or, when that file cannot be created
// there, into `fallbackDirectory` (created when missing). Empties the trail, prints the same
// entries on stderr and returns the path of the report.
std::string WriteErrorReportIn(const std::string& directory, const std::string& fallbackDirectory);
// The same beside the executable, falling back to the user's state directory.
std::string WriteErrorReport();
// Opens a written report with the desktop's viewer; the outcome is ignored.
void ShowErrorReport(const std::string& path);

// Empties the trail onto `out`, one entry a line, newest first, each after two spaces.
void PrintErrorChain(std::FILE* out);

// Turns an exception that escaped a run into trail entries, as the framework's guarded run
// does, and gives the run's failure code -11. Call it from inside a catch handler.
int ConvertCurrentException(std::source_location where = std::source_location::current());

// Runs `body` (returning int) and converts any exception that escapes it.
template <class Body>
int GuardedRun(Body&& body, std::source_location where = std::source_location::current()) {
    try {
        return body();
    } catch (...) {
        return ConvertCurrentException(where);
    }
}

}  // namespace errors

#pragma once
// The exception classes of the markup reader. They are thrown by value and carry what a
// report needs: a message, an optional source position and, for parser errors, the place in
// the parsed text as a character index, a row and a column.

#include <cstdint>
#include <string>

#include "errors/ReportFile.h"

namespace px {

// The number the next px report of this run shows: 1 for the first, one more for each report
// written since.
int32_t ReportNumber();

class CError {
public:
    CError(std::string message, std::string file, int32_t line)
        : Message(std::move(message)), File(std::move(file)), Line(line) {}
    virtual ~CError() = default;
    CError(const CError&) = default;
    CError& operator=(const CError&) = default;

    // Writes this error's sections: the base's first, then the class's own.
    virtual void Report(CReportFile& file) const;

    std::string Message;
    std::string File;     // empty: no source file
    int32_t Line { -1 };  // -1: no line
};

class CParserError : public CError {
public:
    static constexpr uint32_t EndOfText = 0xFFFFFFFFu;

    // `position` is the character index of the error in `text`; EndOfText means its end.
    CParserError(const std::string& text, uint32_t position);

    void Report(CReportFile& file) const override;

    uint32_t Position { 0 };
    uint32_t TextRow { 1 };     // 1-based
    uint32_t TextColumn { 1 };  // 1-based
};

enum class XnlErrorKind : int32_t {
    LevelMismatch = 0,
    IllegalChar = 1,
    SectionMismatch = 2,
    UnexpectedEnd = 3,
    ReferenceError = 4,
    PreprocessorError = 5,
    SpecialCharError = 6,
    IncludeError = 7,
    IncludeLimitExceeded = 8,
};

// The message of an error kind; "Nieznany błąd" for a value that is no kind listed.
const char* XnlErrorText(XnlErrorKind kind);

class CXNLError : public CParserError {
public:
    CXNLError(XnlErrorKind kind, const std::string& text, uint32_t position)
        : CParserError(text, position), Kind(kind) {}

    void Report(CReportFile& file) const override;
    const char* KindText() const { return XnlErrorText(Kind); }

    XnlErrorKind Kind { XnlErrorKind::LevelMismatch };
};

}  // namespace px

#pragma once
// The error trail: one process-wide chain of error texts, oldest first, with a raised flag.
//
// A function that detects a failure starts a chain with RaiseError and returns a failing
// value; every caller that sees the failure may add its context with AddError and fail in
// turn. Each entry carries the position of its call site as "[file,line] " (the base name of
// the source file without its extension), captured through std::source_location.

#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace errors {

// A call-site position; an empty file with line 0 means the entry has no position.
struct ErrorPosition {
    std::string_view File;
    int Line = 0;

    static ErrorPosition None() { return {}; }
    static ErrorPosition Of(const std::source_location& where) {
        return {where.file_name(), static_cast<int>(where.line())};
    }
};

// Starts a new chain: clears the trail, then adds the entry.
void RaiseError(std::string_view message, std::source_location where = std::source_location::current());
// Adds an entry on top of the chain and raises the flag.
void AddError(std::string_view message, std::source_location where = std::source_location::current());
// The same with an explicit position (ErrorPosition::None() for an entry without one).
void RaiseErrorAt(std::string_view message, ErrorPosition position);
void AddErrorAt(std::string_view message, ErrorPosition position);

bool ErrorRaised();
void ClearErrors();
// Lowers the flag; false when the trail is empty, otherwise moves the newest entry out.
bool TakeLastError(std::string& text);
// Empties the trail and lowers the flag; the entries newest first, as a report lists them.
std::vector<std::string> TakeAllErrors();
// The entries as they stand, oldest first.
const std::vector<std::string>& ErrorEntries();

// Composes an entry: "[" + base name + "," + line + "] " + message, or the bare message.
std::string ComposeEntry(std::string_view message, ErrorPosition position);

}  // namespace errors

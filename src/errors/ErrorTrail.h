#pragma once
// The error trail: one process-wide chain of error texts, oldest first, with a raised flag.
// A thread may record into a trail of its own for a while (SideTrail): the main thread does
// so while it waits for a call that records into the process's trail on another thread.
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

// For its lifetime, what the calling thread records (and reads) is a trail of its own, which
// starts empty; the trail in use before, the process's one or another side trail, is left as
// it is and comes back when this one ends. Other threads keep using the process's trail.
class SideTrail {
public:
    SideTrail();
    ~SideTrail();
    SideTrail(const SideTrail&) = delete;
    SideTrail& operator=(const SideTrail&) = delete;

    bool Raised() const { return m_trail.Raised; }
    // What was recorded meanwhile, oldest first.
    const std::vector<std::string>& Entries() const { return m_trail.Entries; }

    struct Trail {
        std::vector<std::string> Entries;
        bool Raised = false;
    };

private:
    Trail m_trail;
    Trail* m_previous;
};

// Adds entries that were composed elsewhere (a side trail's) on top of the chain, as they are.
void AddComposedErrors(const std::vector<std::string>& entries);

// Composes an entry: "[" + base name + "," + line + "] " + message, or the bare message.
std::string ComposeEntry(std::string_view message, ErrorPosition position);

}  // namespace errors

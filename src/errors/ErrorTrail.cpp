#include "errors/ErrorTrail.h"

#include "base/Utilities.h"

namespace errors {

namespace {

using Trail = SideTrail::Trail;

Trail& ProcessTrail() {
    static Trail trail;
    return trail;
}

// The calling thread's side trail, or null while it records into the process's trail.
thread_local Trail* t_sideTrail = nullptr;

Trail& TheTrail() { return t_sideTrail ? *t_sideTrail : ProcessTrail(); }

// "/work/src/stream/Stream.cpp" -> "Stream": the module name a report reader recognises.
std::string_view ModuleName(std::string_view file) {
    size_t slash = file.find_last_of("/\\");
    if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
    size_t dot = file.find_last_of('.');
    if (dot != std::string_view::npos && dot != 0) file = file.substr(0, dot);
    return file;
}

}  // namespace

std::string ComposeEntry(std::string_view message, ErrorPosition position) {
    if (position.File.empty() && position.Line == 0) return std::string(message);
    std::string entry;
    entry.reserve(message.size() + 32);
    entry += '[';
    entry += ModuleName(position.File);
    entry += ',';
    entry += base::IntToStr(position.Line);
    entry += "] ";
    entry += message;
    return entry;
}

void AddErrorAt(std::string_view message, ErrorPosition position) {
    Trail& trail = TheTrail();
    trail.Entries.push_back(ComposeEntry(message, position));
    trail.Raised = true;
}

void RaiseErrorAt(std::string_view message, ErrorPosition position) {
    ClearErrors();
    AddErrorAt(message, position);
}

void AddError(std::string_view message, std::source_location where) {
    AddErrorAt(message, ErrorPosition::Of(where));
}

void RaiseError(std::string_view message, std::source_location where) {
    RaiseErrorAt(message, ErrorPosition::Of(where));
}

bool ErrorRaised() { return TheTrail().Raised; }

void ClearErrors() {
    Trail& trail = TheTrail();
    trail.Entries.clear();
    trail.Raised = false;
}

bool TakeLastError(std::string& text) {
    Trail& trail = TheTrail();
    trail.Raised = false;
    if (trail.Entries.empty()) return false;
    text = std::move(trail.Entries.back());
    trail.Entries.pop_back();
    return true;
}

std::vector<std::string> TakeAllErrors() {
    std::vector<std::string> newestFirst;
    std::string entry;
    while (TakeLastError(entry)) newestFirst.push_back(std::move(entry));
    return newestFirst;
}

const std::vector<std::string>& ErrorEntries() { return TheTrail().Entries; }

SideTrail::SideTrail() : m_previous(t_sideTrail) { t_sideTrail = &m_trail; }

SideTrail::~SideTrail() { t_sideTrail = m_previous; }

void AddComposedErrors(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) AddErrorAt(entry, ErrorPosition::None());
}

}  // namespace errors

#include "xnl/XNLRead.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Utilities.h"
#include "xnl/TokenConversion.h"

namespace px {

namespace {

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool IsSeparator(char c) { return c == ',' || c == ';'; }
bool IsOpening(char c) { return c == '[' || c == '{'; }
bool IsBracket(char c) { return c == '[' || c == '{' || c == ']' || c == '}'; }
bool IsClosing(char c) { return c == ']' || c == '}'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsTokenStop(char c) {
    return IsSpace(c) || IsSeparator(c) || IsQuote(c) || IsBracket(c) || c == '=' || c == ':';
}

char Partner(char c) {
    switch (c) {
        case '[': return ']';
        case ']': return '[';
        case '{': return '}';
        case '}': return '{';
        default: return c;
    }
}

void Append(std::string* out, char c) {
    if (out) out->push_back(c);
}

}  // namespace

CXNLRead::CXNLRead(std::string& document) : m_text(&document) {
    m_gapStart = static_cast<uint32_t>(document.size());
}

CXNLRead::~CXNLRead() { CloseGap(); }

const std::string& CXNLRead::Document() {
    CloseGap();
    return *m_text;
}

// ---- the document with its gap ----

void CXNLRead::MoveGap(uint32_t to) {
    if (m_gapSize == 0) {
        m_gapStart = to;
        return;
    }
    char* data = m_text->data();
    if (to < m_gapStart) {
        std::memmove(data + to + m_gapSize, data + to, m_gapStart - to);
    } else if (to > m_gapStart) {
        std::memmove(data + m_gapStart, data + m_gapStart + m_gapSize, to - m_gapStart);
    }
    m_gapStart = to;
}

void CXNLRead::CloseGap() {
    if (m_gapSize == 0) return;
    MoveGap(Length());
    m_text->resize(Length());
    m_gapSize = 0;
}

void CXNLRead::Splice(uint32_t from, uint32_t to, std::string_view with) {
    assert(from <= to && to <= Length() && "Splice: range outside the document");
    MoveGap(from);
    m_gapSize += to - from;
    if (with.size() > m_gapSize) {
        // Grow the gap by half the document at least, so that a run of insertions moves the
        // rest of the document only a few times.
        size_t grow = std::max<size_t>({ with.size() - m_gapSize, Length() / 2, 4096 });
        m_text->insert(m_gapStart + m_gapSize, grow, '\0');
        m_gapSize += static_cast<uint32_t>(grow);
    }
    if (!with.empty()) std::memcpy(m_text->data() + m_gapStart, with.data(), with.size());
    m_gapStart += static_cast<uint32_t>(with.size());
    m_gapSize -= static_cast<uint32_t>(with.size());
}

uint32_t CXNLRead::FindPair(uint32_t from, char first, char second) const {
    const uint32_t length = Length();
    for (uint32_t i = from; i + 1 < length; ++i)
        if (At(i) == first && At(i + 1) == second) return i;
    return length;
}

void CXNLRead::AppendRange(std::string* out, uint32_t from, uint32_t to) const {
    if (!out || from >= to) return;
    const char* data = m_text->data();
    if (to <= m_gapStart) {
        out->append(data + from, to - from);
    } else if (from >= m_gapStart) {
        out->append(data + from + m_gapSize, to - from);
    } else {
        out->append(data + from, m_gapStart - from);
        out->append(data + m_gapStart + m_gapSize, to - m_gapStart);
    }
}

void CXNLRead::Fail(XnlErrorKind kind) { FailAt(kind, m_position); }

void CXNLRead::FailAt(XnlErrorKind kind, uint32_t position) {
    CloseGap();
    throw CXNLError(kind, *m_text, position);
}

// ---- reading ----

void CXNLRead::Begin(const std::string& directory) {
    m_position = 0;
    m_includeCount = 0;
    m_preprocessDepth = 0;
    m_includeDir = directory;
    m_expansions = 0;
    m_expandedSize = 0;
    SkipSpace();
}

void CXNLRead::SkipSpace() {
    for (;;) {
        if (!AtTextEnd()) {
            Preprocess();
            if (!AtTextEnd() && IsSpace(At(m_position))) {
                // A run of spaces holds no bracket, so nothing in it needs preprocessing.
                const uint32_t length = Length();
                while (m_position < length && IsSpace(At(m_position))) ++m_position;
                continue;
            }
        }
        if (AtTextEnd()) break;
        Preprocess();
        if (!AtTextEnd() && IsSeparator(At(m_position))) {
            ++m_position;
            continue;
        }
        break;
    }
    if (m_preprocessDepth == 0) m_atEnd = AtTextEnd();
}

void CXNLRead::Preprocess() {
    for (;;) {
        if (m_position + 1 >= Length()) return;
        if (!IsOpening(At(m_position))) return;
        switch (At(m_position + 1)) {
            case '/': EraseComment(); break;
            case '$': ExpandReference(); break;
            case '#': ExpandDirective(); break;
            default: return;
        }
    }
}

void CXNLRead::EraseComment() {
    uint32_t end = FindPair(m_position + 2, '/', Partner(At(m_position)));
    if (end >= Length()) Fail(XnlErrorKind::UnexpectedEnd);
    Splice(m_position, end + 2, {});
}

void CXNLRead::EnterConstruct(XnlErrorKind kind) {
    if (m_preprocessDepth >= MaxConstructDepth) Fail(kind);
    ++m_preprocessDepth;
    m_bracketStack.push_back(At(m_position));
    m_position += 2;
    SkipSpace();
}

bool CXNLRead::ReadSpecialChar(char* c) {
    const uint32_t length = Length();
    if (m_position + 1 >= length) return false;
    const char open = At(m_position);
    if (!IsOpening(open) || At(m_position + 1) != '&') return false;
    if (m_position + 3 < length && At(m_position + 3) == Partner(open)) {
        *c = At(m_position + 2);
        m_position += 4;
        return true;
    }
    EnterConstruct(XnlErrorKind::SpecialCharError);
    std::string code;
    if (!ReadToken(&code)) Fail(XnlErrorKind::SpecialCharError);
    if (!CloseSection(false)) Fail(XnlErrorKind::SpecialCharError);
    if (code.empty()) Fail(XnlErrorKind::SpecialCharError);
    int32_t value = code[0] == 'x' ? ToHexInt(std::string_view(code).substr(1), 0) : ToInt(code, 0);
    *c = static_cast<char>(static_cast<uint32_t>(value) & 0xFFu);
    --m_preprocessDepth;
    return true;
}

bool CXNLRead::ReadToken(std::string* out) {
    if (AtTextEnd()) return false;
    if (out) out->clear();
    Preprocess();
    const char quote = AtTextEnd() ? '\0' : At(m_position);
    char special = 0;
    if (IsQuote(quote)) {
        ++m_position;
        for (;;) {
            if (AtTextEnd()) Fail(XnlErrorKind::UnexpectedEnd);
            Preprocess();
            if (ReadSpecialChar(&special)) {
                Append(out, special);
                continue;
            }
            Preprocess();
            if (AtTextEnd()) Fail(XnlErrorKind::UnexpectedEnd);
            if (At(m_position) == quote) break;
            // Up to the next quote or opening bracket nothing can start a construct.
            const uint32_t length = Length();
            uint32_t end = m_position + 1;
            while (end < length && At(end) != quote && !IsOpening(At(end))) ++end;
            AppendRange(out, m_position, end);
            m_position = end;
        }
        ++m_position;
        SkipSpace();
        return true;
    }

    // The bare form: the text was preprocessed just above, and is looked at as it stands.
    if (!ReadRun(out, IsTokenStop, false)) return false;
    SkipSpace();
    return true;
}

bool CXNLRead::ReadAssign(bool* colon) {
    if (AtTextEnd()) return false;
    Preprocess();
    if (AtTextEnd()) return false;
    const char c = At(m_position);
    if (c != ':' && c != '=') return false;
    if (colon) *colon = c == ':';
    ++m_position;
    SkipSpace();
    return true;
}

bool CXNLRead::OpenSection() {
    if (AtTextEnd()) return false;
    Preprocess();
    if (AtTextEnd() || !IsOpening(At(m_position))) return false;
    m_bracketStack.push_back(At(m_position));
    ++m_position;
    SkipSpace();
    return true;
}

bool CXNLRead::CloseSection(bool skip) {
    if (AtTextEnd()) return false;
    Preprocess();
    if (AtTextEnd() || !IsClosing(At(m_position))) return false;
    if (m_bracketStack.empty()) Fail(XnlErrorKind::LevelMismatch);
    if (At(m_position) != Partner(m_bracketStack.back())) Fail(XnlErrorKind::SectionMismatch);
    m_bracketStack.pop_back();
    ++m_position;
    if (skip) SkipSpace();
    return true;
}

bool CXNLRead::ReadText(std::string* out) {
    if (AtTextEnd()) return false;
    if (out) out->clear();
    if (!ReadRun(out, IsBracket, true)) return false;
    SkipSpace();
    return true;
}

template <class Stop>
bool CXNLRead::ReadRun(std::string* out, Stop isStop, bool preprocessFirst) {
    bool consumed = false;
    char special = 0;
    for (;;) {
        if (preprocessFirst) Preprocess();
        if (ReadSpecialChar(&special)) {
            Append(out, special);
            consumed = true;
            continue;
        }
        Preprocess();
        if (AtTextEnd() || isStop(At(m_position))) break;
        // Brackets are stop characters of both runs, so the text up to the next stop holds no
        // construct.
        const uint32_t length = Length();
        uint32_t end = m_position + 1;
        while (end < length && !isStop(At(end))) ++end;
        AppendRange(out, m_position, end);
        m_position = end;
        consumed = true;
    }
    return consumed;
}

bool CXNLRead::ReadPair(std::string* name, std::string* value, bool* colon) {
    // The end flag is restored with the position: the spacing skipped after a partial pair
    // may have reached the end of the text, which is no longer the reader's place.
    const uint32_t start = m_position;
    const bool atEnd = m_atEnd;
    if (ReadToken(name) && ReadAssign(colon) && ReadToken(value)) return true;
    m_position = start;
    m_atEnd = atEnd;
    return false;
}

// ---- preprocessing ----

void CXNLRead::Expand(uint32_t from, uint32_t to, std::string_view expansion) {
    ++m_expansions;
    m_expandedSize += expansion.size();
    const bool grows = expansion.size() > to - from;
    const uint64_t grownLength = uint64_t { Length() } - (to - from) + expansion.size();
    if (m_expansions > MaxExpansions || m_expandedSize > MaxExpandedSize || (grows && grownLength > MaxDocumentSize))
        FailAt(XnlErrorKind::ReferenceError, from);
    Splice(from, to, expansion);
}

void CXNLRead::ExpandReference() {
    const uint32_t start = m_position;
    EnterConstruct(XnlErrorKind::ReferenceError);
    std::string name;
    if (!ReadToken(&name)) Fail(XnlErrorKind::ReferenceError);
    if (!CloseSection(false)) Fail(XnlErrorKind::ReferenceError);
    auto found = m_definitions.find(name);
    if (found != m_definitions.end()) {
        Expand(start, m_position, found->second);
    } else {
        Splice(start, m_position, {});
    }
    m_position = start;
    --m_preprocessDepth;
}

void CXNLRead::ExpandDirective() {
    const uint32_t start = m_position;
    EnterConstruct(XnlErrorKind::PreprocessorError);
    std::string name;
    if (!ReadToken(&name)) Fail(XnlErrorKind::PreprocessorError);
    std::string replacement;
    Directive(name, &replacement);
    if (!CloseSection(false)) Fail(XnlErrorKind::PreprocessorError);
    if (replacement.empty()) {
        Splice(start, m_position, {});
    } else {
        Expand(start, m_position, replacement);
    }
    m_position = start;
    --m_preprocessDepth;
}

void CXNLRead::Directive(const std::string& name, std::string* out) {
    const std::string word = base::ToLower(name);
    if (word == "inc") {
        std::string file;
        if (!ReadToken(&file)) Fail(XnlErrorKind::PreprocessorError);
        if (m_includeLimit >= 0 && int64_t { m_includeCount } + 1 > m_includeLimit)
            Fail(XnlErrorKind::IncludeLimitExceeded);
        ++m_includeCount;
        LoadInclude(m_includeDir, file, out);
    } else if (word == "def") {
        std::string defined;
        if (!ReadToken(&defined)) Fail(XnlErrorKind::PreprocessorError);
        std::string text;
        if (!ReadText(&text)) text.clear();
        m_definitions.insert_or_assign(std::move(defined), std::move(text));
    } else if (word == "undef") {
        std::string defined;
        if (!ReadToken(&defined)) Fail(XnlErrorKind::PreprocessorError);
        auto found = m_definitions.find(defined);
        if (found != m_definitions.end()) m_definitions.erase(found);
    } else if (word == "if" || word == "ifn") {
        bool matched = ReadCondition() == (word == "if");
        ReadClause(matched, out);
        std::string keyword;
        while (ReadToken(&keyword)) {
            keyword = base::ToLower(keyword);
            if (keyword == "elseif" || keyword == "elseifn") {
                bool taken = ReadCondition() == (keyword == "elseif") && !matched;
                matched = matched || taken;
                ReadClause(taken, out);
            } else if (keyword == "else") {
                // "else" does not end the chain: a second "else" is taken as well.
                ReadClause(!matched, out);
            } else {
                Fail(XnlErrorKind::PreprocessorError);
            }
        }
    } else if (word == "xnl") {
        while (ReadPair(nullptr, nullptr, nullptr)) {
        }
    } else {
        Fail(XnlErrorKind::PreprocessorError);
    }
}

bool CXNLRead::ReadCondition() {
    std::string name;
    std::string value;
    if (!ReadPair(&name, &value, nullptr)) {
        value.clear();
        if (!ReadToken(&name)) Fail(XnlErrorKind::PreprocessorError);
    }
    auto found = m_definitions.find(name);
    return found != m_definitions.end() && (value.empty() || found->second == value);
}

void CXNLRead::ReadClause(bool taken, std::string* out) {
    if (!OpenSection()) Fail(XnlErrorKind::PreprocessorError);
    std::string name;
    while (ReadToken(taken ? &name : nullptr)) {
        if (taken && out) {
            out->append("[$");
            out->append(name);
            out->push_back(']');
        }
    }
    if (!CloseSection(true)) Fail(XnlErrorKind::PreprocessorError);
}

void CXNLRead::LoadInclude(const std::string& dir, const std::string& file, std::string* out) {
    if (!out) return;
    const std::string path = base::JoinPath(dir, base::DefinitionFileName(file));
    // Only a regular file of bounded size: a device or a pipe could feed the document forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) Fail(XnlErrorKind::IncludeError);
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MaxDocumentSize) Fail(XnlErrorKind::IncludeError);
    std::string text;
    if (!base::ReadTextFile(path, text)) Fail(XnlErrorKind::IncludeError);
    out->append(text);
}

}  // namespace px

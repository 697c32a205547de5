#pragma once
// The XNL pull reader. It reads a document element by element at a current position and
// builds no tree: every operation tries to consume one element (a token, an assignment mark,
// a section bracket, a run of raw text) and answers whether it was there. Before a character
// is examined, the text at the position is rewritten in place: comments are erased, and
// references [$name] and directives [#...] are replaced by their expansion, which is then
// read like any other text. Positions are indices into the document as rewritten so far.
//
// Malformed constructs throw px::CXNLError; the error's row and column count the document as
// rewritten at that moment. After an exception the reader is abandoned.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "errors/PxError.h"
#include "xnl/XNLParser.h"

namespace px {

class CXNLRead : public CXNLParser {
public:
    using DefinitionMap = std::map<std::string, std::string, std::less<>>;

    // Bounds that stop a document from expanding without end. A sane header stays far below
    // each of them; crossing one throws ReferenceError.
    static constexpr uint32_t MaxDocumentSize = 16u << 20;  // bytes the document may grow to
    static constexpr uint64_t MaxExpandedSize = 16u << 20;  // bytes all expansions may insert
    static constexpr uint32_t MaxExpansions = 100000;       // defined references and directive replacements
    // Special characters, references and directives read inside one another are read
    // recursively; this bounds that recursion (and so the stack). Crossing it throws the error
    // kind of the construct that goes one level too deep.
    static constexpr uint32_t MaxConstructDepth = 64;

    // Reads `document`, which the caller keeps alive and leaves alone while the reader exists.
    // The reader rewrites it in place; its content is the rewritten document again whenever
    // the reader throws, after Document() and once the reader is destroyed (in between it may
    // hold a gap of unused bytes at the last place of rewriting).
    explicit CXNLRead(std::string& document);
    // Not virtual: readers are never deleted through a base pointer.
    ~CXNLRead();
    CXNLRead(const CXNLRead&) = delete;
    CXNLRead& operator=(const CXNLRead&) = delete;

    // Starts reading at the beginning with `directory` as the base of included files, and skips
    // the leading spacing, so that AtEnd() is true for a document of nothing but spacing and
    // comments. Definitions and open sections are kept.
    void Begin(const std::string& directory);

    // Each of the following consumes one element and the spacing behind it and answers true,
    // or answers false and leaves the position where it was. A null output consumes and
    // validates the element without storing it.

    // A quoted or bare token.
    bool ReadToken(std::string* out);
    // ':' (`colon` set to true) or '=' (false).
    bool ReadAssign(bool* colon = nullptr);
    // An opening bracket, which becomes the innermost open section.
    bool OpenSection();
    // The partner of the innermost open section's bracket; the spacing behind it is skipped
    // only when `skip` is set. Throws LevelMismatch when no section is open and
    // SectionMismatch for a closing bracket of the wrong kind.
    bool CloseSection(bool skip);
    // Every character up to the next bracket of either kind, blanks and line breaks included.
    bool ReadText(std::string* out);
    // A token, an assignment mark and a token; on failure the reader is set back to where the
    // pair began.
    bool ReadPair(std::string* name, std::string* value, bool* colon = nullptr);

    // True when the last spacing skipped outside bracketed constructs reached the end.
    bool AtEnd() const { return m_atEnd; }
    // Index of the current character in the rewritten document.
    uint32_t Position() const { return m_position; }
    // The document as rewritten so far.
    const std::string& Document();

    const DefinitionMap& Definitions() const { return m_definitions; }
    // Most files one document may include; any negative value means no limit. 100 by default.
    int32_t IncludeLimit() const { return m_includeLimit; }
    void SetIncludeLimit(int32_t limit) { m_includeLimit = limit; }
    // Files included since Begin, nested or not.
    uint32_t IncludeCount() const { return m_includeCount; }
    const std::string& IncludeDir() const { return m_includeDir; }

protected:
    // Carries out the directive `name` (compared in lower case), reading its arguments from
    // the position, and appends its replacement text to `out` (null: replacement discarded).
    virtual void Directive(const std::string& name, std::string* out);
    // Appends the text of `file`, resolved against `dir`, to `out`; nothing when `out` is
    // null. Throws IncludeError when the file cannot be read or is not a regular file no larger
    // than MaxDocumentSize.
    virtual void LoadInclude(const std::string& dir, const std::string& file, std::string* out);

    // Skips space characters, separators and comments (expanding constructs on the way).
    void SkipSpace();
    // Erases comments and expands references and directives at the position until the current
    // character begins none of them.
    void Preprocess();
    // Reads a special character [&c] or [& code ] at the position into `c`; false when none
    // begins there.
    bool ReadSpecialChar(char* c);

    // Throws a CXNLError of `kind` at the current position (or at `position`).
    [[noreturn]] void Fail(XnlErrorKind kind);
    [[noreturn]] void FailAt(XnlErrorKind kind, uint32_t position);

private:
    // The document is kept in the caller's string with a gap of m_gapSize unused bytes at
    // m_gapStart, so that text erased or inserted at the position costs what it moves between
    // two edits rather than the whole rest of the document.
    uint32_t Length() const { return static_cast<uint32_t>(m_text->size()) - m_gapSize; }
    char At(uint32_t index) const { return (*m_text)[index < m_gapStart ? index : index + m_gapSize]; }
    bool AtTextEnd() const { return m_position >= Length(); }
    // Replaces [from, to) with `with`.
    void Splice(uint32_t from, uint32_t to, std::string_view with);
    void MoveGap(uint32_t to);
    void CloseGap();
    // First index at or after `from` of the two characters `first`, `second`; Length() if none.
    uint32_t FindPair(uint32_t from, char first, char second) const;
    void AppendRange(std::string* out, uint32_t from, uint32_t to) const;
    // Reads characters up to one that `isStop` accepts, each special character counting as one;
    // false when there was none. A bare token and raw text differ in their stop characters and
    // in whether the preprocessor runs before each look for a special character
    // (`preprocessFirst`, raw text) or only after it (a bare token).
    template <class Stop>
    bool ReadRun(std::string* out, Stop isStop, bool preprocessFirst);

    void EraseComment();
    void ExpandReference();
    void ExpandDirective();
    // Replaces the construct [from, to) with its expansion, within the bounds above.
    void Expand(uint32_t from, uint32_t to, std::string_view expansion);
    // Starts reading the bracketed construct at the position: pushes its bracket, steps over
    // its two opening characters and skips spacing. Throws `kind` beyond MaxConstructDepth.
    void EnterConstruct(XnlErrorKind kind);
    // Reads the condition of an if-chain clause and answers whether it holds.
    bool ReadCondition();
    // Reads one clause's section; the names in it become references in `out` when `taken`.
    void ReadClause(bool taken, std::string* out);

    std::string* m_text;
    std::vector<char> m_bracketStack;  // opening bracket of every open section and construct
    DefinitionMap m_definitions;
    uint32_t m_position { 0 };
    int32_t m_includeLimit { 100 };
    uint32_t m_includeCount { 0 };
    std::string m_includeDir;
    bool m_atEnd { false };
    uint32_t m_preprocessDepth { 0 };  // constructs being read; AtEnd is left alone above 0

    uint32_t m_expansions { 0 };     // since Begin
    uint64_t m_expandedSize { 0 };   // bytes inserted since Begin
    uint32_t m_gapStart { 0 };
    uint32_t m_gapSize { 0 };
};

}  // namespace px

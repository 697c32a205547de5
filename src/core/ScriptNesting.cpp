#include "core/ScriptNesting.h"

#include <array>
#include <vector>

namespace core {

namespace {

constexpr int ParenthesisWeight = 2;
constexpr int ConditionalWeight = 3;

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Operators that end in '=' and assign, longest first; "==", "!=", "<=" and ">=" compare.
constexpr std::array<std::string_view, 13> Assignments { ">>>=", "**=", "<<=", ">>=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "=" };
constexpr std::array<std::string_view, 4> Comparisons { "==", "!=", "<=", ">=" };
constexpr std::array<std::string_view, 3> Logicals { "&&", "||", "^^" };

// One open bracket and what is pending inside it.
struct Level {
    int Weight { 0 };       // of the bracket itself (0 for the outermost level)
    int Statements { 0 };   // control statements not yet ended
    int Expression { 0 };   // pending conditional, assignment and logical operators, weighted
    int Total() const { return Weight + Statements + Expression; }
};

class Scanner {
public:
    explicit Scanner(std::string_view code) : m_code(code) { m_levels.push_back({}); }

    ScriptNesting Run() {
        while (m_at < m_code.size() && m_result.Depth <= MaxScriptNesting && m_result.LongestName <= MaxScriptName &&
               m_result.MostOperators <= MaxStatementOperators)
            Step();
        return m_result;
    }

private:
    char Peek(size_t ahead = 0) const { return m_at + ahead < m_code.size() ? m_code[m_at + ahead] : '\0'; }
    bool LookingAt(std::string_view text) const { return m_code.substr(m_at, text.size()) == text; }

    void Advance(size_t count = 1) {
        for (; count > 0 && m_at < m_code.size(); --count, ++m_at) {
            if (m_code[m_at] == '\n') {
                ++m_row;
                m_lineStart = m_at + 1;
            }
        }
    }

    // The depth after a change at the current token.
    void Measure() {
        int depth = 0;
        for (const Level& level : m_levels) depth += level.Total();
        if (depth > m_result.Depth) {
            m_result.Depth = depth;
            m_result.Row = static_cast<int>(m_row);
            m_result.Column = static_cast<int>(m_at - m_lineStart) + 1;
        }
    }

    // The next token's first characters, after spacing and comments: whether it is `word`.
    bool NextWordIs(std::string_view word) {
        const size_t at = m_at, row = m_row, lineStart = m_lineStart;
        SkipSpacing();
        bool is = LookingAt(word) && !IsIdentifierPart(Peek(word.size()));
        m_at = at;
        m_row = row;
        m_lineStart = lineStart;
        return is;
    }

    void SkipSpacing() {
        for (;;) {
            const char c = Peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                Advance();
            } else if (LookingAt("//")) {
                while (m_at < m_code.size() && Peek() != '\n') Advance();
            } else if (LookingAt("/*")) {
                const size_t end = m_code.find("*/", m_at + 2);
                Advance(end == std::string_view::npos ? m_code.size() - m_at : end + 2 - m_at);
            } else {
                return;
            }
        }
    }

    void SkipString() {
        if (LookingAt("\"\"\"")) {
            const size_t end = m_code.find("\"\"\"", m_at + 3);
            Advance(end == std::string_view::npos ? m_code.size() - m_at : end + 3 - m_at);
            return;
        }
        const char quote = Peek();
        Advance();
        while (m_at < m_code.size() && Peek() != quote) Advance(Peek() == '\\' ? 2 : 1);
        Advance();
    }

    // One more operator in the statement being read.
    void CountOperators() {
        ++m_operators;
        if (m_operators <= m_result.MostOperators) return;
        m_result.MostOperators = m_operators;
        m_result.OperatorRow = static_cast<int>(m_row);
        m_result.OperatorColumn = static_cast<int>(m_at - m_lineStart) + 1;
    }

    // A statement or an expression ended at this level.
    void EndStatement(bool statementToo) {
        Level& level = m_levels.back();
        level.Expression = 0;
        if (statementToo && !NextWordIs("else")) level.Statements = 0;
    }

    void Open(int weight) {
        m_levels.push_back({weight, 0, 0});
        Measure();
    }

    void Close(char bracket) {
        if (m_levels.size() > 1) m_levels.pop_back();
        // A block ends the statements it was the body of.
        if (bracket == '}') EndStatement(true);
    }

    void Step() {
        SkipSpacing();
        if (m_at >= m_code.size()) return;
        const char c = Peek();
        if (IsIdentifierStart(c)) {
            size_t end = m_at;
            while (end < m_code.size() && IsIdentifierPart(m_code[end])) ++end;
            const std::string_view word = m_code.substr(m_at, end - m_at);
            if (static_cast<int>(word.size()) > m_result.LongestName) {
                m_result.LongestName = static_cast<int>(word.size());
                m_result.NameRow = static_cast<int>(m_row);
                m_result.NameColumn = static_cast<int>(m_at - m_lineStart) + 1;
            }
            Advance(end - m_at);
            if (word == "if" || word == "for" || word == "while" || word == "do" || word == "switch" ||
                (word == "else" && !NextWordIs("if"))) {
                ++m_levels.back().Statements;
                Measure();
            } else if (word == "and" || word == "or" || word == "xor") {
                ++m_levels.back().Expression;
                Measure();
            }
            return;
        }
        if (c >= '0' && c <= '9') {
            while (m_at < m_code.size() && (IsIdentifierPart(Peek()) || Peek() == '.')) Advance();
            return;
        }
        if (c == '"' || c == '\'') return SkipString();
        switch (c) {
            case '(': Advance(); return Open(ParenthesisWeight);
            case '[': Advance(); return Open(1);
            case '{':
                m_operators = 0;
                Advance();
                return Open(1);
            case ')':
            case ']': Advance(); return Close(c);
            case '}':
                m_operators = 0;
                Advance();
                return Close(c);
            case ';':
                m_operators = 0;
                Advance();
                return EndStatement(true);
            case ',': Advance(); return EndStatement(false);
            case '?':
                CountOperators();
                Advance();
                m_levels.back().Expression += ConditionalWeight;
                return Measure();
            default: break;
        }
        for (std::string_view compare : Comparisons)
            if (LookingAt(compare)) {
                CountOperators();
                return Advance(compare.size());
            }
        for (std::string_view logical : Logicals)
            if (LookingAt(logical)) {
                CountOperators();
                Advance(logical.size());
                ++m_levels.back().Expression;
                return Measure();
            }
        for (std::string_view assign : Assignments)
            if (LookingAt(assign)) {
                CountOperators();
                Advance(assign.size());
                ++m_levels.back().Expression;
                return Measure();
            }
        CountOperators();
        Advance(LookingAt("::") || LookingAt("++") || LookingAt("--") ? 2 : 1);
    }

    std::string_view m_code;
    size_t m_at { 0 };
    size_t m_row { 1 };
    size_t m_lineStart { 0 };
    std::vector<Level> m_levels;
    int m_operators { 0 };  // operators since the statement began
    ScriptNesting m_result;
};

}  // namespace

ScriptNesting MeasureScriptNesting(std::string_view code) {
    ScriptNesting result = Scanner(code).Run();
    if (result.Depth == 0) result.Row = result.Column = 0;
    return result;
}

}  // namespace core

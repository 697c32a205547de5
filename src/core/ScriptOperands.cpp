#include "core/ScriptOperands.h"

#include <algorithm>
#include <array>
#include <vector>

namespace core {

namespace {

struct Token {
    std::string_view Text;
    bool Identifier { false };
    int Row { 0 };
    int Column { 0 };
};

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Punctuation of more than one character, longest first.
constexpr std::array<std::string_view, 26> Punctuation {">>>=", "<<=", ">>=", ">>>", "**=", "::", "<<", ">>", "|=", "^=", "&=", "||", "&&",
                                                        "^^", "==", "!=", "<=", ">=", "+=", "-=", "*=", "/=", "%=", "++", "--", "**"};
constexpr std::array<std::string_view, 12> Bitwise {"|", "^", "&", "<<", ">>", ">>>", "|=", "^=", "&=", "<<=", ">>=", ">>>="};

// The script's tokens; comments and the insides of strings are skipped.
std::vector<Token> Tokenize(std::string_view code) {
    std::vector<Token> tokens;
    size_t at = 0, lineStart = 0;
    int row = 1;
    auto advance = [&](size_t count) {
        for (; count > 0 && at < code.size(); --count, ++at)
            if (code[at] == '\n') {
                ++row;
                lineStart = at + 1;
            }
    };
    while (at < code.size()) {
        const char c = code[at];
        const std::string_view rest = code.substr(at);
        if (rest.starts_with("//")) {
            while (at < code.size() && code[at] != '\n') advance(1);
        } else if (rest.starts_with("/*")) {
            const size_t end = rest.find("*/", 2);
            advance(end == std::string_view::npos ? rest.size() : end + 2);
        } else if (rest.starts_with("\"\"\"")) {
            const size_t end = rest.find("\"\"\"", 3);
            advance(end == std::string_view::npos ? rest.size() : end + 3);
        } else if (c == '"' || c == '\'') {
            size_t end = 1;
            while (end < rest.size() && rest[end] != c && rest[end] != '\n') end += rest[end] == '\\' ? 2 : 1;
            advance(end + 1);
        } else if (IsIdentifierStart(c) || (c >= '0' && c <= '9')) {
            size_t end = 1;
            while (end < rest.size() && (IsIdentifierPart(rest[end]) || (rest[end] == '.' && !IsIdentifierStart(c)))) ++end;
            tokens.push_back({rest.substr(0, end), IsIdentifierStart(c), row, static_cast<int>(at - lineStart) + 1});
            advance(end);
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            advance(1);
        } else {
            size_t length = 1;
            for (std::string_view p : Punctuation)
                if (rest.starts_with(p)) {
                    length = p.size();
                    break;
                }
            tokens.push_back({rest.substr(0, length), false, row, static_cast<int>(at - lineStart) + 1});
            advance(length);
        }
    }
    return tokens;
}

class Search {
public:
    Search(std::vector<Token> tokens, const std::set<std::string>& voids) : m_tokens(std::move(tokens)), m_voids(voids) {
        // The script's own functions without a value.
        for (size_t i = 0; i + 2 < m_tokens.size(); ++i)
            if (m_tokens[i].Text == "void" && m_tokens[i + 1].Identifier && m_tokens[i + 2].Text == "(")
                m_voids.insert(std::string(m_tokens[i + 1].Text));
        // Where each closing parenthesis opened.
        m_opening.assign(m_tokens.size(), -1);
        std::vector<int> open;
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            if (m_tokens[i].Text == "(") open.push_back(static_cast<int>(i));
            if (m_tokens[i].Text == ")" && !open.empty()) {
                m_opening[i] = open.back();
                open.pop_back();
            }
        }
    }

    VoidOperand Run() const {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            if (std::find(Bitwise.begin(), Bitwise.end(), m_tokens[i].Text) == Bitwise.end()) continue;
            std::string function = LeftCall(static_cast<int>(i) - 1);
            if (function.empty()) function = RightCall(i + 1);
            if (!function.empty()) return {true, function, std::string(m_tokens[i].Text), m_tokens[i].Row, m_tokens[i].Column};
        }
        return {};
    }

private:
    bool IsVoid(const Token& token) const { return token.Identifier && m_voids.contains(std::string(token.Text)); }

    // The void function whose call ends at token `end` (its closing parenthesis), also inside
    // grouping parentheses; empty when there is none.
    std::string LeftCall(int end) const {
        for (int depth = 0; end >= 0 && m_tokens[static_cast<size_t>(end)].Text == ")" && depth < 64; ++depth) {
            const int open = m_opening[static_cast<size_t>(end)];
            if (open < 0) return "";
            if (open > 0 && m_tokens[static_cast<size_t>(open - 1)].Identifier)
                return IsVoid(m_tokens[static_cast<size_t>(open - 1)]) ? std::string(m_tokens[static_cast<size_t>(open - 1)].Text) : "";
            end -= 1;  // a grouping parenthesis: what it holds ends before it
        }
        return "";
    }

    // The void function called right from token `start` on, after grouping parentheses and
    // through qualified names (a.b.F(, n::F(); empty when there is none.
    std::string RightCall(size_t start) const {
        size_t at = start;
        while (at < m_tokens.size() && m_tokens[at].Text == "(") ++at;
        while (at + 2 < m_tokens.size() && m_tokens[at].Identifier && (m_tokens[at + 1].Text == "." || m_tokens[at + 1].Text == "::")) at += 2;
        if (at + 1 < m_tokens.size() && IsVoid(m_tokens[at]) && m_tokens[at + 1].Text == "(") return std::string(m_tokens[at].Text);
        return "";
    }

    std::vector<Token> m_tokens;
    std::set<std::string> m_voids;
    std::vector<int> m_opening;
};

}  // namespace

VoidOperand FindVoidOperand(std::string_view code, const std::set<std::string>& voidFunctions) {
    return Search(Tokenize(code), voidFunctions).Run();
}

}  // namespace core

#pragma once
// Helpers of the XNL tests: a document read into one comparable string, and a temporary
// directory for included files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "xnl/XNLRead.h"

namespace xnltest {

inline int32_t KindOf(px::XnlErrorKind kind) { return static_cast<int32_t>(kind); }

// Reads to the end as a caller that accepts anything would: tokens as themselves, assignment
// marks as "=" or ":", sections as "(" and ")", joined by '|'; "?" where no element fits.
inline std::string ReadAll(px::CXNLRead& reader) {
    std::string all, token;
    bool colon = false;
    while (!reader.AtEnd()) {
        std::string element = "?";
        if (reader.ReadToken(&token)) element = token;
        else if (reader.ReadAssign(&colon)) element = colon ? ":" : "=";
        else if (reader.OpenSection()) element = "(";
        else if (reader.CloseSection(true)) element = ")";
        all += (all.empty() ? "" : "|") + element;
        if (element == "?") break;
    }
    return all;
}

// ReadAll of a fresh reader, or "!" + error kind + "@" + row + ":" + column.
inline std::string Read(std::string text, const std::string& directory = "") {
    static const char* const kinds[] = {"LevelMismatch", "IllegalChar", "SectionMismatch",
                                        "UnexpectedEnd", "ReferenceError", "PreprocessorError",
                                        "SpecialCharError", "IncludeError", "IncludeLimitExceeded"};
    try {
        px::CXNLRead reader(text);
        reader.Begin(directory);
        return ReadAll(reader);
    } catch (const px::CXNLError& error) {
        return std::string("!") + kinds[error.Kind] + "@" + std::to_string(error.TextRow) + ":" +
               std::to_string(error.TextColumn);
    }
}

// A fresh directory, removed with everything in it.
class TempDir {
public:
    TempDir() : m_path(testing::TempDir() + "xnl-XXXXXX") {
        if (mkdtemp(m_path.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    // With its trailing '/', as the header reader passes a directory.
    std::string Dir() const { return m_path + "/"; }
    void Write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories(std::filesystem::path(Dir() + name).parent_path());
        std::ofstream(Dir() + name, std::ios::binary) << content;
    }

private:
    std::string m_path;
};

}  // namespace xnltest

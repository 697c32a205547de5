#pragma once
// Collects the script engine's messages while a script is built, one line each, formatted
// "section (row, col) : type : message" with the type ERR, WARN or INFO.

#include <string>

#include "core/AngelScript.h"

namespace core {

class CompileMsgs {
public:
    // Installs this collector as the engine's message callback; it must outlive the engine's
    // use of it (the owner keeps both for the same time).
    bool Attach(AngelScript::asIScriptEngine& engine);

    void Clear() { m_text.clear(); }
    // The messages so far, separated by line feeds (no trailing one).
    const std::string& Text() const { return m_text; }

    void Write(const AngelScript::asSMessageInfo& message);

private:
    std::string m_text;
};

}  // namespace core

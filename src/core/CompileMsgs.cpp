#include "core/CompileMsgs.h"

#include "base/Utilities.h"

namespace core {

using namespace AngelScript;

namespace {

void MessageCallback(const asSMessageInfo* message, void* collector) {
    static_cast<CompileMsgs*>(collector)->Write(*message);
}

const char* TypeText(asEMsgType type) {
    switch (type) {
        case asMSGTYPE_ERROR: return "ERR";
        case asMSGTYPE_WARNING: return "WARN";
        default: return "INFO";
    }
}

}  // namespace

bool CompileMsgs::Attach(asIScriptEngine& engine) {
    return engine.SetMessageCallback(asFUNCTION(MessageCallback), this, asCALL_CDECL) >= 0;
}

void CompileMsgs::Write(const asSMessageInfo& message) {
    if (!m_text.empty()) m_text += '\n';
    m_text += message.section ? message.section : "";
    m_text += " (";
    m_text += base::IntToStr(message.row);
    m_text += ", ";
    m_text += base::IntToStr(message.col);
    m_text += ") : ";
    m_text += TypeText(message.type);
    m_text += " : ";
    m_text += message.message ? message.message : "";
}

}  // namespace core

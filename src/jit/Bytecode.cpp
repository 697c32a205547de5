#include "jit/Bytecode.h"

using namespace AngelScript;

namespace jit {

bool Bytecode::IsJump(asEBCInstr op) {
    switch (op) {
        case asBC_JMP:
        case asBC_JZ:
        case asBC_JNZ:
        case asBC_JS:
        case asBC_JNS:
        case asBC_JP:
        case asBC_JNP:
        case asBC_JLowZ:
        case asBC_JLowNZ: return true;
        default: return false;
    }
}

uint32_t Bytecode::JumpDestination(uint32_t position) const {
    return position + 2 + static_cast<uint32_t>(Int(position));
}

bool Bytecode::Decode(asDWORD* words, uint32_t length) {
    m_words = words;
    m_length = length;
    m_instructions.clear();
    m_start.assign(length, false);
    m_jumpTarget.assign(length, false);
    if (!words) return false;
    for (uint32_t position = 0; position < length;) {
        unsigned byte = *reinterpret_cast<const asBYTE*>(words + position);
        if (byte >= asBC_MAXBYTECODE) return false;
        asEBCInstr op = static_cast<asEBCInstr>(byte);
        uint32_t size = static_cast<uint32_t>(asBCTypeSize[asBCInfo[byte].type]);
        if (size == 0 || size > length - position) return false;
        m_start[position] = true;
        m_instructions.push_back({position, op, size});
        position += size;
    }
    for (const Instruction& instruction : m_instructions) {
        if (!IsJump(instruction.Op)) continue;
        // Computed in 64 bits: a corrupt offset must not wrap onto a valid position.
        int64_t destination = static_cast<int64_t>(instruction.Position) + 2 + Int(instruction.Position);
        if (destination < 0 || destination >= static_cast<int64_t>(length) || !m_start[static_cast<size_t>(destination)])
            return false;
        m_jumpTarget[static_cast<size_t>(destination)] = true;
    }
    return true;
}

}  // namespace jit

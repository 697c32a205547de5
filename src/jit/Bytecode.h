#pragma once
// The bytecode of one script function as the engine stores it: instructions of one to four
// 32-bit words, the first byte of each naming it, with its arguments read the way the
// engine's virtual machine reads them.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/AngelScript.h"

namespace jit {

static_assert(sizeof(void*) == 8 && AS_PTR_SIZE == 2, "the translation is for 64-bit pointers");

struct Instruction {
    uint32_t Position;  // in words from the start of the function
    AngelScript::asEBCInstr Op;
    uint32_t Size;  // in words
};

class Bytecode {
public:
    // Decodes `length` words at `words`. False when a word names no instruction, an
    // instruction runs past the end or a jump leads anywhere but to an instruction.
    bool Decode(AngelScript::asDWORD* words, uint32_t length);

    const std::vector<Instruction>& Instructions() const { return m_instructions; }
    uint32_t Length() const { return m_length; }
    // The address of the instruction at `position`, as the engine's program pointer holds it.
    AngelScript::asDWORD* Address(uint32_t position) const { return m_words + position; }
    // Whether an instruction starts at `position`.
    bool StartsInstruction(uint32_t position) const {
        return position < m_length && m_start[position];
    }
    // Whether some jump of the function leads to `position`.
    bool JumpTarget(uint32_t position) const { return position < m_length && m_jumpTarget[position]; }

    // Arguments, named as the engine's macros name them. Reading past the end of the code
    // (an argument the instruction does not have) gives 0.
    int16_t Var(uint32_t position, int index) const {  // asBC_SWORDARGn
        return static_cast<int16_t>(Bytes(position * 4u + 2u + 2u * static_cast<uint32_t>(index), 2));
    }
    uint32_t DWord(uint32_t position, uint32_t offset = 1) const {
        return static_cast<uint32_t>(Bytes((position + offset) * 4u, 4));
    }
    int32_t Int(uint32_t position, uint32_t offset = 1) const { return static_cast<int32_t>(DWord(position, offset)); }
    uint64_t QWord(uint32_t position, uint32_t offset = 1) const { return Bytes((position + offset) * 4u, 8); }
    // Where a jump instruction at `position` leads.
    uint32_t JumpDestination(uint32_t position) const;

    static bool IsJump(AngelScript::asEBCInstr op);

private:
    uint64_t Bytes(uint64_t offset, uint32_t count) const {
        uint64_t value = 0;
        if (offset + count <= static_cast<uint64_t>(m_length) * 4u)
            std::memcpy(&value, reinterpret_cast<const char*>(m_words) + offset, count);
        return value;
    }

    AngelScript::asDWORD* m_words { nullptr };
    uint32_t m_length { 0 };
    std::vector<Instruction> m_instructions;
    std::vector<bool> m_start;
    std::vector<bool> m_jumpTarget;
};

}  // namespace jit

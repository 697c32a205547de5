#pragma once
// Translates one script function's bytecode to x86-64 machine code, instruction by
// instruction, keeping the engine's frame layout (asSVMRegisters, variables at fixed offsets
// from the frame pointer, the script stack below its pointer) so that the code can hand back
// to the interpreter at any instruction and be entered again at any JitEntry.
//
// The code runs as the engine's JIT function: void (asSVMRegisters* registers, asPWORD entry),
// where `entry` is the address of the entry stub of the JitEntry instruction the interpreter
// reached. Leaving stores the frame and stack pointers and the position of the instruction
// the interpreter carries on with, and returns.
//
// Within the code:
//   rbx  the registers block        r12  the frame pointer       r13  the stack pointer
//   r14  the first cell read        r15  the first cell written  rbp  the world's height
//   [rsp] the world's width
//   rsi, rdi, r8..r11  up to six of the function's 32-bit variables used mostly as integers
//   xmm8..xmm15  up to eight used mostly as floats
//   rax, rcx, rdx, xmm0..xmm3  scratch
// A variable kept in a register lives there between entry and exit: entries load it from the
// frame, exits and calls out store it back. The stack pointer register is exact at every
// label and exit; between them pushes and pops are counted at translation time
// (m_stackOffset) and applied when a label or exit comes.
//
// Suspend and abort requests (and a line callback) set the registers block's
// doProcessSuspend; the code tests it at every backward jump and every entry and then hands
// over to the interpreter, which processes the request at its next SUSPEND instruction.

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include <asmjit/x86.h>

#include "jit/Bytecode.h"
#include "jit/HostCalls.h"

namespace core {
class Generations;
}

namespace jit {

// What the translation needs to know about the world the host functions act on.
struct World {
    const core::Generations* Cells { nullptr };
    const int* HeaderWidth { nullptr };   // what GetWidth answers
    const int* HeaderHeight { nullptr };  // what GetHeight answers
};

class Translator {
public:
    using HostLookup = std::function<HostCallInfo(int functionId)>;

    Translator(const Bytecode& code, asmjit::x86::Assembler& assembler, HostLookup hosts, const World& world);

    // Emits the whole function. False when the translation found an inconsistency; the code
    // is then unusable (the caller also checks the assembler's own errors).
    bool Translate();

    // The JitEntry instructions through which the interpreter may enter, each with the label
    // of its entry stub. The others are left to the interpreter (argument 0).
    struct Entry {
        uint32_t Position;
        asmjit::Label Stub;
    };
    const std::vector<Entry>& Entries() const { return m_entries; }

    // How many instructions of each kind the translation leaves to the interpreter (it leaves
    // the code there, and enters again at the next JitEntry).
    const std::map<AngelScript::asEBCInstr, int>& LeftToInterpreter() const { return m_left; }

private:
    struct ExitStub {
        asmjit::Label Label;
        uint32_t Position;
        int32_t StackOffset;
    };

    // --- Passes -------------------------------------------------------------------------
    void ChooseRegisterVariables();
    void DecideEntries();
    void EmitPrologue();
    void EmitInstruction(size_t& index);
    void EmitEpilogueAndStubs();

    // --- Frame, variables and the script stack ------------------------------------------
    // Where a variable lives in the frame. VarMem is for variables that live there: asked
    // for one kept in a register it marks the translation failed rather than read a stale
    // value.
    asmjit::x86::Mem VarMem(int16_t var, uint32_t size = 4);
    asmjit::x86::Mem HomeMem(int16_t var) const;
    asmjit::x86::Gp VarGp(int16_t var) const;    // invalid unless kept in a general register
    asmjit::x86::Xmm VarXmm(int16_t var) const;  // invalid unless kept in an XMM register
    bool InRegister(int16_t var) const { return m_varRegs.count(var) != 0; }
    void LoadVar(const asmjit::x86::Gp& to, int16_t var);
    void StoreVar(int16_t var, const asmjit::x86::Gp& from);
    void LoadVarF(const asmjit::x86::Xmm& to, int16_t var);
    void StoreVarF(int16_t var, const asmjit::x86::Xmm& from);
    // The variable as the second operand of an integer instruction: its register, its frame
    // slot, or `scratch` loaded from its XMM register.
    asmjit::Operand IntOperand(int16_t var, const asmjit::x86::Gp& scratch);
    // The variable as the second operand of a float instruction.
    asmjit::x86::Xmm FloatOperand(int16_t var, const asmjit::x86::Xmm& scratch);
    asmjit::x86::Mem StackMem(int32_t bytes, uint32_t size) const;
    void Push32(const asmjit::x86::Gp& value);
    void Push64(const asmjit::x86::Gp& value);
    void PushConstant(uint32_t value);
    void Pop(int32_t bytes) { m_stackOffset += bytes; }
    void SettleStack();  // applies the counted pushes and pops to r13
    // 32-bit argument `index` of a call (0 on top) into `to`: from the variable's register
    // when the push that put it there is known and the register unchanged since, else from
    // the stack. Every write of a variable's register forgets what was pushed from it.
    void LoadArgument(const asmjit::x86::Gp& to, uint32_t index);
    void Forget(const asmjit::x86::Gp& reg);
    void ForgetPushes() { m_pushedFrom.clear(); }
    asmjit::x86::Mem Value(uint32_t size = 4) const;
    asmjit::x86::Mem Field(int32_t offset, uint32_t size = 8) const;
    void LoadAddress(const asmjit::x86::Gp& to, const void* address);

    // --- Control ------------------------------------------------------------------------
    asmjit::Label LabelAt(uint32_t position);
    bool HasLabel(uint32_t position) const;
    void Exit(uint32_t position);  // leaves now, the interpreter carries on at `position`
    asmjit::Label ExitLabel(uint32_t position);  // a stub that leaves for `position`, for jumps
    void Jump(uint32_t from, uint32_t to);       // with the suspend test on a backward jump
    void JumpIf(asmjit::x86::CondCode condition, uint32_t from, uint32_t to);
    void SuspendTest(uint32_t position);

    // --- Helpers called from the code ---------------------------------------------------
    // Around a call out every register is the callee's: the variables go to their frame
    // slots and come back from them.
    void SpillVars();
    void ReloadVars();
    void CallFunction(const void* function);

    // --- Instruction groups (Instructions.cpp) ------------------------------------------
    bool EmitMove(const Instruction& instruction);
    bool EmitArithmetic(const Instruction& instruction);
    bool EmitWide(const Instruction& instruction);
    bool EmitConversion(const Instruction& instruction);
    bool EmitCompare(const Instruction& instruction);
    bool EmitBranch(const Instruction& instruction);
    bool EmitHostCall(const Instruction& instruction);
    bool EmitArrayAccess(const Instruction& instruction);
    bool EmitConditionalStep(size_t& index);
    bool EmitReadCell(const Instruction& instruction, const HostCallInfo& info);
    bool EmitWriteCell(const Instruction& instruction, const HostCallInfo& info);
    void EmitCellIndex();  // rdx = the index of the cell (eax, ecx), in dwords
    void EmitDirectCall(const HostCallInfo& info);
    void StoreCallResult();  // eax (zero-extended) as the value register, no object

    const Bytecode& m_code;
    asmjit::x86::Assembler& m_a;
    HostLookup m_hosts;
    World m_world;
    bool m_usesWorld { false };

    std::vector<asmjit::Label> m_labels;  // per position; invalid where none is needed
    std::vector<bool> m_entry;            // per position: a JitEntry the interpreter may enter by
    std::vector<Entry> m_entries;
    std::map<int16_t, asmjit::x86::Reg> m_varRegs;
    std::vector<ExitStub> m_exitStubs;
    std::vector<std::function<void()>> m_slowPaths;  // out-of-line code, emitted after the body
    asmjit::Label m_commonExit;
    std::map<AngelScript::asEBCInstr, int> m_left;

    int32_t m_stackOffset { 0 };   // bytes between r13 and the true stack pointer
    std::map<int32_t, uint32_t> m_pushedFrom;  // stack offset -> id of the register pushed there
    bool m_valueInEax { false };   // eax holds the value register's low half (after a call)
    bool m_valueInEaxNext { false };
    bool m_valueIsBit { false };   // and that value is 0 or 1 (a bool read from a cell)
    bool m_valueIsBitNext { false };
    bool m_failed { false };  // an inconsistency found while translating: refuse the function
};

}  // namespace jit

// The translation of each instruction, with the semantics of the engine's virtual machine
// (as_context.cpp, asCContext::ExecuteNext): the same widths, the same wrap-around, the same
// float operations and conversions, the same value register contents. An instruction whose
// result the machine would turn into a script exception (division by zero, a write outside
// the world) leaves for the interpreter at that instruction, which then raises it itself.

#include <cmath>
#include <cstddef>

#include "jit/Translator.h"

using core::Generations;
using namespace AngelScript;
using namespace asmjit;

namespace jit {

namespace {

const x86::Gp Regs = x86::rbx;
const x86::Gp Frame = x86::r12;
const x86::Gp ReadBase = x86::r14;
const x86::Gp WriteBase = x86::r15;
const x86::Gp Height = x86::rbp;
constexpr int32_t ObjectRegister = offsetof(asSVMRegisters, objectRegister);
constexpr int32_t ObjectType = offsetof(asSVMRegisters, objectType);

const void* Pointer(uint64_t word) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(word)); }

float FloatRemainder(float a, float b) noexcept { return fmodf(a, b); }
double DoubleRemainder(double a, double b) noexcept { return fmod(a, b); }

}  // namespace

// --- Branches ---------------------------------------------------------------------------------

bool Translator::EmitBranch(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    x86::CondCode condition;
    switch (instruction.Op) {
        case asBC_JMP: Jump(p, m_code.JumpDestination(p)); return true;
        case asBC_JZ: condition = x86::CondCode::kZ; break;
        case asBC_JNZ: condition = x86::CondCode::kNZ; break;
        case asBC_JS: condition = x86::CondCode::kS; break;
        case asBC_JNS: condition = x86::CondCode::kNS; break;
        case asBC_JP: condition = x86::CondCode::kG; break;
        case asBC_JNP: condition = x86::CondCode::kLE; break;
        case asBC_JLowZ:
        case asBC_JLowNZ:
            // The low byte of the value register.
            if (m_valueInEax)
                m_a.test(x86::al, x86::al);
            else
                m_a.cmp(Value(1), 0);
            JumpIf(instruction.Op == asBC_JLowZ ? x86::CondCode::kZ : x86::CondCode::kNZ, p, m_code.JumpDestination(p));
            return true;
        default: return false;
    }
    // The value register's low half as an int.
    if (m_valueInEax)
        m_a.test(x86::eax, x86::eax);
    else
        m_a.cmp(Value(4), 0);
    JumpIf(condition, p, m_code.JumpDestination(p));
    return true;
}

// "if (condition) n++;": a jump on the value register over nothing but one increment or
// decrement of a variable (and the statement marks between) becomes the increment by the
// condition, 0 or 1, without a branch that the data would make unpredictable. The skipped
// instructions are still translated for the entries among them.
bool Translator::EmitConditionalStep(size_t& index) {
    const std::vector<Instruction>& instructions = m_code.Instructions();
    const Instruction& jump = instructions[index];
    uint32_t target = m_code.JumpDestination(jump.Position);
    if (target <= jump.Position) return false;
    const Instruction* step = nullptr;
    for (size_t k = index + 1; k < instructions.size() && instructions[k].Position < target; ++k) {
        asEBCInstr op = instructions[k].Op;
        if (op == asBC_SUSPEND || op == asBC_JitEntry) continue;
        if ((op != asBC_IncVi && op != asBC_DecVi) || step) return false;
        step = &instructions[k];
    }
    if (!step) return false;
    bool byte = jump.Op == asBC_JLowZ || jump.Op == asBC_JLowNZ;
    int16_t var = m_code.Var(step->Position, 0);
    bool increment = step->Op == asBC_IncVi;
    if (m_valueIsBit && (jump.Op == asBC_JLowZ || jump.Op == asBC_JZ) && VarGp(var).isValid()) {
        // The value is the step itself.
        if (increment) m_a.add(VarGp(var), x86::eax);
        else m_a.sub(VarGp(var), x86::eax);
        Forget(VarGp(var));
        SettleStack();
        m_a.jmp(LabelAt(target));
        ++index;
        return true;
    }
    if (m_valueInEax) {
        if (byte) m_a.test(x86::al, x86::al);
        else m_a.test(x86::eax, x86::eax);
    } else {
        m_a.cmp(Value(byte ? 1 : 4), 0);
    }
    // JLowZ and JZ skip the step when the value is zero: the step is taken when it is not.
    if (jump.Op == asBC_JLowZ || jump.Op == asBC_JZ) m_a.setne(x86::cl);
    else m_a.sete(x86::cl);
    m_a.movzx(x86::ecx, x86::cl);
    if (x86::Gp reg = VarGp(var); reg.isValid()) {
        if (increment) m_a.add(reg, x86::ecx);
        else m_a.sub(reg, x86::ecx);
        Forget(reg);
    } else if (VarXmm(var).isValid()) {
        LoadVar(x86::eax, var);
        if (increment) m_a.add(x86::eax, x86::ecx);
        else m_a.sub(x86::eax, x86::ecx);
        StoreVar(var, x86::eax);
    } else {
        if (increment) m_a.add(VarMem(var), x86::ecx);
        else m_a.sub(VarMem(var), x86::ecx);
    }
    SettleStack();
    m_a.jmp(LabelAt(target));
    ++index;
    return true;
}

// --- Comparisons: -1, 0 or 1 in the value register's low half ---------------------------------

bool Translator::EmitCompare(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    int16_t a = m_code.Var(p, 0), b = m_code.Var(p, 1);
    bool isFloat = false, isDouble = false, isSigned = true;
    switch (instruction.Op) {
        case asBC_CMPi:
        case asBC_CMPu:
            isSigned = instruction.Op == asBC_CMPi;
            LoadVar(x86::eax, a);
            m_a.emit(x86::Inst::kIdCmp, x86::eax, IntOperand(b, x86::edx));
            break;
        case asBC_CMPIi:
        case asBC_CMPIu:
            isSigned = instruction.Op == asBC_CMPIi;
            LoadVar(x86::eax, a);
            m_a.cmp(x86::eax, m_code.Int(p));
            break;
        case asBC_CMPi64:
        case asBC_CMPu64:
        case asBC_CmpPtr:
            isSigned = instruction.Op == asBC_CMPi64;
            m_a.mov(x86::rax, VarMem(a, 8));
            m_a.cmp(x86::rax, VarMem(b, 8));
            break;
        case asBC_CMPf:
            isFloat = true;
            LoadVarF(x86::xmm0, a);
            LoadVarF(x86::xmm1, b);
            break;
        case asBC_CMPIf:
            isFloat = true;
            LoadVarF(x86::xmm0, a);
            m_a.mov(x86::ecx, m_code.DWord(p));
            m_a.movd(x86::xmm1, x86::ecx);
            break;
        case asBC_CMPd:
            isDouble = true;
            m_a.movsd(x86::xmm0, VarMem(a, 8));
            m_a.movsd(x86::xmm1, VarMem(b, 8));
            break;
        default: return false;
    }
    if (isFloat || isDouble) {
        // Equal gives 0, less -1, and anything else (greater, or a NaN) 1.
        if (isFloat) m_a.ucomiss(x86::xmm1, x86::xmm0); else m_a.ucomisd(x86::xmm1, x86::xmm0);
        m_a.seta(x86::cl);  // a < b, ordered
        if (isFloat) m_a.ucomiss(x86::xmm0, x86::xmm1); else m_a.ucomisd(x86::xmm0, x86::xmm1);
        m_a.setnp(x86::dl);
        m_a.sete(x86::al);
        m_a.and_(x86::al, x86::dl);  // a == b, ordered
        m_a.movzx(x86::ecx, x86::cl);
        m_a.movzx(x86::eax, x86::al);
        m_a.lea(x86::eax, x86::ptr(x86::rax, x86::rcx, 1));
        m_a.neg(x86::eax);
        m_a.add(x86::eax, 1);
    } else {
        if (isSigned) {
            m_a.setg(x86::al);
            m_a.setl(x86::cl);
        } else {
            m_a.seta(x86::al);
            m_a.setb(x86::cl);
        }
        m_a.sub(x86::al, x86::cl);
        m_a.movsx(x86::eax, x86::al);
    }
    m_a.mov(Value(4), x86::eax);
    m_valueInEaxNext = true;
    return true;
}

// --- Moves ------------------------------------------------------------------------------------

bool Translator::EmitMove(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    int16_t var = m_code.Var(p, 0);
    switch (instruction.Op) {
        case asBC_PopPtr: Pop(8); return true;
        case asBC_PshC4:
        case asBC_TYPEID:
            PushConstant(m_code.DWord(p));
            return true;
        case asBC_PshV4:
            if (VarGp(var).isValid()) {
                Push32(VarGp(var));
            } else {
                LoadVar(x86::eax, var);
                Push32(x86::eax);
            }
            return true;
        case asBC_PshV8:
        case asBC_PshVPtr:
            m_a.mov(x86::rax, VarMem(var, 8));
            Push64(x86::rax);
            return true;
        case asBC_PSF:
            m_a.lea(x86::rax, VarMem(var));
            Push64(x86::rax);
            return true;
        case asBC_VAR:
            m_a.mov(x86::rax, static_cast<int64_t>(var));
            Push64(x86::rax);
            return true;
        case asBC_PshC8:
            m_a.mov(x86::rax, m_code.QWord(p));
            Push64(x86::rax);
            return true;
        case asBC_PshNull:
            m_a.xor_(x86::eax, x86::eax);
            Push64(x86::rax);
            return true;
        case asBC_PGA:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            Push64(x86::rax);
            return true;
        case asBC_PshG4:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(x86::eax, x86::dword_ptr(x86::rax));
            Push32(x86::eax);
            return true;
        case asBC_PshGPtr:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(x86::rax, x86::qword_ptr(x86::rax));
            Push64(x86::rax);
            return true;
        case asBC_SwapPtr:
            m_a.mov(x86::rax, StackMem(0, 8));
            m_a.mov(x86::rcx, StackMem(8, 8));
            m_a.mov(StackMem(0, 8), x86::rcx);
            m_a.mov(StackMem(8, 8), x86::rax);
            return true;
        case asBC_PopRPtr:
            m_a.mov(x86::rax, StackMem(0, 8));
            m_a.mov(Value(8), x86::rax);
            Pop(8);
            return true;
        case asBC_PshRPtr:
            m_a.mov(x86::rax, Value(8));
            Push64(x86::rax);
            return true;
        case asBC_SetV1:
        case asBC_SetV2:
        case asBC_SetV4:
            if (VarGp(var).isValid()) {
                m_a.mov(VarGp(var), m_code.DWord(p));
                Forget(VarGp(var));
            } else if (InRegister(var)) {
                m_a.mov(x86::eax, m_code.DWord(p));
                StoreVar(var, x86::eax);
            } else {
                m_a.mov(VarMem(var), m_code.DWord(p));
            }
            return true;
        case asBC_SetV8:
            m_a.mov(x86::rax, m_code.QWord(p));
            m_a.mov(VarMem(var, 8), x86::rax);
            return true;
        case asBC_ClrVPtr:
            m_a.mov(VarMem(var, 8), 0);
            return true;
        case asBC_CpyVtoV4: {
            int16_t from = m_code.Var(p, 1);
            if (VarGp(var).isValid()) {
                LoadVar(VarGp(var), from);
                Forget(VarGp(var));
            } else if (VarXmm(var).isValid()) {
                StoreVarF(var, FloatOperand(from, x86::xmm0));
            } else {
                LoadVar(x86::eax, from);
                StoreVar(var, x86::eax);
            }
            return true;
        }
        case asBC_CpyVtoV8:
            m_a.mov(x86::rax, VarMem(m_code.Var(p, 1), 8));
            m_a.mov(VarMem(var, 8), x86::rax);
            return true;
        case asBC_CpyVtoR4:
            LoadVar(x86::eax, var);
            m_a.mov(Value(4), x86::eax);  // the high half stays
            m_valueInEaxNext = true;
            return true;
        case asBC_CpyVtoR8:
            m_a.mov(x86::rax, VarMem(var, 8));
            m_a.mov(Value(8), x86::rax);
            return true;
        case asBC_CpyRtoV4:
            if (!m_valueInEax) m_a.mov(x86::eax, Value(4));
            StoreVar(var, x86::eax);
            return true;
        case asBC_CpyRtoV8:
            m_a.mov(x86::rax, Value(8));
            m_a.mov(VarMem(var, 8), x86::rax);
            return true;
        case asBC_CpyVtoG4:
            LoadVar(x86::ecx, var);
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(x86::dword_ptr(x86::rax), x86::ecx);
            return true;
        case asBC_CpyGtoV4:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(x86::eax, x86::dword_ptr(x86::rax));
            StoreVar(var, x86::eax);
            return true;
        case asBC_SetG4:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(x86::dword_ptr(x86::rax), m_code.DWord(p, 1 + AS_PTR_SIZE));
            return true;
        case asBC_LdGRdR4:
            // The value register gets the global's address, the variable its value.
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(Value(8), x86::rax);
            m_a.mov(x86::eax, x86::dword_ptr(x86::rax));
            StoreVar(var, x86::eax);
            return true;
        case asBC_LDG:
            LoadAddress(x86::rax, Pointer(m_code.QWord(p)));
            m_a.mov(Value(8), x86::rax);
            return true;
        case asBC_LDV:
            m_a.lea(x86::rax, VarMem(var));
            m_a.mov(Value(8), x86::rax);
            return true;
        case asBC_WRTV1:
        case asBC_WRTV2:
        case asBC_WRTV4:
            // Through the address in the value register.
            m_a.mov(x86::rax, Value(8));
            LoadVar(x86::ecx, var);
            if (instruction.Op == asBC_WRTV1) m_a.mov(x86::byte_ptr(x86::rax), x86::cl);
            else if (instruction.Op == asBC_WRTV2) m_a.mov(x86::word_ptr(x86::rax), x86::cx);
            else m_a.mov(x86::dword_ptr(x86::rax), x86::ecx);
            return true;
        case asBC_WRTV8:
            m_a.mov(x86::rax, Value(8));
            m_a.mov(x86::rcx, VarMem(var, 8));
            m_a.mov(x86::qword_ptr(x86::rax), x86::rcx);
            return true;
        case asBC_RDR1:
        case asBC_RDR2:
        case asBC_RDR4:
            m_a.mov(x86::rax, Value(8));
            if (instruction.Op == asBC_RDR1) m_a.movzx(x86::ecx, x86::byte_ptr(x86::rax));
            else if (instruction.Op == asBC_RDR2) m_a.movzx(x86::ecx, x86::word_ptr(x86::rax));
            else m_a.mov(x86::ecx, x86::dword_ptr(x86::rax));
            StoreVar(var, x86::ecx);
            return true;
        case asBC_RDR8:
            m_a.mov(x86::rax, Value(8));
            m_a.mov(x86::rcx, x86::qword_ptr(x86::rax));
            m_a.mov(VarMem(var, 8), x86::rcx);
            return true;
        case asBC_ClrHi:
            // Bytes 1 to 3 of the value register cleared; the high half stays.
            m_a.movzx(x86::eax, Value(1));
            m_a.mov(Value(4), x86::eax);
            return true;
        default: return false;
    }
}

// --- 32-bit and float arithmetic --------------------------------------------------------------

bool Translator::EmitArithmetic(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    int16_t a = m_code.Var(p, 0), b = m_code.Var(p, 1), c = m_code.Var(p, 2);
    auto integer = [&](x86::Inst::Id id) {
        LoadVar(x86::eax, b);
        m_a.emit(id, x86::eax, IntOperand(c, x86::edx));
        StoreVar(a, x86::eax);
    };
    auto single = [&](auto operation) {
        LoadVarF(x86::xmm0, b);
        operation(x86::xmm0, FloatOperand(c, x86::xmm1));
        StoreVarF(a, x86::xmm0);
    };
    auto twice = [&](auto operation) {
        m_a.movsd(x86::xmm0, VarMem(b, 8));
        m_a.movsd(x86::xmm1, VarMem(c, 8));
        operation(x86::xmm0, x86::xmm1);
        m_a.movsd(VarMem(a, 8), x86::xmm0);
    };
    auto immediateFloat = [&](auto operation) {
        LoadVarF(x86::xmm0, b);
        m_a.mov(x86::ecx, m_code.DWord(p, 2));
        m_a.movd(x86::xmm1, x86::ecx);
        operation(x86::xmm0, x86::xmm1);
        StoreVarF(a, x86::xmm0);
    };
    // Through the address in the value register.
    auto throughValue = [&](auto operation) {
        m_a.mov(x86::rax, Value(8));
        operation();
    };
    switch (instruction.Op) {
        case asBC_NOT:
            // On the bool in the low byte; the rest of the variable becomes 0.
            LoadVar(x86::eax, a);
            m_a.test(x86::al, x86::al);
            m_a.sete(x86::cl);
            m_a.movzx(x86::ecx, x86::cl);
            StoreVar(a, x86::ecx);
            return true;
        case asBC_NEGi:
            LoadVar(x86::eax, a);
            m_a.neg(x86::eax);
            StoreVar(a, x86::eax);
            return true;
        case asBC_NEGf:
            LoadVar(x86::eax, a);
            m_a.xor_(x86::eax, 0x80000000u);
            StoreVar(a, x86::eax);
            return true;
        case asBC_NEGd:
            m_a.mov(x86::rax, VarMem(a, 8));
            m_a.btc(x86::rax, 63);
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_BNOT:
            LoadVar(x86::eax, a);
            m_a.not_(x86::eax);
            StoreVar(a, x86::eax);
            return true;
        case asBC_IncVi:
        case asBC_DecVi:
            if (VarGp(a).isValid()) {
                if (instruction.Op == asBC_IncVi) m_a.add(VarGp(a), 1);
                else m_a.sub(VarGp(a), 1);
                Forget(VarGp(a));
            } else if (VarXmm(a).isValid()) {
                LoadVar(x86::eax, a);
                if (instruction.Op == asBC_IncVi) m_a.add(x86::eax, 1);
                else m_a.sub(x86::eax, 1);
                StoreVar(a, x86::eax);
            } else {
                if (instruction.Op == asBC_IncVi) m_a.add(VarMem(a), 1);
                else m_a.sub(VarMem(a), 1);
            }
            return true;
        case asBC_INCi8: throughValue([&] { m_a.add(x86::byte_ptr(x86::rax), 1); }); return true;
        case asBC_DECi8: throughValue([&] { m_a.sub(x86::byte_ptr(x86::rax), 1); }); return true;
        case asBC_INCi16: throughValue([&] { m_a.add(x86::word_ptr(x86::rax), 1); }); return true;
        case asBC_DECi16: throughValue([&] { m_a.sub(x86::word_ptr(x86::rax), 1); }); return true;
        case asBC_INCi: throughValue([&] { m_a.add(x86::dword_ptr(x86::rax), 1); }); return true;
        case asBC_DECi: throughValue([&] { m_a.sub(x86::dword_ptr(x86::rax), 1); }); return true;
        case asBC_INCi64: throughValue([&] { m_a.add(x86::qword_ptr(x86::rax), 1); }); return true;
        case asBC_DECi64: throughValue([&] { m_a.sub(x86::qword_ptr(x86::rax), 1); }); return true;
        case asBC_INCf:
        case asBC_DECf:
            throughValue([&] {
                m_a.movss(x86::xmm0, x86::dword_ptr(x86::rax));
                m_a.mov(x86::ecx, 0x3F800000u);  // 1.0f
                m_a.movd(x86::xmm1, x86::ecx);
                if (instruction.Op == asBC_INCf) m_a.addss(x86::xmm0, x86::xmm1);
                else m_a.subss(x86::xmm0, x86::xmm1);
                m_a.movss(x86::dword_ptr(x86::rax), x86::xmm0);
            });
            return true;
        case asBC_INCd:
        case asBC_DECd:
            throughValue([&] {
                m_a.movsd(x86::xmm0, x86::qword_ptr(x86::rax));
                m_a.mov(x86::rcx, 0x3FF0000000000000ull);  // 1.0
                m_a.movq(x86::xmm1, x86::rcx);
                if (instruction.Op == asBC_INCd) m_a.addsd(x86::xmm0, x86::xmm1);
                else m_a.subsd(x86::xmm0, x86::xmm1);
                m_a.movsd(x86::qword_ptr(x86::rax), x86::xmm0);
            });
            return true;
        case asBC_BAND: integer(x86::Inst::kIdAnd); return true;
        case asBC_BOR: integer(x86::Inst::kIdOr); return true;
        case asBC_BXOR: integer(x86::Inst::kIdXor); return true;
        case asBC_ADDi: integer(x86::Inst::kIdAdd); return true;
        case asBC_SUBi: integer(x86::Inst::kIdSub); return true;
        case asBC_MULi: integer(x86::Inst::kIdImul); return true;
        case asBC_BSLL:
        case asBC_BSRL:
        case asBC_BSRA:
            // The count is used as the processor uses it: its low five bits.
            LoadVar(x86::eax, b);
            LoadVar(x86::ecx, c);
            if (instruction.Op == asBC_BSLL) m_a.shl(x86::eax, x86::cl);
            else if (instruction.Op == asBC_BSRL) m_a.shr(x86::eax, x86::cl);
            else m_a.sar(x86::eax, x86::cl);
            StoreVar(a, x86::eax);
            return true;
        case asBC_DIVi:
        case asBC_MODi: {
            // Division by zero and INT_MIN / -1 are script exceptions: the interpreter raises them.
            Label divide = m_a.newLabel();
            LoadVar(x86::ecx, c);
            m_a.test(x86::ecx, x86::ecx);
            m_a.jz(ExitLabel(p));
            LoadVar(x86::eax, b);
            m_a.cmp(x86::ecx, -1);
            m_a.jne(divide);
            m_a.cmp(x86::eax, INT32_MIN);
            m_a.je(ExitLabel(p));
            m_a.bind(divide);
            m_a.cdq();
            m_a.idiv(x86::ecx);
            StoreVar(a, instruction.Op == asBC_DIVi ? x86::eax : x86::edx);
            return true;
        }
        case asBC_DIVu:
        case asBC_MODu:
            LoadVar(x86::ecx, c);
            m_a.test(x86::ecx, x86::ecx);
            m_a.jz(ExitLabel(p));
            LoadVar(x86::eax, b);
            m_a.xor_(x86::edx, x86::edx);
            m_a.div(x86::ecx);
            StoreVar(a, instruction.Op == asBC_DIVu ? x86::eax : x86::edx);
            return true;
        case asBC_ADDf: single([&](auto x, auto y) { m_a.addss(x, y); }); return true;
        case asBC_SUBf: single([&](auto x, auto y) { m_a.subss(x, y); }); return true;
        case asBC_MULf: single([&](auto x, auto y) { m_a.mulss(x, y); }); return true;
        case asBC_DIVf:
        case asBC_MODf: {
            // A divisor equal to zero (either sign; not NaN) is an exception.
            Label divide = m_a.newLabel();
            LoadVarF(x86::xmm0, b);
            LoadVarF(x86::xmm1, c);
            m_a.xorps(x86::xmm2, x86::xmm2);
            m_a.ucomiss(x86::xmm1, x86::xmm2);
            m_a.jp(divide);
            m_a.je(ExitLabel(p));
            m_a.bind(divide);
            if (instruction.Op == asBC_DIVf) {
                m_a.divss(x86::xmm0, x86::xmm1);
            } else {
                SpillVars();
                CallFunction(reinterpret_cast<const void*>(&FloatRemainder));
                ReloadVars();
            }
            StoreVarF(a, x86::xmm0);
            return true;
        }
        case asBC_ADDd: twice([&](auto x, auto y) { m_a.addsd(x, y); }); return true;
        case asBC_SUBd: twice([&](auto x, auto y) { m_a.subsd(x, y); }); return true;
        case asBC_MULd: twice([&](auto x, auto y) { m_a.mulsd(x, y); }); return true;
        case asBC_DIVd:
        case asBC_MODd: {
            Label divide = m_a.newLabel();
            m_a.movsd(x86::xmm0, VarMem(b, 8));
            m_a.movsd(x86::xmm1, VarMem(c, 8));
            m_a.xorps(x86::xmm2, x86::xmm2);
            m_a.ucomisd(x86::xmm1, x86::xmm2);
            m_a.jp(divide);
            m_a.je(ExitLabel(p));
            m_a.bind(divide);
            if (instruction.Op == asBC_DIVd) {
                m_a.divsd(x86::xmm0, x86::xmm1);
            } else {
                SpillVars();
                CallFunction(reinterpret_cast<const void*>(&DoubleRemainder));
                ReloadVars();
            }
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        }
        case asBC_ADDIi:
        case asBC_SUBIi:
        case asBC_MULIi: {
            int32_t value = m_code.Int(p, 2);
            if (instruction.Op != asBC_MULIi && VarGp(a).isValid() && VarGp(b).isValid() && value != INT32_MIN) {
                // Both in registers: one LEA, which wraps as ADD does.
                int32_t offset = instruction.Op == asBC_ADDIi ? value : -value;
                m_a.lea(VarGp(a), x86::ptr(VarGp(b).r64(), offset));
                Forget(VarGp(a));
                return true;
            }
            x86::Gp target = VarGp(a).isValid() && VarGp(a).id() == VarGp(b).id() ? VarGp(a) : x86::Gp(x86::eax);
            LoadVar(target, b);
            if (instruction.Op == asBC_ADDIi) m_a.add(target, value);
            else if (instruction.Op == asBC_SUBIi) m_a.sub(target, value);
            else m_a.imul(target, target, value);
            StoreVar(a, target);
            Forget(target);
            return true;
        }
        case asBC_ADDIf: immediateFloat([&](auto x, auto y) { m_a.addss(x, y); }); return true;
        case asBC_SUBIf: immediateFloat([&](auto x, auto y) { m_a.subss(x, y); }); return true;
        case asBC_MULIf: immediateFloat([&](auto x, auto y) { m_a.mulss(x, y); }); return true;
        case asBC_iTOb:
        case asBC_iTOw:
            LoadVar(x86::eax, a);
            if (instruction.Op == asBC_iTOb) m_a.movzx(x86::eax, x86::al);
            else m_a.movzx(x86::eax, x86::ax);
            StoreVar(a, x86::eax);
            return true;
        case asBC_TZ:
        case asBC_TNZ:
        case asBC_TS:
        case asBC_TNS:
        case asBC_TP:
        case asBC_TNP: {
            // A bool from the value register's low half, as the whole register.
            if (m_valueInEax) m_a.test(x86::eax, x86::eax);
            else m_a.cmp(Value(4), 0);
            switch (instruction.Op) {
                case asBC_TZ: m_a.sete(x86::al); break;
                case asBC_TNZ: m_a.setne(x86::al); break;
                case asBC_TS: m_a.sets(x86::al); break;
                case asBC_TNS: m_a.setns(x86::al); break;
                case asBC_TP: m_a.setg(x86::al); break;
                default: m_a.setle(x86::al); break;
            }
            m_a.movzx(x86::eax, x86::al);
            m_a.mov(Value(8), x86::rax);
            m_valueInEaxNext = true;
            return true;
        }
        default: return false;
    }
}

// --- 64-bit integers --------------------------------------------------------------------------

bool Translator::EmitWide(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    int16_t a = m_code.Var(p, 0), b = m_code.Var(p, 1), c = m_code.Var(p, 2);
    auto binary = [&](auto operation) {
        m_a.mov(x86::rax, VarMem(b, 8));
        operation(x86::rax, VarMem(c, 8));
        m_a.mov(VarMem(a, 8), x86::rax);
    };
    switch (instruction.Op) {
        case asBC_NEGi64:
            m_a.neg(VarMem(a, 8));
            return true;
        case asBC_BNOT64:
            m_a.not_(VarMem(a, 8));
            return true;
        case asBC_ADDi64: binary([&](auto x, auto y) { m_a.add(x, y); }); return true;
        case asBC_SUBi64: binary([&](auto x, auto y) { m_a.sub(x, y); }); return true;
        case asBC_MULi64: binary([&](auto x, auto y) { m_a.imul(x, y); }); return true;
        case asBC_BAND64: binary([&](auto x, auto y) { m_a.and_(x, y); }); return true;
        case asBC_BOR64: binary([&](auto x, auto y) { m_a.or_(x, y); }); return true;
        case asBC_BXOR64: binary([&](auto x, auto y) { m_a.xor_(x, y); }); return true;
        case asBC_BSLL64:
        case asBC_BSRL64:
        case asBC_BSRA64:
            m_a.mov(x86::rax, VarMem(b, 8));
            LoadVar(x86::ecx, c);
            if (instruction.Op == asBC_BSLL64) m_a.shl(x86::rax, x86::cl);
            else if (instruction.Op == asBC_BSRL64) m_a.shr(x86::rax, x86::cl);
            else m_a.sar(x86::rax, x86::cl);
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_DIVi64:
        case asBC_MODi64: {
            Label divide = m_a.newLabel();
            m_a.mov(x86::rcx, VarMem(c, 8));
            m_a.test(x86::rcx, x86::rcx);
            m_a.jz(ExitLabel(p));
            m_a.mov(x86::rax, VarMem(b, 8));
            m_a.cmp(x86::rcx, -1);
            m_a.jne(divide);
            m_a.mov(x86::rdx, INT64_MIN);
            m_a.cmp(x86::rax, x86::rdx);
            m_a.je(ExitLabel(p));
            m_a.bind(divide);
            m_a.cqo();
            m_a.idiv(x86::rcx);
            m_a.mov(VarMem(a, 8), instruction.Op == asBC_DIVi64 ? x86::rax : x86::rdx);
            return true;
        }
        case asBC_DIVu64:
        case asBC_MODu64:
            m_a.mov(x86::rcx, VarMem(c, 8));
            m_a.test(x86::rcx, x86::rcx);
            m_a.jz(ExitLabel(p));
            m_a.mov(x86::rax, VarMem(b, 8));
            m_a.xor_(x86::edx, x86::edx);
            m_a.div(x86::rcx);
            m_a.mov(VarMem(a, 8), instruction.Op == asBC_DIVu64 ? x86::rax : x86::rdx);
            return true;
        default: return false;
    }
}

// --- Conversions ------------------------------------------------------------------------------

bool Translator::EmitConversion(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    int16_t a = m_code.Var(p, 0), b = m_code.Var(p, 1);
    // An unsigned 64-bit integer in rax to float or double, rounded once: as the C++
    // compiler converts it (halved with the lost bit kept when the top bit is set).
    auto unsigned64 = [&](bool toDouble) {
        Label negative = m_a.newLabel(), done = m_a.newLabel();
        m_a.xorps(x86::xmm0, x86::xmm0);
        m_a.test(x86::rax, x86::rax);
        m_a.js(negative);
        if (toDouble) m_a.cvtsi2sd(x86::xmm0, x86::rax); else m_a.cvtsi2ss(x86::xmm0, x86::rax);
        m_a.jmp(done);
        m_a.bind(negative);
        m_a.mov(x86::rdx, x86::rax);
        m_a.shr(x86::rdx, 1);
        m_a.and_(x86::eax, 1);
        m_a.or_(x86::rdx, x86::rax);
        if (toDouble) {
            m_a.cvtsi2sd(x86::xmm0, x86::rdx);
            m_a.addsd(x86::xmm0, x86::xmm0);
        } else {
            m_a.cvtsi2ss(x86::xmm0, x86::rdx);
            m_a.addss(x86::xmm0, x86::xmm0);
        }
        m_a.bind(done);
    };
    switch (instruction.Op) {
        case asBC_iTOf:
            LoadVar(x86::eax, a);
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2ss(x86::xmm0, x86::eax);
            StoreVarF(a, x86::xmm0);
            return true;
        case asBC_uTOf:
            LoadVar(x86::eax, a);  // zero-extended: converted as a 64-bit signed value, exactly
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2ss(x86::xmm0, x86::rax);
            StoreVarF(a, x86::xmm0);
            return true;
        case asBC_fTOi:
        case asBC_fTOu:
            // Truncation; NaN and out-of-range values give 0x80000000, as the processor does.
            LoadVarF(x86::xmm0, a);
            m_a.cvttss2si(x86::eax, x86::xmm0);
            StoreVar(a, x86::eax);
            return true;
        case asBC_sbTOi:
        case asBC_swTOi:
        case asBC_ubTOi:
        case asBC_uwTOi:
            LoadVar(x86::eax, a);
            if (instruction.Op == asBC_sbTOi) m_a.movsx(x86::eax, x86::al);
            else if (instruction.Op == asBC_swTOi) m_a.movsx(x86::eax, x86::ax);
            else if (instruction.Op == asBC_ubTOi) m_a.movzx(x86::eax, x86::al);
            else m_a.movzx(x86::eax, x86::ax);
            StoreVar(a, x86::eax);
            return true;
        case asBC_dTOi:
        case asBC_dTOu:
            m_a.cvttsd2si(x86::eax, VarMem(b, 8));
            StoreVar(a, x86::eax);
            return true;
        case asBC_dTOf:
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsd2ss(x86::xmm0, VarMem(b, 8));
            StoreVarF(a, x86::xmm0);
            return true;
        case asBC_iTOd:
            LoadVar(x86::eax, b);
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2sd(x86::xmm0, x86::eax);
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        case asBC_uTOd:
            LoadVar(x86::eax, b);
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2sd(x86::xmm0, x86::rax);
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        case asBC_fTOd:
            LoadVarF(x86::xmm1, b);
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtss2sd(x86::xmm0, x86::xmm1);
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        case asBC_i64TOi:
            m_a.mov(x86::eax, VarMem(b, 4));  // the low half
            StoreVar(a, x86::eax);
            return true;
        case asBC_uTOi64:
            LoadVar(x86::eax, b);
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_iTOi64:
            LoadVar(x86::eax, b);
            m_a.movsxd(x86::rax, x86::eax);
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_fTOi64:
        case asBC_fTOu64:
            LoadVarF(x86::xmm0, b);
            m_a.cvttss2si(x86::rax, x86::xmm0);
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_dTOi64:
        case asBC_dTOu64:
            m_a.cvttsd2si(x86::rax, VarMem(a, 8));
            m_a.mov(VarMem(a, 8), x86::rax);
            return true;
        case asBC_i64TOf:
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2ss(x86::xmm0, VarMem(b, 8));
            StoreVarF(a, x86::xmm0);
            return true;
        case asBC_u64TOf:
            m_a.mov(x86::rax, VarMem(b, 8));
            unsigned64(false);
            StoreVarF(a, x86::xmm0);
            return true;
        case asBC_i64TOd:
            m_a.xorps(x86::xmm0, x86::xmm0);
            m_a.cvtsi2sd(x86::xmm0, VarMem(a, 8));
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        case asBC_u64TOd:
            m_a.mov(x86::rax, VarMem(a, 8));
            unsigned64(true);
            m_a.movsd(VarMem(a, 8), x86::xmm0);
            return true;
        default: return false;
    }
}

// --- Host calls -------------------------------------------------------------------------------

void Translator::StoreCallResult() {
    // What the engine's generic call leaves: the result in the value register (zero beyond
    // it), no object in the object register.
    m_a.mov(Value(8), x86::rax);
    m_a.mov(Field(ObjectRegister), 0);
    m_a.mov(Field(ObjectType), 0);
    m_valueInEaxNext = true;
}

void Translator::EmitCellIndex() {
    // (x, y) in (eax, ecx), both inside the world: rdx = (x * height + y) * 9 dwords.
    m_a.mov(x86::edx, x86::eax);
    m_a.imul(x86::rdx, Height);
    m_a.add(x86::rdx, x86::rcx);
    m_a.lea(x86::rdx, x86::ptr(x86::rdx, x86::rdx, 3));
}

bool Translator::EmitReadCell(const Instruction&, const HostCallInfo& info) {
    Label outside = m_a.newLabel(), done = m_a.newLabel();
    LoadArgument(x86::eax, 0);
    LoadArgument(x86::ecx, 1);
    m_a.cmp(x86::eax, x86::dword_ptr(x86::rsp));
    m_a.jae(outside);
    m_a.cmp(x86::ecx, Height.r32());
    m_a.jae(outside);
    EmitCellIndex();
    x86::Mem field = x86::ptr(ReadBase, x86::rdx, 2, static_cast<int32_t>(info.FieldOffset));
    if (info.Type == Scalar::Bool) {
        m_a.xor_(x86::eax, x86::eax);
        field.setSize(1);
        m_a.cmp(field, 0);
        m_a.setne(x86::al);
    } else {
        field.setSize(4);
        m_a.mov(x86::eax, field);
    }
    m_a.bind(done);
    StoreCallResult();
    m_valueIsBitNext = info.Type == Scalar::Bool;
    Pop(8);
    // Outside the world: the wrapped or the default cell, from the same code as GetBuffer.
    const Generations* cells = m_world.Cells;
    uint32_t fieldIndex = info.Field;
    m_slowPaths.push_back([this, outside, done, cells, fieldIndex] {
        m_a.bind(outside);
        SpillVars();
        m_a.mov(x86::esi, x86::eax);
        m_a.mov(x86::edx, x86::ecx);
        LoadAddress(x86::rdi, cells);
        m_a.mov(x86::ecx, fieldIndex);
        CallFunction(reinterpret_cast<const void*>(&ReadOutsideWorld));
        ReloadVars();
        m_a.jmp(done);
    });
    return true;
}

bool Translator::EmitWriteCell(const Instruction& instruction, const HostCallInfo& info) {
    // Outside the world the engine's own call raises the exception, with its text and line.
    LoadArgument(x86::eax, 0);
    LoadArgument(x86::ecx, 1);
    m_a.cmp(x86::eax, x86::dword_ptr(x86::rsp));
    m_a.jae(ExitLabel(instruction.Position));
    m_a.cmp(x86::ecx, Height.r32());
    m_a.jae(ExitLabel(instruction.Position));
    EmitCellIndex();
    x86::Mem field = x86::ptr(WriteBase, x86::rdx, 2, static_cast<int32_t>(info.FieldOffset));
    if (info.Type == Scalar::Bool) {
        m_a.cmp(StackMem(8, 1), 0);
        m_a.setne(x86::al);
        field.setSize(1);
        m_a.mov(field, x86::al);
    } else {
        m_a.mov(x86::eax, StackMem(8, 4));
        field.setSize(4);
        m_a.mov(field, x86::eax);
    }
    m_a.xor_(x86::eax, x86::eax);
    StoreCallResult();
    Pop(12);
    return true;
}

void Translator::EmitDirectCall(const HostCallInfo& info) {
    static const x86::Gp integers[] = {x86::edi, x86::esi, x86::edx};
    static const x86::Xmm floats[] = {x86::xmm0, x86::xmm1, x86::xmm2};
    SpillVars();
    size_t nextInteger = 0, nextFloat = 0;
    for (uint32_t k = 0; k < info.ParameterCount; ++k) {
        x86::Mem argument = StackMem(static_cast<int32_t>(4 * k), 4);
        if (info.Parameters[k] == Scalar::Float) m_a.movss(floats[nextFloat++], argument);
        else m_a.mov(integers[nextInteger++], argument);
    }
    CallFunction(info.Function);
    switch (info.Result) {
        case Scalar::Float: m_a.movd(x86::eax, x86::xmm0); break;
        case Scalar::Bool: m_a.movzx(x86::eax, x86::al); break;
        default: m_a.mov(x86::eax, x86::eax); break;
    }
    ReloadVars();
}

// --- Arrays -----------------------------------------------------------------------------------

// Element access of the array add-on, and the reference counting of arrays of primitive
// values around it (a global array is held in a temporary while its element is used). A null
// array or an index outside it leaves for the interpreter, which raises the exception.
bool Translator::EmitArrayAccess(const Instruction& instruction) {
    uint32_t p = instruction.Position;
    switch (instruction.Op) {
        case asBC_CHKREF:
            m_a.cmp(StackMem(0, 8), 0);
            m_a.je(ExitLabel(p));
            return true;
        case asBC_Thiscall1: {
            if (m_hosts(m_code.Int(p)).Kind != HostKind::ArrayElement) return false;
            // The argument registers hold variables until they are spilled.
            m_a.mov(x86::rax, StackMem(0, 8));
            m_a.test(x86::rax, x86::rax);
            m_a.jz(ExitLabel(p));
            SpillVars();
            m_a.mov(x86::rdi, x86::rax);
            m_a.mov(x86::esi, StackMem(8, 4));
            CallFunction(reinterpret_cast<const void*>(&ArrayElement));
            ReloadVars();
            m_a.test(x86::rax, x86::rax);
            m_a.jz(ExitLabel(p));
            m_a.mov(Value(8), x86::rax);
            Pop(8 + 4);
            return true;
        }
        case asBC_RefCpyV:
        case asBC_FREE: {
            // wW_PTR_ARG: the variable holding the array, then the type.
            auto* type = reinterpret_cast<const asITypeInfo*>(static_cast<uintptr_t>(m_code.QWord(p)));
            if (!IsArrayOfValues(type)) return false;
            x86::Mem holder = VarMem(m_code.Var(p, 0), 8);
            Label skip = m_a.newLabel();
            SpillVars();
            if (instruction.Op == asBC_FREE) {
                m_a.mov(x86::rdi, holder);
                m_a.test(x86::rdi, x86::rdi);
                m_a.jz(skip);
                CallFunction(reinterpret_cast<const void*>(&ArrayRelease));
                m_a.mov(holder, 0);
                m_a.bind(skip);
            } else {
                // The old array released first, then the new one counted, as the engine does.
                Label counted = m_a.newLabel();
                m_a.mov(x86::rdi, holder);
                m_a.test(x86::rdi, x86::rdi);
                m_a.jz(skip);
                CallFunction(reinterpret_cast<const void*>(&ArrayRelease));
                m_a.bind(skip);
                m_a.mov(x86::rdi, StackMem(0, 8));
                m_a.test(x86::rdi, x86::rdi);
                m_a.jz(counted);
                CallFunction(reinterpret_cast<const void*>(&ArrayAddRef));
                m_a.bind(counted);
                m_a.mov(x86::rax, StackMem(0, 8));
                m_a.mov(holder, x86::rax);
            }
            ReloadVars();
            return true;
        }
        default: return false;
    }
}

bool Translator::EmitHostCall(const Instruction& instruction) {
    HostCallInfo info = m_hosts(m_code.Int(instruction.Position));
    auto argument = [&](uint32_t k) { return StackMem(static_cast<int32_t>(4 * k), 4); };
    bool isFloat = info.Type == Scalar::Float, isSigned = info.Type == Scalar::Int;
    switch (info.Kind) {
        case HostKind::Ordinary:
        case HostKind::ArrayElement: return false;
        case HostKind::ReadCell:
            if (!m_usesWorld) return false;
            return EmitReadCell(instruction, info);
        case HostKind::WriteCell:
            if (!m_usesWorld) return false;
            return EmitWriteCell(instruction, info);
        case HostKind::Width:
        case HostKind::Height:
            if (!m_world.HeaderWidth || !m_world.HeaderHeight) return false;
            LoadAddress(x86::rax, info.Kind == HostKind::Width ? m_world.HeaderWidth : m_world.HeaderHeight);
            m_a.mov(x86::eax, x86::dword_ptr(x86::rax));
            break;
        case HostKind::Constant:
            m_a.mov(x86::eax, info.ConstantBits);
            break;
        case HostKind::AbsInt:
            // Negated when negative; INT_MIN stays.
            m_a.mov(x86::eax, argument(0));
            m_a.mov(x86::ecx, x86::eax);
            m_a.neg(x86::ecx);
            m_a.test(x86::eax, x86::eax);
            m_a.cmovs(x86::eax, x86::ecx);
            break;
        case HostKind::AbsFloat: {
            // v >= 0 ? v : -v (a NaN is negated).
            Label done = m_a.newLabel();
            m_a.mov(x86::eax, argument(0));
            m_a.movd(x86::xmm0, x86::eax);
            m_a.xorps(x86::xmm1, x86::xmm1);
            m_a.ucomiss(x86::xmm0, x86::xmm1);
            m_a.jae(done);
            m_a.xor_(x86::eax, 0x80000000u);
            m_a.bind(done);
            break;
        }
        case HostKind::Min:
        case HostKind::Max:
            // min: b < a ? b : a; max: a < b ? b : a. MINSS and MAXSS with b first give
            // exactly that, ties and NaNs included.
            if (isFloat) {
                m_a.movss(x86::xmm0, argument(1));
                if (info.Kind == HostKind::Min) m_a.minss(x86::xmm0, argument(0));
                else m_a.maxss(x86::xmm0, argument(0));
                m_a.movd(x86::eax, x86::xmm0);
            } else {
                m_a.mov(x86::eax, argument(0));
                m_a.mov(x86::ecx, argument(1));
                if (info.Kind == HostKind::Min) m_a.cmp(x86::ecx, x86::eax);
                else m_a.cmp(x86::eax, x86::ecx);
                if (isSigned) m_a.cmovl(x86::eax, x86::ecx);
                else m_a.cmovb(x86::eax, x86::ecx);
            }
            break;
        case HostKind::MinMax:
            // (low, value, high): max(low, min(value, high)).
            if (isFloat) {
                m_a.movss(x86::xmm0, argument(2));
                m_a.minss(x86::xmm0, argument(1));
                m_a.maxss(x86::xmm0, argument(0));
                m_a.movd(x86::eax, x86::xmm0);
            } else {
                m_a.mov(x86::eax, argument(1));
                m_a.mov(x86::ecx, argument(2));
                m_a.cmp(x86::ecx, x86::eax);
                if (isSigned) m_a.cmovl(x86::eax, x86::ecx);
                else m_a.cmovb(x86::eax, x86::ecx);
                m_a.mov(x86::edx, argument(0));
                m_a.cmp(x86::edx, x86::eax);
                if (isSigned) m_a.cmovge(x86::eax, x86::edx);
                else m_a.cmovae(x86::eax, x86::edx);
            }
            break;
        case HostKind::Direct:
            EmitDirectCall(info);
            break;
    }
    StoreCallResult();
    Pop(static_cast<int32_t>(4 * info.ParameterCount));
    return true;
}

}  // namespace jit

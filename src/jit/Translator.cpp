#include "jit/Translator.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "core/Generations.h"

using core::Generations;
using namespace AngelScript;
using namespace asmjit;

namespace jit {

namespace {

const x86::Gp Regs = x86::rbx;
const x86::Gp Frame = x86::r12;
const x86::Gp Stack = x86::r13;
const x86::Gp ReadBase = x86::r14;
const x86::Gp WriteBase = x86::r15;
const x86::Gp Height = x86::rbp;
// The registers that hold variables: all caller-saved, so the variables go to the frame
// around calls.
const std::array<x86::Gp, 6> IntRegisters = {x86::rsi, x86::rdi, x86::r8, x86::r9, x86::r10, x86::r11};
const std::array<x86::Xmm, 8> FloatRegisters = {x86::xmm8, x86::xmm9, x86::xmm10, x86::xmm11,
                                                x86::xmm12, x86::xmm13, x86::xmm14, x86::xmm15};

constexpr int32_t ProgramPointer = offsetof(asSVMRegisters, programPointer);
constexpr int32_t FramePointer = offsetof(asSVMRegisters, stackFramePointer);
constexpr int32_t StackPointer = offsetof(asSVMRegisters, stackPointer);
constexpr int32_t DoProcessSuspend = offsetof(asSVMRegisters, doProcessSuspend);

// How an instruction's variable operands (SWORDARG 0..2) are used, for deciding which
// variables may live in registers: only those used as 32-bit values everywhere.
enum class Use : uint8_t { None, Value, Wide, Pointer, Address };

std::array<Use, 3> Uses(asEBCInstr op) {
    constexpr Use N = Use::None, V = Use::Value, W = Use::Wide, P = Use::Pointer, A = Use::Address;
    switch (op) {
        case asBC_PshV4: case asBC_NOT: case asBC_LdGRdR4: case asBC_NEGi: case asBC_NEGf: case asBC_IncVi:
        case asBC_DecVi: case asBC_BNOT: case asBC_CMPIi: case asBC_CMPIf: case asBC_CMPIu: case asBC_JMPP:
        case asBC_SetV4: case asBC_CpyVtoR4: case asBC_CpyVtoG4: case asBC_CpyRtoV4: case asBC_CpyGtoV4:
        case asBC_WRTV1: case asBC_WRTV2: case asBC_WRTV4: case asBC_RDR1: case asBC_RDR2: case asBC_RDR4:
        case asBC_iTOf: case asBC_fTOi: case asBC_uTOf: case asBC_fTOu: case asBC_sbTOi: case asBC_swTOi:
        case asBC_ubTOi: case asBC_uwTOi: case asBC_iTOb: case asBC_iTOw: case asBC_SetV1: case asBC_SetV2:
            return {V, N, N};
        case asBC_CMPu: case asBC_CMPf: case asBC_CMPi: case asBC_CpyVtoV4: case asBC_ADDIi: case asBC_SUBIi:
        case asBC_MULIi: case asBC_ADDIf: case asBC_SUBIf: case asBC_MULIf:
            return {V, V, N};
        case asBC_BAND: case asBC_BOR: case asBC_BXOR: case asBC_BSLL: case asBC_BSRL: case asBC_BSRA:
        case asBC_ADDi: case asBC_SUBi: case asBC_MULi: case asBC_DIVi: case asBC_MODi: case asBC_ADDf:
        case asBC_SUBf: case asBC_MULf: case asBC_DIVf: case asBC_MODf: case asBC_DIVu: case asBC_MODu:
        case asBC_POWi: case asBC_POWu: case asBC_POWf:
            return {V, V, V};
        case asBC_NEGd: case asBC_SetV8: case asBC_CpyVtoR8: case asBC_CpyRtoV8: case asBC_WRTV8: case asBC_RDR8:
        case asBC_dTOi64: case asBC_dTOu64: case asBC_i64TOd: case asBC_u64TOd: case asBC_NEGi64:
        case asBC_BNOT64: case asBC_PshV8:
            return {W, N, N};
        case asBC_CMPd: case asBC_CpyVtoV8: case asBC_CMPi64: case asBC_CMPu64:
            return {W, W, N};
        case asBC_ADDd: case asBC_SUBd: case asBC_MULd: case asBC_DIVd: case asBC_MODd: case asBC_ADDi64:
        case asBC_SUBi64: case asBC_MULi64: case asBC_DIVi64: case asBC_MODi64: case asBC_BAND64:
        case asBC_BOR64: case asBC_BXOR64: case asBC_DIVu64: case asBC_MODu64: case asBC_POWd:
        case asBC_POWi64: case asBC_POWu64:
            return {W, W, W};
        case asBC_BSLL64: case asBC_BSRL64: case asBC_BSRA64: case asBC_POWdi:
            return {W, W, V};
        case asBC_dTOi: case asBC_dTOu: case asBC_dTOf: case asBC_i64TOi: case asBC_i64TOf: case asBC_u64TOf:
            return {V, W, N};
        case asBC_iTOd: case asBC_uTOd: case asBC_fTOd: case asBC_uTOi64: case asBC_iTOi64: case asBC_fTOi64:
        case asBC_fTOu64:
            return {W, V, N};
        case asBC_PshVPtr: case asBC_FREE: case asBC_LOADOBJ: case asBC_STOREOBJ: case asBC_ClrVPtr:
        case asBC_ChkNullV: case asBC_CallPtr: case asBC_LoadRObjR: case asBC_RefCpyV: case asBC_AllocMem:
        case asBC_SetListSize: case asBC_PshListElmnt: case asBC_SetListType:
            return {P, N, N};
        case asBC_CmpPtr:
            return {P, P, N};
        case asBC_PSF: case asBC_LDV: case asBC_VAR: case asBC_LoadVObjR:
            return {A, N, N};
        default:
            return {N, N, N};
    }
}

// Which value operands an instruction reads or writes as floats (bit k: SWORDARG k).
unsigned FloatOperands(asEBCInstr op) {
    switch (op) {
        case asBC_ADDf: case asBC_SUBf: case asBC_MULf: case asBC_DIVf: case asBC_MODf: case asBC_POWf:
            return 7;
        case asBC_ADDIf: case asBC_SUBIf: case asBC_MULIf: case asBC_CMPf:
            return 3;
        case asBC_CMPIf: case asBC_NEGf: case asBC_dTOf: case asBC_i64TOf: case asBC_u64TOf:
            return 1;
        case asBC_fTOd: case asBC_fTOi64: case asBC_fTOu64:
            return 2;
        default:
            return 0;
    }
}

}  // namespace

Translator::Translator(const Bytecode& code, x86::Assembler& assembler, HostLookup hosts, const World& world)
    : m_code(code), m_a(assembler), m_hosts(std::move(hosts)), m_world(world) {}

// --- Passes -----------------------------------------------------------------------------------

void Translator::ChooseRegisterVariables() {
    // Loop depth from the backward jumps: a variable used inside loops weighs more.
    std::vector<int> depth(m_code.Length() + 1, 0);
    for (const Instruction& instruction : m_code.Instructions()) {
        if (!Bytecode::IsJump(instruction.Op)) continue;
        uint32_t to = m_code.JumpDestination(instruction.Position);
        if (to > instruction.Position) continue;
        for (uint32_t p = to; p <= instruction.Position; ++p) depth[p] = std::min(depth[p] + 1, 6);
    }
    struct Weight {
        double Integer { 0 }, Float { 0 };
    };
    std::map<int16_t, Weight> weight;
    std::map<int16_t, bool> excluded;
    for (const Instruction& instruction : m_code.Instructions()) {
        std::array<Use, 3> uses = Uses(instruction.Op);
        unsigned floats = FloatOperands(instruction.Op);
        for (int k = 0; k < 3; ++k) {
            if (uses[static_cast<size_t>(k)] == Use::None) continue;
            int16_t var = m_code.Var(instruction.Position, k);
            double w = static_cast<double>(1 << (3 * depth[instruction.Position]));
            switch (uses[static_cast<size_t>(k)]) {
                case Use::Value:
                    if (floats & (1u << k)) weight[var].Float += w;
                    else weight[var].Integer += w;
                    break;
                case Use::Wide:
                case Use::Pointer:
                    // Eight bytes: this variable's slot and the one above it.
                    excluded[var] = true;
                    excluded[static_cast<int16_t>(var - 1)] = true;
                    break;
                default: excluded[var] = true; break;
            }
        }
    }
    // The most used variables get registers of the kind they are used as most.
    std::vector<std::pair<double, int16_t>> ranked;
    for (const auto& [var, w] : weight)
        if (!excluded[var] && w.Integer + w.Float >= 2) ranked.push_back({-(w.Integer + w.Float), var});
    std::sort(ranked.begin(), ranked.end());
    size_t integers = 0, floats = 0;
    for (const auto& [negativeWeight, var] : ranked) {
        bool isFloat = weight[var].Float > weight[var].Integer;
        if (isFloat && floats < FloatRegisters.size()) m_varRegs[var] = FloatRegisters[floats++];
        else if (!isFloat && integers < IntRegisters.size()) m_varRegs[var] = IntRegisters[integers++];
    }
}

void Translator::DecideEntries() {
    m_entry.assign(m_code.Length(), false);
    const std::vector<Instruction>& instructions = m_code.Instructions();
    for (size_t i = 0; i < instructions.size(); ++i) {
        if (instructions[i].Op != asBC_JitEntry) continue;
        // After a host call that the code makes itself the interpreter never stands here.
        bool afterOwnCall = false;
        if (i > 0 && instructions[i - 1].Op == asBC_CALLSYS) {
            HostKind kind = m_hosts(m_code.Int(instructions[i - 1].Position)).Kind;
            afterOwnCall = kind != HostKind::Ordinary && kind != HostKind::ArrayElement;
        }
        if (i > 0 && instructions[i - 1].Op == asBC_Thiscall1)
            afterOwnCall = m_hosts(m_code.Int(instructions[i - 1].Position)).Kind == HostKind::ArrayElement;
        m_entry[instructions[i].Position] = !afterOwnCall;
    }
}

bool Translator::Translate() {
    m_labels.assign(m_code.Length(), Label());
    ChooseRegisterVariables();
    DecideEntries();
    for (const Instruction& instruction : m_code.Instructions())
        if (instruction.Op == asBC_CALLSYS) {
            HostKind kind = m_hosts(m_code.Int(instruction.Position)).Kind;
            if (kind == HostKind::ReadCell || kind == HostKind::WriteCell) m_usesWorld = m_world.Cells != nullptr;
        }
    m_commonExit = m_a.newLabel();
    EmitPrologue();
    const std::vector<Instruction>& instructions = m_code.Instructions();
    for (size_t index = 0; index < instructions.size();) EmitInstruction(index);
    // The last instruction is a return or a jump; should it not be, leave for what follows.
    SettleStack();
    Exit(m_code.Length());
    EmitEpilogueAndStubs();
    return !m_failed;
}

void Translator::EmitPrologue() {
    for (const x86::Gp& reg : {x86::rbp, x86::rbx, x86::r12, x86::r13, x86::r14, x86::r15}) m_a.push(reg);
    m_a.sub(x86::rsp, 8);  // 16-byte alignment for calls; [rsp] keeps the world's width
    m_a.mov(Regs, x86::rdi);
    m_a.mov(x86::rdx, x86::rsi);  // the entry stub; rsi may hold a variable below
    m_a.mov(Frame, x86::qword_ptr(Regs, FramePointer));
    m_a.mov(Stack, x86::qword_ptr(Regs, StackPointer));
    if (m_usesWorld) {
        // The world's places are read on every entry: they are set when the generations are
        // allocated, which may come after the script was compiled.
        Generations::Places places = m_world.Cells->CellPlaces();
        LoadAddress(x86::rax, places.Read);
        m_a.mov(ReadBase, x86::qword_ptr(x86::rax));
        LoadAddress(x86::rax, places.Write);
        m_a.mov(WriteBase, x86::qword_ptr(x86::rax));
        LoadAddress(x86::rax, places.Height);
        m_a.mov(Height.r32(), x86::dword_ptr(x86::rax));
        LoadAddress(x86::rax, places.Width);
        m_a.mov(x86::eax, x86::dword_ptr(x86::rax));
        m_a.mov(x86::dword_ptr(x86::rsp), x86::eax);
    }
    ReloadVars();
    m_a.jmp(x86::rdx);
}

void Translator::EmitEpilogueAndStubs() {
    // Entry stubs: a suspend or abort request, or a line callback, leaves at once for the
    // instruction after the JitEntry, so the interpreter sees every instruction meanwhile.
    for (const Entry& entry : m_entries) {
        m_a.bind(entry.Stub);
        m_a.cmp(x86::byte_ptr(Regs, DoProcessSuspend), 0);
        m_a.jne(ExitLabel(entry.Position + 1 + AS_PTR_SIZE));
        m_a.jmp(LabelAt(entry.Position));
    }
    for (std::function<void()>& slow : m_slowPaths) slow();
    // Exit stubs may be added while the stubs above are emitted; index, not iterate.
    for (size_t i = 0; i < m_exitStubs.size(); ++i) {
        ExitStub stub = m_exitStubs[i];
        m_a.bind(stub.Label);
        if (stub.StackOffset != 0) m_a.lea(Stack, x86::ptr(Stack, stub.StackOffset));
        LoadAddress(x86::rax, m_code.Address(stub.Position));
        m_a.jmp(m_commonExit);
    }
    m_a.bind(m_commonExit);
    m_a.mov(x86::qword_ptr(Regs, ProgramPointer), x86::rax);
    m_a.mov(x86::qword_ptr(Regs, StackPointer), Stack);
    m_a.mov(x86::qword_ptr(Regs, FramePointer), Frame);
    SpillVars();
    m_a.add(x86::rsp, 8);
    for (const x86::Gp& reg : {x86::r15, x86::r14, x86::r13, x86::r12, x86::rbx, x86::rbp}) m_a.pop(reg);
    m_a.ret();
}

void Translator::EmitInstruction(size_t& index) {
    const Instruction& instruction = m_code.Instructions()[index];
    uint32_t position = instruction.Position;
    if (HasLabel(position)) {
        SettleStack();
        m_a.bind(LabelAt(position));
        m_valueInEaxNext = false;
    }
    m_valueIsBit = m_valueInEaxNext && m_valueIsBitNext;
    m_valueIsBitNext = false;
    // What was pushed from which register is known only along straight code of the kinds
    // below, which keep track of their writes; anything else forgets it.
    switch (instruction.Op) {
        case asBC_PshV4: case asBC_PshC4: case asBC_TYPEID: case asBC_SUSPEND: case asBC_JitEntry:
        case asBC_CALLSYS: case asBC_ADDIi: case asBC_SUBIi: case asBC_MULIi: case asBC_SetV4: case asBC_SetV1:
        case asBC_SetV2: case asBC_CpyVtoV4: case asBC_IncVi: case asBC_DecVi: case asBC_ADDi: case asBC_SUBi:
        case asBC_MULi: case asBC_BAND: case asBC_BOR: case asBC_BXOR:
            break;
        default: ForgetPushes(); break;
    }
    m_valueInEax = m_valueInEaxNext;
    m_valueInEaxNext = false;

    bool done = true;
    switch (instruction.Op) {
        case asBC_JitEntry:
            if (m_entry[position]) m_entries.push_back({position, m_a.newLabel()});
            m_valueInEaxNext = m_valueInEax;  // no code
            m_valueIsBitNext = m_valueIsBit;
            break;
        case asBC_SUSPEND:
            // Suspend and abort requests are honoured at backward jumps and entries.
            m_valueInEaxNext = m_valueInEax;
            m_valueIsBitNext = m_valueIsBit;
            break;
        case asBC_CALLSYS:
            done = EmitHostCall(instruction);
            break;
        case asBC_JLowZ:
        case asBC_JLowNZ:
        case asBC_JZ:
        case asBC_JNZ:
            if (EmitConditionalStep(index)) return;
            done = EmitBranch(instruction);
            break;
        case asBC_Thiscall1:
        case asBC_CHKREF:
        case asBC_RefCpyV:
        case asBC_FREE:
            done = EmitArrayAccess(instruction);
            break;
        default:
            done = EmitBranch(instruction) || EmitCompare(instruction) || EmitMove(instruction) ||
                   EmitArithmetic(instruction) || EmitWide(instruction) || EmitConversion(instruction);
            break;
    }
    if (!done) {
        ++m_left[instruction.Op];
        SettleStack();
        Exit(position);
    }
    ++index;
}

// --- Frame, variables and the script stack ----------------------------------------------------

x86::Mem Translator::HomeMem(int16_t var) const { return x86::ptr(Frame, -4 * static_cast<int32_t>(var), 4); }

x86::Mem Translator::VarMem(int16_t var, uint32_t size) {
    // Eight bytes cover this slot and the one above it.
    if (InRegister(var) || (size > 4 && InRegister(static_cast<int16_t>(var - 1)))) m_failed = true;
    return x86::ptr(Frame, -4 * static_cast<int32_t>(var), size);
}

x86::Gp Translator::VarGp(int16_t var) const {
    auto found = m_varRegs.find(var);
    return found != m_varRegs.end() && found->second.isGp() ? found->second.as<x86::Gp>().r32() : x86::Gp();
}

x86::Xmm Translator::VarXmm(int16_t var) const {
    auto found = m_varRegs.find(var);
    return found != m_varRegs.end() && found->second.isXmm() ? found->second.as<x86::Xmm>() : x86::Xmm();
}

void Translator::LoadVar(const x86::Gp& to, int16_t var) {
    if (x86::Gp reg = VarGp(var); reg.isValid()) {
        if (reg.id() != to.id()) m_a.mov(to.r32(), reg);
    } else if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) {
        m_a.movd(to.r32(), xmm);
    } else {
        m_a.mov(to.r32(), VarMem(var));
    }
}

void Translator::StoreVar(int16_t var, const x86::Gp& from) {
    if (x86::Gp reg = VarGp(var); reg.isValid()) {
        if (reg.id() != from.id()) m_a.mov(reg, from.r32());
        Forget(reg);
    } else if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) {
        m_a.movd(xmm, from.r32());
    } else {
        m_a.mov(VarMem(var), from.r32());
    }
}

void Translator::LoadVarF(const x86::Xmm& to, int16_t var) {
    if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) {
        if (xmm.id() != to.id()) m_a.movaps(to, xmm);
    } else if (x86::Gp reg = VarGp(var); reg.isValid()) {
        m_a.movd(to, reg);
    } else {
        m_a.movss(to, VarMem(var));
    }
}

void Translator::StoreVarF(int16_t var, const x86::Xmm& from) {
    if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) {
        // A whole-register copy: the variable's bits are the low 32 of it.
        if (xmm.id() != from.id()) m_a.movaps(xmm, from);
    } else if (x86::Gp reg = VarGp(var); reg.isValid()) {
        m_a.movd(reg, from);
        Forget(reg);
    } else {
        m_a.movss(VarMem(var), from);
    }
}

Operand Translator::IntOperand(int16_t var, const x86::Gp& scratch) {
    if (x86::Gp reg = VarGp(var); reg.isValid()) return reg;
    if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) {
        m_a.movd(scratch.r32(), xmm);
        return scratch.r32();
    }
    return VarMem(var);
}

x86::Xmm Translator::FloatOperand(int16_t var, const x86::Xmm& scratch) {
    if (x86::Xmm xmm = VarXmm(var); xmm.isValid()) return xmm;
    LoadVarF(scratch, var);
    return scratch;
}

x86::Mem Translator::StackMem(int32_t bytes, uint32_t size) const {
    return x86::ptr(Stack, m_stackOffset + bytes, size);
}

void Translator::Push32(const x86::Gp& value) {
    m_stackOffset -= 4;
    m_a.mov(StackMem(0, 4), value.r32());
    m_pushedFrom.erase(m_stackOffset);
    // Only a variable's register is remembered: the scratch registers change at once.
    for (const auto& [var, reg] : m_varRegs)
        if (reg.isGp() && reg.id() == value.id()) m_pushedFrom[m_stackOffset] = value.id();
}

void Translator::Push64(const x86::Gp& value) {
    m_stackOffset -= 8;
    m_a.mov(StackMem(0, 8), value.r64());
    m_pushedFrom.erase(m_stackOffset);
    m_pushedFrom.erase(m_stackOffset + 4);
}

void Translator::PushConstant(uint32_t value) {
    m_stackOffset -= 4;
    m_a.mov(StackMem(0, 4), value);
    m_pushedFrom.erase(m_stackOffset);
}

void Translator::LoadArgument(const x86::Gp& to, uint32_t index) {
    auto found = m_pushedFrom.find(m_stackOffset + static_cast<int32_t>(4 * index));
    if (found != m_pushedFrom.end())
        m_a.mov(to.r32(), x86::gpd(found->second));
    else
        m_a.mov(to.r32(), StackMem(static_cast<int32_t>(4 * index), 4));
}

void Translator::Forget(const x86::Gp& reg) {
    for (auto it = m_pushedFrom.begin(); it != m_pushedFrom.end();) {
        if (it->second == reg.id()) it = m_pushedFrom.erase(it);
        else ++it;
    }
}

void Translator::SettleStack() {
    ForgetPushes();
    if (m_stackOffset == 0) return;
    m_a.lea(Stack, x86::ptr(Stack, m_stackOffset));
    m_stackOffset = 0;
}

x86::Mem Translator::Value(uint32_t size) const {
    return x86::ptr(Regs, offsetof(asSVMRegisters, valueRegister), size);
}

x86::Mem Translator::Field(int32_t offset, uint32_t size) const { return x86::ptr(Regs, offset, size); }

void Translator::LoadAddress(const x86::Gp& to, const void* address) {
    m_a.mov(to.r64(), static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address)));
}

// --- Control ----------------------------------------------------------------------------------

bool Translator::HasLabel(uint32_t position) const {
    return position < m_code.Length() && (m_code.JumpTarget(position) || m_entry[position]);
}

Label Translator::LabelAt(uint32_t position) {
    Label& label = m_labels[position];
    if (!label.isValid()) label = m_a.newLabel();
    return label;
}

Label Translator::ExitLabel(uint32_t position) {
    Label label = m_a.newLabel();
    m_exitStubs.push_back({label, position, m_stackOffset});
    return label;
}

void Translator::Exit(uint32_t position) {
    SettleStack();
    LoadAddress(x86::rax, m_code.Address(position));
    m_a.jmp(m_commonExit);
}

void Translator::SuspendTest(uint32_t position) {
    m_a.cmp(x86::byte_ptr(Regs, DoProcessSuspend), 0);
    m_a.jne(ExitLabel(position));
}

void Translator::Jump(uint32_t from, uint32_t to) {
    SettleStack();
    // Every loop runs through a backward jump: there a suspend or abort request (or a line
    // callback) hands the jump back to the interpreter, which then processes the request at
    // its next SUSPEND instruction.
    if (to <= from) SuspendTest(from);
    m_a.jmp(LabelAt(to));
}

void Translator::JumpIf(x86::CondCode condition, uint32_t from, uint32_t to) {
    SettleStack();
    if (to > from) {
        m_a.j(condition, LabelAt(to));
        return;
    }
    Label skip = m_a.newLabel();
    m_a.j(x86::negateCond(condition), skip);
    SuspendTest(from);
    m_a.jmp(LabelAt(to));
    m_a.bind(skip);
}

// --- Helpers called from the code -------------------------------------------------------------

void Translator::SpillVars() {
    for (const auto& [var, reg] : m_varRegs) {
        if (reg.isXmm()) m_a.movss(HomeMem(var), reg.as<x86::Xmm>());
        else m_a.mov(HomeMem(var), reg.as<x86::Gp>().r32());
    }
}

void Translator::ReloadVars() {
    ForgetPushes();
    for (const auto& [var, reg] : m_varRegs) {
        if (reg.isXmm()) m_a.movss(reg.as<x86::Xmm>(), HomeMem(var));
        else m_a.mov(reg.as<x86::Gp>().r32(), HomeMem(var));
    }
}

void Translator::CallFunction(const void* function) {
    LoadAddress(x86::rax, function);
    m_a.call(x86::rax);
}

}  // namespace jit

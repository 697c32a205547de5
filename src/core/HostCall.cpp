#include "core/HostCall.h"

#include <bit>
#include <cstring>
#include <string_view>

namespace core {

using namespace AngelScript;

namespace {

// Where the 2.35 engine's call object keeps the pointer to the first argument slot: behind
// its interface pointer and three pointers of its own. Only ever read after verification.
constexpr long CandidateSlotsOffset = 4 * static_cast<long>(sizeof(void*));
// The result lies inside the call object; anything further away is not trusted.
constexpr long LargestReturnOffset = 16 * static_cast<long>(sizeof(void*));

struct Probe {
    bool Agrees { false };
    long ReturnOffset { 0 };
};

constexpr int32_t ProbeFirst = 0x12345678;
constexpr int32_t ProbeSecond = -2;
constexpr float ProbeFourth = 1.5f;
constexpr int32_t ProbeResult = 0x5A5A1234;

// int HostCallProbe(int, int, bool, float): compares the candidate layout with the interface.
void ProbeFunction(asIScriptGeneric* generic) {
    Probe& probe = *static_cast<Probe*>(generic->GetAuxiliary());
    const char* object = reinterpret_cast<const char*>(generic);
    const asDWORD* slots = nullptr;
    std::memcpy(&slots, object + CandidateSlotsOffset, sizeof slots);
    bool agrees = slots != nullptr;
    for (asUINT i = 0; agrees && i < 4; ++i) agrees = generic->GetAddressOfArg(i) == slots + i;
    agrees = agrees && static_cast<int32_t>(slots[0]) == ProbeFirst && static_cast<int32_t>(slots[1]) == ProbeSecond &&
             *reinterpret_cast<const uint8_t*>(slots + 2) == 1 && std::bit_cast<float>(slots[3]) == ProbeFourth;
    char* result = static_cast<char*>(generic->GetAddressOfReturnLocation());
    long offset = static_cast<long>(result - reinterpret_cast<char*>(generic));
    agrees = agrees && offset > 0 && offset <= LargestReturnOffset;
    probe.Agrees = agrees;
    probe.ReturnOffset = offset;
    // Answer through the learnt place; the caller checks that the script received it.
    if (agrees)
        *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(generic) + offset) = ProbeResult;
    else
        *static_cast<int32_t*>(generic->GetAddressOfReturnLocation()) = 0;
}

bool RunProbe(long& returnOffset) {
    // The layout is that of the 2.35 series; any other library is used through the interface.
    if (std::string_view(asGetLibraryVersion()).substr(0, 5) != "2.35.") return false;
    asIScriptEngine* engine = asCreateScriptEngine(ANGELSCRIPT_VERSION);
    if (!engine) return false;
    Probe probe;
    bool learnt = false;
    const char* code = "int Probe() { return HostCallProbe(0x12345678, -2, true, 1.5f); }";
    asIScriptModule* module = engine->GetModule(nullptr, asGM_ALWAYS_CREATE);
    if (engine->RegisterGlobalFunction("int HostCallProbe(int, int, bool, float)", asFUNCTION(ProbeFunction),
                                       asCALL_GENERIC, &probe) >= 0 &&
        module && module->AddScriptSection("probe", code, std::strlen(code), 0) >= 0 && module->Build() >= 0) {
        if (asIScriptContext* context = engine->CreateContext()) {
            if (context->Prepare(module->GetFunctionByDecl("int Probe()")) >= 0 &&
                context->Execute() == asEXECUTION_FINISHED && probe.Agrees &&
                static_cast<int32_t>(context->GetReturnDWord()) == ProbeResult) {
                returnOffset = probe.ReturnOffset;
                learnt = true;
            }
            context->Release();
        }
    }
    engine->ShutDownAndRelease();
    return learnt;
}

}  // namespace

float HostCall::Float(unsigned index) const { return std::bit_cast<float>(*Slot(index)); }

HostCall::Layout HostCall::LearnLayout() {
    long returnOffset = 0;
    if (!RunProbe(returnOffset)) return {};
    return {true, CandidateSlotsOffset, returnOffset};
}

}  // namespace core

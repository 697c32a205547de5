#include "jit/HostCalls.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <string_view>

#include <angelscript/scriptarray.h>

#include "base/NumericCasts.h"
#include "cells/Cell.h"
#include "core/Automaton.h"
#include "core/CRandGenerator.h"
#include "core/NormalGenerator.h"
#include "core/ScriptMath.h"
#include "view/ViewSettings.h"

using base::NarrowToFloat;
using cells::Cell;
using core::Automaton;
using core::Generations;
using core::ProcessCRandGenerator;
using core::ProcessNormalGenerator;
using namespace AngelScript;

namespace jit {

namespace {

// The helpers compute what the host functions compute, from the same functions: the standard
// functions in double precision narrowed to float, the rest from the script maths.
template <double (*Function)(double)> float Unary(float v) noexcept {
    return NarrowToFloat(Function(static_cast<double>(v)));
}
template <double (*Function)(double, double)> float Binary(float a, float b) noexcept {
    return NarrowToFloat(Function(static_cast<double>(a), static_cast<double>(b)));
}
double Sin(double v) { return std::sin(v); }
double Cos(double v) { return std::cos(v); }
double Tan(double v) { return std::tan(v); }
double Asin(double v) { return std::asin(v); }
double Acos(double v) { return std::acos(v); }
double Atan(double v) { return std::atan(v); }
double Sinh(double v) { return std::sinh(v); }
double Cosh(double v) { return std::cosh(v); }
double Tanh(double v) { return std::tanh(v); }
double Atan2(double y, double x) { return std::atan2(y, x); }
double Ceil(double v) { return std::ceil(v); }
double Floor(double v) { return std::floor(v); }
double Fmod(double a, double b) { return std::fmod(a, b); }
double Log10(double v) { return std::log10(v); }
double Log(double v) { return std::log(v); }
double Exp(double v) { return std::exp(v); }
double Pow(double a, double b) { return std::pow(a, b); }
double Sqrt(double v) { return std::sqrt(v); }

int32_t Round(float v) noexcept { return core::RoundToInt(v); }
bool RandB() noexcept { return core::RandomBool(ProcessCRandGenerator()); }
uint32_t RandU() noexcept { return core::RandomUint(ProcessCRandGenerator()); }
float RandF() noexcept { return core::RandomFloat(ProcessCRandGenerator()); }
float RandNormal(float deviation) noexcept { return ProcessNormalGenerator().Next(deviation); }
uint32_t RandURange(uint32_t low, uint32_t high) noexcept { return core::RandomUintRange(ProcessCRandGenerator(), low, high); }
float RandFRange(float low, float high) noexcept { return core::RandomFloatRange(ProcessCRandGenerator(), low, high); }
uint32_t Interpolated(uint32_t a, uint32_t b, float t) noexcept { return view::InterpolateColor(a, b, t); }
uint32_t Rainbowed(float t) noexcept { return view::RainbowColor(t); }
float Grayed(uint32_t colour) noexcept { return view::Grayscale(colour); }

constexpr Scalar B = Scalar::Bool, I = Scalar::Int, U = Scalar::Uint, F = Scalar::Float;

struct Known {
    std::string_view Declaration;
    HostCallInfo Info;
};

HostCallInfo Field(HostKind kind, Scalar type, size_t offset, uint32_t field) {
    HostCallInfo info;
    info.Kind = kind;
    info.Type = type;
    info.FieldOffset = static_cast<uint32_t>(offset);
    info.Field = field;
    if (kind == HostKind::ReadCell) {
        info.Parameters = {I, I};
        info.ParameterCount = 2;
        info.ReturnsValue = true;
        info.Result = type;
    } else {
        info.Parameters = {I, I, type};
        info.ParameterCount = 3;
    }
    return info;
}

HostCallInfo Inline(HostKind kind, Scalar type, uint32_t parameters) {
    HostCallInfo info;
    info.Kind = kind;
    info.Type = type;
    info.Parameters = {type, type, type};
    info.ParameterCount = parameters;
    info.ReturnsValue = true;
    info.Result = type;
    return info;
}

HostCallInfo Returning(HostKind kind, Scalar result, uint32_t constantBits = 0) {
    HostCallInfo info;
    info.Kind = kind;
    info.ReturnsValue = true;
    info.Result = result;
    info.ConstantBits = constantBits;
    return info;
}

HostCallInfo Helper(const void* function, Scalar result, std::initializer_list<Scalar> parameters) {
    HostCallInfo info;
    info.Kind = HostKind::Direct;
    info.Function = function;
    info.ReturnsValue = true;
    info.Result = result;
    for (Scalar parameter : parameters) info.Parameters[info.ParameterCount++] = parameter;
    return info;
}

template <class Function> const void* Address(Function* function) { return reinterpret_cast<const void*>(function); }

const Known* KnownFunctions(size_t& count) {
    using H = HostKind;
    static const Known known[] = {
        {"int GetWidth()", Returning(H::Width, I)},
        {"int GetHeight()", Returning(H::Height, I)},
        {"float PI()", Returning(H::Constant, F, std::bit_cast<uint32_t>(3.1415927f))},
        {"float E()", Returning(H::Constant, F, std::bit_cast<uint32_t>(2.7182817f))},
        {"void SetBuffer_b1(int, int, bool)", Field(H::WriteCell, B, offsetof(Cell, b1), 0)},
        {"void SetBuffer_b2(int, int, bool)", Field(H::WriteCell, B, offsetof(Cell, b2), 1)},
        {"void SetBuffer_b3(int, int, bool)", Field(H::WriteCell, B, offsetof(Cell, b3), 2)},
        {"void SetBuffer_b4(int, int, bool)", Field(H::WriteCell, B, offsetof(Cell, b4), 3)},
        {"void SetBuffer_u1(int, int, uint)", Field(H::WriteCell, U, offsetof(Cell, u1), 4)},
        {"void SetBuffer_u2(int, int, uint)", Field(H::WriteCell, U, offsetof(Cell, u2), 5)},
        {"void SetBuffer_u3(int, int, uint)", Field(H::WriteCell, U, offsetof(Cell, u3), 6)},
        {"void SetBuffer_u4(int, int, uint)", Field(H::WriteCell, U, offsetof(Cell, u4), 7)},
        {"void SetBuffer_f1(int, int, float)", Field(H::WriteCell, F, offsetof(Cell, f1), 8)},
        {"void SetBuffer_f2(int, int, float)", Field(H::WriteCell, F, offsetof(Cell, f2), 9)},
        {"void SetBuffer_f3(int, int, float)", Field(H::WriteCell, F, offsetof(Cell, f3), 10)},
        {"void SetBuffer_f4(int, int, float)", Field(H::WriteCell, F, offsetof(Cell, f4), 11)},
        {"bool GetBuffer_b1(int, int)", Field(H::ReadCell, B, offsetof(Cell, b1), 0)},
        {"bool GetBuffer_b2(int, int)", Field(H::ReadCell, B, offsetof(Cell, b2), 1)},
        {"bool GetBuffer_b3(int, int)", Field(H::ReadCell, B, offsetof(Cell, b3), 2)},
        {"bool GetBuffer_b4(int, int)", Field(H::ReadCell, B, offsetof(Cell, b4), 3)},
        {"uint GetBuffer_u1(int, int)", Field(H::ReadCell, U, offsetof(Cell, u1), 4)},
        {"uint GetBuffer_u2(int, int)", Field(H::ReadCell, U, offsetof(Cell, u2), 5)},
        {"uint GetBuffer_u3(int, int)", Field(H::ReadCell, U, offsetof(Cell, u3), 6)},
        {"uint GetBuffer_u4(int, int)", Field(H::ReadCell, U, offsetof(Cell, u4), 7)},
        {"float GetBuffer_f1(int, int)", Field(H::ReadCell, F, offsetof(Cell, f1), 8)},
        {"float GetBuffer_f2(int, int)", Field(H::ReadCell, F, offsetof(Cell, f2), 9)},
        {"float GetBuffer_f3(int, int)", Field(H::ReadCell, F, offsetof(Cell, f3), 10)},
        {"float GetBuffer_f4(int, int)", Field(H::ReadCell, F, offsetof(Cell, f4), 11)},
        {"int abs_i(int)", Inline(H::AbsInt, I, 1)},
        {"float abs_f(float)", Inline(H::AbsFloat, F, 1)},
        {"uint min_u(uint, uint)", Inline(H::Min, U, 2)},
        {"int min_i(int, int)", Inline(H::Min, I, 2)},
        {"float min_f(float, float)", Inline(H::Min, F, 2)},
        {"uint max_u(uint, uint)", Inline(H::Max, U, 2)},
        {"int max_i(int, int)", Inline(H::Max, I, 2)},
        {"float max_f(float, float)", Inline(H::Max, F, 2)},
        {"uint minmax_u(uint, uint, uint)", Inline(H::MinMax, U, 3)},
        {"int minmax_i(int, int, int)", Inline(H::MinMax, I, 3)},
        {"float minmax_f(float, float, float)", Inline(H::MinMax, F, 3)},
        {"bool rand_b()", Helper(Address(RandB), B, {})},
        {"uint rand_u()", Helper(Address(RandU), U, {})},
        {"float rand_f()", Helper(Address(RandF), F, {})},
        {"float rand_normal(float)", Helper(Address(RandNormal), F, {F})},
        {"uint rand_u_range(uint, uint)", Helper(Address(RandURange), U, {U, U})},
        {"float rand_f_range(float, float)", Helper(Address(RandFRange), F, {F, F})},
        {"float sin(float)", Helper(Address(Unary<Sin>), F, {F})},
        {"float cos(float)", Helper(Address(Unary<Cos>), F, {F})},
        {"float tan(float)", Helper(Address(Unary<Tan>), F, {F})},
        {"float asin(float)", Helper(Address(Unary<Asin>), F, {F})},
        {"float acos(float)", Helper(Address(Unary<Acos>), F, {F})},
        {"float atan(float)", Helper(Address(Unary<Atan>), F, {F})},
        {"float sinh(float)", Helper(Address(Unary<Sinh>), F, {F})},
        {"float cosh(float)", Helper(Address(Unary<Cosh>), F, {F})},
        {"float tanh(float)", Helper(Address(Unary<Tanh>), F, {F})},
        {"float atan2(float, float)", Helper(Address(Binary<Atan2>), F, {F, F})},
        {"float ceil(float)", Helper(Address(Unary<Ceil>), F, {F})},
        {"float floor(float)", Helper(Address(Unary<Floor>), F, {F})},
        {"int round(float)", Helper(Address(Round), I, {F})},
        {"float fmod(float, float)", Helper(Address(Binary<Fmod>), F, {F, F})},
        {"float log10(float)", Helper(Address(Unary<Log10>), F, {F})},
        {"float log(float)", Helper(Address(Unary<Log>), F, {F})},
        {"float exp(float)", Helper(Address(Unary<Exp>), F, {F})},
        {"float pow(float, float)", Helper(Address(Binary<Pow>), F, {F, F})},
        {"float sqrt(float)", Helper(Address(Unary<Sqrt>), F, {F})},
        {"uint InterpolateColor(uint, uint, float)", Helper(Address(Interpolated), U, {U, U, F})},
        {"uint RainbowColor(float)", Helper(Address(Rainbowed), U, {F})},
        {"float Grayscale(uint)", Helper(Address(Grayed), F, {U})},
    };
    count = std::size(known);
    return known;
}

}  // namespace

namespace {

bool IsArray(const asITypeInfo* type) {
    return type && (type->GetFlags() & asOBJ_TEMPLATE) && std::string_view(type->GetName()) == "array" &&
           std::string_view(type->GetNamespace()).empty();
}

}  // namespace

bool IsArrayOfValues(const asITypeInfo* type) {
    if (!IsArray(type) || (type->GetFlags() & (asOBJ_NOCOUNT | asOBJ_VALUE))) return false;
    int element = type->GetSubTypeId();
    return element >= asTYPEID_BOOL && element <= asTYPEID_DOUBLE;
}

void* ArrayElement(void* array, uint32_t index) noexcept {
    // Outside the array At asks the active context for an exception, which the context
    // refuses while no host function is being called: nothing happens, and the caller
    // leaves the call to the engine, which raises it.
    return static_cast<CScriptArray*>(array)->At(index);
}

void ArrayAddRef(void* array) noexcept { static_cast<CScriptArray*>(array)->AddRef(); }

void ArrayRelease(void* array) noexcept { static_cast<CScriptArray*>(array)->Release(); }

HostCallInfo DescribeHostCall(asIScriptFunction& function, const Automaton* automaton) {
    if (function.GetFuncType() == asFUNC_SYSTEM && IsArray(function.GetObjectType()) &&
        std::string_view(function.GetName()) == "opIndex") {
        HostCallInfo info;
        info.Kind = HostKind::ArrayElement;
        return info;
    }
    if (!automaton || function.GetFuncType() != asFUNC_SYSTEM || function.GetAuxiliary() != automaton) return {};
    const char* declaration = function.GetDeclaration(true, false, false);
    if (!declaration) return {};
    size_t count = 0;
    const Known* known = KnownFunctions(count);
    for (size_t i = 0; i < count; ++i)
        if (known[i].Declaration == declaration) return known[i].Info;
    return {};
}

uint64_t ReadOutsideWorld(const Generations* cells, int32_t x, int32_t y, uint32_t field) noexcept {
    const Cell& cell = cells->ReadCell(x, y);
    if (field < 4) return cells::BoolField(cell, static_cast<int>(field)) != 0 ? 1 : 0;
    if (field < 8) return cells::UintField(cell, static_cast<int>(field - 4));
    return std::bit_cast<uint32_t>(cells::FloatField(cell, static_cast<int>(field - 8)));
}

}  // namespace jit

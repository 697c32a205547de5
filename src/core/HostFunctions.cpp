#include "core/HostFunctions.h"

#include <cassert>
#include <cmath>
#include <string>

#include "core/Automaton.h"
#include "core/CRandGenerator.h"
#include "core/HostCall.h"
#include "core/NormalGenerator.h"
#include "core/ScriptMath.h"
#include "stream/Utilities.h"
#include "view/ViewSettings.h"

using namespace AngelScript;

namespace {

Automaton& Target(const HostCall& call) { return *static_cast<Automaton*>(call.Auxiliary()); }

// A host function fails by setting an exception on the running context and returning; the
// engine then stops the script and the caller of the script reports it.
void SetScriptException(const std::string& text) {
    if (asIScriptContext* context = asGetActiveContext()) context->SetException(text.c_str());
}

// --- General ---------------------------------------------------------------------------------

void Beep(asIScriptGeneric* generic) {
    HostCall call(generic);
    Target(call).Beep().Beep(call.Uint(0), call.Uint(1));
}

void Debug(asIScriptGeneric* generic) {
    HostCall call(generic);
    Target(call).SetStatus(IntToStr(call.Int(0)) + " " + IntToStr(call.Int(1)), StatusInfoColor);
}

void GetWidth(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnInt(Target(call).Width());
}

void GetHeight(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnInt(Target(call).Height());
}

void Assert(asIScriptGeneric* generic) {
    if (!HostCall(generic).Bool(0)) SetScriptException("Asercja jest fałszywa");
}

void Error(asIScriptGeneric* generic) {
    SetScriptException("Wywołano funkcję \"error\", kod: " + IntToStr(HostCall(generic).Int(0)));
}

void Pi(asIScriptGeneric* generic) { HostCall(generic).ReturnFloat(3.1415927f); }
void E(asIScriptGeneric* generic) { HostCall(generic).ReturnFloat(2.7182817f); }

// --- Cells -----------------------------------------------------------------------------------

template <class Field> Field ArgumentOf(const HostCall& call, unsigned index);
template <> uint8_t ArgumentOf<uint8_t>(const HostCall& call, unsigned index) { return call.Bool(index) ? 1 : 0; }
template <> uint32_t ArgumentOf<uint32_t>(const HostCall& call, unsigned index) { return call.Uint(index); }
template <> float ArgumentOf<float>(const HostCall& call, unsigned index) { return call.Float(index); }

void ReturnField(const HostCall& call, uint8_t value) { call.ReturnBool(value != 0); }
void ReturnField(const HostCall& call, uint32_t value) { call.ReturnUint(value); }
void ReturnField(const HostCall& call, float value) { call.ReturnFloat(value); }

// Writes never wrap: outside the world nothing is stored and the script stops. The text
// names the function family with a literal X, not the field number.
template <class Field, Field Cell::*Member, char Kind>
void SetBuffer(asIScriptGeneric* generic) {
    HostCall call(generic);
    int x = call.Int(0);
    int y = call.Int(1);
    if (Cell* cell = Target(call).Cells().WriteCell(x, y)) {
        cell->*Member = ArgumentOf<Field>(call, 2);
        return;
    }
    SetScriptException(std::string("Błąd w funkcji \"SetBuffer_") + Kind + "X\" - indeks poza zakresem (" + IntToStr(x) +
                       "," + IntToStr(y) + ")");
}

template <class Field, Field Cell::*Member>
void GetBuffer(asIScriptGeneric* generic) {
    HostCall call(generic);
    ReturnField(call, Target(call).Cells().ReadCell(call.Int(0), call.Int(1)).*Member);
}

// --- Maths -----------------------------------------------------------------------------------

void AbsI(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnInt(AbsInt(call.Int(0)));
}

void AbsF(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(AbsFloat(call.Float(0)));
}

template <class T> T ArgumentAs(const HostCall& call, unsigned index);
template <> uint32_t ArgumentAs<uint32_t>(const HostCall& call, unsigned index) { return call.Uint(index); }
template <> int32_t ArgumentAs<int32_t>(const HostCall& call, unsigned index) { return call.Int(index); }
template <> float ArgumentAs<float>(const HostCall& call, unsigned index) { return call.Float(index); }

void ReturnAs(const HostCall& call, uint32_t value) { call.ReturnUint(value); }
void ReturnAs(const HostCall& call, int32_t value) { call.ReturnInt(value); }
void ReturnAs(const HostCall& call, float value) { call.ReturnFloat(value); }

template <class T> void Min(asIScriptGeneric* generic) {
    HostCall call(generic);
    ReturnAs(call, MinOf(ArgumentAs<T>(call, 0), ArgumentAs<T>(call, 1)));
}

template <class T> void Max(asIScriptGeneric* generic) {
    HostCall call(generic);
    ReturnAs(call, MaxOf(ArgumentAs<T>(call, 0), ArgumentAs<T>(call, 1)));
}

template <class T> void MinMax(asIScriptGeneric* generic) {
    HostCall call(generic);
    ReturnAs(call, MinMaxOf(ArgumentAs<T>(call, 0), ArgumentAs<T>(call, 1), ArgumentAs<T>(call, 2)));
}

void RandB(asIScriptGeneric* generic) { HostCall(generic).ReturnBool(RandomBool(ProcessCRandGenerator())); }
void RandU(asIScriptGeneric* generic) { HostCall(generic).ReturnUint(RandomUint(ProcessCRandGenerator())); }
void RandF(asIScriptGeneric* generic) { HostCall(generic).ReturnFloat(RandomFloat(ProcessCRandGenerator())); }

void RandNormal(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(ProcessNormalGenerator().Next(call.Float(0)));
}

void RandURange(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnUint(RandomUintRange(ProcessCRandGenerator(), call.Uint(0), call.Uint(1)));
}

void RandFRange(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(RandomFloatRange(ProcessCRandGenerator(), call.Float(0), call.Float(1)));
}

// The standard functions, computed in double precision and returned as float.
template <double (*Function)(double)> void Unary(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(NarrowToFloat(Function(static_cast<double>(call.Float(0)))));
}

template <double (*Function)(double, double)> void Binary(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(NarrowToFloat(Function(static_cast<double>(call.Float(0)), static_cast<double>(call.Float(1)))));
}

// Plain function pointers to the double overloads of <cmath>.
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

void Round(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnInt(RoundToInt(call.Float(0)));
}

// --- Colours and buttons ---------------------------------------------------------------------

void InterpolateColorFunction(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnUint(InterpolateColor(call.Uint(0), call.Uint(1), call.Float(2)));
}

void RainbowColorFunction(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnUint(RainbowColor(call.Float(0)));
}

void GrayscaleFunction(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnFloat(Grayscale(call.Uint(0)));
}

void GetButtonDown(asIScriptGeneric* generic) {
    HostCall call(generic);
    call.ReturnBool(Target(call).GetButtonDown(call.Int(0)));
}

void SetButtonDown(asIScriptGeneric* generic) {
    HostCall call(generic);
    Target(call).SetButtonDown(call.Int(0), call.Bool(1));
}

}  // namespace

const std::array<HostFunction, HostFunctionCount> HostFunctions { {
    {"void Beep(uint, uint)", Beep},
    {"void Debug(int, int)", Debug},
    {"int GetWidth()", GetWidth},
    {"int GetHeight()", GetHeight},
    {"void assert(bool)", Assert},
    {"void error(int)", Error},
    {"float PI()", Pi},
    {"float E()", E},
    {"void SetBuffer_b1(int, int, bool)", SetBuffer<uint8_t, &Cell::b1, 'b'>},
    {"void SetBuffer_b2(int, int, bool)", SetBuffer<uint8_t, &Cell::b2, 'b'>},
    {"void SetBuffer_b3(int, int, bool)", SetBuffer<uint8_t, &Cell::b3, 'b'>},
    {"void SetBuffer_b4(int, int, bool)", SetBuffer<uint8_t, &Cell::b4, 'b'>},
    {"void SetBuffer_u1(int, int, uint)", SetBuffer<uint32_t, &Cell::u1, 'u'>},
    {"void SetBuffer_u2(int, int, uint)", SetBuffer<uint32_t, &Cell::u2, 'u'>},
    {"void SetBuffer_u3(int, int, uint)", SetBuffer<uint32_t, &Cell::u3, 'u'>},
    {"void SetBuffer_u4(int, int, uint)", SetBuffer<uint32_t, &Cell::u4, 'u'>},
    {"void SetBuffer_f1(int, int, float)", SetBuffer<float, &Cell::f1, 'f'>},
    {"void SetBuffer_f2(int, int, float)", SetBuffer<float, &Cell::f2, 'f'>},
    {"void SetBuffer_f3(int, int, float)", SetBuffer<float, &Cell::f3, 'f'>},
    {"void SetBuffer_f4(int, int, float)", SetBuffer<float, &Cell::f4, 'f'>},
    {"bool GetBuffer_b1(int, int)", GetBuffer<uint8_t, &Cell::b1>},
    {"bool GetBuffer_b2(int, int)", GetBuffer<uint8_t, &Cell::b2>},
    {"bool GetBuffer_b3(int, int)", GetBuffer<uint8_t, &Cell::b3>},
    {"bool GetBuffer_b4(int, int)", GetBuffer<uint8_t, &Cell::b4>},
    {"uint GetBuffer_u1(int, int)", GetBuffer<uint32_t, &Cell::u1>},
    {"uint GetBuffer_u2(int, int)", GetBuffer<uint32_t, &Cell::u2>},
    {"uint GetBuffer_u3(int, int)", GetBuffer<uint32_t, &Cell::u3>},
    {"uint GetBuffer_u4(int, int)", GetBuffer<uint32_t, &Cell::u4>},
    {"float GetBuffer_f1(int, int)", GetBuffer<float, &Cell::f1>},
    {"float GetBuffer_f2(int, int)", GetBuffer<float, &Cell::f2>},
    {"float GetBuffer_f3(int, int)", GetBuffer<float, &Cell::f3>},
    {"float GetBuffer_f4(int, int)", GetBuffer<float, &Cell::f4>},
    {"int abs_i(int)", AbsI},
    {"float abs_f(float)", AbsF},
    {"uint min_u(uint, uint)", Min<uint32_t>},
    {"int min_i(int, int)", Min<int32_t>},
    {"float min_f(float, float)", Min<float>},
    {"uint max_u(uint, uint)", Max<uint32_t>},
    {"int max_i(int, int)", Max<int32_t>},
    {"float max_f(float, float)", Max<float>},
    {"uint minmax_u(uint, uint, uint)", MinMax<uint32_t>},
    {"int minmax_i(int, int, int)", MinMax<int32_t>},
    {"float minmax_f(float, float, float)", MinMax<float>},
    {"bool rand_b()", RandB},
    {"uint rand_u()", RandU},
    {"float rand_f()", RandF},
    {"float rand_normal(float)", RandNormal},
    {"uint rand_u_range(uint, uint)", RandURange},
    {"float rand_f_range(float, float)", RandFRange},
    {"float sin(float)", Unary<Sin>},
    {"float cos(float)", Unary<Cos>},
    {"float tan(float)", Unary<Tan>},
    {"float asin(float)", Unary<Asin>},
    {"float acos(float)", Unary<Acos>},
    {"float atan(float)", Unary<Atan>},
    {"float sinh(float)", Unary<Sinh>},
    {"float cosh(float)", Unary<Cosh>},
    {"float tanh(float)", Unary<Tanh>},
    {"float atan2(float, float)", Binary<Atan2>},
    {"float ceil(float)", Unary<Ceil>},
    {"float floor(float)", Unary<Floor>},
    {"int round(float)", Round},
    {"float fmod(float, float)", Binary<Fmod>},
    {"float log10(float)", Unary<Log10>},
    {"float log(float)", Unary<Log>},
    {"float exp(float)", Unary<Exp>},
    {"float pow(float, float)", Binary<Pow>},
    {"float sqrt(float)", Unary<Sqrt>},
    {"uint InterpolateColor(uint, uint, float)", InterpolateColorFunction},
    {"uint RainbowColor(float)", RainbowColorFunction},
    {"float Grayscale(uint)", GrayscaleFunction},
    {"bool GetButtonDown(int)", GetButtonDown},
    {"void SetButtonDown(int, bool)", SetButtonDown},
} };

void RegisterHostFunctions(asIScriptEngine& engine, Automaton& automaton) {
    for (const HostFunction& function : HostFunctions) {
        [[maybe_unused]] int result =
            engine.RegisterGlobalFunction(function.Declaration, asFUNCTION(function.Function), asCALL_GENERIC, &automaton);
        assert(result >= 0 && "a host function declaration the engine refuses");
    }
}

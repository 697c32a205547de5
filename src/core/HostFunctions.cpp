#include "core/HostFunctions.h"

#include <cassert>
#include <cmath>
#include <string>

#include "base/Utilities.h"
#include "core/Automaton.h"
#include "core/CRandGenerator.h"
#include "core/HostCall.h"
#include "core/NormalGenerator.h"
#include "core/ScriptMath.h"
#include "core/StatusColors.h"
#include "view/ViewSettings.h"

namespace core {

using cells::Cell;
using namespace AngelScript;

namespace {

// The call's arguments and result, and the automaton it acts on: its auxiliary pointer.
struct Call {
    explicit Call(asIScriptGeneric* generic) : Host(generic), Target(*static_cast<Automaton*>(generic->GetAuxiliary())) {}
    HostCall Host;
    Automaton& Target;
};

// A host function fails by setting an exception on the running context and returning; the
// engine then stops the script and the caller of the script reports it. The exception is not
// one a script's try/catch may swallow: a failed write always ends the call.
void SetScriptException(const std::string& text) {
    if (asIScriptContext* context = asGetActiveContext()) context->SetException(text.c_str(), false);
}

// --- General ---------------------------------------------------------------------------------

void Beep(asIScriptGeneric* generic) {
    Call call(generic);
    call.Target.Beep().Beep(call.Host.Uint(0), call.Host.Uint(1));
}

void Debug(asIScriptGeneric* generic) {
    Call call(generic);
    call.Target.Controls().SetStatus(base::IntToStr(call.Host.Int(0)) + " " + base::IntToStr(call.Host.Int(1)),
                                     StatusInfoColor);
}

void GetWidth(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnInt(call.Target.Width());
}

void GetHeight(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnInt(call.Target.Height());
}

void Assert(asIScriptGeneric* generic) {
    if (!Call(generic).Host.Bool(0)) SetScriptException("Asercja jest fałszywa");
}

void Error(asIScriptGeneric* generic) {
    SetScriptException("Wywołano funkcję \"error\", kod: " + base::IntToStr(Call(generic).Host.Int(0)));
}

void Pi(asIScriptGeneric* generic) { Call(generic).Host.ReturnFloat(3.1415927f); }
void E(asIScriptGeneric* generic) { Call(generic).Host.ReturnFloat(2.7182817f); }

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
template <class Field, Field cells::Cell::*Member, char Kind>
void SetBuffer(asIScriptGeneric* generic) {
    Call call(generic);
    int x = call.Host.Int(0);
    int y = call.Host.Int(1);
    if (Cell* cell = call.Target.Cells().WriteCell(x, y)) {
        cell->*Member = ArgumentOf<Field>(call.Host, 2);
        return;
    }
    SetScriptException(std::string("Błąd w funkcji \"SetBuffer_") + Kind + "X\" - indeks poza zakresem (" + base::IntToStr(x) +
                       "," + base::IntToStr(y) + ")");
}

template <class Field, Field cells::Cell::*Member>
void GetBuffer(asIScriptGeneric* generic) {
    Call call(generic);
    ReturnField(call.Host, call.Target.Cells().ReadCell(call.Host.Int(0), call.Host.Int(1)).*Member);
}

// --- Maths -----------------------------------------------------------------------------------

void AbsI(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnInt(AbsInt(call.Host.Int(0)));
}

void AbsF(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(AbsFloat(call.Host.Float(0)));
}

template <class T> T ArgumentAs(const HostCall& call, unsigned index);
template <> uint32_t ArgumentAs<uint32_t>(const HostCall& call, unsigned index) { return call.Uint(index); }
template <> int32_t ArgumentAs<int32_t>(const HostCall& call, unsigned index) { return call.Int(index); }
template <> float ArgumentAs<float>(const HostCall& call, unsigned index) { return call.Float(index); }

void ReturnAs(const HostCall& call, uint32_t value) { call.ReturnUint(value); }
void ReturnAs(const HostCall& call, int32_t value) { call.ReturnInt(value); }
void ReturnAs(const HostCall& call, float value) { call.ReturnFloat(value); }

template <class T> void Min(asIScriptGeneric* generic) {
    Call call(generic);
    ReturnAs(call.Host, MinOf(ArgumentAs<T>(call.Host, 0), ArgumentAs<T>(call.Host, 1)));
}

template <class T> void Max(asIScriptGeneric* generic) {
    Call call(generic);
    ReturnAs(call.Host, MaxOf(ArgumentAs<T>(call.Host, 0), ArgumentAs<T>(call.Host, 1)));
}

template <class T> void MinMax(asIScriptGeneric* generic) {
    Call call(generic);
    ReturnAs(call.Host, MinMaxOf(ArgumentAs<T>(call.Host, 0), ArgumentAs<T>(call.Host, 1), ArgumentAs<T>(call.Host, 2)));
}

void RandB(asIScriptGeneric* generic) { Call(generic).Host.ReturnBool(RandomBool(ProcessCRandGenerator())); }
void RandU(asIScriptGeneric* generic) { Call(generic).Host.ReturnUint(RandomUint(ProcessCRandGenerator())); }
void RandF(asIScriptGeneric* generic) { Call(generic).Host.ReturnFloat(RandomFloat(ProcessCRandGenerator())); }

void RandNormal(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(ProcessNormalGenerator().Next(call.Host.Float(0)));
}

void RandURange(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnUint(RandomUintRange(ProcessCRandGenerator(), call.Host.Uint(0), call.Host.Uint(1)));
}

void RandFRange(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(RandomFloatRange(ProcessCRandGenerator(), call.Host.Float(0), call.Host.Float(1)));
}

// The standard functions, computed in double precision and returned as float.
template <double (*Function)(double)> void Unary(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(base::NarrowToFloat(Function(static_cast<double>(call.Host.Float(0)))));
}

template <double (*Function)(double, double)> void Binary(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(
        base::NarrowToFloat(Function(static_cast<double>(call.Host.Float(0)), static_cast<double>(call.Host.Float(1)))));
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
    Call call(generic);
    call.Host.ReturnInt(RoundToInt(call.Host.Float(0)));
}

// --- Colours and buttons ---------------------------------------------------------------------

void InterpolateColorFunction(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnUint(view::InterpolateColor(call.Host.Uint(0), call.Host.Uint(1), call.Host.Float(2)));
}

void RainbowColorFunction(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnUint(view::RainbowColor(call.Host.Float(0)));
}

void GrayscaleFunction(asIScriptGeneric* generic) {
    Call call(generic);
    call.Host.ReturnFloat(view::Grayscale(call.Host.Uint(0)));
}

// Buttons by number (ButtonSlot); a number that names no button reads as up and sets nothing.
void GetButtonDown(asIScriptGeneric* generic) {
    Call call(generic);
    int slot = ButtonSlot(call.Host.Int(0));
    call.Host.ReturnBool(slot >= 0 && call.Target.Controls().ButtonDown(slot));
}

void SetButtonDown(asIScriptGeneric* generic) {
    Call call(generic);
    int slot = ButtonSlot(call.Host.Int(0));
    if (slot >= 0) call.Target.Controls().SetButtonDown(slot, call.Host.Bool(1));
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
    {"void SetBuffer_b1(int, int, bool)", SetBuffer<uint8_t, &cells::Cell::b1, 'b'>},
    {"void SetBuffer_b2(int, int, bool)", SetBuffer<uint8_t, &cells::Cell::b2, 'b'>},
    {"void SetBuffer_b3(int, int, bool)", SetBuffer<uint8_t, &cells::Cell::b3, 'b'>},
    {"void SetBuffer_b4(int, int, bool)", SetBuffer<uint8_t, &cells::Cell::b4, 'b'>},
    {"void SetBuffer_u1(int, int, uint)", SetBuffer<uint32_t, &cells::Cell::u1, 'u'>},
    {"void SetBuffer_u2(int, int, uint)", SetBuffer<uint32_t, &cells::Cell::u2, 'u'>},
    {"void SetBuffer_u3(int, int, uint)", SetBuffer<uint32_t, &cells::Cell::u3, 'u'>},
    {"void SetBuffer_u4(int, int, uint)", SetBuffer<uint32_t, &cells::Cell::u4, 'u'>},
    {"void SetBuffer_f1(int, int, float)", SetBuffer<float, &cells::Cell::f1, 'f'>},
    {"void SetBuffer_f2(int, int, float)", SetBuffer<float, &cells::Cell::f2, 'f'>},
    {"void SetBuffer_f3(int, int, float)", SetBuffer<float, &cells::Cell::f3, 'f'>},
    {"void SetBuffer_f4(int, int, float)", SetBuffer<float, &cells::Cell::f4, 'f'>},
    {"bool GetBuffer_b1(int, int)", GetBuffer<uint8_t, &cells::Cell::b1>},
    {"bool GetBuffer_b2(int, int)", GetBuffer<uint8_t, &cells::Cell::b2>},
    {"bool GetBuffer_b3(int, int)", GetBuffer<uint8_t, &cells::Cell::b3>},
    {"bool GetBuffer_b4(int, int)", GetBuffer<uint8_t, &cells::Cell::b4>},
    {"uint GetBuffer_u1(int, int)", GetBuffer<uint32_t, &cells::Cell::u1>},
    {"uint GetBuffer_u2(int, int)", GetBuffer<uint32_t, &cells::Cell::u2>},
    {"uint GetBuffer_u3(int, int)", GetBuffer<uint32_t, &cells::Cell::u3>},
    {"uint GetBuffer_u4(int, int)", GetBuffer<uint32_t, &cells::Cell::u4>},
    {"float GetBuffer_f1(int, int)", GetBuffer<float, &cells::Cell::f1>},
    {"float GetBuffer_f2(int, int)", GetBuffer<float, &cells::Cell::f2>},
    {"float GetBuffer_f3(int, int)", GetBuffer<float, &cells::Cell::f3>},
    {"float GetBuffer_f4(int, int)", GetBuffer<float, &cells::Cell::f4>},
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

}  // namespace core

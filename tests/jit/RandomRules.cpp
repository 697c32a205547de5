#include "RandomRules.h"

#include <array>
#include <string>
#include <vector>

namespace jittest {

namespace {

// splitmix64: the same numbers on every platform and standard library.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T, size_t N> const T& Pick(const std::array<T, N>& items) { return items[static_cast<size_t>(Below(N))]; }

private:
    uint64_t m_state;
};

enum Type { Int, Uint, Float, Bool, Double, Int64, Int8, Uint16, TypeCount };
const char* const TypeNames[] = {"int", "uint", "float", "bool", "double", "int64", "int8", "uint16"};
const char Fields[] = {'b', 'u', 'f'};

struct Variable {
    std::string Name;
    Type Kind;
    bool Array { false };  // an array of Kind (the engine's array add-on)
};

class RuleWriter {
public:
    explicit RuleWriter(uint64_t seed) : m_random(seed) {}

    std::string Definition() {
        int width = 1 + m_random.Below(7), height = 1 + m_random.Below(6);
        m_width = width;
        m_height = height;
        bool wrap = m_random.Chance(50);
        std::string header = "[Vorlen 1]\nTitle: Random\nWrap: " + std::string(wrap ? "true" : "false") +
                             (wrap ? "" : "\nDefault: [b1: true u1: 77 f1: -2.5]") + "\nBuffers: " +
                             std::to_string(1 + m_random.Below(3)) + "\nWidth: " + std::to_string(width) +
                             "\nHeight: " + std::to_string(height) +
                             "\nView: texture u1 [RGB]\nBackground: black\nButtons: [1: A]\n--CODE--\n";
        std::string code;
        for (int g = 0; g < 3; ++g) {
            Type type = static_cast<Type>(m_random.Below(TypeCount));
            std::string name = "g" + std::to_string(g);
            code += TypeNames[type] + std::string(" ") + name + " = " + Literal(type) + ";\n";
            m_globals.push_back({name, type});
        }
        if (m_random.Chance(60)) {
            // A lookup table, as rules keep their birth and survival rules.
            Type type = ArrayType();
            code += std::string(m_random.Chance(50) ? "const " : "") + TypeNames[type] + "[] t = " + ListOf(type) + ";\n";
            m_globals.push_back({"t", type, true});
        }
        int helpers = m_random.Below(3);
        for (int f = 0; f < helpers; ++f) code += Helper(f);
        code += Function("void OnInit()", {}, true);
        code += Function("void OnFrame()", {}, true);
        code += Function("void OnButton1()", {}, false);
        code += Function("void OnMouseDown(const int mx, const int my)", {{"mx", Int}, {"my", Int}}, false);
        return header + code;
    }

private:
    // --- Functions and statements ---------------------------------------------------------------
    std::string Helper(int index) {
        Type result = static_cast<Type>(m_random.Below(5));
        Type a = static_cast<Type>(m_random.Below(5)), b = static_cast<Type>(m_random.Below(5));
        std::string signature = std::string(TypeNames[result]) + " h" + std::to_string(index) + "(" + TypeNames[a] +
                                " p, " + TypeNames[b] + " q)";
        std::string body = "{\n";
        m_scopes = {{{"p", a}, {"q", b}}};
        m_depth = 1;
        for (int i = 0, n = 1 + m_random.Below(4); i < n; ++i) body += Statement(false);
        body += "  return " + Expression(result, 2) + ";\n}\n";
        m_helpers.push_back({"h" + std::to_string(index), result, a, b});
        return signature + " " + body;
    }

    std::string Function(const std::string& signature, std::vector<Variable> parameters, bool overWorld) {
        m_scopes = {parameters};
        m_depth = 1;
        std::string body;
        for (int i = 0, n = 1 + m_random.Below(3); i < n; ++i) body += Statement(false);
        if (overWorld) {
            // The shape of a rule: every cell, from the previous generation to the next.
            body += "  for (int x = 0; x < GetWidth(); x++)\n    for (int y = 0; y < GetHeight(); y++) {\n";
            m_scopes.push_back({{"x", Int}, {"y", Int}});
            m_depth = 3;
            if (m_random.Chance(60)) {
                // A neighbour count, the way rules count.
                Type type = m_random.Chance(70) ? Int : Uint;
                std::string counter = "c" + std::to_string(m_next++);
                body += "      " + std::string(TypeNames[type]) + " " + counter + " = " + Literal(type) + ";\n";
                for (int i = 0, n = 2 + m_random.Below(5); i < n; ++i) {
                    std::string condition = m_random.Chance(60)
                        ? "GetBuffer_b" + std::to_string(1 + m_random.Below(4)) + "(" + Coordinate("x", false) + ", " + Coordinate("y", false) + ")"
                        : Expression(Bool, 2);
                    body += "      if (" + condition + ") " + counter + Increment() + ";\n";
                }
                m_scopes.back().push_back({counter, type});
            }
            for (int i = 0, n = 2 + m_random.Below(6); i < n; ++i) body += Statement(true);
            body += Write("x", "y", 3) + "    }\n";
            m_scopes.pop_back();
        }
        return signature + " {\n" + body + "}\n";
    }

    std::string Indent() const { return std::string(static_cast<size_t>(2 * m_depth), ' '); }

    std::string Statement(bool inWorld) {
        if (m_random.Chance(8)) return ArrayStatement();
        if (m_random.Chance(10)) {
            // The counting of a rule: if (neighbour alive) n++;
            const Variable* counter = LocalOf(m_random.Chance(70) ? Int : Uint);
            if (counter) {
                std::string condition = m_random.Chance(50) ? Call(Bool, 2) : Expression(Bool, 2);
                return Indent() + "if (" + condition + ") " + counter->Name + Increment() + ";\n";
            }
        }
        int choice = m_random.Below(inWorld ? 15 : 12);
        // Nesting and length are bounded: a rule of a few dozen lines tests as much.
        if (m_depth > 4 || ++m_statements > 45) choice = m_random.Chance(50) ? 0 : 2;
        switch (choice) {
            case 0:
            case 1: {
                Type type = static_cast<Type>(m_random.Below(TypeCount));
                std::string name = "v" + std::to_string(m_next++);
                std::string text = Indent() + TypeNames[type] + " " + name + " = " + Convert(type, 2) + ";\n";
                m_scopes.back().push_back({name, type});
                return text;
            }
            case 2:
            case 3: {
                const Variable* target = AnyVariable(true);
                if (!target) return Statement(inWorld);
                return Indent() + target->Name + Assignment(target->Kind) + ";\n";
            }
            case 4: {
                std::string text = Indent() + "if (" + Expression(Bool, 3) + ") {\n" + Block(inWorld) + Indent() + "}";
                if (m_random.Chance(50)) text += " else {\n" + Block(inWorld) + Indent() + "}";
                return text + "\n";
            }
            case 5: {
                std::string counter = "i" + std::to_string(m_next++);
                std::string text = Indent() + "for (int " + counter + " = 0; " + counter + " < " +
                                   std::to_string(m_random.Below(5)) + "; " + counter + "++) {\n";
                m_scopes.push_back({{counter, Int}});
                ++m_depth;
                if (m_random.Chance(30)) text += Indent() + "if (" + Expression(Bool, 2) + ") " + (m_random.Chance(50) ? "break" : "continue") + ";\n";
                --m_depth;
                text += Block(inWorld) + Indent() + "}\n";
                m_scopes.pop_back();
                return text;
            }
            case 6: {
                std::string guard = "w" + std::to_string(m_next++);
                std::string text = Indent() + "int " + guard + " = 0;\n" + Indent() + "while (" + Expression(Bool, 2) +
                                   " && " + guard + "++ < " + std::to_string(1 + m_random.Below(4)) + ") {\n";
                m_scopes.back().push_back({guard, Int});
                text += Block(inWorld) + Indent() + "}\n";
                return text;
            }
            case 7: {
                std::string text = Indent() + "switch (" + Expression(Int, 2) + " % 4) {\n";
                for (int c = 0; c < 3; ++c) {
                    text += Indent() + "  case " + std::to_string(c - 1) + ": {\n" + Block(inWorld) + Indent() + "  }\n";
                    if (m_random.Chance(70)) text += Indent() + "    break;\n";
                }
                return text + Indent() + "  default: {\n" + Block(inWorld) + Indent() + "  }\n" + Indent() + "}\n";
            }
            case 8: {
                const Variable* target = AnyVariable(true);
                if (!target || target->Kind == Bool) return Statement(inWorld);
                return Indent() + target->Name + Increment() + ";\n";
            }
            case 9:
                return Indent() + "Debug(" + Expression(Int, 2) + ", " + Expression(Int, 1) + ");\n";
            case 10:
                return Indent() + "SetButtonDown(" + std::to_string(m_random.Below(11)) + ", " + Expression(Bool, 1) + ");\n";
            case 11:
                if (m_random.Chance(10)) return Indent() + "assert(" + Expression(Bool, 1) + " || true);\n";
                return Write(WriteCoordinate("", m_width), WriteCoordinate("", m_height), 1);
            default:
                // A write of the next generation from the previous one's neighbourhood.
                return Write(WriteCoordinate("x", m_width), WriteCoordinate("y", m_height), 3);
        }
    }

    // --- Arrays ----------------------------------------------------------------------------------
    Type ArrayType() { return m_random.Pick(std::array<Type, 5> {Int, Uint, Float, Bool, Double}); }

    std::string ListOf(Type type) {
        std::string list = "{";
        for (int i = 0, n = 1 + m_random.Below(9); i < n; ++i) list += (i ? ", " : "") + Literal(type);
        return list + "}";
    }

    const Variable* ArrayOf(Type type) {
        std::vector<const Variable*> candidates;
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (variable.Array && variable.Kind == type) candidates.push_back(&variable);
        for (const Variable& variable : m_globals)
            if (variable.Array && variable.Kind == type) candidates.push_back(&variable);
        if (candidates.empty()) return nullptr;
        return candidates[static_cast<size_t>(m_random.Below(static_cast<int>(candidates.size())))];
    }

    // An index into `array`: mostly inside it, now and then anywhere (a script exception).
    std::string Index(const Variable& array) {
        if (m_random.Chance(4)) return Expression(Uint, 1);
        return "min_u(" + Expression(Uint, 1) + " % 8, " + array.Name + ".length() - 1)";
    }

    std::string ArrayStatement() {
        Type type = ArrayType();
        const Variable* array = ArrayOf(type);
        if (!array || m_random.Chance(30)) {
            std::string name = "a" + std::to_string(m_next++);
            std::string text = Indent() + TypeNames[type] + "[] " + name +
                               (m_random.Chance(50) ? " = " + ListOf(type) : "(" + std::to_string(1 + m_random.Below(6)) + ")") + ";\n";
            m_scopes.back().push_back({name, type, true});
            return text;
        }
        bool constant = array->Name == "t";  // the global table may be const
        switch (constant ? 3 : m_random.Below(4)) {
            case 0: return Indent() + array->Name + "[" + Index(*array) + "] = " + Expression(type, 2) + ";\n";
            case 1:
                if (type == Bool) return Indent() + array->Name + ".insertLast(" + Expression(type, 2) + ");\n";
                return Indent() + array->Name + "[" + Index(*array) + "] += " + Expression(type, 2) + ";\n";
            case 2: return Indent() + array->Name + ".resize(" + std::to_string(1 + m_random.Below(9)) + ");\n";
            default: {
                const Variable* target = AnyVariable(true);
                if (!target || target->Kind != type) return Indent() + "Debug(int(" + array->Name + ".length()), 0);\n";
                return Indent() + target->Name + " = " + array->Name + "[" + Index(*array) + "];\n";
            }
        }
    }

    std::string Write(const std::string& x, const std::string& y, int depth) {
        char field = Fields[m_random.Below(3)];
        Type type = field == 'b' ? Bool : field == 'u' ? Uint : Float;
        return Indent() + "SetBuffer_" + std::string(1, field) + std::to_string(1 + m_random.Below(4)) + "(" + x + ", " +
               y + ", " + Expression(type, depth) + ");\n";
    }

    std::string Block(bool inWorld) {
        m_scopes.push_back({});
        ++m_depth;
        std::string text;
        for (int i = 0, n = 1 + m_random.Below(3); i < n; ++i) text += Statement(inWorld);
        --m_depth;
        m_scopes.pop_back();
        return text;
    }

    std::string Assignment(Type type) {
        static const std::array<const char*, 5> arithmetic = {" += ", " -= ", " *= ", " /= ", " %= "};
        static const std::array<const char*, 6> bits = {" &= ", " |= ", " ^= ", " <<= ", " >>= ", " >>>= "};
        if (type == Bool || m_random.Chance(50)) return " = " + Convert(type, 3);
        if ((type == Int || type == Uint || type == Int64) && m_random.Chance(40)) return m_random.Pick(bits) + Convert(type, 2);
        const char* op = m_random.Pick(arithmetic);
        std::string value = Convert(type, 2);
        if (op[1] == '/' || op[1] == '%') value = Divisor(type, value);
        return op + value;
    }

    std::string Increment() { return m_random.Chance(50) ? "++" : "--"; }

    // --- Expressions -----------------------------------------------------------------------------
    // An expression of `type` built from any type through explicit conversions.
    std::string Convert(Type type, int depth) {
        if (type == Bool || m_random.Chance(60)) return Expression(type, depth);
        Type from = static_cast<Type>(m_random.Below(TypeCount));
        if (from == Bool) return "(" + Expression(Bool, depth - 1) + " ? " + Literal(type) + " : " + Literal(type) + ")";
        return std::string(TypeNames[type]) + "(" + Expression(from, depth - 1) + ")";
    }

    std::string Expression(Type type, int depth) {
        if (type == Int8 || type == Uint16) {
            if (const Variable* variable = VariableOf(type); variable && m_random.Chance(60)) return variable->Name;
            return std::string(TypeNames[type]) + "(" + Expression(Int, depth - 1) + ")";
        }
        if (depth <= 0 || m_random.Chance(25)) return Leaf(type);
        switch (type) {
            case Bool: return BoolExpression(depth);
            case Float:
            case Double: return RealExpression(type, depth);
            default: return IntegerExpression(type, depth);
        }
    }

    std::string Leaf(Type type) {
        if (const Variable* array = ArrayOf(type); array && m_random.Chance(20)) return array->Name + "[" + Index(*array) + "]";
        if (const Variable* variable = VariableOf(type); variable && m_random.Chance(65)) {
            if (type != Bool && Assignable(*variable) && m_random.Chance(10)) return "(" + Increment() + variable->Name + ")";
            return variable->Name;
        }
        return Literal(type);
    }

    std::string Literal(Type type) {
        switch (type) {
            case Int: return m_random.Pick(std::array<const char*, 9> {"0", "1", "-1", "7", "100", "2147483647",
                                                                       "(-2147483647 - 1)", "-13", "65536"});
            case Uint: return m_random.Pick(std::array<const char*, 7> {"uint(0)", "uint(1)", "uint(3)", "uint(255)", "0xFFFFFFFF",
                                                                        "0x80000000", "uint(1000)"});
            case Float: return m_random.Pick(std::array<const char*, 12> {"0.0f", "-0.0f", "0.5f", "1.0f", "-2.25f",
                                                                          "3.4e38f", "1e-40f", "(3.4e38f * 10.0f)",
                                                                          "(3.4e38f * 10.0f - 3.4e38f * 10.0f)", "1e9f",
                                                                          "-7.5e9f", "123.456f"});
            case Bool: return m_random.Chance(50) ? "true" : "false";
            case Double: return m_random.Pick(std::array<const char*, 7> {"0.0", "-1.5", "1e300", "2.5e-310", "3.0",
                                                                          "(1e300 * 1e300)", "-1e10"});
            case Int64: return m_random.Pick(std::array<const char*, 5> {"int64(0)", "int64(-1)", "int64(1) << 62",
                                                                         "(int64(-9223372036854775807) - 1)", "int64(123456789012)"});
            default: return std::string(TypeNames[type]) + "(" + Literal(Int) + ")";
        }
    }

    // Mostly a divisor that cannot be zero; now and then a variable, which may be (a script
    // exception at run time; a constant zero would not compile).
    std::string Divisor(Type type, const std::string& value) {
        if (m_random.Chance(4))
            if (const Variable* variable = VariableOf(type)) return variable->Name;
        return NonZero(type, value);
    }

    std::string NonZero(Type type, const std::string& value) {
        switch (type) {
            case Float: return "(abs_f(" + value + ") + 1.0f)";
            case Double: return "(" + value + " * " + value + " + 1.0)";
            case Int: return "((" + value + ") | 1)";
            case Uint: return "((" + value + ") | 1)";
            case Int64: return "((" + value + ") | int64(1))";
            default: return std::string(TypeNames[type]) + "(int(" + value + ") | 1)";
        }
    }

    std::string IntegerExpression(Type type, int depth) {
        static const std::array<const char*, 8> operators = {" + ", " - ", " * ", " & ", " | ", " ^ ", " / ", " % "};
        static const std::array<const char*, 3> shifts = {" << ", " >> ", " >>> "};
        int choice = m_random.Below(10);
        std::string a = Expression(type, depth - 1);
        switch (choice) {
            case 0:
            case 1:
            case 2: {
                const char* op = m_random.Pick(operators);
                std::string b = Expression(type, depth - 1);
                if (op[1] == '/' || op[1] == '%') b = Divisor(type, b);
                return "(" + a + op + b + ")";
            }
            case 3: return "(" + a + m_random.Pick(shifts) + Expression(Uint, depth - 1) + ")";
            case 4: return type == Uint ? "(~" + a + ")" : "(-(" + a + "))";
            case 5: return "(" + Expression(Bool, depth - 1) + " ? " + a + " : " + Expression(type, depth - 1) + ")";
            case 6: return Call(type, depth);
            default: return std::string(TypeNames[type]) + "(" + Expression(Numeric(), depth - 1) + ")";
        }
    }

    // Any type but bool, which converts to nothing.
    Type Numeric() {
        static const std::array<Type, 5> numeric = {Int, Uint, Float, Double, Int64};
        return m_random.Pick(numeric);
    }

    std::string RealExpression(Type type, int depth) {
        static const std::array<const char*, 5> operators = {" + ", " - ", " * ", " / ", " % "};
        int choice = m_random.Below(8);
        std::string a = Expression(type, depth - 1);
        switch (choice) {
            case 0:
            case 1:
            case 2: {
                const char* op = m_random.Pick(operators);
                std::string b = Expression(type, depth - 1);
                if (op[1] == '/' || op[1] == '%') b = Divisor(type, b);
                return "(" + a + op + b + ")";
            }
            case 3: return "(-(" + a + "))";
            case 4: return "(" + Expression(Bool, depth - 1) + " ? " + a + " : " + Expression(type, depth - 1) + ")";
            case 5: return Call(type, depth);
            default: return std::string(TypeNames[type]) + "(" + Expression(Numeric(), depth - 1) + ")";
        }
    }

    std::string BoolExpression(int depth) {
        static const std::array<const char*, 6> comparisons = {" == ", " != ", " < ", " <= ", " > ", " >= "};
        static const std::array<const char*, 3> logic = {" && ", " || ", " ^^ "};
        int choice = m_random.Below(8);
        switch (choice) {
            case 0:
            case 1:
            case 2: {
                Type type = static_cast<Type>(m_random.Below(6));
                if (type == Bool) type = Int;
                return "(" + Expression(type, depth - 1) + m_random.Pick(comparisons) + Expression(type, depth - 1) + ")";
            }
            case 3:
                if (m_random.Chance(30))
                    return "(" + Expression(Bool, depth - 1) + (m_random.Chance(50) ? " == " : " != ") + Expression(Bool, depth - 1) + ")";
                return "(" + Expression(Bool, depth - 1) + m_random.Pick(logic) + Expression(Bool, depth - 1) + ")";
            case 4: return "(!" + Expression(Bool, depth - 1) + ")";
            case 5: return Call(Bool, depth);
            default: return Leaf(Bool);
        }
    }

    // Coordinates near the cell, sometimes far outside the world.
    std::string Coordinate(const std::string& base, bool anywhere) {
        if (m_random.Chance(anywhere ? 30 : 4))
            return m_random.Pick(std::array<const char*, 4> {"(-2147483647 - 1)", "2147483647", "-1", "1000"});
        int offset = m_random.Below(5) - 2;
        if (offset == 0) return base;
        return "(" + base + (offset < 0 ? " - " : " + ") + std::to_string(offset < 0 ? -offset : offset) + ")";
    }

    // Where a cell is written: the loop's own cell or one of the world, now and then one
    // outside it (a script exception).
    std::string WriteCoordinate(const std::string& base, int size) {
        if (m_random.Chance(3)) return Coordinate(base.empty() ? "0" : base, true);
        if (base.empty()) return std::to_string(m_random.Below(size));
        return base;
    }

    std::string Call(Type type, int depth) {
        auto argument = [&](Type t) { return Expression(t, depth - 1); };
        bool inWorld = VariableOf(Int) && HasVariable("x");
        std::string x = inWorld ? Coordinate("x", false) : Coordinate("1", true);
        std::string y = inWorld ? Coordinate("y", false) : Coordinate("1", true);
        for (const HelperFunction& helper : m_helpers)
            if (helper.Result == type && m_random.Chance(20))
                return helper.Name + "(" + argument(helper.First) + ", " + argument(helper.Second) + ")";
        switch (type) {
            case Bool:
                if (m_random.Chance(15)) return "rand_b()";
                if (m_random.Chance(10)) return "GetButtonDown(" + std::to_string(m_random.Below(12)) + ")";
                return "GetBuffer_b" + std::to_string(1 + m_random.Below(4)) + "(" + x + ", " + y + ")";
            case Int: {
                switch (m_random.Below(8)) {
                    case 0: return "GetWidth()";
                    case 1: return "GetHeight()";
                    case 2: return "abs_i(" + argument(Int) + ")";
                    case 3: return "round(" + argument(Float) + ")";
                    case 4: return "min_i(" + argument(Int) + ", " + argument(Int) + ")";
                    case 5: return "max_i(" + argument(Int) + ", " + argument(Int) + ")";
                    case 6: return "minmax_i(" + argument(Int) + ", " + argument(Int) + ", " + argument(Int) + ")";
                    default: return Power(Int, std::to_string(m_random.Below(4)), depth);
                }
            }
            case Uint: {
                switch (m_random.Below(9)) {
                    case 0: return "rand_u()";
                    case 1: return "rand_u_range(" + argument(Uint) + ", " + argument(Uint) + ")";
                    case 2: return "min_u(" + argument(Uint) + ", " + argument(Uint) + ")";
                    case 3: return "max_u(" + argument(Uint) + ", " + argument(Uint) + ")";
                    case 4: return "minmax_u(" + argument(Uint) + ", " + argument(Uint) + ", " + argument(Uint) + ")";
                    case 5: return "InterpolateColor(" + argument(Uint) + ", " + argument(Uint) + ", " + argument(Float) + ")";
                    case 6: return "RainbowColor(" + argument(Float) + ")";
                    default: return "GetBuffer_u" + std::to_string(1 + m_random.Below(4)) + "(" + x + ", " + y + ")";
                }
            }
            case Float: {
                static const std::array<const char*, 15> unary = {"sin", "cos", "tan", "asin", "acos", "atan", "sinh", "cosh",
                                                                 "tanh", "ceil", "floor", "log10", "log", "exp", "sqrt"};
                switch (m_random.Below(12)) {
                    case 0: return std::string(m_random.Pick(unary)) + "(" + argument(Float) + ")";
                    case 1: return std::string(m_random.Pick(std::array<const char*, 3> {"atan2", "fmod", "pow"})) + "(" +
                                   argument(Float) + ", " + argument(Float) + ")";
                    case 2: return std::string(m_random.Pick(std::array<const char*, 2> {"min_f", "max_f"})) + "(" +
                                   argument(Float) + ", " + argument(Float) + ")";
                    case 3: return "minmax_f(" + argument(Float) + ", " + argument(Float) + ", " + argument(Float) + ")";
                    case 4: return "abs_f(" + argument(Float) + ")";
                    case 5: return m_random.Pick(std::array<const char*, 4> {"PI()", "E()", "rand_f()", "rand_normal(2.0f)"});
                    case 6: return "rand_f_range(" + argument(Float) + ", " + argument(Float) + ")";
                    case 7: return "Grayscale(" + argument(Uint) + ")";
                    case 8: return Power(Float, argument(Float), depth);
                    default: return "GetBuffer_f" + std::to_string(1 + m_random.Below(4)) + "(" + x + ", " + y + ")";
                }
            }
            case Double: return Power(Double, "2.0", depth);
            default: return Power(type, std::string(TypeNames[type]) + "(2)", depth);
        }
    }

    // A power of a variable: of two constants the compiler computes the power itself, and
    // refuses to compile one that overflows.
    std::string Power(Type type, const std::string& exponent, int depth) {
        const Variable* base = VariableOf(type);
        if (!base) return Expression(type, depth - 1);
        return "(" + base->Name + " ** " + exponent + ")";
    }

    // --- Variables -------------------------------------------------------------------------------
    const Variable* VariableOf(Type type) {
        std::vector<const Variable*> candidates;
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (variable.Kind == type && !variable.Array) candidates.push_back(&variable);
        for (const Variable& variable : m_globals)
            if (variable.Kind == type && !variable.Array) candidates.push_back(&variable);
        if (candidates.empty()) return nullptr;
        return candidates[static_cast<size_t>(m_random.Below(static_cast<int>(candidates.size())))];
    }

    // A local variable (not a global) that may be assigned.
    const Variable* LocalOf(Type type) {
        std::vector<const Variable*> candidates;
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (variable.Kind == type && Assignable(variable)) candidates.push_back(&variable);
        if (candidates.empty()) return nullptr;
        return candidates[static_cast<size_t>(m_random.Below(static_cast<int>(candidates.size())))];
    }

    // Not the loop counters and guards, not parameters declared const.
    static bool Assignable(const Variable& variable) {
        return !variable.Array && variable.Name != "x" && variable.Name != "y" && variable.Name != "mx" && variable.Name != "my" &&
               variable.Name[0] != 'i' && variable.Name[0] != 'w';
    }

    const Variable* AnyVariable(bool assignable) {
        std::vector<const Variable*> candidates;
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (!assignable || Assignable(variable)) candidates.push_back(&variable);
        for (const Variable& variable : m_globals)
            if (!variable.Array) candidates.push_back(&variable);
        if (candidates.empty()) return nullptr;
        return candidates[static_cast<size_t>(m_random.Below(static_cast<int>(candidates.size())))];
    }

    bool HasVariable(const std::string& name) const {
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (variable.Name == name) return true;
        return false;
    }

    struct HelperFunction {
        std::string Name;
        Type Result, First, Second;
    };

    Random m_random;
    std::vector<Variable> m_globals;
    std::vector<std::vector<Variable>> m_scopes;
    std::vector<HelperFunction> m_helpers;
    int m_depth { 1 };
    int m_next { 0 };
    int m_statements { 0 };
    int m_width { 1 };
    int m_height { 1 };
};

}  // namespace

std::string RandomDefinition(uint64_t seed) { return RuleWriter(seed).Definition(); }

}  // namespace jittest

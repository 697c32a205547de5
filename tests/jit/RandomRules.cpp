#include "RandomRules.h"

#include <cstdlib>
#include <cstring>
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
    template <class T> const T& Pick(const std::vector<T>& items) { return items[static_cast<size_t>(Below(static_cast<int>(items.size())))]; }

private:
    uint64_t m_state;
};

enum Type { Int, Uint, Float, Bool, Double, Int64, Int8, Uint16, TypeCount };
const char* const Names[] = {"int", "uint", "float", "bool", "double", "int64", "int8", "uint16"};
const char Codes[] = "iufbdl";  // the placeholder letter of each type in the forms below

// Edge values first among the literals of each type.
const std::vector<std::string> Literals[] = {
    {"0", "1", "-1", "7", "-13", "65536", "2147483647", "(-2147483647 - 1)"},
    {"uint(0)", "uint(1)", "uint(3)", "uint(255)", "uint(1000)", "0x80000000", "0xFFFFFFFF"},
    {"0.0f", "-0.0f", "0.5f", "1.0f", "-2.25f", "123.456f", "1e9f", "-7.5e9f", "1e-40f", "3.4e38f", "(3.4e38f * 10.0f)",
     "(3.4e38f * 10.0f - 3.4e38f * 10.0f)"},
    {"true", "false"},
    {"0.0", "-1.5", "3.0", "-1e10", "1e300", "2.5e-310", "(1e300 * 1e300)"},
    {"int64(0)", "int64(-1)", "int64(123456789012)", "(int64(1) << 62)", "(int64(-9223372036854775807) - 1)"},
};

// Expression forms by result type. $i $u $f $b $d $l: a sub-expression of that type; $n: any
// number; $q: a divisor of the result type; $v: a variable of it; $x $y: coordinates; $k: a
// field number.
const std::vector<std::string> Forms[] = {
    {"($i + $i)", "($i - $i)", "($i * $i)", "($i & $i)", "($i | $i)", "($i ^ $i)", "($i / $q)", "($i % $q)",
     "($i << $u)", "($i >> $u)", "($i >>> $u)", "(-($i))", "($b ? $i : $i)", "int($n)", "GetWidth()", "GetHeight()",
     "abs_i($i)", "round($f)", "min_i($i, $i)", "max_i($i, $i)", "minmax_i($i, $i, $i)", "(($v % 100) ** 3)"},
    {"($u + $u)", "($u - $u)", "($u * $u)", "($u & $u)", "($u | $u)", "($u ^ $u)", "($u / $q)", "($u % $q)",
     "($u << $u)", "($u >> $u)", "(~$u)", "($b ? $u : $u)", "uint($n)", "rand_u()", "rand_u_range($u, $u)",
     "min_u($u, $u)", "max_u($u, $u)", "minmax_u($u, $u, $u)", "InterpolateColor($u, $u, $f)", "RainbowColor($f)",
     "GetBuffer_u$k($x, $y)", "(($v % 1000) ** uint(2))"},
    {"($f + $f)", "($f - $f)", "($f * $f)", "($f / $q)", "($f % $q)", "(-($f))", "($b ? $f : $f)", "float($n)",
     "sin($f)", "cos($f)", "tan($f)", "asin($f)", "acos($f)", "atan($f)", "sinh($f)", "cosh($f)", "tanh($f)",
     "ceil($f)", "floor($f)", "log10($f)", "log($f)", "exp($f)", "sqrt($f)", "atan2($f, $f)", "fmod($f, $f)",
     "pow($f, $f)", "min_f($f, $f)", "max_f($f, $f)", "minmax_f($f, $f, $f)", "abs_f($f)", "PI()", "E()", "rand_f()",
     "rand_normal(2.0f)", "rand_f_range($f, $f)", "Grayscale($u)", "GetBuffer_f$k($x, $y)", "($v ** 0.5f)", "($v ** $f)"},
    {"($i < $i)", "($u >= $u)", "($f == $f)", "($f > $f)", "($d <= $d)", "($l != $l)", "($b == $b)", "($b != $b)",
     "($b && $b)", "($b || $b)", "($b ^^ $b)", "(!$b)", "rand_b()", "GetButtonDown(11)", "GetButtonDown(3)",
     "GetBuffer_b$k($x, $y)", "GetBuffer_b$k($x, $y)"},
    {"($d + $d)", "($d - $d)", "($d * $d)", "($d / $q)", "($d % $q)", "(-($d))", "double($n)", "($v ** 0.5)"},
    {"($l + $l)", "($l * $l)", "($l - $l)", "($l / $q)", "($l % $q)", "($l << $u)", "($l >>> $u)", "int64($n)"},
};

struct Variable {
    std::string Name;
    Type Kind;
    bool Array { false };     // an array of Kind (the engine's array add-on)
    bool Assignable { true };  // not a loop counter, a guard or a const parameter
};

class RuleWriter {
public:
    explicit RuleWriter(uint64_t seed) : m_random(seed) {}

    std::string Definition() {
        m_width = 1 + m_random.Below(7);
        m_height = 1 + m_random.Below(6);
        bool wrap = m_random.Chance(50);
        std::string text = "[Vorlen 1]\nTitle: Random\nWrap: " + std::string(wrap ? "true" : "false") +
                           (wrap ? "" : "\nDefault: [b1: true u1: 77 f1: -2.5]") + "\nBuffers: " +
                           std::to_string(1 + m_random.Below(3)) + "\nWidth: " + std::to_string(m_width) + "\nHeight: " +
                           std::to_string(m_height) + "\nView: texture u1 [RGB]\nBackground: black\nButtons: [1: A]\n--CODE--\n";
        for (int g = 0; g < 3; ++g) {
            Type type = static_cast<Type>(m_random.Below(TypeCount));
            m_globals.push_back({"g" + std::to_string(g), type});
            text += Names[type] + (" g" + std::to_string(g)) + " = " + Literal(type) + ";\n";
        }
        if (m_random.Chance(60)) {  // a lookup table, as rules keep their birth and survival rules
            Type type = ArrayType();
            bool constant = m_random.Chance(50);
            m_globals.push_back({"t", type, true, !constant});
            text += (constant ? "const " : "") + std::string(Names[type]) + "[] t = " + List(type) + ";\n";
        }
        for (int f = 0, helpers = m_random.Below(3); f < helpers; ++f) {
            Type result = static_cast<Type>(m_random.Below(5)), p = static_cast<Type>(m_random.Below(5)),
                 q = static_cast<Type>(m_random.Below(5));
            std::string name = "h" + std::to_string(f);
            text += Function(std::string(Names[result]) + " " + name + "(" + Names[p] + " p, " + Names[q] + " q)",
                             {{"p", p}, {"q", q}}, false, result);
            m_helpers.push_back({name, result, p, q});
        }
        text += Function("void OnInit()", {}, true) + Function("void OnFrame()", {}, true) +
                Function("void OnButton1()", {}, false) +
                Function("void OnMouseDown(const int mx, const int my)", {{"mx", Int, false, false}, {"my", Int, false, false}}, false);
        return text;
    }

private:
    struct Helper {
        std::string Name;
        Type Result, First, Second;
    };

    // --- Functions and statements --------------------------------------------------------------
    std::string Function(const std::string& signature, std::vector<Variable> parameters, bool overWorld,
                         Type result = TypeCount) {
        m_scopes = {parameters};
        m_depth = 1;
        std::string body;
        for (int i = 0, n = 1 + m_random.Below(3); i < n; ++i) body += Statement();
        if (overWorld) {
            // The shape of a rule: every cell, from the previous generation to the next.
            body += "  for (int x = 0; x < GetWidth(); x++)\n    for (int y = 0; y < GetHeight(); y++) {\n";
            m_scopes.push_back({{"x", Int, false, false}, {"y", Int, false, false}});
            m_depth = 3;
            if (m_random.Chance(60)) {  // a neighbour count, the way rules count
                Type type = m_random.Chance(70) ? Int : Uint;
                std::string counter = "c" + std::to_string(m_next++);
                body += Indent() + Names[type] + " " + counter + " = " + Literal(type) + ";\n";
                for (int i = 0, n = 2 + m_random.Below(5); i < n; ++i)
                    body += Indent() + "if (" + (m_random.Chance(60) ? Expand("GetBuffer_b$k($x, $y)", Bool, 2) : Expression(Bool, 2)) +
                            ") " + counter + Step() + ";\n";
                m_scopes.back().push_back({counter, type});
            }
            for (int i = 0, n = 2 + m_random.Below(6); i < n; ++i) body += Statement();
            body += Write("x", "y", 3) + "    }\n";
        }
        if (result != TypeCount) body += "  return " + Expression(result, 2) + ";\n";
        return signature + " {\n" + body + "}\n";
    }

    std::string Indent() const { return std::string(static_cast<size_t>(2 * m_depth), ' '); }
    std::string Step() { return m_random.Chance(50) ? "++" : "--"; }

    std::string Statement() {
        // Nesting and length are bounded: a rule of a few dozen lines tests as much.
        int choice = m_depth > 4 || ++m_statements > 45 ? m_random.Below(2) : m_random.Below(16);
        const Variable* target = Pick([](const Variable& v) { return v.Assignable && !v.Array; });
        switch (choice) {
            case 0: {
                Type type = static_cast<Type>(m_random.Below(TypeCount));
                std::string name = "v" + std::to_string(m_next++);
                std::string text = Indent() + Names[type] + " " + name + " = " + Convert(type, 2) + ";\n";
                m_scopes.back().push_back({name, type});
                return text;
            }
            case 1:
            case 2:
                if (!target) return Statement();
                return Indent() + target->Name + Assignment(target->Kind) + ";\n";
            case 3: {
                std::string text = Indent() + "if (" + Expression(Bool, 3) + ") {\n" + Block() + Indent() + "}";
                return text + (m_random.Chance(50) ? " else {\n" + Block() + Indent() + "}\n" : "\n");
            }
            case 4: {
                std::string i = "i" + std::to_string(m_next++);
                std::string text = Indent() + "for (int " + i + " = 0; " + i + " < " + std::to_string(m_random.Below(5)) + "; " + i + "++) {\n";
                m_scopes.push_back({{i, Int, false, false}});
                if (m_random.Chance(30))
                    text += Indent() + "  if (" + Expression(Bool, 2) + ") " + (m_random.Chance(50) ? "break" : "continue") + ";\n";
                text += Block() + Indent() + "}\n";
                m_scopes.pop_back();
                return text;
            }
            case 5: {
                std::string guard = "w" + std::to_string(m_next++);
                m_scopes.back().push_back({guard, Int, false, false});
                return Indent() + "int " + guard + " = 0;\n" + Indent() + "while (" + Expression(Bool, 2) + " && " + guard +
                       "++ < " + std::to_string(1 + m_random.Below(4)) + ") {\n" + Block() + Indent() + "}\n";
            }
            case 6: {
                std::string text = Indent() + "switch (" + Expression(Int, 2) + " % 4) {\n";
                for (int c = -1; c < 2; ++c)
                    text += Indent() + "  case " + std::to_string(c) + ": {\n" + Block() + Indent() + "  }\n" +
                            (m_random.Chance(70) ? Indent() + "    break;\n" : "");
                return text + Indent() + "  default: {\n" + Block() + Indent() + "  }\n" + Indent() + "}\n";
            }
            case 7:
                if (!target || target->Kind == Bool) return Statement();
                return Indent() + target->Name + Step() + ";\n";
            case 8: return Indent() + "Debug(" + Expression(Int, 2) + ", " + Expression(Int, 1) + ");\n";
            case 9: return Indent() + "SetButtonDown(" + std::to_string(m_random.Below(11)) + ", " + Expression(Bool, 1) + ");\n";
            case 10:
                if (m_random.Chance(20)) return Indent() + "assert(" + Expression(Bool, 1) + " || true);\n";
                return Write(WriteCoordinate("", m_width), WriteCoordinate("", m_height), 1);
            case 11:
            case 12: return ArrayStatement();
            case 13:
                if (const Variable* counter = Pick([](const Variable& v) { return v.Assignable && !v.Array && (v.Kind == Int || v.Kind == Uint); }))
                    return Indent() + "if (" + Expression(Bool, 2) + ") " + counter->Name + Step() + ";\n";
                return Statement();
            default:
                if (!HasVariable("x")) return Statement();
                // A write of the next generation from the previous one's neighbourhood.
                return Write(WriteCoordinate("x", m_width), WriteCoordinate("y", m_height), 3);
        }
    }

    std::string Block() {
        m_scopes.push_back({});
        ++m_depth;
        std::string text;
        for (int i = 0, n = 1 + m_random.Below(3); i < n; ++i) text += Statement();
        --m_depth;
        m_scopes.pop_back();
        return text;
    }

    std::string Assignment(Type type) {
        static const std::vector<std::string> arithmetic = {" += ", " -= ", " *= ", " /= ", " %= "};
        static const std::vector<std::string> bits = {" &= ", " |= ", " ^= ", " <<= ", " >>= ", " >>>= "};
        if (type == Bool || m_random.Chance(50)) return " = " + Convert(type, 3);
        if ((type == Int || type == Uint || type == Int64) && m_random.Chance(40)) return m_random.Pick(bits) + Convert(type, 2);
        std::string op = m_random.Pick(arithmetic);
        return op + (op[1] == '/' || op[1] == '%' ? Divisor(type) : Convert(type, 2));
    }

    std::string Write(const std::string& x, const std::string& y, int depth) {
        int field = m_random.Below(3);
        return Indent() + "SetBuffer_" + "buf"[field] + std::to_string(1 + m_random.Below(4)) + "(" + x + ", " + y +
               ", " + Expression(field == 0 ? Bool : field == 1 ? Uint : Float, depth) + ");\n";
    }

    // Where a cell is written: the loop's own cell or one of the world, now and then one
    // outside it (a script exception).
    std::string WriteCoordinate(const std::string& base, int size) {
        if (m_random.Chance(3)) return Coordinate(base.empty() ? "0" : base, true);
        return base.empty() ? std::to_string(m_random.Below(size)) : base;
    }

    // Coordinates near the cell, sometimes far outside the world.
    std::string Coordinate(const std::string& base, bool anywhere) {
        if (m_random.Chance(anywhere ? 30 : 4))
            return m_random.Pick(std::vector<std::string> {"(-2147483647 - 1)", "2147483647", "-1", "1000"});
        int offset = m_random.Below(5) - 2;
        return offset == 0 ? base : "(" + base + (offset < 0 ? " - " : " + ") + std::to_string(std::abs(offset)) + ")";
    }

    // --- Arrays --------------------------------------------------------------------------------
    Type ArrayType() { return m_random.Pick(std::vector<Type> {Int, Uint, Float, Bool, Double}); }

    std::string List(Type type) {
        std::string list = "{";
        for (int i = 0, n = 1 + m_random.Below(9); i < n; ++i) list += (i ? ", " : "") + Literal(type);
        return list + "}";
    }

    // An index into `array`: mostly inside it, now and then anywhere (a script exception).
    std::string Element(const Variable& array) {
        if (m_random.Chance(4)) return array.Name + "[" + Expression(Uint, 1) + "]";
        return array.Name + "[min_u(" + Expression(Uint, 1) + " % 8, " + array.Name + ".length() - 1)]";
    }

    std::string ArrayStatement() {
        Type type = ArrayType();
        const Variable* array = Pick([type](const Variable& v) { return v.Array && v.Kind == type; });
        if (!array || m_random.Chance(30)) {
            std::string name = "a" + std::to_string(m_next++);
            m_scopes.back().push_back({name, type, true});
            return Indent() + Names[type] + "[] " + name +
                   (m_random.Chance(50) ? " = " + List(type) : "(" + std::to_string(1 + m_random.Below(6)) + ")") + ";\n";
        }
        switch (array->Assignable ? m_random.Below(4) : 3) {
            case 0: return Indent() + Element(*array) + " = " + Expression(type, 2) + ";\n";
            case 1:
                if (type == Bool) return Indent() + array->Name + ".insertLast(" + Expression(type, 2) + ");\n";
                return Indent() + Element(*array) + " += " + Expression(type, 2) + ";\n";
            case 2: return Indent() + array->Name + ".resize(" + std::to_string(1 + m_random.Below(9)) + ");\n";
            default: return Indent() + "Debug(int(" + array->Name + ".length()), 0);\n";
        }
    }

    // --- Expressions ---------------------------------------------------------------------------
    std::string Literal(Type type) {
        if (type >= Int8) return std::string(Names[type]) + "(" + Literal(Int) + ")";
        return m_random.Pick(Literals[type]);
    }

    // An expression of `type`, often converted explicitly from another type.
    std::string Convert(Type type, int depth) {
        if (type == Bool || m_random.Chance(60)) return Expression(type, depth);
        Type from = static_cast<Type>(m_random.Below(TypeCount));
        if (from == Bool) return "(" + Expression(Bool, depth - 1) + " ? " + Literal(type) + " : " + Literal(type) + ")";
        return std::string(Names[type]) + "(" + Expression(from, depth - 1) + ")";
    }

    std::string Expression(Type type, int depth) {
        if (type >= Int8) {  // the small integer types: variables and conversions only
            const Variable* variable = Pick([type](const Variable& v) { return v.Kind == type && !v.Array; });
            if (variable && m_random.Chance(60)) return variable->Name;
            return std::string(Names[type]) + "(" + Expression(Int, depth - 1) + ")";
        }
        if (depth > 0 && !m_random.Chance(25)) {
            for (const Helper& helper : m_helpers)
                if (helper.Result == type && m_random.Chance(10))
                    return helper.Name + "(" + Expression(helper.First, depth - 1) + ", " + Expression(helper.Second, depth - 1) + ")";
            return Expand(m_random.Pick(Forms[type]), type, depth);
        }
        if (const Variable* array = Pick([type](const Variable& v) { return v.Array && v.Kind == type; }); array && m_random.Chance(20))
            return Element(*array);
        if (const Variable* variable = Pick([type](const Variable& v) { return v.Kind == type && !v.Array; }); variable && m_random.Chance(65)) {
            if (type != Bool && variable->Assignable && m_random.Chance(10)) return "(" + Step() + variable->Name + ")";
            return variable->Name;
        }
        return Literal(type);
    }

    std::string Expand(const std::string& form, Type type, int depth) {
        std::string text;
        for (size_t i = 0; i < form.size(); ++i) {
            if (form[i] != '$') {
                text += form[i];
                continue;
            }
            char code = form[++i];
            bool inWorld = HasVariable("x");
            if (const char* found = std::strchr(Codes, code)) text += Expression(static_cast<Type>(found - Codes), depth - 1);
            else if (code == 'n') text += Expression(m_random.Pick(std::vector<Type> {Int, Uint, Float, Double, Int64}), depth - 1);
            else if (code == 'q') text += Divisor(type);
            else if (code == 'k') text += std::to_string(1 + m_random.Below(4));
            else if (code == 'x') text += inWorld ? Coordinate("x", false) : Coordinate("1", true);
            else if (code == 'y') text += inWorld ? Coordinate("y", false) : Coordinate("1", true);
            else if (code == 'v') {
                // A power of a variable: of two constants the compiler computes the power itself
                // and refuses to compile one that overflows.
                const Variable* base = Pick([type](const Variable& v) { return v.Kind == type && !v.Array; });
                if (!base) return Expression(type, depth - 1);
                text += base->Name;
            }
        }
        return text;
    }

    // Mostly a divisor that cannot be zero; now and then a variable, which may be (a script
    // exception at run time; a constant zero would not compile).
    std::string Divisor(Type type) {
        if (m_random.Chance(4))
            if (const Variable* v = Pick([type](const Variable& v) { return v.Kind == type && !v.Array; })) return v->Name;
        std::string value = Expression(type, 1);
        switch (type) {
            case Float: return "(abs_f(" + value + ") + 1.0f)";
            case Double: return "(" + value + " * " + value + " + 1.0)";
            case Int64: return "((" + value + ") | int64(1))";
            default: return "((" + value + ") | 1)";
        }
    }

    // --- Variables -----------------------------------------------------------------------------
    template <class Test> const Variable* Pick(const Test& test) {
        std::vector<const Variable*> candidates;
        for (const auto& scope : m_scopes)
            for (const Variable& variable : scope)
                if (test(variable)) candidates.push_back(&variable);
        for (const Variable& variable : m_globals)
            if (test(variable)) candidates.push_back(&variable);
        return candidates.empty() ? nullptr : m_random.Pick(candidates);
    }

    bool HasVariable(const std::string& name) {
        return Pick([&name](const Variable& v) { return v.Name == name; }) != nullptr;
    }

    Random m_random;
    std::vector<Variable> m_globals;
    std::vector<std::vector<Variable>> m_scopes;
    std::vector<Helper> m_helpers;
    int m_depth { 1 }, m_next { 0 }, m_statements { 0 }, m_width { 1 }, m_height { 1 };
};

}  // namespace

std::string RandomDefinition(uint64_t seed) { return RuleWriter(seed).Definition(); }

}  // namespace jittest

#pragma once
// Calls of functions without a value as operands of bitwise operators, found before the engine
// compiles the script. The engine's compiler (2.35.1 as the distribution ships it, built with
// its assertions) ends the whole program on `V() | 1`, `1 << V()` or `n &= V()` when V returns
// nothing, instead of reporting the error; the arithmetic and comparison operators are
// reported as they should be. Such a script is refused with a message of its own.

#include <set>
#include <string>
#include <string_view>

namespace core {

struct VoidOperand {
    bool Found { false };
    std::string Function;  // the call's function name
    std::string Operator;  // the bitwise operator it is an operand of
    int Row { 0 };         // of the operator (1-based, as the engine counts them)
    int Column { 0 };
};

// Looks for a call of a function that returns nothing as the left or right operand of one of
// | ^ & << >> >>> and their assignments. `voidFunctions` names the host's functions and
// methods without a value; the script's own ("void Name(") are added. A name that is void in
// one place counts everywhere, so a method sharing the name of a void function is refused too.
VoidOperand FindVoidOperand(std::string_view code, const std::set<std::string>& voidFunctions);

}  // namespace core

#pragma once
// The nesting depth of a script, measured before the engine compiles it. The engine's parser
// and compiler descend recursively into every nested construct, on the caller's stack: about
// 3,000 nested parentheses, 2,000 nested calls or 1,300 chained conditional operators exhaust
// an 8 MiB stack, and the process dies. A script nested deeper than MaxScriptNesting is
// refused instead.
//
// The depth counts, along the innermost path: each open parenthesis twice (a call nests
// deepest), each open bracket or brace once, each conditional operator ? three times, and
// once each control statement (if, else, for, while, do, switch) whose statement has not
// ended and each assignment or logical operator of the expression being read. So a depth of
// 1,000 asks the compiler for at most about 2.2 MiB of stack, whatever the constructs.

#include <string_view>

namespace core {

// Names are bounded too: the engine asserts that a type's name is shorter than 100 characters,
// and ends the program otherwise. So are the operators of one statement: the compiler's time
// grows with their square (20,000 additions in one expression take seconds, 200,000 minutes).

inline constexpr int MaxScriptNesting = 1000;
inline constexpr int MaxScriptName = 64;
inline constexpr int MaxStatementOperators = 1000;

struct ScriptNesting {
    int Depth { 0 };   // the greatest depth reached
    int Row { 0 };     // where it was first reached (1-based, as the engine counts them)
    int Column { 0 };
    int LongestName { 0 };  // characters of the longest identifier
    int NameRow { 0 };      // where it begins
    int NameColumn { 0 };
    int MostOperators { 0 };  // operators of the longest statement
    int OperatorRow { 0 };    // where that statement passed MaxStatementOperators
    int OperatorColumn { 0 };
};

// Reads the script's tokens (comments and strings skipped) and measures its deepest nesting,
// its longest name and its longest statement. Reading stops once a bound is exceeded, where
// that happened.
ScriptNesting MeasureScriptNesting(std::string_view code);

}  // namespace core

#pragma once
namespace core {

// Repairs of faults in the script engine library (AngelScript 2.35.1 as the distribution
// ships it) that a script can reach. See ScriptEngineFixes.cpp.

// Makes sure the repairs are part of the program; ScriptHost calls it before it creates an
// engine.
void InstallScriptEngineFixes();

}  // namespace core

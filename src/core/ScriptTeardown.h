#pragma once
// The end of a script engine whose scripts must not run any more.

#include "core/AngelScript.h"

namespace core {

// Discards the default module and releases the engine. Script code that the engine would
// run on the way (destructors of script objects) is stopped at its first statement, so an
// endless loop in a destructor cannot hold the program. The links between script objects
// are cut first: the engine's collector frees a chain of n linked objects in n passes over
// all of them, which for 100,000 objects takes most of a minute, and without the links every
// object goes in one pass.
void ShutDownScriptEngine(AngelScript::asIScriptEngine& engine);

}  // namespace core

#pragma once
// The script engine's header. The distribution builds the library with its C++ symbols in
// namespace AngelScript, so the declarations must be compiled the same way.

#ifndef AS_USE_NAMESPACE
#define AS_USE_NAMESPACE
#endif
#include <angelscript.h>

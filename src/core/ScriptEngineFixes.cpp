// The engine formats its messages with its string class's Format. When the text comes to
// 1,024 bytes or more, that function formats a second time from an argument list the first
// attempt already used up, and reads garbage: a script whose function declaration is that
// long (a dozen parameters of long type names, or one parameter of a type in deeply nested
// namespaces) crashes the compiler, since every function's declaration is formatted into
// "Compiling ..." when it is built. The library calls Format through its procedure linkage
// table, so a definition in the program takes the place of its own. This one formats from a
// copy of the argument list and hands the text to the library's own Assign; it keeps the
// library's contract (the string holds the text, the result is its length).
//
// The class is declared here with only the members used, under the library's name and
// outside any namespace, as the library's symbols are.

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "core/ScriptEngineFixes.h"

class asCString {
public:
    size_t Format(const char* format, ...);
    void Assign(const char* text, size_t length);  // the library's
};

size_t asCString::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    char small[1024];
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (length < 0) {
        Assign("", 0);
    } else if (static_cast<size_t>(length) < sizeof small) {
        Assign(small, static_cast<size_t>(length));
    } else {
        std::vector<char> large(static_cast<size_t>(length) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        Assign(large.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return length < 0 ? 0 : static_cast<size_t>(length);
}

namespace core {

void InstallScriptEngineFixes() {
    // Referenced from here, the definition above is linked into every program that hosts
    // scripts; the dynamic linker then binds the library's calls to it.
    static volatile auto keep = &asCString::Format;
    (void)keep;
}

}  // namespace core

// Raises a short chain and writes the error report where a real run would: beside this
// executable, or in the state directory when that is not writable. Prints the report's path.
#include <cstdio>

#include "errors/ErrorReport.h"

int main() {
    RaiseError("(Device,2289436780) D3DERR_INVALIDCALL (Invalid call)");
    AddError("Nie można utworzyć urządzenia");
    AddErrorAt("Wpis bez pozycji", ErrorPosition::None());
    std::printf("%s\n", WriteErrorReport().c_str());
    return ErrorRaised() ? 1 : 0;
}

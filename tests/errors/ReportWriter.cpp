// Raises a short chain and writes the error report where a real run would: beside this
// executable, or in the state directory when that is not writable. Prints the report's path.
#include <cstdio>

#include "errors/ErrorReport.h"

int main() {
    errors::RaiseError("(Device,2289436780) D3DERR_INVALIDCALL (Invalid call)");
    errors::AddError("Nie można utworzyć urządzenia");
    errors::AddErrorAt("Wpis bez pozycji", errors::ErrorPosition::None());
    std::printf("%s\n", errors::WriteErrorReport().c_str());
    return errors::ErrorRaised() ? 1 : 0;
}
